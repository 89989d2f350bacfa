#pragma once
// The device layer on real audio devices, through PortAudio.
//
// The program's streams are virtual. Each (device, sample rate) pair in use gets one PortAudio
// stream, 16-bit with up to two channels; its callback sums every virtual output stream on it,
// saturating to 16 bits (a mono stream plays on both channels), or holds what the device
// records for every virtual input stream on it. A sound server takes only a few connections
// and separate connections drift apart; virtual streams on one device have neither problem.
//
// Time. Each device counts the frames its callback has played or captured: that count is the
// device's sample clock. Streams started together are pinned by the device's next callback to
// one frame of it. The callback notes, for every buffer, when its first frame is heard or was
// captured (PortAudio's timestamps), which gives the play position (framesHeard) and lines a
// take up with what the performer heard: its first frame is the one captured at the moment the
// run's first output frame was heard.
//
// Threads: every AudioSystem call comes from the GUI thread, except framesHeard and lostFrames
// (any thread). The callback only moves samples: it reads lists the GUI thread publishes and
// never blocks, waits or allocates; the GUI thread waits for a running callback to end before
// it reuses anything the callback may read. A notifier thread posts finished blocks to the
// EventSink in the order they finished and moves held input into the program's buffers. An
// output device stays open a little while after its last stream closed, so the sound the
// server still buffers is heard in full. Notifications already on their way when a stream
// closes are still delivered (the listener tells them apart by the stream id); once the
// PortAudioSystem is destroyed, those left in the sink are dropped.
#include <memory>

#include "audio/audio_system.h"
#include "platform/event_sink.h"

namespace tqx {

class PortAudioSystem : public AudioSystem {
public:
    // Starts PortAudio and lists its devices; nullptr when PortAudio cannot start. With no
    // device at all the backend lists nothing and every open fails.
    static std::unique_ptr<PortAudioSystem> create(EventSink& sink);
    ~PortAudioSystem() override;
    PortAudioSystem(const PortAudioSystem&) = delete;
    PortAudioSystem& operator=(const PortAudioSystem&) = delete;

    std::vector<DeviceCaps> inputDevices() override;
    std::vector<DeviceCaps> outputDevices() override;
    StreamId openOutput(int device, const WaveFormat& format, AudioListener* listener) override;
    bool writeOutput(StreamId stream, WaveHeader* header) override;
    void resetOutput(StreamId stream) override;
    void closeOutput(StreamId stream) override;
    bool queryInputFormat(int device, const WaveFormat& format) override;
    StreamId openInput(int device, const WaveFormat& format, AudioListener* listener) override;
    bool addInputBuffer(StreamId stream, WaveHeader* header) override;
    void resetInput(StreamId stream) override;
    std::uint64_t pendingInput(StreamId stream) override;
    std::uint64_t awaitInput(StreamId stream, std::uint64_t frames, std::chrono::milliseconds limit) override;
    void closeInput(StreamId stream) override;
    void startStreams(std::span<const StreamId> streams) override;
    std::int64_t framesHeard(StreamId output) const override;
    std::uint64_t lostFrames(StreamId stream) const override;

    struct State;

private:
    explicit PortAudioSystem(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

}  // namespace tqx

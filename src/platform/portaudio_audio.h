#pragma once
// The device layer on real audio devices, through PortAudio.
//
// The program's streams are virtual. Each (device, sample rate) pair in use gets one PortAudio
// stream, 16-bit with up to two channels; its callback sums every virtual output stream on it,
// saturating to 16 bits (a mono stream plays on both channels), or hands what the device
// records to every virtual input stream on it. A sound server takes only a few connections and
// separate connections drift apart; virtual streams on one device have neither problem and
// stay sample-aligned. Streams opened (output) or started (input) during one turn of the event
// loop begin at the same frame: they go live together once that turn is over, through an event
// on the sink.
//
// Threads: every AudioSystem call comes from the GUI thread. The callback only moves samples
// and never allocates. It shares each device's stream list with the GUI thread under a lock
// that it holds while it mixes and the GUI thread holds for a few pointer moves (reset and
// close must be done when they return), and passes finished blocks through a lock-free ring
// to a notifier thread, which posts them to the EventSink in the order they finished. An
// output device stays open a little while after its last stream closed, so the sound the
// server still buffers is heard in full. A block is marked Done
// on the GUI thread, just before its listener call; reset and close mark every block the device
// still held at once. Notifications already on their way when a stream closes are still
// delivered (the listener tells them apart by the stream id); once the PortAudioSystem is
// destroyed, those left in the sink are dropped.
#include <memory>

#include "platform/audio_system.h"
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
    bool startInput(StreamId stream) override;
    void resetInput(StreamId stream) override;
    void closeInput(StreamId stream) override;

    struct State;

private:
    explicit PortAudioSystem(std::shared_ptr<State> state);
    std::shared_ptr<State> state_;
};

}  // namespace tqx

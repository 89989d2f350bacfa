#pragma once
// A device layer with a virtual clock, for tests of everything that plays or records.
//
// Nothing happens until the test calls advance(): started streams then consume (output) or
// produce (input) frames at their format's rate, one millisecond step at a time, and every
// block that finishes is marked Done on the spot and its notification posted to the sink
// (the test runs them with sink.pump()). Within one millisecond, output streams are served
// before input streams, each in the order they were opened.
//
// Every device counts frames of its rate from the start of the virtual clock: frame f of a
// device at rate r plays (or is captured) at f / r seconds. Output is time-locked as on a real
// device: a block that comes late plays only its part still to come. Output is heard
// `outputLatency` after it plays; input reaches the streams `inputLatency` after it sounded,
// and, with a burst length set, only at whole multiples of it (the way a sound server hands
// out its input). Input that no buffer takes waits in a hold of kInputHoldSeconds; what does
// not fit is lost and counted, and silence takes its place.
//
// Input devices all hear one signal, setInputSignal(); its frame argument counts frames of the
// stream's own rate from the start of the virtual clock, so two streams recording at the same
// time get the same samples. With setLoopback(true) they hear instead what the output streams
// play, as a microphone before the speakers would (same rate as the outputs).
//
// Notifications already posted are delivered even when their stream has been closed since;
// the listener recognises them by the stream id, which is never handed out again.
//
// framesHeard and lostFrames may be called from any thread; everything else from the test's
// thread.
#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "audio/audio_system.h"
#include "platform/event_sink.h"

namespace tqx {

class SimulatedAudioSystem : public AudioSystem {
public:
    explicit SimulatedAudioSystem(EventSink& sink);

    // Named devices, numbered 0, 1, ... in the order added. None exist at start; the default
    // device (kDefaultDevice) always opens unless a refusal below says otherwise.
    void addInputDevice(const std::string& name);
    void addOutputDevice(const std::string& name);

    // Moves the virtual clock on. The second form calls `afterEachMillisecond` between the
    // steps, so a test can pump the sink (and tick a timer) the way a running program would.
    void advance(int milliseconds);
    void advance(int milliseconds, const std::function<void()>& afterEachMillisecond);
    std::uint64_t elapsedMilliseconds() const;

    // The latencies every device has and reports, in milliseconds.
    void setLatencies(int outputMilliseconds, int inputMilliseconds);
    // Input reaches the streams only every `milliseconds` (0: every millisecond).
    void setInputBurst(int milliseconds);

    // One stretch of frames a stream played without a break.
    struct PlayedRun {
        StreamId stream = 0;
        WaveFormat format;
        std::int64_t deviceFrame = 0;  // device frame of the first sample's frame
        std::int64_t streamFrame = 0;  // the same frame on the stream's timeline
        std::vector<std::int16_t> samples;
    };
    // What the output streams played, in playing order; late parts of blocks, which were not
    // played, are not there.
    const std::vector<PlayedRun>& played() const { return played_; }
    // Every sample a stream played, in order.
    std::vector<std::int16_t> playedSamples(StreamId stream) const;
    void clearPlayed() { played_.clear(); }

    // What every input device hears; silence until set.
    void setInputSignal(std::function<std::int16_t(std::uint64_t frame, int channel)> signal);
    // Input devices hear what the output streams play (summed, as a room would).
    void setLoopback(bool on) { loopback_ = on; }

    // Injectable failures.
    bool refuseOutputOpen = false;
    bool refuseInputOpen = false;
    bool refuseInputFormat = false;                             // queryInputFormat fails, and so does openInput
    bool refuseWrite = false;                                   // writeOutput fails
    bool refuseAddBuffer = false;                               // addInputBuffer fails
    std::set<int> refusingOutputDevices, refusingInputDevices;  // device numbers, -1 allowed

    int openOutputCount() const;
    int openInputCount() const;
    // The device a stream was opened on, also after it closed; nullopt for an id never given.
    std::optional<int> outputDeviceOf(StreamId stream) const;
    std::optional<int> inputDeviceOf(StreamId stream) const;
    bool isOpen(StreamId stream) const;
    // Blocks or buffers of an open stream that the device holds (0 for an unknown stream).
    std::size_t queuedCount(StreamId stream) const;
    bool isRecording(StreamId stream) const;
    // Device frame that an output stream's frame 0 was pinned to; nullopt while not started.
    std::optional<std::int64_t> originOf(StreamId stream) const;

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
    // Waiting is time passing: the simulated clock runs on, a millisecond at a time.
    std::uint64_t awaitInput(StreamId stream, std::uint64_t frames, std::chrono::milliseconds limit) override;
    void closeInput(StreamId stream) override;
    void startStreams(std::span<const StreamId> streams) override;
    std::int64_t framesHeard(StreamId output) const override;
    std::uint64_t lostFrames(StreamId stream) const override;

private:
    struct Block {
        WaveHeader* header = nullptr;
        std::int64_t start = 0;    // output: first frame on the stream's timeline
        std::uint32_t frames = 0;  // whole frames the block holds
        std::uint32_t done = 0;    // frames played, skipped (output) or filled (input)
    };
    struct Stream {
        bool input = false;
        WaveFormat format;
        AudioListener* listener = nullptr;
        std::deque<Block> queue;
        std::uint64_t lost = 0;
        // output
        std::int64_t written = 0;            // timeline frame after the last block
        std::optional<std::int64_t> origin;  // device frame of timeline frame 0
        // input
        bool capturing = false;
        std::optional<std::int64_t> nextCapture;  // next device frame to capture
        std::int64_t firstCapture = 0;            // device frame of the take's frame 0
        std::deque<std::int16_t> hold;            // captured, not yet in a buffer
        std::uint64_t silenceAfterHold = 0;       // lost frames, handed out as silence
    };

    Stream* find(StreamId id, bool input);
    const Stream* find(StreamId id, bool input) const;
    bool acceptsDevice(int device, std::size_t count, const std::set<int>& refusing) const;
    StreamId open(bool input, int device, const WaveFormat& format, AudioListener* listener);
    void step();
    void play(StreamId id, Stream& s, std::int64_t firstFrame, std::int64_t frames);
    void record(Stream& s, std::int64_t deliverableEnd);
    std::int16_t heard(const Stream& s, std::int64_t frame, int channel) const;
    void fillBuffers(StreamId id, Stream& s, bool drain);
    void finish(StreamId id, Stream& s, std::uint32_t bytesRecorded);
    void notify(StreamId id, const Stream& s, WaveHeader* header);
    std::int64_t latencyFrames(int milliseconds, std::uint32_t rate) const;

    EventSink& sink_;
    mutable std::mutex mutex_;  // framesHeard and lostFrames come from other threads
    std::vector<std::string> inputNames_, outputNames_;
    std::map<StreamId, Stream> streams_;  // open streams, in opening order
    std::map<StreamId, int> deviceOf_;    // every stream ever opened
    std::set<StreamId> inputIds_;
    std::vector<PlayedRun> played_;
    std::function<std::int16_t(std::uint64_t, int)> signal_;
    bool loopback_ = false;
    // Loopback: what the outputs played (left, right) from device frame tapeStart_ on.
    std::deque<std::array<std::int32_t, 2>> tape_;
    std::int64_t tapeStart_ = 0;
    std::uint64_t now_ = 0;
    int outputLatency_ = 0, inputLatency_ = 0, burst_ = 0;
    StreamId lastId_ = 0;
    std::uint64_t generation_ = 0;
};

}  // namespace tqx

#pragma once
// A device layer with a virtual clock, for tests of everything that plays or records.
//
// Nothing happens until the test calls advance(): started streams then consume (output) or
// produce (input) frames at their format's rate, one millisecond step at a time, and every
// block that finishes is marked Done on the spot and its notification posted to the sink
// (the test runs them with sink.pump()). Within one millisecond, streams are served in the
// order they were opened. A stream whose queue runs dry simply idles: what it would have played
// or heard in the meantime is lost, as with a real device.
//
// Input devices all hear one signal, setInputSignal(); its frame argument counts frames of the
// stream's own rate from the start of the virtual clock, so two streams recording at the same
// time get the same samples.
//
// Notifications already posted are delivered even when their stream has been closed since;
// the listener recognises them by the stream id, which is never handed out again.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/audio_system.h"
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
    std::uint64_t elapsedMilliseconds() const { return now_; }

    struct PlayedBlock {
        StreamId stream = 0;
        WaveFormat format;
        std::vector<std::int16_t> samples;  // as they stood when the block was written
    };
    // Blocks that finished playing, in finishing order (blocks handed back by a reset did not
    // play and are not listed).
    const std::vector<PlayedBlock>& played() const { return played_; }
    std::vector<std::int16_t> playedSamples(StreamId stream) const;
    void clearPlayed() { played_.clear(); }

    // What every input device hears; silence until set.
    void setInputSignal(std::function<std::int16_t(std::uint64_t frame, int channel)> signal);

    // Injectable failures.
    bool refuseOutputOpen = false;
    bool refuseInputOpen = false;
    bool refuseInputFormat = false;  // queryInputFormat fails, and so does openInput
    bool refuseWrite = false;        // writeOutput fails
    bool refuseAddBuffer = false;    // addInputBuffer fails
    std::set<int> refusingOutputDevices, refusingInputDevices;  // device numbers, -1 allowed

    int openOutputCount() const;
    int openInputCount() const;
    // The device a stream was opened on, also after it closed; nullopt for an id never given.
    std::optional<int> outputDeviceOf(StreamId stream) const;
    std::optional<int> inputDeviceOf(StreamId stream) const;
    bool isOpen(StreamId stream) const { return streams_.count(stream) != 0; }
    // Blocks or buffers of an open stream that the device holds (0 for an unknown stream).
    std::size_t queuedCount(StreamId stream) const;
    bool isRecording(StreamId stream) const;

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

private:
    struct Queued {
        WaveHeader* header = nullptr;
        std::vector<std::int16_t> samples;  // output: the block's samples at write time
    };
    struct Stream {
        bool input = false;
        WaveFormat format;
        AudioListener* listener = nullptr;
        std::vector<Queued> queue;
        std::uint32_t position = 0;  // whole frames played or filled in the head block
        bool started = false;        // input only; output plays whatever is queued
    };

    Stream* find(StreamId id, bool input);
    const Stream* find(StreamId id, bool input) const;
    bool acceptsDevice(int device, std::size_t count, const std::set<int>& refusing) const;
    StreamId open(bool input, int device, const WaveFormat& format, AudioListener* listener);
    bool enqueue(StreamId id, bool input, WaveHeader* header);
    void step();
    void serve(StreamId id, Stream& s, std::uint64_t firstFrame, std::uint64_t frames);
    void finishHead(StreamId id, Stream& s, std::uint32_t bytes);
    void handBack(StreamId id, Stream& s, WaveHeader* header);
    void notify(StreamId id, const Stream& s, WaveHeader* header);

    EventSink& sink_;
    std::vector<std::string> inputNames_, outputNames_;
    std::map<StreamId, Stream> streams_;  // open streams, in opening order
    std::map<StreamId, int> deviceOf_;    // every stream ever opened
    std::set<StreamId> inputIds_;
    std::vector<PlayedBlock> played_;
    std::function<std::int16_t(std::uint64_t, int)> signal_;
    std::uint64_t now_ = 0;
    StreamId lastId_ = 0;
    std::uint64_t generation_ = 0;
};

}  // namespace tqx

#pragma once
// The wave-device layer: per-clip output streams and per-track input streams, as the engine
// sees them, on one sample clock per device.
//
// Threads. Every call is made on the GUI thread (the thread that runs the program's event
// loop) unless it says "any thread". Finished blocks come back through the listener, also on
// the GUI thread (delivered through the EventSink), in the order they finished. A block is
// marked Done (InQueue cleared) by the time its notification runs, unless it was queued again
// in between. Notifications already on their way when a stream is closed still arrive; the
// listener recognises them by the stream id, which no later stream gets.
//
// Time. A stream has its own timeline of frames. Output blocks lie end to end on it (the first
// block written after open or reset at frame 0), and startStreams pins frame 0 to a frame of
// the device's clock. From then on the stream never shifts against that clock: a block that
// arrives late plays only the part that is still to come, and the frames it missed are counted
// as lost. Input works the other way round: the device captures continuously from the start,
// and what it captured while no buffer was queued is held (kInputHoldSeconds at least) until
// buffers come, so a busy program or a sound server that delivers in bursts loses nothing.
#include <chrono>
#include <cstdint>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "platform/wave_format.h"

namespace tqx {

using StreamId = std::uint64_t;            // 0 = no stream; ids are never reused within a run
inline constexpr int kDefaultDevice = -1;  // "WAVE MAPPER"
// Seconds of input the device layer holds for a stream whose buffers are not taken in time.
inline constexpr int kInputHoldSeconds = 16;

// One block handed to a device; owned by the engine, which keeps it alive while queued.
struct WaveHeader {
    enum Flags : std::uint32_t { Done = 0x1, Prepared = 0x2, InQueue = 0x10 };
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;   // bytes
    std::uint32_t bytesRecorded = 0;  // input: bytes the device filled
    std::uint32_t flags = 0;
    std::uint64_t generation = 0;  // bumped by the device layer at every write/add
};

class AudioListener {
public:
    virtual ~AudioListener() = default;
    // An output block has finished playing or was handed back by reset (GUI thread).
    virtual void onOutputDone(StreamId stream, WaveHeader* header) = 0;
    // An input buffer was filled, or handed back (partly filled or empty) by reset (GUI thread).
    virtual void onInputData(StreamId stream, WaveHeader* header) = 0;
};

struct DeviceCaps {
    std::string name;
    bool pitch = false;   // output only
    bool volume = false;  // output only
};

class AudioSystem {
public:
    virtual ~AudioSystem() = default;

    virtual std::vector<DeviceCaps> inputDevices() = 0;
    virtual std::vector<DeviceCaps> outputDevices() = 0;

    // Header life cycle, as the wave services have it: prepare sets Prepared, unprepare
    // clears it (false while the header is still queued).
    virtual bool prepareHeader(WaveHeader* header);
    virtual bool unprepareHeader(WaveHeader* header);

    // --- output ---
    // Opens a stream on `device` (kDefaultDevice = the default device); 0 when refused. The
    // stream stays silent until startStreams.
    virtual StreamId openOutput(int device, const WaveFormat& format, AudioListener* listener) = 0;
    // Queues a prepared block right after the stream's previous one: clears Done, sets
    // InQueue. The device reads the block's memory until it is handed back. False when the
    // stream is unknown or the block not prepared.
    virtual bool writeOutput(StreamId stream, WaveHeader* header) = 0;
    // Stops the stream and hands back every queued block at once: each is marked Done (InQueue
    // cleared) before this returns, and one notification per block follows. The stream's
    // timeline begins again: the next block written lies at frame 0, silent until the next
    // startStreams.
    virtual void resetOutput(StreamId stream) = 0;
    // Blocks still queued at close are released (Done, InQueue cleared) without notification.
    virtual void closeOutput(StreamId stream) = 0;

    // --- input ---
    // True when `device` accepts `format` (no stream is opened).
    virtual bool queryInputFormat(int device, const WaveFormat& format) = 0;
    // Opens a stream that starts capturing at startStreams.
    virtual StreamId openInput(int device, const WaveFormat& format, AudioListener* listener) = 0;
    // Queues an empty prepared buffer; buffers are filled in order with what the stream
    // captured, from its frame 0 on, whole frames only. After a reset, a buffer added while the
    // stream still holds captured input is filled from it at once and handed back (Done
    // before this returns, a notification follows).
    virtual bool addInputBuffer(StreamId stream, WaveHeader* header) = 0;
    // Stops capturing. Every queued buffer is handed back filled, in order, with what was
    // captured up to now (the last one partly, later ones empty): each is marked Done with
    // its bytesRecorded before this returns; notifications follow. What the queued buffers
    // could not take stays with the stream (pendingInput) for buffers added afterwards.
    virtual void resetInput(StreamId stream) = 0;
    // Bytes the stream captured that no buffer has taken yet.
    virtual std::uint64_t pendingInput(StreamId stream) = 0;
    // Waits, at most `limit`, until the stream has captured `frames` frames of its take in all
    // (handed to buffers or held): at a stop a sound server that delivers in bursts may still
    // owe the last second or two. Returns the frames captured by then; 0 for an unknown stream.
    virtual std::uint64_t awaitInput(StreamId stream, std::uint64_t frames, std::chrono::milliseconds limit) = 0;
    // As closeOutput: buffers still queued are released without notification; held input is
    // dropped.
    virtual void closeInput(StreamId stream) = 0;

    // --- the run ---
    // Starts the given streams together. Every output stream's frame 0 goes to the next frame
    // its device plays, the same frame for all streams on one device. An input stream's frame
    // 0 is the frame its device captured at the moment the first output stream of the list
    // begins to be heard (from the latencies the devices report), so a take lines up with what
    // the performer heard; without an output stream in the list, the next frame it captures.
    // Streams already started, and unknown ids, are passed over.
    virtual void startStreams(std::span<const StreamId> streams) = 0;
    // Any thread. Frames of an output stream's timeline that the listener has heard by now:
    // where the device is, less its output latency. Negative before frame 0 is heard, and for
    // a stream that is not started or unknown.
    virtual std::int64_t framesHeard(StreamId output) const = 0;
    // Any thread. Frames lost since the stream opened: for output, frames of blocks that came
    // too late to play; for input, frames captured while the hold was full (the stream hands
    // out silence in their place, so a take keeps its timing).
    virtual std::uint64_t lostFrames(StreamId stream) const = 0;
};

// framesHeard's answer for a stream that is not playing.
inline constexpr std::int64_t kNotHeard = std::numeric_limits<std::int64_t>::min();

}  // namespace tqx

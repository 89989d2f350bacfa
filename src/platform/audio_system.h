#pragma once
// The wave-device layer: per-clip output streams and per-track input streams, as the engine
// sees them. Every method is called on the GUI thread. Finished blocks come back through the
// listener, also on the GUI thread (delivered through the EventSink), in the order they
// finished. A block is marked Done (InQueue cleared) by the time its notification runs,
// unless it was queued again in between.
// Notifications already on their way when a stream is closed still arrive; the listener
// recognises them by the stream id, which no later stream gets.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/wave_format.h"

namespace tqx {

using StreamId = std::uint64_t;  // 0 = no stream; ids are never reused within a run
inline constexpr int kDefaultDevice = -1;  // "WAVE MAPPER"

// One block handed to a device; owned by the engine, which keeps it alive while queued.
struct WaveHeader {
    enum Flags : std::uint32_t { Done = 0x1, Prepared = 0x2, InQueue = 0x10 };
    std::uint8_t* data = nullptr;
    std::uint32_t bufferLength = 0;   // bytes
    std::uint32_t bytesRecorded = 0;  // input: bytes the device filled
    std::uint32_t flags = 0;
    std::uint64_t generation = 0;     // bumped by the device layer at every write/add
};

class AudioListener {
public:
    virtual ~AudioListener() = default;
    // An output block has finished playing or was handed back by reset.
    virtual void onOutputDone(StreamId stream, WaveHeader* header) = 0;
    // An input buffer was filled, or handed back (partly filled or empty) by reset.
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
    // Opens a stream on `device` (kDefaultDevice = the default device); 0 when refused.
    virtual StreamId openOutput(int device, const WaveFormat& format, AudioListener* listener) = 0;
    // Queues a prepared block: clears Done, sets InQueue. False when the stream is unknown.
    virtual bool writeOutput(StreamId stream, WaveHeader* header) = 0;
    // Stops playing and hands back every queued block at once: each is marked Done (InQueue
    // cleared) before this returns, and one notification per block follows.
    virtual void resetOutput(StreamId stream) = 0;
    // Blocks still queued at close are released (Done, InQueue cleared) without notification.
    virtual void closeOutput(StreamId stream) = 0;

    // --- input ---
    // True when `device` accepts `format` (no stream is opened).
    virtual bool queryInputFormat(int device, const WaveFormat& format) = 0;
    virtual StreamId openInput(int device, const WaveFormat& format, AudioListener* listener) = 0;
    // Queues an empty prepared buffer; filled in order once the stream is started.
    virtual bool addInputBuffer(StreamId stream, WaveHeader* header) = 0;
    virtual bool startInput(StreamId stream) = 0;
    // Stops recording and hands back the partly filled buffer and the empty ones: each is
    // marked Done with its bytesRecorded before this returns; notifications follow.
    virtual void resetInput(StreamId stream) = 0;
    // As closeOutput: buffers still queued are released without notification.
    virtual void closeInput(StreamId stream) = 0;
};

}  // namespace tqx

#pragma once
// Inside the PortAudio device layer: the program's virtual streams and the one PortAudio
// stream per device that plays or records them. Only portaudio_audio.cpp and
// portaudio_callbacks.cpp use this.
//
// Who touches what:
// - the audio callback reads the member list and each member's shared fields, moves samples,
//   and never blocks, waits or allocates;
// - the GUI thread (every AudioSystem call) changes member lists, queues blocks and buffers,
//   and waits for a running callback to finish (quiesce) before it reuses what the callback
//   may still be reading;
// - the notifier thread posts finished blocks and moves captured input into the program's
//   buffers; it shares input state with the GUI thread under VirtualStream::consumer and the
//   device list under the registry lock.
#include <portaudio.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <vector>

#include "audio/audio_system.h"
#include "audio/clock_log.h"
#include "audio/sample_ring.h"
#include "platform/spsc_ring.h"

namespace tqx::pa {

inline constexpr std::int64_t kUnpinned = std::numeric_limits<std::int64_t>::min();
// The callback mixes or converts at most this many frames per pass, so its scratch is fixed.
inline constexpr unsigned long kMixFrames = 4096;
inline constexpr int kMaxDeviceChannels = 2;
// Blocks a stream may have queued, old ones a reset left for the callback to drop included.
inline constexpr std::size_t kEntryCapacity = 64;
// Finished blocks a device can hold for the notifier; should it fill up all the same, the
// callback keeps the finished block and tries again on its next call rather than lose it.
inline constexpr std::size_t kFinishedCapacity = 16384;

// A block handed to the device, as the callback sees it.
struct Entry {
    WaveHeader* header = nullptr;
    std::uint64_t generation = 0;
    std::uint32_t epoch = 0;   // the stream's epoch when written; a reset bumps the epoch
    std::int64_t start = 0;    // first frame on the stream's timeline
    std::uint32_t frames = 0;  // whole frames
};

// A block the device is done with, on its way to the listener.
struct Finished {
    StreamId stream = 0;
    WaveHeader* header = nullptr;
    std::uint64_t generation = 0;
    std::uint32_t bytes = 0;  // input: bytes filled
    AudioListener* listener = nullptr;
    bool input = false;
};

// A block or buffer the engine handed over and that is not yet marked Done.
struct Outstanding {
    WaveHeader* header = nullptr;
    std::uint64_t generation = 0;
    std::uint32_t bytes = 0;  // input: bytes filled so far
};

struct DeviceStream;

struct VirtualStream {
    // Fixed at open.
    StreamId id = 0;
    bool input = false;
    int channels = 0;
    AudioListener* listener = nullptr;
    DeviceStream* device = nullptr;

    // GUI thread only.
    std::vector<Outstanding> outstanding;  // output blocks not yet marked Done
    std::int64_t written = 0;              // output: timeline frame after the last block
    bool started = false;

    // Output, shared with the callback.
    SpscRing<Entry> entries{kEntryCapacity};  // GUI pushes, callback pops
    std::atomic<std::uint32_t> epoch{0};
    std::atomic<std::uint64_t> startGroup{0};     // GUI: pin frame 0 with this start group
    std::atomic<std::int64_t> origin{kUnpinned};  // callback: device frame of timeline frame 0
    std::uint32_t headDone = 0;                   // callback: frames of the head entry passed

    // Input, shared with the callback.
    std::unique_ptr<SampleRing> hold;  // callback writes, consumer reads
    std::atomic<bool> capturing{false};
    std::atomic<std::int64_t> firstHeld{kUnpinned};  // device frame of the hold's first frame
    std::atomic<std::uint64_t> owedSilence{0};       // lost frames still to hand out as silence

    std::atomic<std::uint64_t> lost{0};

    // Input, the consumer's side (GUI or notifier), under `consumer`.
    std::mutex consumer;
    std::deque<Outstanding> queued;   // buffers being filled, oldest first
    std::vector<Outstanding> posted;  // filled and posted, not yet delivered
    bool aligned = false;
    std::int64_t takeFrame = 0;         // device frame the take takes next
    std::int64_t takeFirstFrame = 0;    // device frame of the take's frame 0
    std::int64_t heldFrame = 0;         // device frame of the hold's next frame
    DeviceStream* reference = nullptr;  // the output whose start the take lines up with
    std::uint64_t referenceGroup = 0;
    std::int64_t capturingSince = 0;  // steady clock, for giving up on the reference
};

struct MemberList {
    std::vector<VirtualStream*> streams;
};

struct DeviceStream {
    bool input = false;
    PaDeviceIndex index = paNoDevice;
    double rate = 0;
    int channels = 0;
    PaStream* stream = nullptr;
    double reportedLatency = 0;  // seconds, for hosts that give no timestamps
    std::counting_semaphore<>* wake = nullptr;

    // The GUI thread publishes, the callback reads; old lists are freed after a quiesce.
    std::atomic<MemberList*> members{nullptr};
    // Odd while a callback runs.
    std::atomic<std::uint64_t> callbackSeq{0};
    // Frames the callbacks have played or captured so far.
    std::atomic<std::int64_t> framesDone{0};
    ClockLog clock;
    // Start groups: the GUI raises startRequest, the next callback pins every stream waiting
    // for a group up to it and notes where.
    std::atomic<std::uint64_t> startRequest{0};
    std::uint64_t startHandled = 0;  // callback only
    std::array<std::atomic<std::uint64_t>, 8> pinnedGroup{};
    std::array<std::atomic<std::int64_t>, 8> pinnedFrame{};
    std::atomic<std::uint32_t> pinCount{0};

    // When an output device lost its last stream (steady clock), 0 while in use.
    std::atomic<std::int64_t> idleSince{0};

    SpscRing<Finished> finished{kFinishedCapacity};
    std::vector<std::int32_t> mix;      // callback only
    std::vector<std::int16_t> convert;  // callback only

    // GUI thread: returns once no callback still sees what was there before the call.
    void quiesce() const;
    // Any thread: the device frame at which start group `group` was pinned.
    std::optional<std::int64_t> pinnedAt(std::uint64_t group) const;
};

int playCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                 PaStreamCallbackFlags, void* user);
int recordCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                   PaStreamCallbackFlags, void* user);

}  // namespace tqx::pa

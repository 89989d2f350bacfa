// The audio callbacks of the PortAudio device layer. They run on PortAudio's thread, only move
// samples and note times, and never block, wait or allocate.
#include <algorithm>
#include <chrono>
#include <thread>

#include "audio/portaudio_streams.h"
#include "audio/stream_format.h"
#include "platform/byte_order.h"

namespace tqx::pa {

namespace {

std::int16_t saturate16(std::int32_t v) {
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(v, -32768, 32767));
}

// Marks a callback running (odd sequence) for as long as it lives.
class CallbackScope {
public:
    explicit CallbackScope(DeviceStream& d) : d_(d) { d_.callbackSeq.fetch_add(1, std::memory_order_seq_cst); }
    ~CallbackScope() { d_.callbackSeq.fetch_add(1, std::memory_order_seq_cst); }
    CallbackScope(const CallbackScope&) = delete;
    CallbackScope& operator=(const CallbackScope&) = delete;

private:
    DeviceStream& d_;
};

// When the first frame of this buffer is heard (output) or was captured (input), in the
// stream's time base; from the host's timestamps, or its reported latency where it gives none.
double bufferTime(const DeviceStream& d, const PaStreamCallbackTimeInfo* t) {
    const double stamp = t ? (d.input ? t->inputBufferAdcTime : t->outputBufferDacTime) : 0.0;
    if (stamp != 0.0) return stamp;
    const double now = t && t->currentTime != 0.0 ? t->currentTime : Pa_GetStreamTime(d.stream);
    return d.input ? now - d.reportedLatency : now + d.reportedLatency;
}

// Streams waiting for a start group up to the one requested begin at `frame`.
void pinStarts(DeviceStream& d, const MemberList* members, std::int64_t frame) {
    const std::uint64_t request = d.startRequest.load(std::memory_order_acquire);
    if (request == d.startHandled) return;
    d.startHandled = request;
    if (members)
        for (VirtualStream* v : members->streams) {
            const std::uint64_t group = v->startGroup.load(std::memory_order_acquire);
            if (group != 0 && group <= request && v->origin.load(std::memory_order_relaxed) == kUnpinned)
                v->origin.store(frame, std::memory_order_release);
        }
    const std::uint32_t n = d.pinCount.load(std::memory_order_relaxed);
    d.pinnedFrame[n % d.pinnedFrame.size()].store(frame, std::memory_order_relaxed);
    d.pinnedGroup[n % d.pinnedGroup.size()].store(request, std::memory_order_release);
    d.pinCount.store(n + 1, std::memory_order_release);
}

// Plays device frames [first, first + n) of one stream into `acc` (interleaved at the device's
// channel count). A block that came late plays only its part still to come. Returns whether a
// block finished.
bool playStream(DeviceStream& d, VirtualStream& v, std::int64_t first, unsigned long n, std::int32_t* acc) {
    const std::uint32_t epoch = v.epoch.load(std::memory_order_seq_cst);
    // Blocks a reset handed back are dropped unplayed.
    while (Entry* e = v.entries.front()) {
        if (e->epoch == epoch) break;
        v.entries.dropFront();
        v.headDone = 0;
    }
    const std::int64_t origin = v.origin.load(std::memory_order_acquire);
    if (origin == kUnpinned) return false;
    const int dc = d.channels, vc = v.channels;
    const auto frameBytes = static_cast<std::uint32_t>(vc * 2);
    const std::int64_t begin = first - origin, end = begin + std::int64_t(n);
    std::int64_t at = begin;
    bool finished = false;
    while (Entry* e = v.entries.front()) {
        const std::int64_t blockEnd = e->start + e->frames;
        const std::int64_t due = e->start + v.headDone;
        if (at > due) {
            const std::int64_t missed = std::min(at, blockEnd) - due;
            v.lost.fetch_add(std::uint64_t(missed), std::memory_order_relaxed);
            v.headDone += std::uint32_t(missed);
        }
        if (v.headDone == e->frames) {
            if (!d.finished.push({v.id, e->header, e->generation, 0, v.listener, false})) break;
            v.entries.dropFront();
            v.headDone = 0;
            finished = true;
            continue;
        }
        if (at < e->start) at = e->start;
        if (at >= end) break;
        const auto count = static_cast<std::uint32_t>(std::min(end, blockEnd) - at);
        const std::uint8_t* src = e->header->data + std::size_t(at - e->start) * frameBytes;
        std::int32_t* a = acc + std::size_t(at - begin) * std::size_t(dc);
        for (std::uint32_t i = 0; i < count; ++i, a += dc) {
            if (vc == 1) {
                const int s = getSample16(src);
                src += 2;
                a[0] += s;
                if (dc == 2) a[1] += s;
            } else {
                const int l = getSample16(src), r = getSample16(src + 2);
                src += 4;
                if (dc == 2) {
                    a[0] += l;
                    a[1] += r;
                } else {
                    a[0] += (l + r) / 2;
                }
            }
        }
        v.headDone += count;
        at += count;
        if (v.headDone < e->frames) break;
    }
    return finished;
}

// Holds device frames `in` (n frames at the device's channel count) for one capturing stream.
// Frames that find the hold full are lost and counted; silence takes their place as soon as
// there is room again, so the take keeps its timing.
void holdInput(DeviceStream& d, VirtualStream& v, std::int64_t first, const std::int16_t* in, unsigned long n) {
    if (v.firstHeld.load(std::memory_order_relaxed) == kUnpinned) v.firstHeld.store(first, std::memory_order_release);
    SampleRing& hold = *v.hold;
    std::uint64_t owed = v.owedSilence.load(std::memory_order_relaxed);
    std::size_t space = hold.space();
    if (owed > 0) {
        const std::size_t repaid = std::min<std::uint64_t>(owed, space);
        hold.writeSilence(repaid);
        owed -= repaid;
        space -= repaid;
    }
    std::size_t taken = owed > 0 ? 0 : std::min<std::size_t>(space, n);
    const int dc = d.channels, vc = v.channels;
    hold.write(taken, [&](std::size_t i, std::int16_t* out) {
        const std::int16_t* s = in ? in + i * std::size_t(dc) : nullptr;
        const int l = s ? s[0] : 0;
        const int r = s && dc == 2 ? s[1] : l;
        if (vc == 1) {
            out[0] = static_cast<std::int16_t>((l + r) / 2);
        } else {
            out[0] = static_cast<std::int16_t>(l);
            out[1] = static_cast<std::int16_t>(r);
        }
    });
    const std::uint64_t missed = n - taken;
    if (missed > 0) {
        v.lost.fetch_add(missed, std::memory_order_relaxed);
        owed += missed;
    }
    v.owedSilence.store(owed, std::memory_order_release);
}

}  // namespace

int playCallback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                 PaStreamCallbackFlags, void* user) {
    auto& d = *static_cast<DeviceStream*>(user);
    CallbackScope scope(d);
    auto* out = static_cast<std::int16_t*>(output);
    const std::int64_t first = d.framesDone.load(std::memory_order_relaxed);
    d.clock.note(first, bufferTime(d, time));
    const MemberList* members = d.members.load(std::memory_order_acquire);
    pinStarts(d, members, first);
    const int dc = d.channels;
    bool finished = false;
    for (unsigned long done = 0; done < frames;) {
        const unsigned long n = std::min(frames - done, kMixFrames);
        std::int32_t* acc = d.mix.data();
        std::fill(acc, acc + n * std::size_t(dc), 0);
        if (members)
            for (VirtualStream* v : members->streams) finished |= playStream(d, *v, first + std::int64_t(done), n, acc);
        std::int16_t* o = out + done * std::size_t(dc);
        for (unsigned long i = 0; i < n * std::size_t(dc); ++i) o[i] = saturate16(acc[i]);
        done += n;
    }
    d.framesDone.store(first + std::int64_t(frames), std::memory_order_release);
    if (finished) d.wake->release();
    return paContinue;
}

int recordCallback(const void* input, void*, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                   PaStreamCallbackFlags, void* user) {
    auto& d = *static_cast<DeviceStream*>(user);
    CallbackScope scope(d);
    const auto* in = static_cast<const std::int16_t*>(input);
    const std::int64_t first = d.framesDone.load(std::memory_order_relaxed);
    d.clock.note(first, bufferTime(d, time));
    bool held = false;
    if (const MemberList* members = d.members.load(std::memory_order_acquire))
        for (VirtualStream* v : members->streams) {
            if (!v->capturing.load(std::memory_order_acquire)) continue;
            holdInput(d, *v, first, in, frames);
            held = true;
        }
    d.framesDone.store(first + std::int64_t(frames), std::memory_order_release);
    if (held) d.wake->release();
    return paContinue;
}

void DeviceStream::quiesce() const {
    const std::uint64_t seq = callbackSeq.load(std::memory_order_seq_cst);
    if ((seq & 1u) == 0) return;
    // A callback is running and may have seen the old state: it is short, let it end. (The
    // limit only guards against a stream whose callback thread died mid-call.)
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (callbackSeq.load(std::memory_order_seq_cst) == seq && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::yield();
}

std::optional<std::int64_t> DeviceStream::pinnedAt(std::uint64_t group) const {
    const std::uint32_t count = pinCount.load(std::memory_order_acquire);
    for (std::uint32_t k = 0; k < std::min<std::uint32_t>(count, std::uint32_t(pinnedGroup.size())); ++k) {
        const std::size_t i = (count - 1 - k) % pinnedGroup.size();
        // A pin for a later request covers every group before it.
        const std::uint64_t g = pinnedGroup[i].load(std::memory_order_acquire);
        const std::uint64_t earlier =
            k + 1 < std::min<std::uint32_t>(count, std::uint32_t(pinnedGroup.size()))
                ? pinnedGroup[(count - 2 - k) % pinnedGroup.size()].load(std::memory_order_acquire)
                : 0;
        if (g >= group && earlier < group) return pinnedFrame[i].load(std::memory_order_relaxed);
    }
    return std::nullopt;
}

}  // namespace tqx::pa

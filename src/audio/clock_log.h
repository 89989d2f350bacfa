#pragma once
// Where a device's frames meet the clock. The audio callback notes, for the first frame of
// each buffer, when that frame is heard (output) or was captured (input), in the device's own
// time base; readers on any thread get the time of any frame from the median over the last
// buffers, which steadies the timing a busy sound server reports. Lock-free: a sequence
// counter lets a reader detect a note written meanwhile and read again.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

namespace tqx {

class ClockLog {
public:
    static constexpr int kNotes = 32;

    // The callback only.
    void note(std::int64_t frame, double time) noexcept {
        const std::uint32_t seq = seq_.load(std::memory_order_relaxed);
        seq_.store(seq + 1, std::memory_order_relaxed);
        std::atomic_thread_fence(std::memory_order_release);
        const std::uint64_t n = count_.load(std::memory_order_relaxed);
        frames_[n % kNotes].store(frame, std::memory_order_relaxed);
        times_[n % kNotes].store(time, std::memory_order_relaxed);
        count_.store(n + 1, std::memory_order_relaxed);
        seq_.store(seq + 2, std::memory_order_release);
    }

    // Any thread. Notes taken so far.
    std::uint64_t notes() const { return count_.load(std::memory_order_acquire); }
    // Any thread. The last frame noted; nullopt before the first note.
    std::optional<std::int64_t> lastFrame() const {
        Snapshot s = read();
        if (s.count == 0) return std::nullopt;
        return s.frames[(s.count - 1) % kNotes];
    }

    // Any thread. The time of `frame` at `rate` frames per second; nullopt before the first
    // note.
    std::optional<double> timeOf(std::int64_t frame, double rate) const {
        Snapshot s = read();
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(s.count, kNotes));
        if (n == 0 || rate <= 0) return std::nullopt;
        // Each note says when frame 0 would have been; their median stands for all.
        std::array<double, kNotes> zero{};
        for (std::size_t i = 0; i < n; ++i) zero[i] = s.times[i] - double(s.frames[i]) / rate;
        std::nth_element(zero.begin(), zero.begin() + std::ptrdiff_t(n / 2), zero.begin() + std::ptrdiff_t(n));
        return zero[n / 2] + double(frame) / rate;
    }

private:
    struct Snapshot {
        std::uint64_t count = 0;
        std::array<std::int64_t, kNotes> frames{};
        std::array<double, kNotes> times{};
    };
    Snapshot read() const {
        Snapshot s;
        for (;;) {
            const std::uint32_t before = seq_.load(std::memory_order_acquire);
            if (before & 1u) continue;
            s.count = count_.load(std::memory_order_relaxed);
            for (int i = 0; i < kNotes; ++i) {
                s.frames[std::size_t(i)] = frames_[std::size_t(i)].load(std::memory_order_relaxed);
                s.times[std::size_t(i)] = times_[std::size_t(i)].load(std::memory_order_relaxed);
            }
            std::atomic_thread_fence(std::memory_order_acquire);
            if (seq_.load(std::memory_order_relaxed) == before) return s;
        }
    }

    std::atomic<std::uint32_t> seq_{0};
    std::atomic<std::uint64_t> count_{0};
    std::array<std::atomic<std::int64_t>, kNotes> frames_{};
    std::array<std::atomic<double>, kNotes> times_{};
};

}  // namespace tqx

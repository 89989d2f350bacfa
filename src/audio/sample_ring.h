#pragma once
// Captured frames between the audio callback (which writes) and the thread that hands them
// to the program's buffers (which reads): a fixed ring of 16-bit interleaved frames, without
// locks and without allocating after construction.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/byte_order.h"

namespace tqx {

class SampleRing {
public:
    SampleRing(std::size_t frames, int channels)
        : samples_(frames * std::size_t(channels)), frames_(frames), channels_(channels) {}
    SampleRing(const SampleRing&) = delete;
    SampleRing& operator=(const SampleRing&) = delete;

    int channels() const { return channels_; }

    // Producer side.
    std::size_t space() const {
        return frames_ - (written_.load(std::memory_order_relaxed) - read_.load(std::memory_order_acquire));
    }
    // Writes `frames` frames (no more than space()) that `frameAt(i, out)` produces.
    template <typename Produce>
    void write(std::size_t frames, Produce&& frameAt) {
        const std::uint64_t w = written_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < frames; ++i)
            frameAt(i, &samples_[std::size_t((w + i) % frames_) * std::size_t(channels_)]);
        written_.store(w + frames, std::memory_order_release);
    }
    void writeSilence(std::size_t frames) {
        write(frames, [this](std::size_t, std::int16_t* out) { std::fill_n(out, channels_, std::int16_t{0}); });
    }

    // Consumer side.
    std::size_t available() const {
        return std::size_t(written_.load(std::memory_order_acquire) - read_.load(std::memory_order_relaxed));
    }
    // Moves `frames` frames (no more than available()) to `out` as little-endian bytes.
    void read(std::uint8_t* out, std::size_t frames) {
        const std::uint64_t r = read_.load(std::memory_order_relaxed);
        for (std::size_t i = 0; i < frames; ++i) {
            const std::int16_t* frame = &samples_[std::size_t((r + i) % frames_) * std::size_t(channels_)];
            for (int c = 0; c < channels_; ++c, out += 2) putSample16(out, frame[c]);
        }
        read_.store(r + frames, std::memory_order_release);
    }
    void discard(std::size_t frames) {
        read_.store(read_.load(std::memory_order_relaxed) + frames, std::memory_order_release);
    }

private:
    std::vector<std::int16_t> samples_;
    std::size_t frames_;
    int channels_;
    alignas(64) std::atomic<std::uint64_t> written_{0};
    alignas(64) std::atomic<std::uint64_t> read_{0};
};

}  // namespace tqx

#include "io/sample_loops.h"

#include <bit>
#include <cstring>

#include "platform/byte_order.h"

namespace tqx {

namespace {

inline std::int16_t loadSample(const std::uint8_t* p) {
    if constexpr (std::endian::native == std::endian::little) {
        std::int16_t v;
        std::memcpy(&v, p, 2);
        return v;
    } else {
        return getSample16(p);
    }
}

}  // namespace

// AVX2 without FMA: a fused multiply-add would round once where the track stage rounds twice.
#define TQX_SAMPLE_LOOP [[gnu::target_clones("avx2", "default"), gnu::flatten]]

TQX_SAMPLE_LOOP void mixOntoSilence(std::int16_t* out, const std::uint8_t* in, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = mixSamples(0, loadSample(in + 2 * i));
}

TQX_SAMPLE_LOOP void mixInto(std::int16_t* out, const std::uint8_t* in, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) out[i] = mixSamples(out[i], loadSample(in + 2 * i));
}

TQX_SAMPLE_LOOP void addToMix(std::int16_t* mix, const std::int16_t* track, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) mix[i] = mixSamples(track[i], mix[i]);
}

TQX_SAMPLE_LOOP void applyTrackStage(const TrackMix& mix, std::int16_t* samples, std::size_t n, std::uint64_t first) {
    mix.applyTo(samples, n, true, first);
}

}  // namespace tqx

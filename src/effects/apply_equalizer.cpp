#include "effects/apply_equalizer.h"

#include <cstring>

namespace tqx {
namespace {

// The ten sections run as a pipeline (see runPipeline). Each step works on all bands at once
// in vector lanes: the ten bands and two idle lanes, so the lanes fill whole vectors.
constexpr std::size_t kBands = kEqBandCount;
constexpr std::size_t kLanes = 12;
// Steps between a band and the next: a band's output has this long to come through
// requantisation before the next band needs it.
constexpr std::size_t kLag = 8;
constexpr std::size_t kLastBandDelay = (kBands - 1) * kLag;
// The pipeline's memory: one row per step, kept for kRing steps (a power of two above kLag).
// A row holds, at kInputSlot, the block's sample that band 0 reads kLag steps later, and after
// it the outputs of bands 0..11. So band b's input, band b − 1's output, sits in slot
// kInputSlot + b, and one vector load fetches the inputs of several consecutive bands.
constexpr std::size_t kRing = 16;
constexpr std::size_t kInputSlot = 3;
constexpr std::size_t kRowSize = 16;

template <std::size_t W>
struct Lanes {
    typedef double Real __attribute__((vector_size(8 * W)));
    typedef std::int32_t Int __attribute__((vector_size(4 * W)));
};

// Each section is y[j] = (b0·x[j] + b1·x[j−1] + b2·x[j−2]) × 2^−15 − a1·y[j−1] − a2·y[j−2],
// the terms added and subtracted in exactly that order, followed by requantisation to 16 bits.
//
// Filtering band by band over the whole block would leave the processor waiting on each
// section's feedback. Instead, at step t band b works on sample t − b·kLag, whose input band
// b − 1 produced kLag steps earlier. The work of one step is independent of the few steps
// before it, and every section still sees exactly the sequence it would see on its own, so the
// results are bit for bit those of the band-by-band order. Before its first sample a band is
// fed zeros; zero input with zero history gives w = 0 and an output of 0, the same as the block
// starting with empty history.
template <std::size_t W>
[[gnu::always_inline]] inline void runPipeline(std::size_t n, std::int16_t* samples,
                                               const EqTriples& denominators,
                                               const EqTriples& numerators) {
    using Real = typename Lanes<W>::Real;
    using Int = typename Lanes<W>::Int;
    constexpr std::size_t V = kLanes / W;
    constexpr std::size_t kBytes = sizeof(Real);

    // x × b × 2^−15 equals x × (b × 2^−15) bit for bit: scaling by a power of two is exact.
    constexpr double kSampleScale = 1.0 / 32768.0;
    alignas(64) double coefficient[5][kLanes] = {};
    for (std::size_t b = 0; b < kBands; ++b) {
        coefficient[0][b] = numerators[b][0] * kSampleScale;
        coefficient[1][b] = numerators[b][1] * kSampleScale;
        coefficient[2][b] = numerators[b][2] * kSampleScale;
        coefficient[3][b] = denominators[b][1];
        coefficient[4][b] = denominators[b][2];
    }
    Real b0[V], b1[V], b2[V], a1[V], a2[V];
    Real x1[V] = {}, x2[V] = {}, w1[V] = {}, w2[V] = {};
    for (std::size_t k = 0; k < V; ++k) {
        std::memcpy(&b0[k], &coefficient[0][W * k], kBytes);
        std::memcpy(&b1[k], &coefficient[1][W * k], kBytes);
        std::memcpy(&b2[k], &coefficient[2][W * k], kBytes);
        std::memcpy(&a1[k], &coefficient[3][W * k], kBytes);
        std::memcpy(&a2[k], &coefficient[4][W * k], kBytes);
    }
    const Real one = 1.0 + Real{}, zero = Real{}, half = 0.5 + Real{};
    const Real top = 65535.0 + Real{}, offset = 32768.0 + Real{};

    alignas(64) double ring[kRing][kRowSize] = {};
    const auto sampleAt = [&](std::size_t s) {
        return s < n ? static_cast<double>(samples[s]) : 0.0;
    };
    // The block's sample is stored kLag steps before band 0 reads it: a load that overlaps a
    // store still in flight would stall every step.
    for (std::size_t s = 0; s < kLag; ++s) ring[(s - kLag) % kRing][kInputSlot] = sampleAt(s);

    const std::size_t steps = n + kLastBandDelay;
    for (std::size_t t = 0; t < steps; ++t) {
        const double* input = ring[(t - kLag) % kRing] + kInputSlot;
        double* row = ring[t % kRing];
        row[kInputSlot] = sampleAt(t + kLag);
        double* output = row + kInputSlot + 1;
        for (std::size_t k = 0; k < V; ++k) {
            Real x;
            std::memcpy(&x, input + W * k, kBytes);
            Real w = x * b0[k];
            w += x1[k] * b1[k];
            w += x2[k] * b2[k];
            w -= a1[k] * w1[k];
            w -= a2[k] * w2[k];
            x2[k] = x1[k];
            x1[k] = x;
            w2[k] = w1[k];
            w1[k] = w;
            // Back to 16 bits: y = (w + 1) × 0.5 × 65536, limited to 0..65535, then
            // trunc(y + 0.5) − 32768. Both scalings are by powers of two and exact, so one
            // multiplication by 32768 gives the same bits; the addition of 1 rounds and stays.
            // y + 0.5 is at most 65535.5, so a 32-bit truncation is enough.
            Real y = (w + one) * offset;
            y = y < zero ? zero : y;
            y = y > top ? top : y;
            const Real q = __builtin_convertvector(__builtin_convertvector(y + half, Int), Real) - offset;
            std::memcpy(output + W * k, &q, kBytes);
        }
        // Band 9 has just finished sample t − kLastBandDelay. Band 0's samples were read up to
        // t + kLag, all later in the block, so writing in place never overwrites one still needed.
        if (t >= kLastBandDelay)
            samples[t - kLastBandDelay] = static_cast<std::int16_t>(output[kBands - 1]);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// Four lanes per vector where the processor has AVX2. Only AVX2 is enabled, not FMA: a fused
// multiply-add rounds once where the filter rounds twice and would change the results.
[[gnu::target("avx2")]] void runWide(std::size_t n, std::int16_t* samples,
                                     const EqTriples& denominators, const EqTriples& numerators) {
    runPipeline<4>(n, samples, denominators, numerators);
}

bool hasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

void ApplyEqualizerPortable(std::size_t n, std::int16_t* samples, const EqTriples& denominators,
                            const EqTriples& numerators) {
    if (n == 0 || samples == nullptr) return;
    runPipeline<2>(n, samples, denominators, numerators);
}

void ApplyEqualizer(std::size_t n, std::int16_t* samples, const EqTriples& denominators,
                    const EqTriples& numerators) {
    if (n == 0 || samples == nullptr) return;
#if defined(__x86_64__) || defined(__i386__)
    if (hasWideVectors()) {
        runWide(n, samples, denominators, numerators);
        return;
    }
#endif
    runPipeline<2>(n, samples, denominators, numerators);
}

}  // namespace tqx

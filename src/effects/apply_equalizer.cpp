#include "effects/apply_equalizer.h"

#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace tqx {
namespace {

// The ten sections of every channel run as a pipeline (see runPipeline). Each step works on
// all bands of all channels at once in vector lanes: lane C·b + c is band b of channel c, and
// the lanes are rounded up to whole vectors with idle ones.
constexpr std::size_t kBands = kEqBandCount;
// Steps between a band and the next: a band's output has this long to come through
// requantisation before the next band needs it.
constexpr std::size_t kLag = 8;
constexpr std::size_t kLastBandDelay = (kBands - 1) * kLag;
// The pipeline's memory: one row per step, kept for kRing steps (a power of two above kLag).
// A row holds, from slot kOutputSlot − C, the frame's samples that band 0 reads kLag steps
// later, and from kOutputSlot the outputs of all lanes. So lane L's input (the output of lane
// L − C, the same channel's previous band, or the frame's sample for band 0) sits in slot
// kOutputSlot − C + L, and one vector load fetches the inputs of several consecutive lanes.
constexpr std::size_t kRing = 16;
constexpr std::size_t kOutputSlot = 4;

template <std::size_t W>
struct Lanes {
    typedef double Real __attribute__((vector_size(8 * W)));
    typedef std::int32_t Int __attribute__((vector_size(4 * W)));
};

// Each section is y[j] = (b0·x[j] + b1·x[j−1] + b2·x[j−2]) × 2^−15 − a1·y[j−1] − a2·y[j−2],
// the terms added and subtracted in exactly that order, followed by requantisation to 16 bits.
//
// Filtering band by band over the whole signal would leave the processor waiting on each
// section's feedback. Instead, at step t band b works on frame t − b·kLag, whose input band
// b − 1 produced kLag steps earlier. The work of one step is independent of the few steps
// before it, and every section still sees exactly the sequence it would see on its own, so the
// results are bit for bit those of the band-by-band order. A band's history is put into its
// lanes just before its first frame and taken out just after its last; what its lanes compute
// before and after is never written to the samples.
template <std::size_t W, std::size_t C>
[[gnu::always_inline]] inline void runPipeline(std::size_t n, std::int16_t* samples, EqualizerState& state,
                                               const EqTriples& denominators, const EqTriples& numerators) {
    using Real = typename Lanes<W>::Real;
    using Int = typename Lanes<W>::Int;
    constexpr std::size_t kLanes = (kBands * C + W - 1) / W * W;
    constexpr std::size_t V = kLanes / W;
    constexpr std::size_t kBytes = sizeof(Real);
    constexpr std::size_t kInputSlot = kOutputSlot - C;
    constexpr std::size_t kRowSize = (kOutputSlot + kLanes + 3) / 4 * 4;

    // x × b × 2^−15 equals x × (b × 2^−15) bit for bit: scaling by a power of two is exact.
    constexpr double kSampleScale = 1.0 / 32768.0;
    alignas(64) double coefficient[5][kLanes] = {};
    for (std::size_t b = 0; b < kBands; ++b) {
        for (std::size_t c = 0; c < C; ++c) {
            coefficient[0][C * b + c] = numerators[b][0] * kSampleScale;
            coefficient[1][C * b + c] = numerators[b][1] * kSampleScale;
            coefficient[2][C * b + c] = numerators[b][2] * kSampleScale;
            coefficient[3][C * b + c] = denominators[b][1];
            coefficient[4][C * b + c] = denominators[b][2];
        }
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
    const auto putFrame = [&](double* row, std::size_t f) {
        for (std::size_t c = 0; c < C; ++c) row[kInputSlot + c] = f < n ? static_cast<double>(samples[C * f + c]) : 0.0;
    };
    // A frame's samples are stored kLag steps before band 0 reads them: a load that overlaps
    // a store still in flight would stall every step.
    for (std::size_t f = 0; f < kLag; ++f) putFrame(ring[(f - kLag) % kRing], f);

    std::size_t t = 0;
    // Inlined, so that the sections' history stays in registers from step to step instead of
    // going through memory: that alone makes the filter several times faster.
    const auto runUntil = [&](std::size_t end) __attribute__((always_inline)) {
        for (; t < end; ++t) {
            const double* input = ring[(t - kLag) % kRing] + kInputSlot;
            double* row = ring[t % kRing];
            putFrame(row, t + kLag);
            double* output = row + kOutputSlot;
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
                // multiplication by 32768 gives the same bits; the addition of 1 rounds and
                // stays. y + 0.5 is at most 65535.5, so a 32-bit truncation is enough.
                Real y = (w + one) * offset;
                y = y < zero ? zero : y;
                y = y > top ? top : y;
                const Real q = __builtin_convertvector(__builtin_convertvector(y + half, Int), Real) - offset;
                std::memcpy(output + W * k, &q, kBytes);
            }
            // Band 9 has just finished frame t − kLastBandDelay. Band 0's frames were read up
            // to t + kLag, all later in the signal, so writing in place never overwrites one
            // still needed.
            if (t >= kLastBandDelay) {
                for (std::size_t c = 0; c < C; ++c)
                    samples[C * (t - kLastBandDelay) + c] = static_cast<std::int16_t>(output[C * (kBands - 1) + c]);
            }
        }
    };
    const auto forLanesOf = [&](std::size_t band, auto&& visit) {
        for (std::size_t c = 0; c < C; ++c) {
            const std::size_t lane = C * band + c;
            visit(state.channel[c][band], lane / W, lane % W);
        }
    };
    const auto load = [&](std::size_t band) {
        forLanesOf(band, [&](const EqSectionHistory& h, std::size_t k, std::size_t i) {
            x1[k][i] = h.x1, x2[k][i] = h.x2, w1[k][i] = h.w1, w2[k][i] = h.w2;
        });
    };
    const auto save = [&](std::size_t band) {
        forLanesOf(band, [&](EqSectionHistory& h, std::size_t k, std::size_t i) {
            h.x1 = x1[k][i], h.x2 = x2[k][i], h.w1 = w1[k][i], h.w2 = w2[k][i];
        });
    };
    // Band b starts on frame 0 at step b·kLag and finishes frame n − 1 at step n − 1 + b·kLag.
    std::size_t loaded = 0, saved = 0;
    while (saved < kBands) {
        const std::size_t saveAt = n + saved * kLag;
        if (loaded < kBands && loaded * kLag <= saveAt) {
            runUntil(loaded * kLag);
            load(loaded++);
        } else {
            runUntil(saveAt);
            save(saved++);
        }
    }
}

template <std::size_t W>
[[gnu::always_inline]] inline void runChannels(std::span<std::int16_t> samples, std::size_t channels,
                                               EqualizerState& state, const EqTriples& denominators,
                                               const EqTriples& numerators) {
    if (channels == 1)
        runPipeline<W, 1>(samples.size(), samples.data(), state, denominators, numerators);
    else
        runPipeline<W, 2>(samples.size() / 2, samples.data(), state, denominators, numerators);
}

// Two lanes per vector: the processor's baseline vector unit. Not inlined, so that no part of
// the filter can move outside the flush-to-zero stretch around its call.
[[gnu::noinline]] void runNarrow(std::span<std::int16_t> samples, std::size_t channels, EqualizerState& state,
                                 const EqTriples& denominators, const EqTriples& numerators) {
    runChannels<2>(samples, channels, state, denominators, numerators);
}

#if defined(__x86_64__) || defined(__i386__)
// Four lanes per vector where the processor has AVX2. Only AVX2 is enabled, not FMA: a fused
// multiply-add rounds once where the filter rounds twice and would change the results.
[[gnu::target("avx2"), gnu::noinline]] void runWide(std::span<std::int16_t> samples, std::size_t channels,
                                                    EqualizerState& state, const EqTriples& denominators,
                                                    const EqTriples& numerators) {
    runChannels<4>(samples, channels, state, denominators, numerators);
}

bool hasWideVectors() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

// Subnormal values flushed to zero while the filter runs, the caller's mode back afterwards.
// After a sound ends, each section's feedback decays towards zero forever; in the subnormal
// range every operation on it costs a hundred times more. Their effect on an output sample is
// far below half a step of 16 bits (the output requantises w + 1), and zero input with
// subnormal history gives the same 0 as with none, so the samples do not change.
class SubnormalsFlushed {
public:
#if defined(__SSE__)
    // MXCSR: every exception masked (0x1F80), rounding to nearest, flush to zero (bit 15) and
    // denormals are zero (bit 6). The rounding is set too, so that a caller working in
    // another mode still gets the filter's own results.
    SubnormalsFlushed() : saved_(_mm_getcsr()) { _mm_setcsr(0x1F80u | 0x8040u); }
    ~SubnormalsFlushed() { _mm_setcsr(saved_); }

private:
    unsigned saved_;
#elif defined(__aarch64__)
    // FPCR: rounding to nearest (bits 22-23 clear), FZ (bit 24) flushing both the inputs and
    // the results of double operations.
    SubnormalsFlushed() {
        asm volatile("mrs %0, fpcr" : "=r"(saved_));
        asm volatile("msr fpcr, %0" : : "r"((saved_ & ~(std::uint64_t{3} << 22)) | (std::uint64_t{1} << 24)));
    }
    ~SubnormalsFlushed() { asm volatile("msr fpcr, %0" : : "r"(saved_)); }

private:
    std::uint64_t saved_;
#else
    // Elsewhere the filter runs in the caller's mode.
    SubnormalsFlushed() = default;
#endif
public:
    SubnormalsFlushed(const SubnormalsFlushed&) = delete;
    SubnormalsFlushed& operator=(const SubnormalsFlushed&) = delete;
};

bool hasFrames(std::span<std::int16_t> samples, std::size_t channels) {
    return (channels == 1 || channels == 2) && samples.data() != nullptr && samples.size() >= channels;
}

}  // namespace

void ApplyEqualizerPortable(std::span<std::int16_t> samples, std::size_t channels, EqualizerState& state,
                            const EqTriples& denominators, const EqTriples& numerators) {
    if (!hasFrames(samples, channels)) return;
    SubnormalsFlushed flushed;
    runNarrow(samples, channels, state, denominators, numerators);
}

void ApplyEqualizer(std::span<std::int16_t> samples, std::size_t channels, EqualizerState& state,
                    const EqTriples& denominators, const EqTriples& numerators) {
    if (!hasFrames(samples, channels)) return;
    SubnormalsFlushed flushed;
#if defined(__x86_64__) || defined(__i386__)
    if (hasWideVectors()) {
        runWide(samples, channels, state, denominators, numerators);
        return;
    }
#endif
    runNarrow(samples, channels, state, denominators, numerators);
}

}  // namespace tqx

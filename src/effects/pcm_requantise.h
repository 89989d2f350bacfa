#pragma once
// The way the exports bring real values back to 16-bit samples, and the per-sample track
// settings (gain, volume, pan) that track rendering and clip export share.
//
// Every rounding here is deliberate: the exported files must come out bit for bit the same
// whichever way the loops are arranged, so none of these may be "simplified".
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace tqx {

// Q = (x + 1) × 0.5 × 65536 held in double, limited to 0..65535 (a NaN becomes 0), then
// trunc(Q + 0.5 − 32768). For x = r / 32768 this is r clamped to −32768..32767, plus one when
// the clamped r is negative.
inline std::int16_t requantiseDouble(double x) {
    double q = (x + 1.0) * 0.5 * 65536.0;
    q = q > 65535.0 ? 65535.0 : q;
    q = q >= 0.0 ? q : 0.0;  // a NaN fails this test too
    // The conversion to an integer truncates toward zero.
    return static_cast<std::int16_t>(static_cast<std::int32_t>(q + 0.5 - 32768.0));
}

// The same with Q rounded to single precision once; the offset and the truncation work on
// that float exactly. (m + 1) is exact in double for every m the track stage produces, and
// the two scalings are powers of two, so the cast is the only rounding of Q. Split in two
// steps so that loops can run each over a block, which lets the compiler vectorise them.
inline float singleQ(float m) {
    float q = static_cast<float>((static_cast<double>(m) + 1.0) * 32768.0);
    q = q > 65535.0f ? 65535.0f : q;
    return q >= 0.0f ? q : 0.0f;  // a NaN fails this test too
}
inline std::int16_t sampleFromQ(float q) {
    // The conversion to an integer truncates toward zero.
    return static_cast<std::int16_t>(static_cast<std::int32_t>(static_cast<double>(q) + 0.5 - 32768.0));
}
inline std::int16_t requantiseSingle(float m) { return sampleFromQ(singleQ(m)); }

// Two samples added as fl(fl(a × 2^-15) + fl(b × 2^-15)) and re-quantised in double. Both
// terms and their sum are exact in single precision, so the whole step is this integer
// rule: the clamped sum, raised by one when negative. It is worked in 16 bits, the sum
// wrapping and an overflow told by the signs, so that a loop over a block vectorises in
// 16-bit lanes.
inline std::int16_t mixSamples(std::int16_t a, std::int16_t b) {
    const auto sum = static_cast<std::int16_t>(static_cast<std::uint16_t>(a + b));
    // Terms of one sign and a wrapped sum of the other went past that sign's end.
    const bool overflow = ((a ^ sum) & (b ^ sum)) < 0;
    const auto clamped = overflow ? static_cast<std::int16_t>((a >> 15) ^ 0x7FFF) : sum;
    return static_cast<std::int16_t>(clamped - (clamped >> 15));
}

// A real factor (1 ± pan, formed exactly) split as high + low, high the nearest float. Each
// part times a float is exact in double, which lets the product be rounded to single
// precision exactly once, as if formed in infinite precision.
struct SplitFactor {
    double high = 1.0;
    double low = 0.0;

    static SplitFactor of(double f) {
        SplitFactor s;
        s.high = static_cast<double>(static_cast<float>(f));
        s.low = f - s.high;
        return s;
    }

    // fl(f × m). The double sum is rounded to odd (its last bit set when inexact), which
    // keeps the second rounding, to float, from landing on a false tie.
    float times(float m) const {
        const double a = high * m;
        const double b = low * m;
        const double s = a + b;
        const double bb = s - a;
        const double err = (a - (s - bb)) + (b - bb);
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(s);
        const std::uint64_t away = (err > 0.0) == (s > 0.0) ? 1 : ~std::uint64_t{0};
        const std::uint64_t nudge = err != 0.0 && (bits & 1u) == 0 ? away : 0;
        return static_cast<float>(std::bit_cast<double>(bits + nudge));
    }
};

// A track's gain, volume and pan as applied to exported samples.
struct TrackMix {
    float gainFactor = 1.0f;  // fl(10^(0.05 × gain dB))
    float volume = 1.0f;
    bool panLeft = false;   // pan > 0: left samples scaled by (1 − pan)
    bool panRight = false;  // pan < 0: right samples scaled by (1 + pan)
    SplitFactor panFactor;

    static TrackMix of(float gainDb, float volume, float pan) {
        TrackMix t;
        // The exponent and the power in extended precision, then one rounding to float.
        t.gainFactor = static_cast<float>(std::pow(10.0L, 0.05L * static_cast<long double>(gainDb)));
        t.volume = volume;
        if (pan > 0.0f) {
            t.panLeft = true;
            t.panFactor = SplitFactor::of(1.0 - static_cast<double>(pan));
        } else if (pan < 0.0f) {
            t.panRight = true;
            t.panFactor = SplitFactor::of(1.0 + static_cast<double>(pan));
        }
        return t;
    }

    // One sample's m before its pan: fl(s × 2^-15), then gain and volume each rounded to float.
    float scaled(std::int16_t s) const {
        const float m = static_cast<float>(s) * (1.0f / 32768.0f);
        return volume * (gainFactor * m);  // a float product is already fl() of the exact product
    }

    // Samples [0, n) in place. With `stereo` even indices are left and odd ones right;
    // otherwise every sample follows the left rule. `firstIndex` is the index of samples[0].
    void applyTo(std::int16_t* samples, std::size_t n, bool stereo, std::size_t firstIndex = 0) const {
        const bool evenPans = panLeft;
        const bool oddPans = stereo ? panRight : panLeft;
        const bool startsOdd = (firstIndex & 1u) != 0;
        for (std::size_t at = 0; at < n; at += kBlock) {
            const std::size_t count = std::min(kBlock, n - at);
            // Blocks have an even length, so each one starts on the same side as the first.
            const bool leftPans = startsOdd ? oddPans : evenPans;
            const bool rightPans = startsOdd ? evenPans : oddPans;
            applyBlock(samples + at, count, leftPans, rightPans);
        }
    }

private:
    static constexpr std::size_t kBlock = 512;

    // Each step runs over the whole block, so that all but the pan (which may scale one side
    // only) vectorise: m of every sample, the pan of the sides that have one (even positions
    // of the block, odd ones), then Q as in requantiseSingle.
    void applyBlock(std::int16_t* samples, std::size_t n, bool panEven, bool panOdd) const {
        float m[kBlock];
        for (std::size_t i = 0; i < n; ++i) m[i] = scaled(samples[i]);
        if (panEven)
            for (std::size_t i = 0; i < n; i += 2) m[i] = panFactor.times(m[i]);
        if (panOdd)
            for (std::size_t i = 1; i < n; i += 2) m[i] = panFactor.times(m[i]);
        for (std::size_t i = 0; i < n; ++i) m[i] = singleQ(m[i]);
        for (std::size_t i = 0; i < n; ++i) samples[i] = sampleFromQ(m[i]);
    }
};

}  // namespace tqx

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <numbers>
#include <random>
#include <span>
#include <vector>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

#include "effects/eq_test_support.h"

namespace tqx {
namespace {

using Samples = std::vector<std::int16_t>;
using test::Coefficients;
using test::design;
using test::noise;

Coefficients oneBand(int bandSet, std::size_t band, int position) {
    std::array<int, kEqBandCount> positions{};
    positions[band] = position;
    return design(bandSet, positions);
}

Coefficients randomSettings(std::mt19937& rng) {
    std::uniform_int_distribution<int> position(-300, 300);
    std::uniform_int_distribution<int> set(0, 4);
    std::array<int, kEqBandCount> positions;
    for (int& p : positions) p = position(rng);
    return design(set(rng), positions);
}

Samples run(Samples samples, const Coefficients& c, std::size_t channels = 1) {
    EqualizerState state;
    ApplyEqualizer(samples, channels, state, c.denominators, c.numerators);
    return samples;
}

Samples sine(std::size_t n, double frequency, double amplitude) {
    Samples s(n);
    for (std::size_t j = 0; j < n; ++j)
        s[j] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * j / 44100.0)));
    return s;
}

// Left and right channels of a stereo signal, frame by frame.
Samples interleave(const Samples& left, const Samples& right) {
    Samples s;
    for (std::size_t f = 0; f < left.size(); ++f) {
        s.push_back(left[f]);
        s.push_back(right[f]);
    }
    return s;
}

Samples channelOf(const Samples& s, std::size_t channels, std::size_t c) {
    Samples out;
    for (std::size_t j = c; j < s.size() / channels * channels; j += channels) out.push_back(s[j]);
    return out;
}

// Largest magnitude from `from` on, past the filter's settling at the start.
int peakFrom(const Samples& s, std::size_t from) {
    int peak = 0;
    for (std::size_t j = from; j < s.size(); ++j) peak = std::max(peak, std::abs(int{s[j]}));
    return peak;
}

// One channel straight from the definition: one band after the other over the whole signal,
// each into a cleared work array, then back to 16 bits.
void referenceMono(Samples& samples, const Coefficients& c) {
    const std::size_t n = samples.size();
    std::vector<double> w(n);
    for (std::size_t band = 0; band < kEqBandCount; ++band) {
        std::fill(w.begin(), w.end(), 0.0);
        const auto& num = c.numerators[band];
        const auto& den = c.denominators[band];
        for (std::size_t j = 0; j < n; ++j) {
            for (std::size_t k = 0; k <= 2 && k <= j; ++k) w[j] += samples[j - k] * num[k] * (1.0 / 32768.0);
            for (std::size_t l = 1; l <= 2 && l <= j; ++l) w[j] -= den[l] * w[j - l];
        }
        for (std::size_t j = 0; j < n; ++j) {
            double y = (w[j] + 1.0) * 0.5 * 65536.0;
            y = std::clamp(y, 0.0, 65535.0);
            samples[j] = static_cast<std::int16_t>(std::trunc(y + 0.5) - 32768.0);
        }
    }
}

// Every channel of the whole frames through referenceMono on its own.
Samples reference(Samples samples, const Coefficients& c, std::size_t channels) {
    for (std::size_t ch = 0; ch < channels; ++ch) {
        Samples one = channelOf(samples, channels, ch);
        referenceMono(one, c);
        for (std::size_t f = 0; f < one.size(); ++f) samples[f * channels + ch] = one[f];
    }
    return samples;
}

TEST(ApplyEqualizer, FlatSettingsLeaveTheSignalUnchanged) {
    Samples signal = noise(4410, 1);
    signal[0] = -32768;
    signal[1] = 32767;
    signal[2] = -32768;
    signal.back() = 32767;
    for (int set = 0; set < static_cast<int>(kEqBandSetCount); ++set) {
        EXPECT_EQ(run(signal, design(set, {})), signal) << "band set " << set + 1;
        EXPECT_EQ(run(signal, design(set, {}), 2), signal) << "stereo, band set " << set + 1;
    }
    EXPECT_EQ(run({-32768}, design(0, {})), Samples{-32768});
}

TEST(ApplyEqualizer, MonoSignalKeepsItsBytes) {
    // Set 2 with "125" at −1.50 and "1k" at +2.00, over an impulse pair and a full-scale step.
    std::array<int, kEqBandCount> positions{};
    positions[2] = 150;
    positions[6] = -200;
    Samples in(16, 0);
    in[0] = 10000;
    in[1] = -20000;
    in[5] = 32767;
    EXPECT_EQ(run(in, design(1, positions)), (Samples{10853, -20126, -1835, -1585, -1325, 32767, 4380, 3801, 3198, 2584,
                                                      1972, 1375, 802, 262, -237, -689}));
}

TEST(ApplyEqualizer, CentreFrequencyScaledByOnePlusGain) {
    const Samples in = sine(4410, 1000.0, 10000.0);
    // Set 2, band 6 is 1 kHz: −50 raises it by half, +100 removes it, +300 doubles and inverts.
    EXPECT_NEAR(peakFrom(run(in, oneBand(1, 6, -50)), 1000), 15000, 40);
    EXPECT_LE(peakFrom(run(in, oneBand(1, 6, 100)), 1000), 60);

    const Samples in8000 = sine(4410, 1000.0, 8000.0);
    const Samples inverted = run(in8000, oneBand(1, 6, 300));
    for (std::size_t j = 1000; j < in8000.size(); ++j) ASSERT_NEAR(inverted[j], -2 * in8000[j], 60) << "sample " << j;

    // A band far from the signal leaves it nearly as it was.
    EXPECT_NEAR(peakFrom(run(in, oneBand(0, 0, -300)), 1000), 10000, 300);
}

TEST(ApplyEqualizer, StereoChannelsAreFilteredApartAtTheirLabelledFrequency) {
    // "1k" of set 2 at +3.00 multiplies 1 kHz by four, on the left as on a mono signal.
    const Coefficients boost = oneBand(1, 6, -300);
    const Samples tone = sine(8820, 1000.0, 5000.0);
    const Samples silence(tone.size(), 0);
    const Samples out = run(interleave(tone, silence), boost, 2);
    EXPECT_NEAR(peakFrom(channelOf(out, 2, 0), 2000), 20000, 80);
    EXPECT_EQ(channelOf(out, 2, 0), run(tone, boost));
    // Nothing of the left reaches the right.
    EXPECT_EQ(channelOf(out, 2, 1), silence);

    // 2 kHz, which the band's neighbour would be if left and right shared one filter, is
    // raised far less, and the same on either side.
    const Samples tone2k = sine(8820, 2000.0, 5000.0);
    const Samples out2k = run(interleave(silence, tone2k), boost, 2);
    EXPECT_LT(peakFrom(channelOf(out2k, 2, 1), 2000), 11000);
    EXPECT_EQ(channelOf(out2k, 2, 0), silence);
}

TEST(ApplyEqualizer, OutputSaturatesAtSixteenBits) {
    const Samples out = run(sine(4410, 1000.0, 30000.0), oneBand(1, 6, -300));
    EXPECT_EQ(*std::max_element(out.begin() + 1000, out.end()), 32767);
    EXPECT_EQ(*std::min_element(out.begin() + 1000, out.end()), -32768);
}

TEST(ApplyEqualizer, MatchesEachChannelFilteredFromItsDefinitionBitForBit) {
    // Both ways of computing it, the wide one where this processor has it.
    std::mt19937 rng(7);
    for (std::size_t channels : {1u, 2u}) {
        for (std::size_t frames : {1u, 2u, 3u, 7u, 8u, 9u, 10u, 11u, 19u, 71u, 72u, 73u, 80u, 257u, 4410u}) {
            const Coefficients c = randomSettings(rng);
            // Quiet noise stays mostly in range; loud noise drives every band into its limits.
            for (int divisor : {64, 1}) {
                const Samples signal = noise(frames * channels, unsigned(frames * 4 + channels), divisor);
                const Samples expected = reference(signal, c, channels);
                const auto where = ::testing::Message() << channels << " channel(s), " << frames << " frames, "
                                                        << (divisor == 1 ? "loud" : "quiet");
                EXPECT_EQ(run(signal, c, channels), expected) << where;
                Samples portable = signal;
                EqualizerState state;
                ApplyEqualizerPortable(portable, channels, state, c.denominators, c.numerators);
                EXPECT_EQ(portable, expected) << "portable, " << where;
            }
        }
    }
}

TEST(ApplyEqualizer, ConsecutiveBlocksWithTheStateCarriedGiveTheOneCallResult) {
    std::mt19937 rng(11);
    for (std::size_t channels : {1u, 2u}) {
        const Coefficients c = randomSettings(rng);
        const Samples signal = noise(3000 * channels, unsigned(channels), 8);
        const Samples whole = reference(signal, c, channels);
        // Blocks of every size from none to several pipeline lengths, in a shuffled order.
        std::uniform_int_distribution<std::size_t> blockFrames(0, 200);
        for (int pass = 0; pass < 2; ++pass) {
            Samples blocks = signal;
            EqualizerState state;
            for (std::size_t done = 0; done < signal.size() / channels;) {
                const std::size_t frames = std::min(blockFrames(rng), signal.size() / channels - done);
                const std::span block = std::span(blocks).subspan(done * channels, frames * channels);
                if (pass == 0)
                    ApplyEqualizer(block, channels, state, c.denominators, c.numerators);
                else
                    ApplyEqualizerPortable(block, channels, state, c.denominators, c.numerators);
                done += frames;
            }
            EXPECT_EQ(blocks, whole) << channels << " channel(s), " << (pass ? "portable" : "wide");
        }
        // Playback's own blocks: 0.1 s each.
        Samples blocks = signal;
        EqualizerState state;
        for (std::size_t at = 0; at < blocks.size(); at += 441 * channels) {
            const std::size_t size = std::min<std::size_t>(441 * channels, blocks.size() - at);
            ApplyEqualizer(std::span(blocks).subspan(at, size), channels, state, c.denominators, c.numerators);
        }
        EXPECT_EQ(blocks, whole) << channels << " channel(s), 0.1 s blocks";
    }
}

TEST(ApplyEqualizer, EmptyStateStartsAfresh) {
    const Coefficients c = oneBand(1, 6, -200);
    Samples impulse(64, 0);
    impulse[0] = 10000;
    const Samples alone = run(impulse, c);
    ASSERT_NE(alone, impulse);

    EqualizerState state;
    Samples loud = noise(1000, 2);
    ApplyEqualizer(loud, 1, state, c.denominators, c.numerators);
    Samples after = impulse;
    ApplyEqualizer(after, 1, state, c.denominators, c.numerators);
    EXPECT_NE(after, alone);  // the loud block still rings
    state = {};
    after = impulse;
    ApplyEqualizer(after, 1, state, c.denominators, c.numerators);
    EXPECT_EQ(after, alone);
}

TEST(ApplyEqualizer, LeavesWhatIsNoWholeFrameAsItIs) {
    const Coefficients c = oneBand(1, 6, -300);
    const Samples signal = noise(9, 3, 4);
    // Stereo with an odd count: the last sample belongs to no frame.
    Samples odd = signal;
    EqualizerState state;
    ApplyEqualizer(odd, 2, state, c.denominators, c.numerators);
    EXPECT_EQ(odd.back(), signal.back());
    EXPECT_EQ(Samples(odd.begin(), odd.end() - 1), run(Samples(signal.begin(), signal.end() - 1), c, 2));
    // Counts of channels it does not handle, and empty signals, change nothing.
    for (std::size_t channels : {0u, 3u}) {
        Samples same = signal;
        EqualizerState untouched;
        ApplyEqualizer(same, channels, untouched, c.denominators, c.numerators);
        EXPECT_EQ(same, signal) << channels << " channels";
    }
    Samples one = {1234};
    ApplyEqualizer(one, 2, state, c.denominators, c.numerators);
    EXPECT_EQ(one, Samples{1234});
    ApplyEqualizer({}, 1, state, c.denominators, c.numerators);
}

TEST(ApplyEqualizer, SilenceAfterASoundDecaysToZeroWithTheSameSamples) {
    // Music, then several seconds of digital silence: the sections' feedback fades without
    // ever being held in the processor's slow subnormal range, and no sample changes.
    std::mt19937 rng(5);
    const Coefficients c = randomSettings(rng);
    Samples signal = interleave(sine(44100, 440.0, 9000.0), sine(44100, 31.0, 9000.0));
    signal.resize(signal.size() + 2 * 44100 * 6, 0);
    const Samples expected = reference(signal, c, 2);

    Samples out = signal;
    EqualizerState state;
    ApplyEqualizer(out, 2, state, c.denominators, c.numerators);
    EXPECT_EQ(out, expected);
    for (const auto& channel : state.channel)
        for (const EqSectionHistory& h : channel) {
            EXPECT_NE(std::fpclassify(h.w1), FP_SUBNORMAL);
            EXPECT_NE(std::fpclassify(h.w2), FP_SUBNORMAL);
        }
}

#if defined(__SSE__)
TEST(ApplyEqualizer, CallersFloatingPointModeIsKeptAndDoesNotChangeTheResult) {
    std::mt19937 rng(9);
    const Coefficients c = randomSettings(rng);
    const Samples signal = noise(2000, 4, 16);
    const Samples expected = reference(signal, c, 2);
    const unsigned callers = _mm_getcsr();
    for (unsigned mode : {0x1F80u, 0x1F80u | 0x8040u, 0x1F80u | 0x6000u /* rounding toward zero */}) {
        _mm_setcsr(mode);
        Samples out = signal;
        EqualizerState state;
        ApplyEqualizer(out, 2, state, c.denominators, c.numerators);
        const unsigned after = _mm_getcsr();
        _mm_setcsr(callers);
        EXPECT_EQ(after & ~0x3Fu, mode);  // the mode, not the exception flags
        EXPECT_EQ(out, expected) << std::hex << "MXCSR " << mode;
    }
}
#endif

}  // namespace
}  // namespace tqx

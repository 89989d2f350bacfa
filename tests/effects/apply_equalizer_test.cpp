#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "effects/apply_equalizer.h"
#include "effects/band_filter.h"

namespace tqx {
namespace {

struct Coefficients {
    EqTriples denominators{};
    EqTriples numerators{};
};

Coefficients design(int bandSet, const std::array<int, kEqBandCount>& positions) {
    Coefficients c;
    for (std::size_t i = 0; i < kEqBandCount; ++i) {
        const double r = static_cast<double>(EqBandSets[bandSet].frequencies[i]) / EQ_DESIGN_RATE;
        const EqBandFilter f = DesignBandFilter(r, kEqQuality, EqGainAtPosition(positions[i]));
        c.denominators[i] = f.denominator;
        c.numerators[i] = f.numerator;
    }
    return c;
}

Coefficients oneBand(int bandSet, std::size_t band, int position) {
    std::array<int, kEqBandCount> positions{};
    positions[band] = position;
    return design(bandSet, positions);
}

std::vector<std::int16_t> run(std::vector<std::int16_t> samples, const Coefficients& c) {
    ApplyEqualizer(samples.size(), samples.data(), c.denominators, c.numerators);
    return samples;
}

std::vector<std::int16_t> sine(std::size_t n, double frequency, double amplitude) {
    std::vector<std::int16_t> s(n);
    for (std::size_t j = 0; j < n; ++j)
        s[j] = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * j / 44100.0)));
    return s;
}

std::vector<std::int16_t> noise(std::size_t n, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<std::int16_t> s(n);
    for (auto& v : s) v = static_cast<std::int16_t>(d(rng));
    return s;
}

// Largest magnitude from `from` on, past the filter's settling at the block start.
int peakFrom(const std::vector<std::int16_t>& s, std::size_t from) {
    int peak = 0;
    for (std::size_t j = from; j < s.size(); ++j) peak = std::max(peak, std::abs(int{s[j]}));
    return peak;
}

// The filter straight from its definition: one band after the other over the whole block,
// each into a cleared work array, then back to 16 bits.
void referenceEqualizer(std::vector<std::int16_t>& samples, const Coefficients& c) {
    const std::size_t n = samples.size();
    std::vector<double> w(n);
    for (std::size_t band = 0; band < kEqBandCount; ++band) {
        std::fill(w.begin(), w.end(), 0.0);
        const auto& num = c.numerators[band];
        const auto& den = c.denominators[band];
        for (std::size_t j = 0; j < n; ++j) {
            for (std::size_t k = 0; k <= 2 && k <= j; ++k)
                w[j] += samples[j - k] * num[k] * (1.0 / 32768.0);
            for (std::size_t l = 1; l <= 2 && l <= j; ++l) w[j] -= den[l] * w[j - l];
        }
        for (std::size_t j = 0; j < n; ++j) {
            double y = (w[j] + 1.0) * 0.5 * 65536.0;
            y = std::clamp(y, 0.0, 65535.0);
            samples[j] = static_cast<std::int16_t>(std::trunc(y + 0.5) - 32768.0);
        }
    }
}

TEST(ApplyEqualizer, FlatSettingsLeaveEveryBlockUnchanged) {
    std::vector<std::int16_t> block = noise(4410, 1);
    block[0] = -32768;
    block[1] = 32767;
    block[2] = -32768;
    block.back() = 32767;
    for (int set = 0; set < static_cast<int>(kEqBandSetCount); ++set)
        EXPECT_EQ(run(block, design(set, {})), block) << "band set " << set + 1;
    EXPECT_EQ(run({-32768}, design(0, {})), std::vector<std::int16_t>{-32768});
}

TEST(ApplyEqualizer, CentreFrequencyScaledByOnePlusGain) {
    const std::vector<std::int16_t> in = sine(4410, 1000.0, 10000.0);
    // Set 2, band 6 is 1 kHz: −50 raises it by half, +100 removes it, +300 doubles and inverts.
    const std::vector<std::int16_t> raised = run(in, oneBand(1, 6, -50));
    EXPECT_NEAR(peakFrom(raised, 1000), 15000, 40);

    EXPECT_LE(peakFrom(run(in, oneBand(1, 6, 100)), 1000), 60);

    const std::vector<std::int16_t> inverted = run(sine(4410, 1000.0, 8000.0), oneBand(1, 6, 300));
    const std::vector<std::int16_t> in8000 = sine(4410, 1000.0, 8000.0);
    for (std::size_t j = 1000; j < in8000.size(); ++j)
        ASSERT_NEAR(inverted[j], -2 * in8000[j], 60) << "sample " << j;

    // A band far from the signal leaves it nearly as it was.
    EXPECT_NEAR(peakFrom(run(in, oneBand(0, 0, -300)), 1000), 10000, 300);
}

TEST(ApplyEqualizer, OutputSaturatesAtSixteenBits) {
    const std::vector<std::int16_t> out = run(sine(4410, 1000.0, 30000.0), oneBand(1, 6, -300));
    EXPECT_EQ(*std::max_element(out.begin() + 1000, out.end()), 32767);
    EXPECT_EQ(*std::min_element(out.begin() + 1000, out.end()), -32768);
}

TEST(ApplyEqualizer, EveryBlockStartsWithEmptyHistory) {
    const Coefficients c = oneBand(1, 6, -200);
    const std::vector<std::int16_t> block = sine(882, 1000.0, 12000.0);
    const std::vector<std::int16_t> first = run(block, c);
    EXPECT_EQ(run(block, c), first);
    // An impulse at the start of a block comes out the same after a loud block as alone.
    std::vector<std::int16_t> impulse(64, 0);
    impulse[0] = 10000;
    const std::vector<std::int16_t> alone = run(impulse, c);
    run(noise(1000, 2), c);
    EXPECT_EQ(run(impulse, c), alone);
    EXPECT_NE(alone, impulse);
}

TEST(ApplyEqualizer, MatchesBandByBandFilteringBitForBit) {
    // Both ways of computing it, the wide one where this processor has it.
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> position(-300, 300);
    std::uniform_int_distribution<int> set(0, 4);
    for (std::size_t n : {1u, 2u, 3u, 9u, 10u, 11u, 19u, 257u, 8820u}) {
        std::array<int, kEqBandCount> positions;
        for (int& p : positions) p = position(rng);
        const Coefficients c = design(set(rng), positions);
        // Quiet noise stays mostly in range; loud noise drives every band into its limits.
        for (int loud = 0; loud < 2; ++loud) {
            std::vector<std::int16_t> block = noise(n, static_cast<unsigned>(n * 2 + loud));
            if (!loud)
                for (auto& v : block) v = static_cast<std::int16_t>(v / 64);
            std::vector<std::int16_t> expected = block;
            referenceEqualizer(expected, c);
            EXPECT_EQ(run(block, c), expected) << "n = " << n << (loud ? ", loud" : ", quiet");
            ApplyEqualizerPortable(block.size(), block.data(), c.denominators, c.numerators);
            EXPECT_EQ(block, expected) << "portable, n = " << n << (loud ? ", loud" : ", quiet");
        }
    }
}

}  // namespace
}  // namespace tqx

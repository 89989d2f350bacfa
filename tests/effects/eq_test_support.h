#pragma once
// Coefficient tables designed straight from band settings, and test signals, for the tests of
// the equalizer's filtering.
#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include "effects/apply_equalizer.h"
#include "effects/band_filter.h"

namespace tqx::test {

struct Coefficients {
    EqTriples denominators{};
    EqTriples numerators{};
};

// The ten bands of band set `bandSet` (0..4) at the given slider positions.
inline Coefficients design(int bandSet, const std::array<int, kEqBandCount>& positions) {
    Coefficients c;
    for (std::size_t i = 0; i < kEqBandCount; ++i) {
        const double r = static_cast<double>(EqBandSets[bandSet].frequencies[i]) / EQ_DESIGN_RATE;
        const EqBandFilter f = DesignBandFilter(r, kEqQuality, EqGainAtPosition(positions[i]));
        c.denominators[i] = f.denominator;
        c.numerators[i] = f.numerator;
    }
    return c;
}

// n samples of white noise over the whole 16-bit range, divided by `divisor`.
inline std::vector<std::int16_t> noise(std::size_t n, unsigned seed, int divisor = 1) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-32768, 32767);
    std::vector<std::int16_t> s(n);
    for (auto& v : s) v = static_cast<std::int16_t>(d(rng) / divisor);
    return s;
}

}  // namespace tqx::test

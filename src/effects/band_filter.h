#pragma once
// The equalizer's fixed band sets and the design of one band's peaking filter.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "effects/apply_equalizer.h"

namespace tqx {

inline constexpr std::size_t kEqBandSetCount = 5;
// Every band is designed for this rate, whatever the project's rate is.
inline constexpr std::uint32_t EQ_DESIGN_RATE = 44100;
// The quality factor of every band: √2.
inline constexpr double kEqQuality = 1.4142135623730951;
// Slider positions; the top of a slider (−300) is the largest gain.
inline constexpr int kEqPositionMin = -300;
inline constexpr int kEqPositionMax = 300;

struct EqBandSet {
    std::array<float, kEqBandCount> frequencies;   // centre frequencies in Hz
    std::array<const char*, kEqBandCount> labels;  // texts under the sliders
};

// Band set n belongs to radio button n + 1.
inline constexpr std::array<EqBandSet, kEqBandSetCount> EqBandSets = {{
    {{72, 120, 150, 200, 220, 250, 300, 350, 500, 700},
     {"72", "120", "150", "200", "220", "250", "300", "350", "500", "700"}},
    {{31, 82, 125, 250, 500, 750, 1000, 1500, 5000, 10000},
     {"31", "82", "125", "250", "500", "750", "1k", "1.5k", "5k", "10k"}},
    {{62, 72, 100, 110, 125, 150, 175, 200, 220, 250},
     {"62", "72", "100", "110", "125", "150", "175", "200", "220", "250"}},
    {{72, 100, 120, 140, 160, 180, 200, 220, 240, 260},
     {"72", "100", "120", "140", "160", "180", "200", "220", "240", "260"}},
    {{31, 82, 125, 250, 500, 1000, 2000, 4000, 8000, 16000},
     {"31", "82", "125", "250", "500", "1k", "2k", "4k", "8k", "16k"}},
}};

struct EqBandFilter {
    std::array<double, 3> denominator;  // (1, a1, a2)
    std::array<double, 3> numerator;    // (b0, b1, b2)
};

// One peaking section: r is the centre frequency relative to EQ_DESIGN_RATE, q the quality
// factor, g the gain parameter. The gain at the centre is the plain factor 1 + g: g = 0 passes
// the band through, g = −1 is a notch, g = +3 multiplies by 4.
EqBandFilter DesignBandFilter(double r, double q, float g);

// The gain parameter of a slider position: −position × 0.01 in single precision.
float EqGainAtPosition(int position);

// The readout after moving a slider, e.g. "1kHz = 1.50" or "72Hz = -0.25".
std::string EqReadoutText(const std::string& bandLabel, float g);

}  // namespace tqx

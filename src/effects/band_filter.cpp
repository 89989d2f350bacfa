#include "effects/band_filter.h"

#include <cmath>
#include <numbers>

#include "platform/number_format.h"

namespace tqx {

EqBandFilter DesignBandFilter(double r, double q, float g) {
    constexpr double pi = std::numbers::pi;
    // The pre-warped frequency is kept as K = tan(π·r) / (2π) and W rebuilt from it, with W²
    // as 4π²·K² rather than W·W. Writing W = tan(π·r) directly changes the last bits of the
    // coefficients, so keep these three lines as they are.
    const double k = std::tan(pi * r) * (1.0 / (2.0 * pi));
    const double w = 2.0 * pi * k;
    const double w2 = 4.0 * pi * pi * k * k;

    const double gain = 1.0 + static_cast<double>(g);
    const double a0 = 1.0 + w / q + w2;
    EqBandFilter f;
    f.denominator = {1.0, (2.0 * w2 - 2.0) / a0, (1.0 - w / q + w2) / a0};
    f.numerator = {(1.0 + gain * w / q + w2) / a0, (2.0 * w2 - 2.0) / a0, (1.0 - gain * w / q + w2) / a0};
    return f;
}

float EqGainAtPosition(int position) { return static_cast<float>(-static_cast<double>(position) * 0.01); }

std::string EqReadoutText(const std::string& bandLabel, float g) {
    // A gain that rounds to zero (position 0 gives -0.0) reads 0.00, never -0.00.
    return bandLabel + "Hz = " + formatFixed(g, 2);
}

}  // namespace tqx

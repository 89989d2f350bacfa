#include "platform/number_format.h"

#include <cmath>
#include <cstdio>

namespace tqx {

std::string formatFixed(double value, int decimals, int minIntDigits) {
    if (!std::isfinite(value)) return "0";
    const double scale = std::pow(10.0, decimals);
    double scaled = std::round(value * scale);  // halves away from zero
    if (scaled == 0.0) scaled = 0.0;            // drops the sign of -0
    const bool negative = scaled < 0;
    const double magnitude = std::fabs(scaled) / scale;
    char text[96];
    std::snprintf(text, sizeof text, "%0*.*f", minIntDigits + (decimals > 0 ? decimals + 1 : 0), decimals, magnitude);
    return negative ? "-" + std::string(text) : std::string(text);
}

}  // namespace tqx

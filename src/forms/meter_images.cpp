#include "forms/meter_images.h"

#include <algorithm>
#include <cmath>

namespace tqx {

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBlue{0, 0, 255};

Rgb barGreen(double f) {
    const long long g = static_cast<long long>(std::trunc(f * 255.0));
    return {0, static_cast<std::uint8_t>(g & 0xFF), 0};
}

int barLength(double f, int span) {
    const double len = std::trunc(f * span);
    return static_cast<int>(std::clamp(len, 0.0, double(span)));
}

}  // namespace

RgbImage trackMeterImage(const MeterHalves& halves) {
    const int w = kTrackMeterWidth, h = kTrackMeterHeight;
    RgbImage image(w, h, kBlack);
    for (int c = 0; c < 2; ++c) {
        const double f = halves[std::size_t(c)];
        const int x0 = c == 0 ? 0 : w / 2, x1 = c == 0 ? w / 2 : w;
        const int top = h - barLength(f, h);
        image.fillRect(x0, top, x1, h, barGreen(f));
        for (int y = h - 1; y >= top; y -= 2) image.hline(x0, x1 - 1, y, kBlue);
    }
    return image;
}

RgbImage masterMeterImage(const MeterHalves& halves) {
    const int w = kMasterMeterWidth, h = kMasterMeterHeight;
    RgbImage image(w, h, kBlack);
    for (int c = 0; c < 2; ++c) {
        const double f = halves[std::size_t(c)];
        const int y0 = c == 0 ? 0 : h / 2, y1 = c == 0 ? h / 2 : h;
        const int len = barLength(f, w);
        image.fillRect(0, y0, len, y1, barGreen(f));
        for (int x = 0; x < len; x += 2) image.vline(x, y0, y1 - 1, kBlue);
    }
    image.hline(0, w - 1, 0, kBlue);
    image.hline(0, w - 1, h - 1, kBlue);
    image.vline(0, 0, h - 1, kBlue);
    image.vline(w - 1, 0, h - 1, kBlue);
    return image;
}

}  // namespace tqx

#include "forms/master_volume_image.h"

#include <cmath>

namespace tqx {

namespace {

constexpr Rgb kBackground{163, 73, 164};
constexpr Rgb kFrame{0, 0, 0};
constexpr Rgb kWedge{64, 64, 64};

// Colour of a filled column by its place in percent of the width.
Rgb bandColour(double percent) {
    if (percent > 80) return {255, 0, 0};
    if (percent > 60) return {0, 255, 0};
    if (percent > 40) return {200, 240, 0};
    if (percent > 20) return {200, 225, 0};
    return {200, 200, 0};
}

}  // namespace

RgbImage masterVolumeImage(int x) {
    const int W = MasterVolume::kWidth, H = kMasterVolumeHeight;
    RgbImage img(W, H, kBackground);
    img.hline(0, W - 1, H - 1, kFrame);
    img.vline(W - 1, 0, H - 1, kFrame);
    const double slope = H / (0.8 * W);
    auto column = [&](int i, Rgb c) { img.vline(i, H - 2, static_cast<int>(std::trunc(H - i * slope - 2)), c); };
    for (int i = 0; i < W; i += 2) column(i, kWedge);
    for (int i = 0; i < x; i += 2) column(i, bandColour(double(i) / W * 100.0));
    img.set(0, H - 1, kBackground);
    return img;
}

}  // namespace tqx

#pragma once
// The level meters as the windows draw them, from what the meters show: a track's bar of
// 20 x 160 pixels (two halves, left and right) and the master meter's 169 x 12 (upper half
// left, lower half right).
#include "engine/level_meters.h"
#include "forms/rgb_image.h"

namespace tqx {

inline constexpr int kTrackMeterWidth = 20;
inline constexpr int kTrackMeterHeight = 160;
inline constexpr int kMasterMeterWidth = 169;
inline constexpr int kMasterMeterHeight = 12;

// Black, with a bar rising from the bottom to f x the height in each half, pure green of
// intensity trunc(f x 255) (its low 8 bits: a level above full scale wraps round), blue lines
// over it on every second row from the bottom.
RgbImage trackMeterImage(const MeterHalves& halves);
// Black, with a bar of trunc(f x width) in each half, green as above, blue columns every two
// pixels over it, and a blue frame round the whole.
RgbImage masterMeterImage(const MeterHalves& halves);

}  // namespace tqx

#pragma once
// The picture of a track panel's volume, pan or gain slider (100 x 10) at a position.
#include "forms/rgb_image.h"
#include "session/track_commands.h"

namespace tqx {

inline constexpr int kSliderHeight = 10;

// Volume fills from the left, brighter to the right; pan and gain fill from the centre to
// the position, brighter toward the ends.
RgbImage trackSliderImage(TrackSlider slider, int position);

}  // namespace tqx

#pragma once
// The master volume control's picture: a wedge of 126 x 20 pixels filled up to a column.
#include "engine/master_volume.h"
#include "forms/rgb_image.h"

namespace tqx {

inline constexpr int kMasterVolumeHeight = 20;

// Purple with a black frame on the right and at the bottom; grey columns every two pixels
// rising to the right (reaching the top at 80 % of the width), coloured by their place up to
// `column`.
RgbImage masterVolumeImage(int column);

}  // namespace tqx

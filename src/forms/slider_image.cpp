#include "forms/slider_image.h"

#include <algorithm>
#include <cstdlib>

namespace tqx {

RgbImage trackSliderImage(TrackSlider slider, int p) {
    constexpr int kCentre = kSliderWidth / 2;
    const Rgb background = slider == TrackSlider::Volume ? Rgb{0, 80, 0}
                           : slider == TrackSlider::Pan  ? Rgb{0, 80, 150}
                                                         : Rgb{150, 80, 0};
    RgbImage image(kSliderWidth, kSliderHeight, background);
    if (slider == TrackSlider::Volume) {
        for (int i = 0; i < p; ++i)
            image.vline(i, 0, kSliderHeight - 1, Rgb{0, std::uint8_t(255 * i / kSliderWidth), 0});
        return image;
    }
    const std::uint8_t red = slider == TrackSlider::Pan ? 0 : 150;
    const std::uint8_t blue = slider == TrackSlider::Pan ? 150 : 0;
    for (int i = std::min(kCentre, p); i <= std::max(kCentre, p); ++i) {
        const auto g = std::uint8_t(255 * std::abs(i - kCentre) / kCentre);
        image.vline(i, 0, kSliderHeight - 1, Rgb{red, g, blue});
    }
    return image;
}

}  // namespace tqx

#include "engine/timeline.h"

#include <cmath>

#include "project/multi_wave.h"

namespace tqx {

void Timeline::setRate(int rate) {
    trackBarMin = static_cast<int>(std::trunc(rate * 0.1));
    trackBarMax = static_cast<int>(std::trunc(rate * 0.5));
    trackBarPosition = static_cast<int>(std::trunc(rate * 0.25));
    TimeScale = static_cast<float>(trackBarPosition * 0.1);
    switch (rate) {
        case 4000: tickFrequency = 50; break;
        case 8000: tickFrequency = 80; break;
        case 11025: tickFrequency = 125; break;
        case 22050: tickFrequency = 250; break;
        case 44100:
        case 48000: tickFrequency = 500; break;
        default: tickFrequency = 50; break;
    }
}

float Timeline::secondsAtPixel(int pixel, int rate) const {
    return static_cast<float>(double(pixel) * TimeScale / rate);
}

int Timeline::pixelAtSeconds(double seconds, int rate) const {
    return static_cast<int>(std::trunc(seconds * rate / TimeScale));
}

double Timeline::widthOf(double frames, std::uint32_t clipRate, int projectRate) const {
    const double rateRatio = clipRate ? double(clipRate) / projectRate : 1.0;
    return std::trunc(frames / TimeScale) / rateRatio;
}

void Timeline::layClip(TMultiWave& clip, int projectRate) {
    const WaveFormat f = clip.GetFormat();
    const unsigned frameBytes = (f.bitsPerSample / 8u) * f.channels;
    const double frames = frameBytes ? double(clip.GetDataSize() / frameBytes) : 0.0;
    clip.width = clip.IsMissing() ? kMissingClipWidth
                                  : static_cast<int>(std::trunc(widthOf(frames, f.samplesPerSec, projectRate)));
    clip.left = pixelAtSeconds(clip.GetStartTime(), projectRate);
    clip.SetTimelinePos(clip.left);
    clip.onTimeline = true;
    coverRight(clip.left + clip.width);
}

}  // namespace tqx

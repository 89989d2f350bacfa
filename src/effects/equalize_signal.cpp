#include "effects/equalize_signal.h"

#include <algorithm>
#include <vector>

namespace tqx {

namespace {

// Frames filtered between two progress reports: about 1.5 s of audio at 44,100 Hz.
constexpr std::size_t kStretchFrames = std::size_t{1} << 16;

}  // namespace

bool EqualizeSignal(std::span<std::int16_t> samples, std::size_t channels, const EqTriples& denominators,
                    const EqTriples& numerators, const std::function<bool(std::size_t)>& advanced) {
    const auto report = [&](std::size_t count) { return !advanced || advanced(count); };
    if (channels == 0) return true;
    const std::size_t frames = samples.size() / channels;
    if (channels <= kEqMaxChannels) {
        EqualizerState state;
        for (std::size_t done = 0; done < frames;) {
            const std::size_t step = std::min(kStretchFrames, frames - done);
            ApplyEqualizer(samples.subspan(done * channels, step * channels), channels, state, denominators,
                           numerators);
            done += step;
            if (!report(step * channels)) return false;
        }
        return true;
    }
    // More channels than one state holds: each channel is taken out on its own and filtered as
    // a mono signal, a stretch at a time.
    std::vector<std::int16_t> channel(std::min(kStretchFrames, frames));
    for (std::size_t c = 0; c < channels; ++c) {
        EqualizerState state;
        for (std::size_t done = 0; done < frames;) {
            const std::size_t step = std::min(kStretchFrames, frames - done);
            std::int16_t* first = samples.data() + done * channels + c;
            for (std::size_t f = 0; f < step; ++f) channel[f] = first[f * channels];
            ApplyEqualizer(std::span(channel).first(step), 1, state, denominators, numerators);
            for (std::size_t f = 0; f < step; ++f) first[f * channels] = channel[f];
            done += step;
            if (!report(step)) return false;
        }
    }
    return true;
}

}  // namespace tqx

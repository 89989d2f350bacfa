#pragma once
// The equalizer over a whole signal held in memory, as the exports need it: a track's stereo
// rendering or a clip's own samples, however many channels the clip has.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

#include "effects/apply_equalizer.h"

namespace tqx {

// Filters the interleaved `channels`-channel signal in place as one continuous signal from
// empty history, every channel through its own ten sections, so the result is what playback
// of the same samples gives. A trailing partial frame is left as it is. `advanced` is told, now
// and then, how many more samples are done; when it returns false the work stops there and
// the result is false.
bool EqualizeSignal(std::span<std::int16_t> samples, std::size_t channels, const EqTriples& denominators,
                    const EqTriples& numerators, const std::function<bool(std::size_t)>& advanced);

}  // namespace tqx

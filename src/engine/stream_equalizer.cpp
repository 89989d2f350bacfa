#include "engine/stream_equalizer.h"

#include <algorithm>

namespace tqx {

void StreamEqualizer::enter(const Equalizer& eq) {
    state_ = {};
    atRest_ = true;
    on_ = eq.isOn();
    table_ = eq.table();
}

void StreamEqualizer::process(std::span<std::int16_t> block, int channels, const Equalizer& eq) {
    const bool on = eq.isOn();
    if (!on && !on_) return;  // off: the history waits as it was
    // Silence into a filter at rest comes out as silence and leaves it at rest: the blocks of
    // a clip that still lies ahead cost nothing.
    if (atRest_ && std::all_of(block.begin(), block.end(), [](std::int16_t x) { return x == 0; })) {
        on_ = on;
        table_ = eq.table();
        return;
    }
    atRest_ = false;
    if (on == on_ && (!on || eq.table() == table_)) {
        ApplyEqualizer(block, std::size_t(channels), state_, table_.denominator, table_.numerator);
        return;
    }
    // The sound before the change (the old curve, or none) fades into the sound after it
    // (the new curve, or none), frame by frame over the block. The history runs on through
    // the curve that is heard: the new one when there is one, else the old one.
    before_.assign(block.begin(), block.end());
    if (on_) {
        EqualizerState old = state_;
        ApplyEqualizer(before_, std::size_t(channels), old, table_.denominator, table_.numerator);
        if (!on) state_ = old;
    }
    if (on) ApplyEqualizer(block, std::size_t(channels), state_, eq.table().denominator, eq.table().numerator);
    const std::size_t frames = block.size() / std::size_t(channels);
    for (std::size_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c) {
            const std::size_t i = f * std::size_t(channels) + std::size_t(c);
            const std::int32_t from = before_[i], to = block[i];
            block[i] = static_cast<std::int16_t>(from + (to - from) * std::int64_t(f + 1) / std::int64_t(frames));
        }
    on_ = on;
    table_ = eq.table();
}

}  // namespace tqx

#pragma once
// The equalizer along one clip stream. Its history runs on from block to block, so the blocks
// join without a seam; a change of its settings while the stream plays (switched on or off,
// a slider moved) crossfades over one block from the old sound to the new, so nothing clicks.
// GUI thread.
#include <cstdint>
#include <span>
#include <vector>

#include "effects/apply_equalizer.h"
#include "effects/equalizer.h"

namespace tqx {

class StreamEqualizer {
public:
    // The stream enters its clip (start, seek): empty history, the settings of now.
    void enter(const Equalizer& eq);
    // A block of interleaved frames with `channels` channels, in place.
    void process(std::span<std::int16_t> block, int channels, const Equalizer& eq);

private:
    EqualizerState state_;
    bool atRest_ = true;  // the history is empty
    bool on_ = false;
    EqCoefficientTable table_{};
    std::vector<std::int16_t> before_;  // the block as it sounded before a change
};

}  // namespace tqx

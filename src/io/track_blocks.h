#pragma once
// One track rendered a block at a time. Each block is exactly that stretch of the track's
// whole rendering: the clips mixed in at their places in start order, each addition clamped,
// then the equalizer, going on from the block before, then the track's gain, volume and pan.
// Only the equalizer looks beyond a sample, and its history is carried from block to block.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "effects/equalizer.h"
#include "effects/pcm_requantise.h"
#include "io/clip_bytes.h"
#include "io/stereo_rendition.h"

namespace tqx {

struct PlacedClip {
    std::int64_t firstSample = 0;  // the track sample its first sample falls on; even, maybe negative
    StereoRendition rendition;
    std::unique_ptr<ClipBytes> bytes;
    std::string fileName;  // named when its bytes cannot be read
};

class TrackBlocks {
public:
    // `clips` in start order; `samples` the track's length; `equalizer` nullptr when it is off.
    TrackBlocks(std::vector<PlacedClip> clips, std::uint64_t samples, const TrackMix& mix,
                const EqCoefficientTable* equalizer);

    std::uint64_t samples() const { return samples_; }

    // Renders samples [from, from + out.size()) of the track, all within it and starting on a
    // frame. Blocks come in order from sample 0 on, each right after the one before. False
    // when a clip's bytes could not be read; unreadFile() then names its file.
    bool render(std::uint64_t from, std::span<std::int16_t> out, RenditionBuffers& buffers);
    const std::string& unreadFile() const { return unreadFile_; }

private:
    std::vector<PlacedClip> clips_;
    std::uint64_t samples_;
    TrackMix mix_;
    const EqCoefficientTable* equalizer_;
    EqualizerState history_;
    bool atRest_ = true;         // the equalizer's history is empty
    bool silenceSkips_ = false;  // a silent stretch comes out silent while atRest_
    std::string unreadFile_;
};

}  // namespace tqx

#include "io/track_blocks.h"

#include <algorithm>

#include "io/sample_loops.h"

namespace tqx {

namespace {

bool atRest(const EqualizerState& state) {
    for (const auto& channel : state.channel)
        for (const EqSectionHistory& h : channel)
            if (h.x1 != 0 || h.x2 != 0 || h.w1 != 0 || h.w2 != 0) return false;
    return true;
}

}  // namespace

TrackBlocks::TrackBlocks(std::vector<PlacedClip> clips, std::uint64_t samples, const TrackMix& mix,
                         const EqCoefficientTable* equalizer)
    : clips_(std::move(clips)), samples_(samples), mix_(mix), equalizer_(equalizer) {
    // A stretch no clip reaches may be skipped while the filter rests, when one silent frame
    // through the filter and the track stage comes out silent and leaves the filter at rest:
    // every further one then does the same. (A gain or volume far out of range can turn
    // silence into a full-scale sample; such a track renders every block.)
    std::int16_t frame[2] = {0, 0};
    EqualizerState probe;
    if (equalizer_) ApplyEqualizer(frame, 2, probe, equalizer_->denominator, equalizer_->numerator);
    mix_.applyTo(frame, 2, true, 0);
    silenceSkips_ = frame[0] == 0 && frame[1] == 0 && atRest(probe);
}

bool TrackBlocks::render(std::uint64_t from, std::span<std::int16_t> out, RenditionBuffers& buffers) {
    const std::int64_t begin = static_cast<std::int64_t>(from);
    const std::int64_t end = begin + static_cast<std::int64_t>(out.size());
    std::int16_t* const o = out.data();
    bool covered = false;  // a clip has been mixed into the block
    for (PlacedClip& clip : clips_) {
        const std::int64_t clipEnd = clip.firstSample + static_cast<std::int64_t>(clip.rendition.samples());
        const std::int64_t lo = std::max(begin, clip.firstSample);
        const std::int64_t hi = std::min(end, clipEnd);
        if (lo >= hi) continue;
        const auto count = static_cast<std::size_t>(hi - lo);
        const std::uint8_t* in =
            clip.rendition.render(static_cast<std::uint64_t>(lo - clip.firstSample), count, *clip.bytes, buffers);
        if (!in) {
            unreadFile_ = clip.fileName;
            return false;
        }
        std::int16_t* at = o + (lo - begin);
        if (covered) {
            mixInto(at, in, count);
        } else {
            // What the first clip leaves of the block is silence; its own part is written once.
            std::fill(o, at, std::int16_t{0});
            std::fill(at + count, o + out.size(), std::int16_t{0});
            mixOntoSilence(at, in, count);
            covered = true;
        }
        if (hi == clipEnd) clip.bytes->release();
    }
    if (!covered) {
        std::fill(out.begin(), out.end(), std::int16_t{0});
        if (atRest_ && silenceSkips_) return true;
    }
    if (equalizer_) {
        ApplyEqualizer(out, 2, history_, equalizer_->denominator, equalizer_->numerator);
        atRest_ = false;
    }
    applyTrackStage(mix_, o, out.size(), from);
    return true;
}

}  // namespace tqx

#pragma once
// How a clip's stored 16-bit samples become the 16-bit stereo at the project rate that its
// track is mixed from, any stretch of it on its own. The rules are the converter library's,
// so a clip converted stretch by stretch comes out exactly as if converted whole: first the
// rate stage (output frame j is stored frame ⌊j × stored rate ÷ project rate⌋, the last whole
// frame for an index past it), then mono to stereo (every sample twice). Bytes a stage does
// not fill (after its last whole frame or sample, or all of them for a channel count it does
// not take) are zero, and still count.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "io/clip_bytes.h"
#include "io/ravelin_client.h"

namespace tqx {

// Byte count after the converter's rate stage: ⌊bytes × to ÷ from⌋ (the bytes themselves when
// the rates agree); nothing when that passes what one conversion can hold (4 GiB − 1 bytes).
std::optional<std::uint64_t> rateStageBytes(std::uint64_t bytes, std::uint32_t from, std::uint32_t to);

// Buffers a rendering thread lends to the conversions it runs.
struct RenditionBuffers {
    std::vector<std::uint8_t> read;       // stored bytes
    std::vector<std::uint8_t> stage;      // after the rate stage
    std::vector<std::uint8_t> converted;  // the rendition's samples
};

class StereoRendition {
public:
    // The rendition of `storedBytes` bytes of 16-bit PCM at `stored`'s rate and channel count
    // (its bits are not looked at); nothing when a stage's result would pass what one
    // conversion can hold.
    static std::optional<StereoRendition> of(PcmShape stored, std::uint64_t storedBytes, std::uint32_t projectRate);

    // 16-bit samples of the rendition, left and right interleaved.
    std::uint64_t samples() const { return samples_; }

    // Samples [first, first + count) of the rendition, all within it, as 16-bit little-endian
    // values: a pointer into what `bytes` gave or into `buffers`, valid until either is used
    // again. Nullptr when the stored bytes could not be read.
    const std::uint8_t* render(std::uint64_t first, std::size_t count, ClipBytes& bytes,
                               RenditionBuffers& buffers) const;

private:
    // Samples [first, first + count) after the rate stage (frames of the stored channel count).
    const std::uint8_t* rateStage(std::uint64_t first, std::size_t count, ClipBytes& bytes,
                                  RenditionBuffers& buffers) const;

    std::uint16_t channels_ = 2;
    std::uint32_t storedRate_ = 0;
    std::uint32_t projectRate_ = 0;
    bool rateStage_ = false;
    std::uint64_t stageBytes_ = 0;    // after the rate stage
    std::uint64_t wholeStored_ = 0;   // whole stored frames
    std::uint64_t filledFrames_ = 0;  // frames the rate stage fills
    std::uint64_t pieceFrames_ = 0;   // frames converted from one read
    std::uint64_t samples_ = 0;
};

}  // namespace tqx

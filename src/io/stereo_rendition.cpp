#include "io/stereo_rendition.h"

#include <algorithm>
#include <cstring>

namespace tqx {

namespace {

// The converter's largest block: its lengths are 32-bit counts.
constexpr std::uint64_t kMaxConversionBytes = 0xFFFFFFFFull;
// Stored bytes the rate stage reads at once: a high rate brought down to a low one would
// otherwise read many times the stretch it makes.
constexpr std::uint64_t kMaxReadBytes = std::uint64_t{1} << 20;

// Frames [from, to) of the rate stage, the first of them written at `out`. Frame f is stored
// frame min(⌊f × storedRate ÷ projectRate⌋, last), `in` holding stored frames from `lowest` on;
// the index is carried as quotient and remainder, exact at any length.
template <std::size_t Frame>
void pickFrames(std::uint64_t from, std::uint64_t to, std::uint32_t storedRate, std::uint32_t projectRate,
                std::uint64_t last, const std::uint8_t* in, std::uint64_t lowest, std::uint8_t* out) {
    const std::uint64_t product = from * storedRate;
    std::uint64_t index = product / projectRate;
    std::uint64_t remainder = product % projectRate;
    const std::uint64_t step = storedRate / projectRate;
    const std::uint64_t rest = storedRate % projectRate;
    for (std::uint64_t f = from; f < to; ++f, out += Frame) {
        std::memcpy(out, in + (std::min(index, last) - lowest) * Frame, Frame);
        index += step;
        remainder += rest;
        if (remainder >= projectRate) {
            remainder -= projectRate;
            ++index;
        }
    }
}

}  // namespace

std::optional<std::uint64_t> rateStageBytes(std::uint64_t bytes, std::uint32_t from, std::uint32_t to) {
    if (bytes > kMaxConversionBytes) return std::nullopt;
    if (from == to) return bytes;
    // Below 2^32 times below 2^32: the product fits.
    const std::uint64_t result = from == 0 ? 0 : bytes * to / from;
    if (result > kMaxConversionBytes) return std::nullopt;
    return result;
}

std::optional<StereoRendition> StereoRendition::of(PcmShape stored, std::uint64_t storedBytes,
                                                   std::uint32_t projectRate) {
    const std::optional<std::uint64_t> staged = rateStageBytes(storedBytes, stored.rate, projectRate);
    if (!staged) return std::nullopt;
    StereoRendition r;
    r.channels_ = stored.channels;
    r.storedRate_ = stored.rate;
    r.projectRate_ = projectRate;
    r.rateStage_ = stored.rate != projectRate;
    r.stageBytes_ = *staged;
    std::uint64_t bytes = *staged;
    if (stored.channels != 2) {
        bytes = stored.channels == 0 ? 0 : bytes * 2 / stored.channels;
        if (bytes > kMaxConversionBytes) return std::nullopt;
    }
    r.samples_ = bytes / 2;
    if (stored.channels == 1 || stored.channels == 2) {
        const std::uint64_t frame = 2u * stored.channels;
        r.wholeStored_ = storedBytes / frame;
        // A block without one whole frame has nothing to repeat.
        r.filledFrames_ = r.wholeStored_ == 0 ? 0 : r.stageBytes_ / frame;
        if (r.rateStage_ && stored.rate != 0)
            r.pieceFrames_ = std::max<std::uint64_t>(1, (kMaxReadBytes / frame - 1) * projectRate / stored.rate);
    }
    return r;
}

const std::uint8_t* StereoRendition::render(std::uint64_t first, std::size_t count, ClipBytes& bytes,
                                            RenditionBuffers& buffers) const {
    if (channels_ == 2) {
        if (!rateStage_) return bytes.read(2 * first, 2 * count, buffers.read);  // mixed as it is stored
        return rateStage(first, count, bytes, buffers);
    }
    std::vector<std::uint8_t>& converted = buffers.converted;
    if (converted.size() < 2 * count) converted.resize(2 * count);
    std::uint8_t* out = converted.data();
    const std::uint64_t end = first + count;
    // Mono: each sample of the rate stage twice. A stage of an odd byte count leaves one zero
    // sample after them; a channel count the converter does not take leaves only zeros.
    const std::uint64_t doubled = channels_ == 1 ? stageBytes_ / 2 * 2 : 0;
    const std::uint64_t fromStage = std::min(end, doubled);
    std::uint64_t i = first;
    if (i < fromStage) {
        const std::uint64_t s0 = i / 2;
        const std::uint64_t s1 = (fromStage + 1) / 2;
        const std::uint8_t* in =
            rateStage_ ? rateStage(s0, s1 - s0, bytes, buffers) : bytes.read(2 * s0, 2 * (s1 - s0), buffers.read);
        if (!in) return nullptr;
        std::uint8_t* o = out;
        if (i % 2) {  // starts on the right copy of a sample
            std::memcpy(o, in, 2);
            o += 2;
            in += 2;
            ++i;
        }
        for (; i + 1 < fromStage; i += 2, o += 4, in += 2) {
            std::memcpy(o, in, 2);
            std::memcpy(o + 2, in, 2);
        }
        if (i < fromStage) {
            std::memcpy(o, in, 2);
            ++i;
        }
    }
    if (i < end) std::memset(out + 2 * (i - first), 0, 2 * (end - i));
    return out;
}

const std::uint8_t* StereoRendition::rateStage(std::uint64_t first, std::size_t count, ClipBytes& bytes,
                                               RenditionBuffers& buffers) const {
    const std::uint64_t channels = channels_;
    const std::uint64_t frame = 2 * channels;
    const std::uint64_t f0 = first / channels;
    const std::uint64_t f1 = (first + count + channels - 1) / channels;
    std::vector<std::uint8_t>& stage = buffers.stage;
    if (stage.size() < (f1 - f0) * frame) stage.resize((f1 - f0) * frame);
    std::uint8_t* const out = stage.data();
    const std::uint64_t last = wholeStored_ == 0 ? 0 : wholeStored_ - 1;
    const auto storedFrame = [&](std::uint64_t f) { return std::min(f * storedRate_ / projectRate_, last); };

    const std::uint64_t filledEnd = std::min(f1, std::max(f0, filledFrames_));
    for (std::uint64_t f = f0; f < filledEnd;) {
        const std::uint64_t pieceEnd = std::min(filledEnd, f + pieceFrames_);
        const std::uint64_t lowest = storedFrame(f);
        const std::uint64_t highest = storedFrame(pieceEnd - 1);
        const std::uint8_t* in = bytes.read(lowest * frame, (highest - lowest + 1) * frame, buffers.read);
        if (!in) return nullptr;
        std::uint8_t* o = out + (f - f0) * frame;
        if (channels == 1)
            pickFrames<2>(f, pieceEnd, storedRate_, projectRate_, last, in, lowest, o);
        else
            pickFrames<4>(f, pieceEnd, storedRate_, projectRate_, last, in, lowest, o);
        f = pieceEnd;
    }
    if (filledEnd < f1) std::memset(out + (filledEnd - f0) * frame, 0, (f1 - filledEnd) * frame);
    return out + (first - f0 * channels) * 2;
}

}  // namespace tqx

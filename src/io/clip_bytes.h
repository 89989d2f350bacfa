#pragma once
// A clip's stored bytes as a rendering reads them, a stretch at a time: from the clip held in
// memory, or straight from its WAVE file, so that rendering a long project from its files needs
// no more memory than a few stretches.
#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "io/ravelin_client.h"
#include "platform/regular_file.h"

namespace tqx {

class TMultiWave;

class ClipBytes {
public:
    virtual ~ClipBytes() = default;
    // Bytes [offset, offset + count) of the clip, all within it: a pointer into memory the
    // clip holds or into `buffer`, valid until `buffer` is used again. Nullptr when they could
    // not be read.
    virtual const std::uint8_t* read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& buffer) = 0;
    // The rendering has passed the clip's end: an open file is closed.
    virtual void release() {}
};

// Bytes in memory: borrowed from a clip, or owned (a conversion made for the rendering).
class HeldClipBytes final : public ClipBytes {
public:
    explicit HeldClipBytes(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    explicit HeldClipBytes(std::vector<std::uint8_t>&& owned) : owned_(std::move(owned)), bytes_(owned_) {}
    const std::uint8_t* read(std::uint64_t offset, std::size_t, std::vector<std::uint8_t>&) override {
        return bytes_.data() + offset;
    }

private:
    std::vector<std::uint8_t> owned_;
    std::span<const std::uint8_t> bytes_;
};

// Where a clip's audio lies in its WAVE file, for a rendering that reads it from there: the
// clip was checked as an import checks it, but its audio was not read.
struct ClipFile {
    std::string path;
    std::uint64_t dataOffset = 0;
    std::uint32_t bytes = 0;          // what the file holds of its data chunk
    PcmShape shape{16, 0, 0};         // the file's own rate and channel count
    std::uint32_t importedBytes = 0;  // its length as the import would hold it, at the project rate
};

// Clips whose audio stays in their files, by clip slot.
using ClipFiles = std::map<int, ClipFile>;

// Reads a clip's data from its file, opened on first use.
class FileClipBytes final : public ClipBytes {
public:
    explicit FileClipBytes(ClipFile file) : file_(std::move(file)) {}
    const std::uint8_t* read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& buffer) override;
    void release() override { open_.reset(); }

private:
    ClipFile file_;
    FilePtr open_;
};

// The clip in `slot` of `files` (which may be null), when its audio stayed in its file.
const ClipFile* clipFileOf(const ClipFiles* files, int slot);

// The clip's byte count as a rendering sees it: what it holds, or, for a clip whose audio
// stayed in its file, what the import would have held.
std::uint32_t clipDataSize(const TMultiWave& clip, const ClipFiles* files);

}  // namespace tqx

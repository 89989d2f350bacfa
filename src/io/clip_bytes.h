#pragma once
// A clip's stored bytes as a rendering reads them, a stretch at a time.
#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

namespace tqx {

class ClipBytes {
public:
    virtual ~ClipBytes() = default;
    // Bytes [offset, offset + count) of the clip, all within it: a pointer into memory the
    // clip holds or into `buffer`, valid until `buffer` is used again. Nullptr when they could
    // not be read.
    virtual const std::uint8_t* read(std::uint64_t offset, std::size_t count, std::vector<std::uint8_t>& buffer) = 0;
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

}  // namespace tqx

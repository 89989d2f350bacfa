#include "ravelin.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

#include "pcm_stages.h"

namespace {

using namespace ravelin;

// Blocks of a few megabytes and more are mapped on their own, aligned to and advised for huge
// pages: a fresh block of ten minutes of audio otherwise costs tens of thousands of page
// faults, many times the conversion itself.
constexpr std::uint64_t kMappedBlockMinimum = std::uint64_t{4} << 20;
constexpr std::uint64_t kHugePage = std::uint64_t{2} << 20;

struct Release {
    void* mapping = nullptr;  // null: the bytes came from new[]
    std::size_t mappedLength = 0;
    void operator()(std::uint8_t* bytes) const {
        if (mapping)
            munmap(mapping, mappedLength);
        else
            delete[] bytes;
    }
};

struct Block {
    std::unique_ptr<std::uint8_t[], Release> bytes;  // null when the block could not be had
    std::uint64_t length = 0;
    std::uint64_t capacity = 0;
};

std::unique_ptr<std::uint8_t[], Release> mapBlock(std::uint64_t length) {
    const std::size_t mappedLength = length + kHugePage;
    void* mapping = mmap(nullptr, mappedLength, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapping == MAP_FAILED) return {};
    const auto start = reinterpret_cast<std::uintptr_t>(mapping);
    auto* aligned = reinterpret_cast<std::uint8_t*>((start + kHugePage - 1) & ~(kHugePage - 1));
    madvise(aligned, length, MADV_HUGEPAGE);  // only advice; ordinary pages serve as well
    return {aligned, Release{mapping, mappedLength}};
}

// A new block, or `spare` taken over when it is big enough without being twice too big: the
// pages of the previous result are already mapped and cleared, new ones cost page faults.
Block allocate(std::uint64_t length, Block* spare) {
    if (length > kMaxBlockLength) return {};
    if (spare && spare->bytes && spare->capacity >= length && spare->capacity / 2 <= length) {
        Block block = std::move(*spare);
        block.length = length;
        return block;
    }
    Block block;
    if (length >= kMappedBlockMinimum)
        block.bytes = mapBlock(length);
    else  // never a null pointer for an empty result: null means the conversion failed
        block.bytes.reset(new (std::nothrow) std::uint8_t[length == 0 ? 1 : length]);
    block.length = length;
    block.capacity = length;
    return block;
}

struct Request {
    std::uint16_t srcBits;
    std::uint32_t srcRate;
    std::uint16_t srcChannels;
    const std::uint8_t* data;
    std::uint32_t length;
    std::uint16_t dstBits;
    std::uint32_t dstRate;
    std::uint16_t dstChannels;
};

// Runs the stages that apply, each into a block of its own, straight from the caller's data.
// Only the last stage may write into `spare`: the earlier ones are read after it is built.
Block convertBlock(const Request& r, Block* spare) {
    if (r.data == nullptr && r.length != 0) return {};
    const bool width = r.srcBits != r.dstBits;
    const bool rate = r.srcRate != r.dstRate;
    const bool channels = r.srcChannels != r.dstChannels;
    int stagesLeft = int{width} + int{rate} + int{channels};
    const std::uint8_t* current = r.data;
    std::uint64_t currentLength = r.length;
    Block held;
    auto stage = [&](std::uint64_t length, auto&& fill) {
        Block next = allocate(length, --stagesLeft <= 0 ? spare : nullptr);
        if (!next.bytes) return false;
        fill(current, currentLength, next.bytes.get(), length);
        held = std::move(next);
        current = held.bytes.get();
        currentLength = length;
        return true;
    };
    if (width && !stage(widthLength(currentLength, r.srcBits, r.dstBits),
                        [&](const std::uint8_t* in, std::uint64_t n, std::uint8_t* out, std::uint64_t m) {
                            convertWidth(in, n, r.srcBits, r.dstBits, out, m);
                        }))
        return {};
    if (rate && !stage(rateLength(currentLength, r.srcRate, r.dstRate),
                       [&](const std::uint8_t* in, std::uint64_t n, std::uint8_t* out, std::uint64_t m) {
                           convertRate(in, n, r.dstBits, r.srcChannels, r.srcRate, r.dstRate, out, m);
                       }))
        return {};
    if (channels && !stage(channelLength(currentLength, r.srcChannels, r.dstChannels),
                           [&](const std::uint8_t* in, std::uint64_t n, std::uint8_t* out, std::uint64_t m) {
                               convertChannels(in, n, r.dstBits, r.srcChannels, r.dstChannels, out, m);
                           }))
        return {};
    if (!width && !rate && !channels &&
        !stage(currentLength, [](const std::uint8_t* in, std::uint64_t n, std::uint8_t* out, std::uint64_t) {
            if (n != 0) std::memcpy(out, in, n);  // nothing to convert: a copy
        }))
        return {};
    return held;
}

// The one conversion buffer the library keeps between calls. Callers are expected to take
// turns; the lock only keeps the heap sound if they do not.
std::mutex bufferLock;
Block conversionBuffer;

// Replaces the conversion buffer. A caller may hand the previous result back in as its input,
// so then the previous block is neither reused nor released before the new one is built.
void convertIntoBuffer(const Request& r) {
    Block previous = std::move(conversionBuffer);
    const auto first = reinterpret_cast<std::uintptr_t>(previous.bytes.get());
    const auto input = reinterpret_cast<std::uintptr_t>(r.data);
    const bool inputInPrevious =
        previous.bytes && r.data && input < first + previous.capacity && first < input + r.length;
    conversionBuffer = convertBlock(r, inputInPrevious ? nullptr : &previous);
}

void putU16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void putU32(std::uint8_t* p, std::uint32_t v) {
    putU16(p, static_cast<std::uint16_t>(v));
    putU16(p + 2, static_cast<std::uint16_t>(v >> 16));
}

// Writes the canonical 44-byte PCM header and the data; true only when every byte reached
// the file.
bool writeWaveFile(const char* path, std::uint16_t bits, std::uint32_t rate, std::uint16_t channels,
                   const std::uint8_t* data, std::uint32_t length) {
    std::FILE* file = std::fopen(path, "wb");
    if (!file) return false;
    const auto blockAlign = static_cast<std::uint16_t>(bits / 8 * channels);
    std::uint8_t header[44];
    std::memcpy(header, "RIFF", 4);
    putU32(header + 4, length + 36);
    std::memcpy(header + 8, "WAVEfmt ", 8);
    putU32(header + 16, 16);
    putU16(header + 20, 1);
    putU16(header + 22, channels);
    putU32(header + 24, rate);
    putU32(header + 28, blockAlign * rate);
    putU16(header + 32, blockAlign);
    putU16(header + 34, bits);
    std::memcpy(header + 36, "data", 4);
    putU32(header + 40, length);
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    if (length != 0) ok = std::fwrite(data, 1, length, file) == length && ok;
    return std::fclose(file) == 0 && ok;
}

}  // namespace

extern "C" {

uint8_t* WaveConvert(uint16_t srcBits, uint32_t srcRate, uint16_t srcChannels, const uint8_t* data, uint32_t length,
                     uint16_t dstBits, uint32_t dstRate, uint16_t dstChannels, uint32_t* outLength) {
    std::lock_guard guard(bufferLock);
    convertIntoBuffer({srcBits, srcRate, srcChannels, data, length, dstBits, dstRate, dstChannels});
    if (outLength) *outLength = conversionBuffer.bytes ? static_cast<uint32_t>(conversionBuffer.length) : 0;
    return conversionBuffer.bytes.get();
}

bool WaveConvertOut(uint16_t srcBits, uint32_t srcRate, uint16_t srcChannels, const uint8_t* data, uint32_t length,
                    uint16_t dstBits, uint32_t dstRate, uint16_t dstChannels, const char* path) {
    std::lock_guard guard(bufferLock);
    convertIntoBuffer({srcBits, srcRate, srcChannels, data, length, dstBits, dstRate, dstChannels});
    // No file is made for a conversion that failed.
    if (!conversionBuffer.bytes || path == nullptr) return false;
    return writeWaveFile(path, dstBits, dstRate, dstChannels, conversionBuffer.bytes.get(),
                         static_cast<uint32_t>(conversionBuffer.length));
}

void ConvertFinish(void) {
    std::lock_guard guard(bufferLock);
    conversionBuffer = Block{};
}

}  // extern "C"

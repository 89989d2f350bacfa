#include "engine/wave_reader.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/byte_order.h"

namespace tqx {

namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct Chunk {
    char id[4];
    std::uint32_t size;
    std::uint64_t dataStart;
};

bool readChunkHeader(std::FILE* f, std::uint64_t at, Chunk& c) {
    std::uint8_t b[8];
    if (fseeko(f, static_cast<off_t>(at), SEEK_SET) != 0) return false;
    if (std::fread(b, 1, 8, f) != 8) return false;
    std::memcpy(c.id, b, 4);
    c.size = getLe32(b + 4);
    c.dataStart = at + 8;
    return true;
}

// Searches [from, end) for a chunk with `id`; chunks are padded to even lengths.
bool findChunk(std::FILE* f, std::uint64_t from, std::uint64_t end, const char* id, Chunk& out) {
    std::uint64_t at = from;
    while (at + 8 <= end) {
        Chunk c;
        if (!readChunkHeader(f, at, c)) return false;
        if (std::memcmp(c.id, id, 4) == 0) {
            out = c;
            return true;
        }
        at = c.dataStart + c.size + (c.size & 1u);
    }
    return false;
}

std::uint64_t fileSize(std::FILE* f) {
    if (fseeko(f, 0, SEEK_END) != 0) return 0;
    off_t n = ftello(f);
    return n < 0 ? 0 : static_cast<std::uint64_t>(n);
}

}  // namespace

WaveScan scanWaveFile(const std::string& path) {
    WaveScan scan;
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) {
        scan.error = WaveReadError::CannotOpen;
        return scan;
    }
    const std::uint64_t size = fileSize(f.get());
    Chunk riff;
    if (!findChunk(f.get(), 0, size, "RIFF", riff) || riff.dataStart + 4 > size) {
        scan.error = WaveReadError::NoRiff;
        return scan;
    }
    // Subchunks lie after the form type, inside the RIFF chunk and the file.
    const std::uint64_t riffEnd = std::min<std::uint64_t>(riff.dataStart + riff.size, size);
    Chunk fmt;
    if (!findChunk(f.get(), riff.dataStart + 4, riffEnd, "fmt ", fmt)) {
        scan.error = WaveReadError::NoFormat;
        return scan;
    }
    std::uint8_t rec[WaveFormat::kRecordSize] = {};
    std::uint64_t fmtAvailable = fmt.dataStart < size ? size - fmt.dataStart : 0;
    std::size_t want = std::min<std::uint64_t>({fmt.size, WaveFormat::kRecordSize, fmtAvailable});
    fseeko(f.get(), static_cast<off_t>(fmt.dataStart), SEEK_SET);
    std::size_t got = std::fread(rec, 1, want, f.get());
    scan.chunks.format = WaveFormat::fromBytes(rec, got);
    Chunk data;
    const std::uint64_t afterFmt = fmt.dataStart + fmt.size + (fmt.size & 1u);
    if (!findChunk(f.get(), afterFmt, riffEnd, "data", data)) {
        scan.error = WaveReadError::NoData;
        return scan;
    }
    scan.chunks.dataOffset = data.dataStart;
    scan.chunks.dataDeclared = data.size;
    std::uint64_t available = data.dataStart < size ? size - data.dataStart : 0;
    scan.chunks.dataAvailable = static_cast<std::uint32_t>(std::min<std::uint64_t>(available, data.size));
    return scan;
}

std::optional<std::vector<std::uint8_t>> readWaveData(const std::string& path, const WaveChunks& chunks) {
    File f(std::fopen(path.c_str(), "rb"));
    if (!f) return std::nullopt;
    std::vector<std::uint8_t> bytes(chunks.dataAvailable);
    if (fseeko(f.get(), static_cast<off_t>(chunks.dataOffset), SEEK_SET) != 0) return std::nullopt;
    std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), f.get());
    bytes.resize(got);
    return bytes;
}

}  // namespace tqx

#include "platform/wave_reader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/byte_order.h"

namespace tqx {

namespace {

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

// KSDATAFORMAT_SUBTYPE_PCM, at byte 24 of an extensible record.
constexpr std::uint8_t kPcmSubFormat[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                            0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::uint16_t kExtensibleTag = 0xFFFE;
constexpr std::uint32_t kExtensibleRecordBytes = 40;
constexpr std::uint32_t kSubFormatAt = 24;

bool extensiblePcm(std::FILE* f, const Chunk& fmt, std::uint64_t size, const WaveFormat& format) {
    if (format.formatTag != kExtensibleTag || fmt.size < kExtensibleRecordBytes) return false;
    if (fmt.dataStart + kExtensibleRecordBytes > size) return false;
    std::uint8_t guid[16];
    if (fseeko(f, static_cast<off_t>(fmt.dataStart + kSubFormatAt), SEEK_SET) != 0) return false;
    return std::fread(guid, 1, 16, f) == 16 && std::memcmp(guid, kPcmSubFormat, 16) == 0;
}

}  // namespace

WaveScan scanWaveFile(const std::string& path) {
    RegularFile opened = openRegularFile(path);
    if (!opened.file) {
        WaveScan scan;
        scan.kind = opened.kind;
        const bool other = opened.kind != FileKind::Regular && opened.kind != FileKind::Missing;
        scan.error = other ? WaveReadError::NotRegular : WaveReadError::CannotOpen;
        return scan;
    }
    WaveScan scan = scanWave(opened.file.get(), opened.size);
    scan.kind = FileKind::Regular;
    return scan;
}

WaveScan scanWave(std::FILE* file, std::uint64_t size) {
    WaveScan scan;
    Chunk riff;
    if (!findChunk(file, 0, size, "RIFF", riff) || riff.dataStart + 4 > size) {
        scan.error = WaveReadError::NoRiff;
        return scan;
    }
    // Subchunks lie after the form type, inside the RIFF chunk and the file.
    const std::uint64_t riffEnd = std::min<std::uint64_t>(riff.dataStart + riff.size, size);
    Chunk fmt;
    if (!findChunk(file, riff.dataStart + 4, riffEnd, "fmt ", fmt)) {
        scan.error = WaveReadError::NoFormat;
        return scan;
    }
    std::uint8_t rec[WaveFormat::kRecordSize] = {};
    std::uint64_t fmtAvailable = fmt.dataStart < size ? size - fmt.dataStart : 0;
    std::size_t want = std::min<std::uint64_t>({fmt.size, WaveFormat::kRecordSize, fmtAvailable});
    fseeko(file, static_cast<off_t>(fmt.dataStart), SEEK_SET);
    std::size_t got = std::fread(rec, 1, want, file);
    scan.chunks.format = WaveFormat::fromBytes(rec, got);
    scan.chunks.extensiblePcm = extensiblePcm(file, fmt, size, scan.chunks.format);
    Chunk data;
    const std::uint64_t afterFmt = fmt.dataStart + fmt.size + (fmt.size & 1u);
    if (!findChunk(file, afterFmt, riffEnd, "data", data)) {
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
    RegularFile opened = openRegularFile(path);
    if (!opened.file) return std::nullopt;
    return readWaveData(opened.file.get(), chunks);
}

std::vector<std::uint8_t> readWaveData(std::FILE* file, const WaveChunks& chunks) {
    if (fseeko(file, static_cast<off_t>(chunks.dataOffset), SEEK_SET) != 0) return {};
    std::vector<std::uint8_t> bytes(chunks.dataAvailable);
    std::size_t got = bytes.empty() ? 0 : std::fread(bytes.data(), 1, bytes.size(), file);
    bytes.resize(got);
    return bytes;
}

}  // namespace tqx

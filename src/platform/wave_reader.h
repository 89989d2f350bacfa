#pragma once
// Finds the "fmt " and "data" chunks of a RIFF file, the way the wave file services
// search: the RIFF chunk (any form type), then "fmt ", then "data" after it.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/regular_file.h"
#include "platform/wave_format.h"

namespace tqx {

struct WaveChunks {
    WaveFormat format;  // the first (at most 18) bytes of "fmt ", rest zero
    // WAVE_FORMAT_EXTENSIBLE: the record's whole 40-byte form names PCM as its sub-format.
    bool extensiblePcm = false;
    std::uint64_t dataOffset = 0;     // file offset of the data chunk's bytes
    std::uint32_t dataDeclared = 0;   // size field of the data chunk
    std::uint32_t dataAvailable = 0;  // what the file really holds of it
};

enum class WaveReadError { None, CannotOpen, NotRegular, NoRiff, NoFormat, NoData };

struct WaveScan {
    WaveReadError error = WaveReadError::None;
    FileKind kind = FileKind::Missing;  // what the path names; NotRegular tells which
    WaveChunks chunks;
};

// Looks at the file's chunk structure; never reads past the file's end. Only a regular file
// is opened (a FIFO or device is refused at once).
WaveScan scanWaveFile(const std::string& path);
// The same on an open file of `size` bytes.
WaveScan scanWave(std::FILE* file, std::uint64_t size);

// Reads the data chunk's bytes that the file really holds (a short file gives fewer).
std::optional<std::vector<std::uint8_t>> readWaveData(const std::string& path, const WaveChunks& chunks);
std::vector<std::uint8_t> readWaveData(std::FILE* file, const WaveChunks& chunks);

}  // namespace tqx

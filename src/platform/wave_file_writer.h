#pragma once
// Writes the recorder's WAVE layout: "RIFF" size "WAVE", an 18-byte "fmt " chunk, then a
// "data" chunk that grows as buffers arrive (a 46-byte header). The two size fields are kept
// current after every write, so a file cut short by a crash is still a valid WAVE file.
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/wave_format.h"

namespace tqx {

class WaveFileWriter {
public:
    // Result codes of the wave file services, which callers report as they are.
    static constexpr int kOk = 0;
    static constexpr int kFileNotFound = 257;  // empty name
    static constexpr int kCannotOpen = 259;    // a file is already open
    static constexpr int kCannotWrite = 262;
    static constexpr int kCannotCreate = 256;  // the file could not be created
    static constexpr std::uint32_t kHeaderBytes = 46;

    WaveFileWriter() = default;
    ~WaveFileWriter();
    WaveFileWriter(const WaveFileWriter&) = delete;
    WaveFileWriter& operator=(const WaveFileWriter&) = delete;

    // Creates (truncating) the file and writes the header of an empty take (data size 0).
    int create(const std::string& path, const WaveFormat& format);
    // Appends bytes to the data chunk; returns how many reached the file. When not all of them
    // did, the data is cut back to whole frames.
    std::uint32_t append(const std::uint8_t* bytes, std::uint32_t count);
    // Pads an odd data chunk, writes the final sizes, flushes and closes; 0 on success.
    int close();
    bool isOpen() const { return fd_ >= 0; }
    std::uint32_t dataBytes() const { return dataBytes_; }

private:
    bool writeSizes(std::uint32_t riffSize);
    int fd_ = -1;
    std::uint32_t dataBytes_ = 0;
    std::uint16_t blockAlign_ = 0;
    std::chrono::steady_clock::time_point lastSync_{};
};

}  // namespace tqx

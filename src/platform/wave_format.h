#pragma once
// The 18-byte format record (WAVEFORMATEX layout) shared by devices, clips and files.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tqx {

struct WaveFormat {
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::uint16_t extraSize = 0;

    static constexpr std::size_t kRecordSize = 18;
    static constexpr std::uint16_t kPcm = 1;

    // 16-bit PCM with the derived fields filled in.
    static WaveFormat pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits = 16);

    // Little-endian packed bytes, exactly as stored in a "fmt " chunk.
    std::array<std::uint8_t, kRecordSize> toBytes() const;
    // Reads up to 18 bytes; missing trailing fields stay 0.
    static WaveFormat fromBytes(const std::uint8_t* bytes, std::size_t count);

    bool operator==(const WaveFormat&) const = default;
};

}  // namespace tqx

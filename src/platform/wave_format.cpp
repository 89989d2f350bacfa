#include "platform/wave_format.h"

#include "platform/byte_order.h"

namespace tqx {

WaveFormat WaveFormat::pcm(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    WaveFormat f;
    f.formatTag = kPcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.blockAlign = static_cast<std::uint16_t>(channels * (bits / 8));
    f.avgBytesPerSec = f.blockAlign * rate;
    f.bitsPerSample = bits;
    f.extraSize = 0;
    return f;
}

std::array<std::uint8_t, WaveFormat::kRecordSize> WaveFormat::toBytes() const {
    std::array<std::uint8_t, kRecordSize> b{};
    putLe16(&b[0], formatTag);
    putLe16(&b[2], channels);
    putLe32(&b[4], samplesPerSec);
    putLe32(&b[8], avgBytesPerSec);
    putLe16(&b[12], blockAlign);
    putLe16(&b[14], bitsPerSample);
    putLe16(&b[16], extraSize);
    return b;
}

WaveFormat WaveFormat::fromBytes(const std::uint8_t* bytes, std::size_t count) {
    std::array<std::uint8_t, kRecordSize> b{};
    for (std::size_t i = 0; i < count && i < kRecordSize; ++i) b[i] = bytes[i];
    WaveFormat f;
    f.formatTag = getLe16(&b[0]);
    f.channels = getLe16(&b[2]);
    f.samplesPerSec = getLe32(&b[4]);
    f.avgBytesPerSec = getLe32(&b[8]);
    f.blockAlign = getLe16(&b[12]);
    f.bitsPerSample = getLe16(&b[14]);
    f.extraSize = getLe16(&b[16]);
    return f;
}

}  // namespace tqx

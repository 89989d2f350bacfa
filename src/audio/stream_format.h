#pragma once
// Which formats the device layer's streams take. Every clip and every recording is 16-bit
// PCM with one or two channels, so that is all a stream accepts; anything else is refused at
// open, the way a wave device refuses a format it cannot play.
#include "platform/wave_format.h"

namespace tqx {

inline constexpr std::uint32_t kLowestStreamRate = 1000;
inline constexpr std::uint32_t kHighestStreamRate = 384000;

inline bool isStreamFormat(const WaveFormat& f) {
    return f.formatTag == WaveFormat::kPcm && f.bitsPerSample == 16 && (f.channels == 1 || f.channels == 2) &&
           f.blockAlign == f.channels * 2 && f.samplesPerSec >= kLowestStreamRate &&
           f.samplesPerSec <= kHighestStreamRate;
}

// Bytes of a block that hold whole frames: a trailing partial frame is never played or filled.
inline std::uint32_t wholeFrameBytes(std::uint32_t bufferLength, std::uint32_t frameBytes) {
    return bufferLength / frameBytes * frameBytes;
}

}  // namespace tqx

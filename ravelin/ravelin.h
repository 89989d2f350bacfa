#pragma once
// Converts one block of interleaved integer PCM between widths, rates and channel counts.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RAVELIN_EXPORT __attribute__((visibility("default")))

RAVELIN_EXPORT uint8_t* WaveConvert(uint16_t srcBits, uint32_t srcRate, uint16_t srcChannels,
                                    const uint8_t* data, uint32_t length, uint16_t dstBits,
                                    uint32_t dstRate, uint16_t dstChannels, uint32_t* outLength);
RAVELIN_EXPORT bool WaveConvertOut(uint16_t srcBits, uint32_t srcRate, uint16_t srcChannels,
                                   const uint8_t* data, uint32_t length, uint16_t dstBits,
                                   uint32_t dstRate, uint16_t dstChannels, const char* path);
RAVELIN_EXPORT void ConvertFinish(void);

#ifdef __cplusplus
}
#endif

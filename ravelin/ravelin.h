#pragma once
// Converts one block of interleaved integer PCM between widths, rates and channel counts.
//
// The library owns every block it returns. It keeps one conversion buffer: each WaveConvert or
// WaveConvertOut replaces it (a caller may pass the previous result back in as input), and
// ConvertFinish or unloading the library releases it. A caller copies the result before its
// next call, ConvertFinish or unloading, and never frees it. Calls take turns on a lock, so the
// buffer is sound from any thread, but a result is only good until the next call by anyone.
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define RAVELIN_EXPORT __attribute__((visibility("default")))

// The converted block (owned by the library, see above) and its length in *outLength; null
// when the conversion failed (an empty input gives a non-null block of length 0).
RAVELIN_EXPORT uint8_t* WaveConvert(uint16_t srcBits, uint32_t srcRate, uint16_t srcChannels, const uint8_t* data,
                                    uint32_t length, uint16_t dstBits, uint32_t dstRate, uint16_t dstChannels,
                                    uint32_t* outLength);
// Converts as WaveConvert and writes the result as a canonical 44-byte-header WAVE file at
// `path`; true only when every byte reached the file. No file is made when the conversion fails.
RAVELIN_EXPORT bool WaveConvertOut(uint16_t srcBits, uint32_t srcRate, uint16_t srcChannels, const uint8_t* data,
                                   uint32_t length, uint16_t dstBits, uint32_t dstRate, uint16_t dstChannels,
                                   const char* path);
// Releases the conversion buffer: every block returned so far is gone.
RAVELIN_EXPORT void ConvertFinish(void);

#ifdef __cplusplus
}
#endif

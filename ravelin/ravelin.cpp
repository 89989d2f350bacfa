#include "ravelin.h"

// Placeholder until the converter lands.
uint8_t* WaveConvert(uint16_t, uint32_t, uint16_t, const uint8_t*, uint32_t, uint16_t, uint32_t,
                     uint16_t, uint32_t* outLength) {
    if (outLength) *outLength = 0;
    return nullptr;
}
bool WaveConvertOut(uint16_t, uint32_t, uint16_t, const uint8_t*, uint32_t, uint16_t, uint32_t,
                    uint16_t, const char*) {
    return false;
}
void ConvertFinish(void) {}

#pragma once
// The three stages of a conversion: width, then rate, then channels. Each stage reads one
// block and fills a second one of the length its *Length function gives, every byte of it:
// bytes the stage does not convert (a partial sample or frame at the end, or a whole block
// of a format it does not handle) are zero.
#include <cstddef>
#include <cstdint>

namespace ravelin {

// Largest length a block may have; the interface reports lengths as 32-bit counts.
inline constexpr std::uint64_t kMaxBlockLength = UINT32_MAX;

bool isSupportedWidth(std::uint16_t bits);

// ⌊length × dstBits ÷ srcBits⌋; 0 when srcBits is 0.
std::uint64_t widthLength(std::uint64_t length, std::uint16_t srcBits, std::uint16_t dstBits);
void convertWidth(const std::uint8_t* in, std::uint64_t inLength, std::uint16_t srcBits, std::uint16_t dstBits,
                  std::uint8_t* out, std::uint64_t outLength);

// ⌊length × dstRate ÷ srcRate⌋; 0 when srcRate is 0.
std::uint64_t rateLength(std::uint64_t length, std::uint32_t srcRate, std::uint32_t dstRate);
void convertRate(const std::uint8_t* in, std::uint64_t inLength, std::uint16_t bits, std::uint16_t channels,
                 std::uint32_t srcRate, std::uint32_t dstRate, std::uint8_t* out, std::uint64_t outLength);

// ⌊length × dstChannels ÷ srcChannels⌋; 0 when srcChannels is 0.
std::uint64_t channelLength(std::uint64_t length, std::uint16_t srcChannels, std::uint16_t dstChannels);
void convertChannels(const std::uint8_t* in, std::uint64_t inLength, std::uint16_t bits, std::uint16_t srcChannels,
                     std::uint16_t dstChannels, std::uint8_t* out, std::uint64_t outLength);

}  // namespace ravelin

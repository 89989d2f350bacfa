// The converter library's entry points on any request: the first bytes choose the widths,
// rates and channel counts and which entry point runs, the rest is the PCM block. The result
// has the length the stages define, stays readable until the next call, and a previous result
// can be handed back in as the input.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ravelin.h"

namespace {

// The converter allocates what it is asked for; callers bound it. So does this harness.
constexpr std::uint64_t kMaxResultBytes = std::uint64_t{1} << 20;

struct Shape {
    std::uint16_t bits;
    std::uint32_t rate;
    std::uint16_t channels;
};

constexpr std::uint16_t kWidths[] = {8, 16, 24, 32, 0, 12};
constexpr std::uint32_t kRates[] = {44100, 48000, 22050, 8000, 1, 384000, 0, 11025};

Shape shapeOf(std::uint8_t choice, std::uint8_t rateChoice) {
    return {kWidths[choice % 6], kRates[rateChoice % 8], static_cast<std::uint16_t>(1 + (choice >> 4) % 3)};
}

std::uint64_t scaled(std::uint64_t length, std::uint64_t to, std::uint64_t from) {
    return from == 0 ? 0 : length * to / from;
}

// The length each stage gives, in order: width, rate, channels.
std::uint64_t expectedLength(std::uint64_t length, Shape from, Shape to) {
    if (from.bits != to.bits) length = scaled(length, to.bits, from.bits);
    if (from.rate != to.rate) length = scaled(length, to.rate, from.rate);
    if (from.channels != to.channels) length = scaled(length, to.channels, from.channels);
    return length;
}

void check(const std::uint8_t* result, std::uint32_t length, std::uint64_t expected) {
    if (result == nullptr || length != expected) std::abort();
    volatile std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i < length; ++i) sum = sum + result[i];  // every byte is there to read
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) return 0;
    const Shape from = shapeOf(data[0], data[1]);
    const Shape to = shapeOf(data[2], data[3]);
    const std::uint8_t mode = data[4];
    const std::uint8_t* pcm = data + 5;
    const auto length = static_cast<std::uint32_t>(size - 5);
    const std::uint64_t expected = expectedLength(length, from, to);
    if (expected > kMaxResultBytes || expectedLength(expected, to, from) > kMaxResultBytes) return 0;

    std::uint32_t outLength = 0;
    if (mode & 1) {
        if (!WaveConvertOut(from.bits, from.rate, from.channels, pcm, length, to.bits, to.rate, to.channels,
                            "/dev/null"))
            std::abort();
    }
    const std::uint8_t* out =
        WaveConvert(from.bits, from.rate, from.channels, pcm, length, to.bits, to.rate, to.channels, &outLength);
    check(out, outLength, expected);
    if (mode & 2) {
        // The previous result as the input of the next conversion, back again.
        const std::uint8_t* back =
            WaveConvert(to.bits, to.rate, to.channels, out, outLength, from.bits, from.rate, from.channels, &outLength);
        check(back, outLength, expectedLength(expected, to, from));
    }
    if (mode & 4) ConvertFinish();
    return 0;
}

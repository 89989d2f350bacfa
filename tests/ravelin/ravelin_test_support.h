#pragma once
// The converter library as the program sees it: loaded from the directory of the test
// program (libRavelin.so is built beside it) and called through its exported names.
#include <cstdint>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>
#include <vector>

#include "io/ravelin_client.h"
#include "platform/shared_library.h"

namespace tqx::test {

using WaveConvertFn = std::uint8_t* (*)(std::uint16_t, std::uint32_t, std::uint16_t, const std::uint8_t*, std::uint32_t,
                                        std::uint16_t, std::uint32_t, std::uint16_t, std::uint32_t*);
using WaveConvertOutFn = bool (*)(std::uint16_t, std::uint32_t, std::uint16_t, const std::uint8_t*, std::uint32_t,
                                  std::uint16_t, std::uint32_t, std::uint16_t, const char*);
using ConvertFinishFn = void (*)();

class RavelinTest : public ::testing::Test {
protected:
    void SetUp() override {
        library_ = SharedLibrary::loadFromProgramDirectory(kRavelinLibraryFile);
        ASSERT_TRUE(library_) << "libRavelin.so is not beside the test program";
        waveConvert = library_->function<WaveConvertFn>("WaveConvert");
        waveConvertOut = library_->function<WaveConvertOutFn>("WaveConvertOut");
        convertFinish = library_->function<ConvertFinishFn>("ConvertFinish");
        ASSERT_TRUE(waveConvert && waveConvertOut && convertFinish);
    }
    void TearDown() override {
        if (convertFinish) convertFinish();
    }

    // Raw call: the library's pointer and length.
    std::uint8_t* call(PcmShape from, const std::vector<std::uint8_t>& in, PcmShape to, std::uint32_t* length) {
        return waveConvert(from.bits, from.rate, from.channels, in.data(), static_cast<std::uint32_t>(in.size()),
                           to.bits, to.rate, to.channels, length);
    }
    // The converted bytes; fails the test when the library returns nothing.
    std::vector<std::uint8_t> convert(PcmShape from, const std::vector<std::uint8_t>& in, PcmShape to) {
        std::uint32_t length = 0xDEADBEEF;
        const std::uint8_t* out = call(from, in, to, &length);
        EXPECT_NE(out, nullptr);
        if (!out) return {};
        return {out, out + length};
    }

    WaveConvertFn waveConvert = nullptr;
    WaveConvertOutFn waveConvertOut = nullptr;
    ConvertFinishFn convertFinish = nullptr;

private:
    std::optional<SharedLibrary> library_;
};

// Samples of `bits` width, little-endian, each stored as its low bits.
inline std::vector<std::uint8_t> pack(unsigned bits, const std::vector<std::int64_t>& samples) {
    std::vector<std::uint8_t> out;
    for (std::int64_t s : samples)
        for (unsigned b = 0; b < bits / 8; ++b)
            out.push_back(static_cast<std::uint8_t>(static_cast<std::uint64_t>(s) >> (8 * b)));
    return out;
}

// Whole samples of `bits` width; 8-bit samples are unsigned, wider ones signed.
inline std::vector<std::int64_t> unpack(unsigned bits, const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int64_t> out;
    const unsigned n = bits / 8;
    for (std::size_t i = 0; i + n <= bytes.size(); i += n) {
        std::uint64_t u = 0;
        for (unsigned b = 0; b < n; ++b) u |= std::uint64_t{bytes[i + b]} << (8 * b);
        if (bits > 8 && (u >> (bits - 1)) != 0) u |= ~std::uint64_t{0} << bits;
        out.push_back(static_cast<std::int64_t>(u));
    }
    return out;
}

}  // namespace tqx::test

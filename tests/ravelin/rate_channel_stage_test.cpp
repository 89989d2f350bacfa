// Sampling-rate and channel conversion: which frames are kept or repeated, how stereo is
// mixed down at each width, and the bytes past the last whole frame.
#include <algorithm>

#include "ravelin_test_support.h"

namespace tqx::test {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Samples = std::vector<std::int64_t>;

TEST_F(RavelinTest, HalvingTheRateKeepsEveryOtherFrameAndDoublingRepeatsEach) {
    EXPECT_EQ(unpack(16, convert({16, 44100, 1}, pack(16, {10, 11, 12, -13, 14, 15}), {16, 22050, 1})),
              (Samples{10, 12, 14}));
    EXPECT_EQ(unpack(16, convert({16, 22050, 1}, pack(16, {1, -2, 3}), {16, 44100, 1})), (Samples{1, 1, -2, -2, 3, 3}));
    // Two stereo frames to 48 kHz: still 8 bytes, both from frame 0 (1 × 0.91875 → 0).
    EXPECT_EQ(unpack(16, convert({16, 44100, 2}, pack(16, {1, 2, 3, 4}), {16, 48000, 2})), (Samples{1, 2, 1, 2}));
}

TEST_F(RavelinTest, FortyEightToFortyFourPointOneDropsFramesByTheExactRatio) {
    Samples in;
    for (int i = 0; i < 960; ++i) {
        in.push_back(i);
        in.push_back(-i);
    }
    auto out = unpack(16, convert({16, 48000, 2}, pack(16, in), {16, 44100, 2}));
    ASSERT_EQ(out.size(), 882u * 2);
    // Output frame j is source frame ⌊j × 480 ÷ 441⌋.
    for (auto [j, source] : {std::pair{0, 0}, {1, 1}, {440, 478}, {441, 480}, {881, 958}}) {
        EXPECT_EQ(out[2 * j], source) << "frame " << j;
        EXPECT_EQ(out[2 * j + 1], -source) << "frame " << j;
    }
}

TEST_F(RavelinTest, FrameIndexStaysExactWhenRatesAreNearTheTopOfTheirRange) {
    Bytes in(100);
    for (int i = 0; i < 100; ++i) in[i] = static_cast<std::uint8_t>(i);
    // j × 3,000,000,000 passes 32 bits from the second frame on.
    auto down = convert({8, 3000000000u, 1}, in, {8, 2999999999u, 1});
    EXPECT_EQ(down, Bytes(in.begin(), in.begin() + 99));
    auto up = convert({8, 2999999999u, 1}, in, {8, 3000000000u, 1});
    Bytes expected = {0};
    expected.insert(expected.end(), in.begin(), in.begin() + 99);
    EXPECT_EQ(up, expected);
}

Bytes noise(std::size_t n, std::uint32_t seed) {
    Bytes v(n);
    for (auto& b : v) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return v;
}

// Frame j of the result is frame ⌊j × from ÷ to⌋ of the source, frame by frame.
Bytes pickedFrames(const Bytes& in, unsigned frame, std::uint64_t from, std::uint64_t to) {
    Bytes out(in.size() * to / from, 0);
    const std::uint64_t whole = out.size() / frame;
    for (std::uint64_t j = 0; j < whole; ++j) {
        const std::uint64_t source = std::min<std::uint64_t>(j * from / to, in.size() / frame - 1);
        std::copy_n(in.begin() + source * frame, frame, out.begin() + j * frame);
    }
    return out;
}

TEST_F(RavelinTest, LongBlocksAndLongRatePeriodsFollowTheSameFrameRule) {
    // Megabytes of 16-bit stereo take the streaming path, a 44,101 Hz period is too long to
    // tabulate, and a second large result lands in the block of the first.
    const Bytes big = noise(1500002, 7);  // not a whole number of frames
    EXPECT_EQ(convert({16, 48000, 2}, big, {16, 44100, 2}), pickedFrames(big, 4, 48000, 44100));
    const Bytes other = noise(1400001, 9);
    EXPECT_EQ(convert({16, 48000, 2}, other, {16, 44100, 2}), pickedFrames(other, 4, 48000, 44100));
    EXPECT_EQ(convert({16, 44100, 2}, other, {16, 48000, 2}), pickedFrames(other, 4, 44100, 48000));
    const Bytes small = noise(20001, 3);
    EXPECT_EQ(convert({16, 44101, 1}, small, {16, 44100, 1}), pickedFrames(small, 2, 44101, 44100));
    EXPECT_EQ(convert({24, 32000, 2}, small, {24, 44101, 2}), pickedFrames(small, 6, 32000, 44101));

    Bytes doubled(2 * big.size(), 0);
    for (std::size_t i = 0; i + 1 < big.size(); i += 2) {
        std::copy_n(big.begin() + i, 2, doubled.begin() + 2 * i);
        std::copy_n(big.begin() + i, 2, doubled.begin() + 2 * i + 2);
    }
    EXPECT_EQ(convert({16, 44100, 1}, big, {16, 44100, 2}), doubled);
}

TEST_F(RavelinTest, RateStageFillsOnlyWholeFramesAndZeroesTheRest) {
    // 5 samples to half rate: 5 bytes, two whole frames and one zero byte.
    auto halved = convert({16, 44100, 1}, pack(16, {-1, 2, -3, 4, -5}), {16, 22050, 1});
    EXPECT_EQ(halved, (Bytes{0xFF, 0xFF, 0xFD, 0xFF, 0x00}));

    // Two whole frames and a stray byte, tripled: 15 bytes, 7 frames. The last one's index
    // (⌊6 ÷ 3⌋ = 2) is past the last whole frame and takes that frame.
    Bytes in = pack(16, {100, 200});
    in.push_back(0x77);
    auto tripled = convert({16, 1000, 1}, in, {16, 3000, 1});
    Bytes expected = pack(16, {100, 100, 100, 200, 200, 200, 200});
    expected.push_back(0);
    EXPECT_EQ(tripled, expected);

    // Less than one frame has nothing to repeat.
    EXPECT_EQ(convert({16, 22050, 2}, {1, 2, 3}, {16, 44100, 2}), Bytes(6, 0));

    // 24-bit stereo frames are 6 bytes: 18 bytes halved give one frame and 3 zero bytes.
    auto wide = convert({24, 48000, 2}, pack(24, {1, -1, 2, -2, 3, -3}), {24, 24000, 2});
    Bytes wideExpected = pack(24, {1, -1});
    wideExpected.resize(9, 0);
    EXPECT_EQ(wide, wideExpected);
}

TEST_F(RavelinTest, RateStageCopiesFramesOfEveryWidthWhole) {
    for (std::uint16_t bits : {8, 16, 24, 32}) {
        for (std::uint16_t channels : {1, 2}) {
            SCOPED_TRACE(testing::Message() << bits << " bits, " << channels << " channels");
            Samples in;
            for (int i = 0; i < 6 * channels; ++i) in.push_back(bits == 8 ? 40 + i : -1000 * i - 7);
            auto up = convert({bits, 11025, channels}, pack(bits, in), {bits, 22050, channels});
            ASSERT_EQ(up.size(), 2 * in.size() * bits / 8);
            // Doubling then halving gives the block back.
            EXPECT_EQ(unpack(bits, convert({bits, 22050, channels}, up, {bits, 11025, channels})), in);
        }
    }
    // A frame layout the stage does not handle comes out as zeros of the computed length.
    EXPECT_EQ(convert({16, 1000, 3}, Bytes(12, 9), {16, 2000, 3}), Bytes(24, 0));
}

TEST_F(RavelinTest, StereoMixesToMonoByTheRuleOfEachWidth) {
    // 8 bits: unsigned mean rounded down.
    EXPECT_EQ(convert({8, 8000, 2}, {255, 0, 3, 4, 255, 255}, {8, 8000, 1}), (Bytes{127, 3, 255}));
    // 16 bits: signed mean toward zero.
    EXPECT_EQ(unpack(16, convert({16, 8000, 2}, pack(16, {-3, 0, 3, 0, 32767, 32767, -32768, -32768, -32768, 32767}),
                                 {16, 8000, 1})),
              (Samples{-1, 1, 32767, -32768, 0}));
    // 24 bits: bits 8 to 31 of the single-precision mix, i.e. rounded down.
    EXPECT_EQ(unpack(24, convert({24, 8000, 2}, pack(24, {-3, 0, 3, 0, -8388608, -8388608, 8388607, 8388607, 5, -8}),
                                 {24, 8000, 1})),
              (Samples{-2, 1, -8388608, 8388607, -2}));
    // 32 bits: the single-precision mix toward zero; full scale reaches 2^31 and is held below.
    EXPECT_EQ(unpack(32, convert({32, 8000, 2},
                                 pack(32, {2147483647, 2147483647, 1000, 0, -3, 0, 1073742079, 1073742079,
                                           -2147483648LL, -2147483648LL}),
                                 {32, 8000, 1})),
              (Samples{2147483647, 500, -1, 1073742080, -2147483648LL}));
}

TEST_F(RavelinTest, MonoDoublesToStereoAtEveryWidthAndSixteenBitsComeBack) {
    for (std::uint16_t bits : {8, 16, 24, 32}) {
        SCOPED_TRACE(bits);
        Samples in = bits == 8 ? Samples{0, 127, 255} : Samples{-5, 0, 77};
        auto out = convert({bits, 44100, 1}, pack(bits, in), {bits, 44100, 2});
        EXPECT_EQ(unpack(bits, out), (Samples{in[0], in[0], in[1], in[1], in[2], in[2]}));
    }
    const Bytes mono = pack(16, {-32768, -1, 0, 1, 32767, 1234});
    auto stereo = convert({16, 44100, 1}, mono, {16, 44100, 2});
    EXPECT_EQ(convert({16, 44100, 2}, stereo, {16, 44100, 1}), mono);
}

TEST_F(RavelinTest, ChannelStageZeroesAPartialSampleOrFrame) {
    // 5 bytes of 16-bit mono: two samples doubled into 8 of the 10 bytes.
    auto doubled = convert({16, 8000, 1}, {1, 0, 2, 0, 9}, {16, 8000, 2});
    EXPECT_EQ(doubled, (Bytes{1, 0, 1, 0, 2, 0, 2, 0, 0, 0}));
    // 6 bytes of 16-bit stereo: one frame mixed into 2 of the 3 bytes.
    auto mixed = convert({16, 8000, 2}, pack(16, {4, 6, 7}), {16, 8000, 1});
    EXPECT_EQ(mixed, (Bytes{5, 0, 0}));
    // A pair other than mono and stereo: zeros of the computed length.
    EXPECT_EQ(convert({16, 8000, 1}, Bytes(4, 7), {16, 8000, 3}), Bytes(12, 0));
    EXPECT_TRUE(convert({16, 8000, 0}, Bytes(4, 7), {16, 8000, 2}).empty());
}

TEST_F(RavelinTest, OneCallRunsWidthThenRateThenChannels) {
    // 7 bytes of 16-bit mono: width first leaves 3 whole 8-bit samples to double and spread.
    Bytes in = pack(16, {256, 512, -256});
    in.push_back(0x40);
    auto out = convert({16, 22050, 1}, in, {8, 44100, 2});
    EXPECT_EQ(out, (Bytes{128, 128, 128, 128, 129, 129, 129, 129, 126, 126, 126, 126}));
}

}  // namespace
}  // namespace tqx::test

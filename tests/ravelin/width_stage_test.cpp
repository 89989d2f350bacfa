// Sample width conversion: the values of every width pair, the limits at full scale, and the
// bytes of a block that does not end on a whole sample.
#include <algorithm>

#include "ravelin_test_support.h"

namespace tqx::test {
namespace {

struct WidthCase {
    std::uint16_t from;
    std::uint16_t to;
    std::vector<std::int64_t> in;
    std::vector<std::int64_t> out;
};

// Worked by hand from the conversion rules. 24- and 32-bit sources are converted from their
// unsigned reading, so negative samples take the single-precision rounding of large values.
const std::vector<WidthCase> kWidthTable = {
    {16,
     8,
     {0, 256, -256, 32767, -32768, -32600, -32512, -32256},  //
     {127, 128, 126, 254, 0, 0, 0, 1}},
    {16, 24, {-2, 32767, -32768, 1}, {-512, 8388352, -8388608, 256}},
    {16, 32, {-32768, 32767, -1, 0}, {-2147483648LL, 2147418112, -65536, 0}},
    {24,
     8,
     {0, 0x7FFFFF, -1, -8388608, -8323073, -8323072, -6553600, 65536},  //
     {127, 254, 126, 0, 0, 0, 27, 128}},
    {24,
     16,
     {-1, 255, 256, -256, -257, 0x7FFFFF, -8388608, 0},  //
     {-1, 0, 1, -1, -2, 32767, -32768, 0}},
    {24, 32, {-1, 0x7FFFFF, -8388608, 1}, {-256, 2147483392, -2147483648LL, 256}},
    {32,
     8,
     {0, 16777216, -1, -16777216, 2147483647, -2147483648LL, 8388608, -8388608},  //
     {127, 128, 127, 126, 255, 0, 127, 126}},
    // 2147418111 rounds up to 2^31 − 2^16 in single precision before it is scaled.
    {32,
     16,
     {-98304, 65536, -65536, -1, 2147483647, 2147483583, 2147418111, 65636},  //
     {-2, 1, -1, 0, 32767, 32767, 32767, 1}},
    {32, 24, {256, -256, -1, 2147483647, 1000, -1000}, {1, -1, 0, 8388607, 3, -4}},
    {8, 16, {127, 0, 255, 128, 200, 1}, {0, -32512, 32767, 256, 18688, -32256}},
    {8, 24, {0, 255, 128, 127}, {-8323072, 8388607, 65536, 0}},
    {8, 32, {0, 255, 126, 127}, {-2130706432, 2147483647, -16777216, 0}},
};

std::vector<std::int64_t> reversed(std::vector<std::int64_t> v) {
    std::reverse(v.begin(), v.end());
    return v;
}

std::vector<std::int64_t> interleave(const std::vector<std::int64_t>& left, const std::vector<std::int64_t>& right) {
    std::vector<std::int64_t> out;
    for (std::size_t i = 0; i < left.size(); ++i) {
        out.push_back(left[i]);
        out.push_back(right[i]);
    }
    return out;
}

TEST_F(RavelinTest, EveryWidthPairConvertsMonoSamples) {
    for (const WidthCase& c : kWidthTable) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to << " bits");
        auto out = convert({c.from, 44100, 1}, pack(c.from, c.in), {c.to, 44100, 1});
        EXPECT_EQ(out.size(), c.in.size() * c.to / 8);
        EXPECT_EQ(unpack(c.to, out), c.out);
    }
}

TEST_F(RavelinTest, EveryWidthPairConvertsStereoFramesSampleBySample) {
    for (const WidthCase& c : kWidthTable) {
        SCOPED_TRACE(testing::Message() << c.from << " to " << c.to << " bits");
        auto in = interleave(c.in, reversed(c.in));
        auto out = convert({c.from, 48000, 2}, pack(c.from, in), {c.to, 48000, 2});
        EXPECT_EQ(unpack(c.to, out), interleave(c.out, reversed(c.out)));
    }
}

TEST_F(RavelinTest, WidenedSixteenBitSamplesComeBackUnchanged) {
    const std::vector<std::int64_t> samples = {0, 1, -1, 12345, -12345, 32767, -32768, 255, -256};
    const auto in = pack(16, samples);
    for (std::uint16_t wide : {24, 32}) {
        SCOPED_TRACE(wide);
        auto widened = convert({16, 44100, 2}, in, {wide, 44100, 2});
        auto back = convert({wide, 44100, 2}, widened, {16, 44100, 2});
        EXPECT_EQ(back, in);
    }
}

TEST_F(RavelinTest, PartialSampleAtTheEndOfABlockBecomesZeroBytes) {
    // 5 bytes of 16-bit data: two whole samples and one stray byte.
    const std::vector<std::uint8_t> in = {0x01, 0x02, 0xFF, 0xFF, 0x7F};
    auto to24 = convert({16, 44100, 1}, in, {24, 44100, 1});
    EXPECT_EQ(to24, (std::vector<std::uint8_t>{0x00, 0x01, 0x02, 0x00, 0xFF, 0xFF, 0x00}));

    // 7 bytes of 24-bit data: two whole samples fill the ⌊7 × 16 ÷ 24⌋ = 4 and ⌊7 × 8 ÷ 24⌋ = 2
    // bytes of the narrower results; the stray byte is dropped.
    const std::vector<std::uint8_t> in24 = {0x00, 0x00, 0x01, 0x00, 0x00, 0xFF, 0x55};
    auto to16 = convert({24, 44100, 1}, in24, {16, 44100, 1});
    EXPECT_EQ(to16, (std::vector<std::uint8_t>{0x00, 0x01, 0x00, 0xFF}));
    auto to8 = convert({24, 44100, 1}, in24, {8, 44100, 1});
    EXPECT_EQ(to8, (std::vector<std::uint8_t>{128, 126}));

    // 3 bytes of 32-bit data hold no whole sample: ⌊3 × 16 ÷ 32⌋ = 1 zero byte.
    auto to16from32 = convert({32, 44100, 1}, {0xFF, 0xFF, 0xFF}, {16, 44100, 1});
    EXPECT_EQ(to16from32, (std::vector<std::uint8_t>{0x00}));
}

TEST_F(RavelinTest, UnsupportedWidthGivesZeroBytesOfTheComputedLength) {
    const std::vector<std::uint8_t> in = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(convert({16, 44100, 1}, in, {12, 44100, 1}), std::vector<std::uint8_t>(6, 0));
    EXPECT_EQ(convert({20, 44100, 1}, in, {16, 44100, 1}), std::vector<std::uint8_t>(6, 0));
    // A width of zero bits has no length to scale from.
    EXPECT_TRUE(convert({0, 44100, 1}, in, {16, 44100, 1}).empty());
}

}  // namespace
}  // namespace tqx::test

#include "effects/equalize_signal.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <span>
#include <vector>

#include "effects/eq_test_support.h"

namespace tqx {
namespace {

using test::Coefficients;
using Samples = std::vector<std::int16_t>;

// Band set 5 with every band moved, so that each one shapes the signal.
Coefficients everyBandMoved() {
    std::array<int, kEqBandCount> positions;
    for (std::size_t i = 0; i < kEqBandCount; ++i) positions[i] = int(i % 2 ? 25 * i : -25 * i);
    return test::design(4, positions);
}

// The signal in one call: what long signals filtered in stretches must give.
Samples inOneCall(Samples s, std::size_t channels, const Coefficients& c) {
    EqualizerState state;
    ApplyEqualizer(s, channels, state, c.denominators, c.numerators);
    return s;
}

TEST(EqualizeSignal, LongSignalsComeOutAsOneContinuousSignalPerChannel) {
    const Coefficients c = everyBandMoved();
    std::size_t reported = 0;
    const auto count = [&](std::size_t n) {
        reported += n;
        return true;
    };

    // Stereo, several stretches long.
    const Samples stereo = test::noise(2 * 200000, 1, 8);
    Samples out = stereo;
    EXPECT_TRUE(EqualizeSignal(out, 2, c.denominators, c.numerators, count));
    EXPECT_EQ(out, inOneCall(stereo, 2, c));
    EXPECT_EQ(reported, stereo.size());

    // Three channels, each on its own as a mono signal; the two samples of a last, partial
    // frame stay as they are.
    const std::size_t frames = 140000;
    const Samples three = test::noise(3 * frames + 2, 2, 8);
    out = three;
    reported = 0;
    EXPECT_TRUE(EqualizeSignal(out, 3, c.denominators, c.numerators, count));
    EXPECT_EQ(reported, 3 * frames);
    for (std::size_t ch = 0; ch < 3; ++ch) {
        Samples mono, got;
        for (std::size_t f = 0; f < frames; ++f) {
            mono.push_back(three[3 * f + ch]);
            got.push_back(out[3 * f + ch]);
        }
        EXPECT_EQ(got, inOneCall(mono, 1, c)) << "channel " << ch;
    }
    EXPECT_EQ(out[3 * frames], three[3 * frames]);
    EXPECT_EQ(out[3 * frames + 1], three[3 * frames + 1]);
}

TEST(EqualizeSignal, StopsWhenToldAndLeavesTheRestUnfiltered) {
    const Coefficients c = everyBandMoved();
    const Samples signal = test::noise(2 * 200000, 3, 8);
    Samples out = signal;
    std::size_t firstStretch = 0;
    EXPECT_FALSE(EqualizeSignal(out, 2, c.denominators, c.numerators, [&](std::size_t n) {
        firstStretch = n;
        return false;
    }));
    ASSERT_GT(firstStretch, 0u);
    ASSERT_LT(firstStretch, signal.size());
    EXPECT_EQ(Samples(out.begin() + std::ptrdiff_t(firstStretch), out.end()),
              Samples(signal.begin() + std::ptrdiff_t(firstStretch), signal.end()));
    EXPECT_NE(Samples(out.begin(), out.begin() + std::ptrdiff_t(firstStretch)),
              Samples(signal.begin(), signal.begin() + std::ptrdiff_t(firstStretch)));
}

}  // namespace
}  // namespace tqx

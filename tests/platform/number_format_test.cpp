#include "platform/number_format.h"

#include <gtest/gtest.h>

namespace tqx {
namespace {

TEST(NumberFormat, PatternsRoundHalvesAwayAndNeverShowMinusZero) {
    EXPECT_EQ(formatFixed(1.5, 2), "1.50");
    EXPECT_EQ(formatFixed(-0.25, 2), "-0.25");
    EXPECT_EQ(formatFixed(-0.0, 2), "0.00");
    EXPECT_EQ(formatFixed(-0.001, 2), "0.00");
    EXPECT_EQ(formatFixed(0.125, 2), "0.13");
    EXPECT_EQ(formatFixed(-2.5, 1), "-2.5");
    EXPECT_EQ(formatFixed(12.25, 3, 4), "0012.250");
    EXPECT_EQ(formatFixed(1, 0, 2), "01");
    EXPECT_EQ(formatFixed(59.9996, 3, 2), "60.000");
    EXPECT_EQ(formatFixed(1234.5678, 3, 4), "1234.568");
}

}  // namespace
}  // namespace tqx

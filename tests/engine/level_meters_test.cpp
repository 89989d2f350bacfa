// The pictures of the track and master meters, and the meters as playback drives them.
#include <gtest/gtest.h>

#include "engine/level_meters.h"
#include "engine/playback_test_rig.h"

namespace tqx::test {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb green(int g) { return {0, static_cast<std::uint8_t>(g), 0}; }

bool allBlack(const RgbImage& image, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!(image.at(x, y) == kBlack)) return false;
    return true;
}

class LevelMetersTest : public ::testing::Test {
protected:
    PlaybackRig rig;
    Studio& studio = rig.studio;
    LevelMeters& meters = studio.meters();
    int track = rig.addTrack();
};

TEST_F(LevelMetersTest, LevelsUseThe96dBScale) {
    EXPECT_DOUBLE_EQ(LevelMeters::levelOfMean(1.0).dBFS, 0.0);
    EXPECT_DOUBLE_EQ(LevelMeters::levelOfMean(1.0).fraction, 1.0);
    EXPECT_NEAR(LevelMeters::levelOfMean(0.5).dBFS, -6.0206, 1e-4);
    EXPECT_NEAR(LevelMeters::levelOfMean(0.0).dBFS, -96.3296, 1e-4);
    EXPECT_DOUBLE_EQ(LevelMeters::levelOfMean(0.0).fraction, 0.0);
    EXPECT_DOUBLE_EQ(LevelMeters::levelOfMean(-0.5).fraction, LevelMeters::levelOfMean(0.5).fraction);
}

TEST_F(LevelMetersTest, StereoTrackMeterDrawsEachChannelInItsOwnHalf) {
    meters.DrawTrackMeter(2, track, 0, -6.0, 0.5);
    meters.DrawTrackMeter(2, track, 1, -3.0, 0.25);
    const RgbImage& m = meters.trackMeter(track);
    ASSERT_EQ(m.width(), 20);
    ASSERT_EQ(m.height(), 160);
    // Left: 80 rows of green 127 with blue lines on every second row from the bottom.
    EXPECT_EQ(m.at(3, 159), kBlue);
    EXPECT_EQ(m.at(3, 158), green(127));
    EXPECT_EQ(m.at(3, 81), kBlue);
    EXPECT_EQ(m.at(3, 80), green(127));
    EXPECT_TRUE(allBlack(m, 0, 0, 10, 80));
    // Right: 40 rows of green 63, drawn without erasing the left half.
    EXPECT_EQ(m.at(15, 158), green(63));
    EXPECT_EQ(m.at(15, 120), green(63));
    EXPECT_TRUE(allBlack(m, 10, 0, 20, 120));
    EXPECT_EQ(studio.diagnostic, "-3");
}

TEST_F(LevelMetersTest, MonoTrackMeterUsesTheFullWidthAndEmptyMeansBlack) {
    meters.DrawTrackMeter(1, track, 0, -1.0, 1.0);
    const RgbImage& m = meters.trackMeter(track);
    EXPECT_EQ(m.at(0, 0), green(255));
    EXPECT_EQ(m.at(19, 0), green(255));
    EXPECT_EQ(m.at(19, 1), kBlue);
    meters.clearTrackMeter(track);
    EXPECT_TRUE(allBlack(m, 0, 0, 20, 160));
    // A slot without a track has no meter to draw into.
    meters.DrawTrackMeter(1, track + 1, 0, -1.0, 1.0);
    EXPECT_TRUE(allBlack(meters.trackMeter(track + 1), 0, 0, 20, 160));
}

TEST_F(LevelMetersTest, MasterMeterHasAHalfPerChannelAndABlueFrame) {
    const RgbImage& m = meters.masterMeter();
    ASSERT_EQ(m.width(), 169);
    ASSERT_EQ(m.height(), 12);
    EXPECT_TRUE(allBlack(m, 1, 1, 168, 11));  // drawn empty from the start
    meters.DrawMasterMeter(0, -6.5, 0.5);
    meters.DrawMasterMeter(1, -6.5, 0.1);
    // Upper half: 84 columns, green 127 with blue on the even columns.
    EXPECT_EQ(m.at(1, 3), green(127));
    EXPECT_EQ(m.at(2, 3), kBlue);
    EXPECT_EQ(m.at(83, 3), green(127));
    EXPECT_EQ(m.at(85, 3), kBlack);
    // Lower half: 16 columns of green 25.
    EXPECT_EQ(m.at(15, 8), green(25));
    EXPECT_EQ(m.at(17, 8), kBlack);
    for (int x = 0; x < 169; ++x) {
        EXPECT_EQ(m.at(x, 0), kBlue);
        EXPECT_EQ(m.at(x, 11), kBlue);
    }
    EXPECT_EQ(m.at(168, 6), kBlue);
    EXPECT_EQ(studio.diagnostic, "-6.5");
    // Past full scale the intensity wraps: trunc(1.05 x 255) = 267 -> 11.
    meters.DrawMasterMeter(0, 0.0, 1.05);
    EXPECT_EQ(m.at(167, 3), green(11));
}

TEST_F(LevelMetersTest, PlaybackDrivesTheTrackAndMasterMeters) {
    rig.addClip(track, 0.0f, frames(10 * kStereoBlock, 20000, 0));
    rig.press();
    rig.run(150);
    // Left mean 20000 / 32768: 20 log10(40000) / 96.33 = 0.9555 of the scale, 152 rows of green 243.
    const RgbImage& m = meters.trackMeter(track);
    EXPECT_EQ(m.at(4, 158), green(243));
    EXPECT_EQ(m.at(4, 8), green(243));
    EXPECT_EQ(m.at(4, 7), kBlack);
    EXPECT_TRUE(allBlack(m, 10, 0, 20, 160));
    EXPECT_FALSE(allBlack(meters.masterMeter(), 1, 1, 168, 6));
    // A stop empties them.
    rig.press();
    EXPECT_TRUE(allBlack(m, 0, 0, 20, 160));
    EXPECT_TRUE(allBlack(meters.masterMeter(), 1, 1, 168, 11));
    EXPECT_EQ(meters.MasterLevelSum[0], 0.0f);
}

TEST_F(LevelMetersTest, UnsoloedTrackLeavesTheMasterMeterEmpty) {
    const int soloTrack = rig.addTrack();
    studio.model.track(soloTrack).soloed = true;
    studio.model.updateAnySolo();
    rig.addClip(track, 0.0f, frames(10 * kStereoBlock, 16384, 16384));
    rig.press();
    rig.run(500);
    EXPECT_TRUE(allBlack(meters.masterMeter(), 1, 1, 168, 11));
    EXPECT_TRUE(allBlack(meters.trackMeter(track), 0, 0, 20, 160));
}

}  // namespace
}  // namespace tqx::test

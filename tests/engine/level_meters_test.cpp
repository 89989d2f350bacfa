// The track and master meters as playback drives them: which share of the scale each half
// shows, and what a stop or an unheard track leaves on them.
#include "engine/level_meters.h"

#include <cmath>
#include <gtest/gtest.h>

#include "engine/playback_test_rig.h"

namespace tqx::test {
namespace {

constexpr MeterHalves kEmpty{0.0, 0.0};

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

TEST_F(LevelMetersTest, StereoKeepsEachChannelInItsHalfAndMonoFillsBoth) {
    int announced = 0;
    const Connection listening = meters.trackMeterChanged.connect([&](int slot) {
        EXPECT_EQ(slot, track);
        ++announced;
    });
    meters.DrawTrackMeter(2, track, 0, -6.0, 0.5);
    meters.DrawTrackMeter(2, track, 1, -3.0, 0.25);
    EXPECT_EQ(meters.trackMeter(track), (MeterHalves{0.5, 0.25}));
    EXPECT_EQ(studio.texts.diagnostic(), "-3");
    EXPECT_EQ(announced, 2);

    meters.DrawTrackMeter(1, track, 0, -1.0, 1.0);
    EXPECT_EQ(meters.trackMeter(track), (MeterHalves{1.0, 1.0}));
    meters.clearTrackMeter(track);
    EXPECT_EQ(meters.trackMeter(track), kEmpty);
    // A slot without a track has no meter.
    meters.DrawTrackMeter(1, track + 1, 0, -1.0, 1.0);
    EXPECT_EQ(meters.trackMeter(track + 1), kEmpty);
    EXPECT_EQ(meters.trackMeter(-1), kEmpty);
    EXPECT_EQ(meters.trackMeter(kTrackSlots), kEmpty);
}

TEST_F(LevelMetersTest, MasterMeterHasAHalfPerChannel) {
    EXPECT_EQ(meters.masterMeter(), kEmpty);  // empty from the start
    meters.DrawMasterMeter(0, -6.5, 0.5);
    meters.DrawMasterMeter(1, -6.5, 0.1);
    EXPECT_EQ(meters.masterMeter(), (MeterHalves{0.5, 0.1}));
    EXPECT_EQ(studio.texts.diagnostic(), "-6.5");
    meters.DrawMasterMeter(2, -1.0, 1.0);  // no third half
    EXPECT_EQ(meters.masterMeter(), (MeterHalves{0.5, 0.1}));
}

TEST_F(LevelMetersTest, PlaybackDrivesTheTrackAndMasterMeters) {
    rig.addClip(track, 0.0f, frames(10 * kStereoBlock, 20000, 0));
    rig.press();
    rig.run(150);
    // Left mean 20000 / 32768: 20 log10(40000) / 96.33 of the scale; the right is silent.
    const MeterHalves shown = meters.trackMeter(track);
    EXPECT_NEAR(shown[0], 20.0 * std::log10(40000.0) / LevelMeters::kScaleDb, 1e-9);
    EXPECT_EQ(shown[1], 0.0);
    EXPECT_GT(meters.masterMeter()[0], 0.0);
    // A stop empties them.
    rig.press();
    EXPECT_EQ(meters.trackMeter(track), kEmpty);
    EXPECT_EQ(meters.masterMeter(), kEmpty);
    EXPECT_EQ(meters.MasterLevelSum[0], 0.0f);
}

TEST_F(LevelMetersTest, UnsoloedTrackLeavesTheMeterEmpty) {
    const int soloTrack = rig.addTrack();
    studio.model.track(soloTrack).soloed = true;
    studio.model.updateAnySolo();
    rig.addClip(track, 0.0f, frames(10 * kStereoBlock, 16384, 16384));
    rig.press();
    rig.run(500);
    EXPECT_EQ(meters.masterMeter(), kEmpty);
    EXPECT_EQ(meters.trackMeter(track), kEmpty);
}

}  // namespace
}  // namespace tqx::test

#include "effects/equalizer.h"

#include <gtest/gtest.h>

#include "platform/scripted_dialogs.h"

namespace tqx {
namespace {

class EqualizerTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    Equalizer eq{dialogs};

    // Band i as the settings say it should be designed.
    EqBandFilter expectedBand(int set, int i, int position) const {
        const double r = static_cast<double>(EqBandSets[set].frequencies[i]) / EQ_DESIGN_RATE;
        return DesignBandFilter(r, kEqQuality, EqGainAtPosition(position));
    }
    void expectBand(int i, const EqBandFilter& f) const {
        EXPECT_EQ(eq.table().denominator[i], f.denominator) << "band " << i;
        EXPECT_EQ(eq.table().numerator[i], f.numerator) << "band " << i;
    }
};

TEST_F(EqualizerTest, StartsOffFlatWithZeroTable) {
    EXPECT_FALSE(eq.isOn());
    EXPECT_EQ(eq.bandSet(), 0);
    EXPECT_EQ(eq.readout(), "----");
    EXPECT_EQ(eq.GetBandCount(), 10);
    EXPECT_EQ(eq.bandLabel(0), "72");
    EXPECT_EQ(eq.bandLabel(9), "700");
    EXPECT_EQ(eq.bandLabel(10), "");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(eq.bandPosition(i), 0);
    EXPECT_EQ(eq.table().denominator, EqTriples{});
    EXPECT_EQ(eq.table().numerator, EqTriples{});
}

TEST_F(EqualizerTest, MovingASliderDesignsItsBandAndWritesTheReadout) {
    eq.setBandPosition(0, -300);
    EXPECT_EQ(eq.readout(), "72Hz = 3.00");
    expectBand(0, expectedBand(0, 0, -300));  // designed although ON is off
    EXPECT_EQ(eq.table().numerator[1][0], 0.0);

    eq.setBandPosition(0, 25);
    EXPECT_EQ(eq.readout(), "72Hz = -0.25");
    eq.setBandPosition(0, 0);
    EXPECT_EQ(eq.readout(), "72Hz = 0.00");

    eq.selectBandSet(1);
    eq.setBandPosition(6, -150);
    EXPECT_EQ(eq.readout(), "1kHz = 1.50");
    expectBand(6, expectedBand(1, 6, -150));

    // Out-of-range positions stop at the ends; an unmoved slider changes nothing.
    eq.setBandPosition(6, -1000);
    EXPECT_EQ(eq.bandPosition(6), -300);
    eq.setBandPosition(3, 0);
    EXPECT_EQ(eq.readout(), "1kHz = 3.00");
}

TEST_F(EqualizerTest, OnDesignsEveryBandAndOffKeepsTheTable) {
    eq.setBandPosition(2, 80);
    eq.setOn(true);
    EXPECT_TRUE(eq.isOn());
    for (int i = 0; i < 10; ++i) expectBand(i, expectedBand(0, i, i == 2 ? 80 : 0));
    const EqCoefficientTable before = eq.table();
    eq.setOn(false);
    EXPECT_EQ(eq.table().numerator, before.numerator);
    EXPECT_EQ(eq.table().denominator, before.denominator);
}

TEST_F(EqualizerTest, BandSetChangeRedesignsOnlyWhileOn) {
    eq.setBandPosition(6, -50);
    const EqCoefficientTable set1 = eq.table();
    eq.selectBandSet(1);  // OFF: labels only
    EXPECT_EQ(eq.bandLabel(6), "1k");
    EXPECT_EQ(eq.table().numerator, set1.numerator);
    EXPECT_EQ(eq.readout(), "300Hz = 0.50");  // still names the old label

    eq.setOn(true);
    eq.selectBandSet(4);
    EXPECT_EQ(eq.bandLabel(9), "16k");
    for (int i = 0; i < 10; ++i) expectBand(i, expectedBand(4, i, i == 6 ? -50 : 0));
    EXPECT_EQ(eq.readout(), "300Hz = 0.50");

    eq.selectBandSet(5);
    eq.selectBandSet(-1);
    EXPECT_EQ(eq.bandSet(), 4);
}

TEST_F(EqualizerTest, ResetButtonAsksAndResetsUnlessNo) {
    eq.setOn(true);
    eq.setBandPosition(3, 120);
    dialogs.answers = {DialogAnswer::No};
    eq.Button1Click();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "リセットしますか？");
    EXPECT_EQ(dialogs.shown[0].caption, "Tinderquillex");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(eq.bandPosition(3), 120);
    EXPECT_EQ(eq.readout(), "200Hz = -1.20");

    dialogs.answers = {DialogAnswer::Cancel};  // anything but No resets
    eq.Button1Click();
    EXPECT_EQ(eq.bandPosition(3), 0);
    EXPECT_EQ(eq.readout(), "----");
    EXPECT_TRUE(eq.isOn());
    for (int i = 0; i < 10; ++i) expectBand(i, expectedBand(0, i, 0));
}

TEST_F(EqualizerTest, NewProjectStartsOffFlatOnSetOne) {
    eq.setOn(true);
    eq.selectBandSet(3);
    eq.setBandPosition(9, -300);
    eq.newProjectReset();
    EXPECT_FALSE(eq.isOn());
    EXPECT_EQ(eq.bandSet(), 0);
    EXPECT_EQ(eq.bandLabel(9), "700");
    EXPECT_EQ(eq.bandPosition(9), 0);
    EXPECT_EQ(eq.readout(), "----");
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(EqualizerTest, LoadingClampsPositionsAndIgnoresUnknownBandSets) {
    eq.selectBandSet(2);
    eq.loadOn(true);
    eq.loadBandSet(7);
    EXPECT_EQ(eq.bandSet(), 2);
    eq.loadBandSet(1);
    EXPECT_EQ(eq.bandSet(), 1);
    eq.loadBandPosition(0, 1000);
    eq.loadBandPosition(1, -2147483647 - 1);
    EXPECT_EQ(eq.bandPosition(0), 300);
    EXPECT_EQ(eq.bandPosition(1), -300);
    EXPECT_EQ(eq.readout(), "82Hz = 3.00");
    expectBand(0, expectedBand(1, 0, 300));
    expectBand(1, expectedBand(1, 1, -300));
}

TEST_F(EqualizerTest, ListenerHearsEachOperationOnce) {
    int calls = 0;
    const Connection listening = eq.changed.connect([&] { ++calls; });
    eq.setBandPosition(1, 10);
    EXPECT_EQ(calls, 1);
    eq.setBandPosition(1, 10);
    EXPECT_EQ(calls, 1);
    eq.setOn(true);
    EXPECT_EQ(calls, 2);
    eq.ResetEqualizer();
    EXPECT_EQ(calls, 3);
    eq.newProjectReset();
    EXPECT_EQ(calls, 4);
    eq.selectBandSet(9);
    EXPECT_EQ(calls, 4);
}

}  // namespace
}  // namespace tqx

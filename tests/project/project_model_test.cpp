#include <gtest/gtest.h>

#include "project/project_model.h"

namespace tqx {
namespace {

TEST(ProjectModel, FreedSlotIsReusedFirstAndStartsWithDefaults) {
    ProjectModel m;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(m.createTrack(), i);
    TrackSlot& t = m.track(1);
    t.gain = 3.0f;
    t.pan = -0.5f;
    t.volume = 0.2f;
    t.playbackDevice = 2;
    t.recordingDevice = 1;
    t.icon = 7;
    t.muted = t.soloed = t.recordArmed = true;
    m.removeTrack(1);
    EXPECT_EQ(m.SelectedTrack, -1);
    EXPECT_EQ(m.createTrack(), 1);
    const TrackSlot& n = m.track(1);
    EXPECT_EQ(n.name, "トラック2");
    EXPECT_FLOAT_EQ(n.gain, 0.0f);
    EXPECT_FLOAT_EQ(n.pan, 0.0f);
    EXPECT_FLOAT_EQ(n.volume, 1.0f);
    EXPECT_EQ(n.playbackDevice, -1);
    EXPECT_EQ(n.recordingDevice, -1);
    EXPECT_EQ(n.icon, 1);
    EXPECT_FALSE(n.muted || n.soloed || n.recordArmed);
    EXPECT_FALSE(n.untouched);  // a reused slot is no longer "untouched"
    // The new track's panel sits below the existing ones.
    EXPECT_GT(n.panelTop, m.track(2).panelTop);
}

}  // namespace
}  // namespace tqx

#include "project/project_model.h"

#include <gtest/gtest.h>

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

namespace tqx {
namespace {

TEST(ProjectModel, OrderedListFollowsPanelsNotSlots) {
    ProjectModel m;
    for (int i = 0; i < 4; ++i) m.createTrack();
    m.track(3).name = "D";
    m.track(0).name = "A";
    // Move D to the top, as the track view does.
    auto order = m.buildOrderedTrackList();
    std::deque<TrackOrderEntry> moved{order[3], order[0], order[1], order[2]};
    int top = order[0].panelTop;
    for (auto& e : moved) {
        e.panelTop = top;
        top += 60;
    }
    m.applyTrackOrder(moved);
    auto now = m.buildOrderedTrackList();
    ASSERT_EQ(now.size(), 4u);
    EXPECT_EQ(now[0].slot, 3);
    EXPECT_EQ(now[0].name, "D");
    EXPECT_EQ(now[1].slot, 0);
    EXPECT_EQ(now[3].displayOrder, 4);
}

TEST(ProjectModel, AnySoloSeesTracksBehindEmptySlots) {
    ProjectModel m;
    for (int i = 0; i < 6; ++i) m.createTrack();
    m.removeTrack(3);
    m.track(5).soloed = true;
    m.updateAnySolo();
    EXPECT_TRUE(m.AnySolo);
    EXPECT_TRUE(m.trackAudible(5));
    EXPECT_FALSE(m.trackAudible(4));
}

TEST(ProjectModel, SlidersKeepEveryPositionAcrossSaveAndLoad) {
    // A value read back from a file (held in single precision) lands on its own position.
    for (int p = 0; p <= kSliderWidth; ++p) {
        EXPECT_EQ(volumeToSliderPosition(sliderPositionToVolume(p)), p) << "volume " << p;
        EXPECT_EQ(panToSliderPosition(sliderPositionToPan(p)), p) << "pan " << p;
        EXPECT_EQ(gainToSliderPosition(sliderPositionToGain(p)), p) << "gain " << p;
    }
}

TEST(ProjectModel, ClipListAndTableLimits) {
    ProjectModel m;
    int t = m.createTrack();
    EXPECT_TRUE(m.buildClipList(t).empty());
    TMultiWave& c = m.createClip(5);
    c.SetTrack(t);
    c.SetFormat(WaveFormat::pcm(1, 22050));
    std::vector<std::uint8_t> data(44100);
    c.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
    auto list = m.buildClipList(t);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].clipSlot, 5);
    EXPECT_EQ(list[0].channels, "モノラル");
    EXPECT_FLOAT_EQ(list[0].duration, 1.0f);
    EXPECT_EQ(m.firstFreeClipSlot(), 0);
    EXPECT_EQ(m.createTrack(10000), -1);
    EXPECT_EQ(m.createTrack(-1), -1);
    m.removeTrack(t);
    EXPECT_EQ(m.clip(5), nullptr);  // clips go with their track
}

}  // namespace
}  // namespace tqx

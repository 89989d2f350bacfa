#include "session/clip_commands.h"

#include <gtest/gtest.h>
#include <vector>

#include "audio/no_audio_system.h"
#include "platform/event_sink.h"
#include "platform/number_format.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "session/studio.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"

namespace tqx {
namespace {

class ClipCommandsTest : public ::testing::Test, protected test::SilentStudioRig {
protected:
    ClipDragState drag;

    // Three tracks and a one-second stereo clip on track 0 starting at `start` seconds.
    int setUpClip(float start) {
        for (int i = 0; i < 3; ++i) studio.trackCommands().createTrack();
        const int slot = studio.model.firstFreeClipSlot();
        TMultiWave& clip = studio.model.createClip(slot);
        clip.SetTrack(0);
        clip.SetFormat(WaveFormat::pcm(2, 44100));
        const std::vector<std::uint8_t> data(44100 * 4, 0);
        clip.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
        clip.SetStartTime(start);
        studio.timeline.layClip(clip, studio.model.ProjectSampleRate);
        return slot;
    }
    TMultiWave& clip(int slot) { return *studio.model.clip(slot); }
    std::string startText(int slot) { return formatFixed(clip(slot).GetStartTime(), 3); }
    // y in the clip's coordinates that lies in `track`'s row.
    int yOnRow(int slot, int track, int offset = 5) {
        return studio.model.track(track).panelTop - studio.model.track(clip(slot).GetTrack()).panelTop + offset;
    }
};

TEST_F(ClipCommandsTest, DraggingMovesInTimeAndStopsAtZero) {
    const int slot = setUpClip(1.5f);  // 60 px at 1,102.5 samples per pixel
    ASSERT_EQ(clip(slot).left, 60);

    ClipPress(studio, drag, slot, 10);
    EXPECT_EQ(studio.timeline.CursorX.load(), 70);  // the column under the pointer
    EXPECT_FLOAT_EQ(studio.timeline.StartPosition, 70 * 1102.5f / 44100);

    ASSERT_TRUE(ClipDragMove(studio, drag, slot, 50));  // 40 px right
    EXPECT_EQ(clip(slot).left, 100);
    EXPECT_EQ(startText(slot), "2.500");

    ClipDragMove(studio, drag, slot, 10 - 500);  // far left of time 0
    EXPECT_EQ(clip(slot).left, 0);
    EXPECT_EQ(startText(slot), "0.000");
    EXPECT_FALSE(ClipDragMove(studio, drag, slot, 5));  // already at 0: stays

    ClipDrop(studio, drag, slot, 5);
    EXPECT_FALSE(drag.dragging);
    EXPECT_EQ(clip(slot).GetTrack(), 0);
    // Without a press, moves do nothing.
    EXPECT_FALSE(ClipDragMove(studio, drag, slot, 90));
}

TEST_F(ClipCommandsTest, DropOnAnotherRowChangesTrackAndBetweenRowsKeepsIt) {
    const int slot = setUpClip(0.0f);
    ClipPress(studio, drag, slot, 0);
    ClipDrop(studio, drag, slot, yOnRow(slot, 2));
    EXPECT_EQ(clip(slot).GetTrack(), 2);

    // The 10-pixel gap under a row belongs to no track... but its first pixel is the row's
    // bottom edge, so aim at the middle of the gap.
    const TrackSlot& row1 = studio.model.track(1);
    ClipPress(studio, drag, slot, 0);
    ClipDrop(studio, drag, slot, yOnRow(slot, 1, row1.panelHeight + kPanelGap / 2));
    EXPECT_EQ(clip(slot).GetTrack(), 2);

    // Far below the last row and on the ruler above the first: the clip stays.
    ClipPress(studio, drag, slot, 0);
    ClipDrop(studio, drag, slot, 5000);
    EXPECT_EQ(clip(slot).GetTrack(), 2);
    ClipPress(studio, drag, slot, 0);
    ClipDrop(studio, drag, slot, yOnRow(slot, 0, -kRulerHeight - 5));
    EXPECT_EQ(clip(slot).GetTrack(), 2);

    // A release without a drag (after a double click, say) does not move it either.
    ClipDrop(studio, drag, slot, yOnRow(slot, 0));
    EXPECT_EQ(clip(slot).GetTrack(), 2);
}

TEST_F(ClipCommandsTest, APlayingClipSeeksButNeitherMovesNorChangesTrack) {
    const int slot = setUpClip(1.0f);
    const int left = clip(slot).left;
    clip(slot).SetPlaying(1);

    ClipPress(studio, drag, slot, 20);
    EXPECT_EQ(studio.timeline.CursorX.load(), left + 20);
    EXPECT_FALSE(ClipDragMove(studio, drag, slot, 80));
    EXPECT_EQ(clip(slot).left, left);
    EXPECT_EQ(startText(slot), "1.000");
    ClipDrop(studio, drag, slot, yOnRow(slot, 1));
    EXPECT_EQ(clip(slot).GetTrack(), 0);
}

TEST_F(ClipCommandsTest, ADoubleClickSuspendsDraggingUntilTheRelease) {
    const int slot = setUpClip(1.0f);
    ClipPress(studio, drag, slot, 0);
    drag.heightToggled = true;
    EXPECT_FALSE(ClipDragMove(studio, drag, slot, 30));
    ClipDrop(studio, drag, slot, 0);
    EXPECT_FALSE(drag.heightToggled);
    ClipSelect(studio, slot);
    EXPECT_EQ(studio.selectedClip, slot);
    ClipSelect(studio, slot + 1);  // an empty slot is never selected
    EXPECT_EQ(studio.selectedClip, slot);
}

}  // namespace
}  // namespace tqx

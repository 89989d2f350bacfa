#include "session/track_commands.h"

#include <gtest/gtest.h>
#include <vector>

#include "audio/no_audio_system.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "session/studio.h"
#include "support/change_log.h"
#include "support/studio_rig.h"

namespace tqx {
namespace {

class TrackCommandsTest : public ::testing::Test, protected test::SilentStudioRig {
protected:
    TrackCommands& commands = studio.trackCommands();
    test::ChangeLog log{studio};

    void createTracks(int n) {
        for (int i = 0; i < n; ++i) commands.createTrack();
    }
    int clipOnTrack(int track) {
        const int slot = studio.model.firstFreeClipSlot();
        studio.model.createClip(slot).SetTrack(track);
        return slot;
    }
};

TEST_F(TrackCommandsTest, DeleteAsksOnlyWhenTheTrackWasUsedAndNoKeepsIt) {
    createTracks(3);
    // Nothing selected: nothing happens.
    commands.deleteSelectedTrack();
    EXPECT_EQ(studio.model.trackCount(), 3);

    // A track of the first project was never recorded into: it goes without a question.
    commands.selectTrack(1);
    commands.deleteSelectedTrack();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(studio.model.trackExists(1));
    EXPECT_EQ(studio.model.SelectedTrack, -1);
    EXPECT_TRUE(log.sawTrack(TrackChange::Removed));

    // Slots reused after a project reset count as changed, so the user is asked.
    studio.model.resetProject();
    createTracks(2);
    studio.texts.setCaption("song - Tinderquillex");
    commands.setName(0, "ベース");
    commands.selectTrack(0);
    dialogs.answers = {DialogAnswer::No};
    commands.deleteSelectedTrack();
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "ベースは変更されています。削除しますか？");
    EXPECT_EQ(dialogs.shown[0].caption, "song - Tinderquillex");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
    EXPECT_TRUE(studio.model.trackExists(0));
    EXPECT_EQ(studio.model.SelectedTrack, 0);

    // Yes removes the track together with its clips.
    const int clip = clipOnTrack(0);
    dialogs.answers = {DialogAnswer::Yes};
    commands.deleteSelectedTrack();
    EXPECT_FALSE(studio.model.trackExists(0));
    EXPECT_EQ(studio.model.clip(clip), nullptr);
}

TEST_F(TrackCommandsTest, SliderPositionsStoreValuesAndTexts) {
    createTracks(1);
    const TrackSlot& t = studio.model.track(0);

    commands.setPanPosition(0, 25);
    EXPECT_FLOAT_EQ(t.pan, -0.5f);
    EXPECT_EQ(TrackCommands::panText(t.pan), "L0.50");
    commands.setPanPosition(0, 99);
    EXPECT_EQ(TrackCommands::panText(t.pan), "R0.98");
    commands.setPanPosition(0, 50);
    EXPECT_EQ(t.pan, 0.0f);
    EXPECT_EQ(TrackCommands::panText(t.pan), "center");

    commands.setGainPosition(0, 25);
    EXPECT_FLOAT_EQ(t.gain, -2.5f);
    EXPECT_EQ(TrackCommands::gainText(t.gain), "-2.5dB");
    commands.setGainPosition(0, 100);
    EXPECT_EQ(TrackCommands::gainText(t.gain), "5.0dB");
    commands.resetGain(0);
    EXPECT_EQ(t.gain, 0.0f);
    EXPECT_EQ(TrackCommands::gainText(t.gain), "0.0dB");

    commands.setVolumePosition(0, 57);
    EXPECT_EQ(TrackCommands::volumeText(t.volume), "0.57");
    commands.setVolumePosition(0, 0);
    EXPECT_EQ(TrackCommands::volumeText(t.volume), "0.00");

    // Past either end of a slider the last value stays.
    commands.setVolumePosition(0, 33);
    commands.setVolumePosition(0, kSliderWidth + 1);
    commands.setVolumePosition(0, -1);
    EXPECT_EQ(TrackCommands::volumeText(t.volume), "0.33");
    commands.setPanPosition(0, 10);
    commands.setPanPosition(0, 101);
    EXPECT_EQ(TrackCommands::panText(t.pan), "L0.80");
    commands.resetPan(0);
    EXPECT_EQ(TrackCommands::panText(t.pan), "center");
}

// Values the sliders stored come back on the same pixel when a project is loaded again.
TEST_F(TrackCommandsTest, EverySliderPositionSurvivesApplySettings) {
    createTracks(1);
    for (int p = 0; p <= kSliderWidth; ++p) {
        commands.setVolumePosition(0, p);
        commands.setPanPosition(0, p);
        commands.setGainPosition(0, p);
        const TrackSettings saved = *studio.model.gatherSettings(0);
        studio.model.applySettings(0, saved, true, 0, 0);
        EXPECT_EQ(commands.sliderPosition(0, TrackSlider::Volume), p) << "volume " << p;
        EXPECT_EQ(commands.sliderPosition(0, TrackSlider::Pan), p) << "pan " << p;
        EXPECT_EQ(commands.sliderPosition(0, TrackSlider::Gain), p) << "gain " << p;
        EXPECT_EQ(studio.model.track(0).volume, saved.volume);
        EXPECT_EQ(studio.model.track(0).pan, saved.pan);
        EXPECT_EQ(studio.model.track(0).gain, saved.gain);
    }
}

TEST_F(TrackCommandsTest, PanelHeightsFoldExpandAndClamp) {
    createTracks(3);
    commands.expandAll();
    commands.createTrack();
    EXPECT_EQ(studio.model.track(3).panelHeight, kMinPanelHeight);
    for (int s = 0; s < 3; ++s) EXPECT_EQ(studio.model.track(s).panelHeight, kMaxPanelHeight);
    // The new panel lies below the others, without a gap beyond the usual one.
    EXPECT_EQ(studio.model.track(3).panelTop, kRulerHeight + 3 * (kMaxPanelHeight + kPanelGap));
    EXPECT_EQ(studio.model.totalTrackHeight(), kRulerHeight + 3 * 230 + 60);

    commands.resizePanel(1, 10);
    EXPECT_EQ(studio.model.track(1).panelHeight, 50);
    commands.resizePanel(1, 500);
    EXPECT_EQ(studio.model.track(1).panelHeight, 220);
    commands.resizePanel(1, 120);
    EXPECT_EQ(studio.model.track(2).panelTop, studio.model.track(1).panelTop + 130);

    commands.togglePanelFold(1);  // 120 is not 50: folds
    EXPECT_EQ(studio.model.track(1).panelHeight, 50);
    commands.togglePanelFold(1);
    EXPECT_EQ(studio.model.track(1).panelHeight, 220);

    // A clip's row: limited at 220 reports true, at 50 false.
    const int clip = clipOnTrack(2);
    EXPECT_TRUE(commands.ResizeTrackRow(clip, 221));
    EXPECT_EQ(studio.model.track(2).panelHeight, 220);
    EXPECT_FALSE(commands.ResizeTrackRow(clip, 3));
    EXPECT_EQ(studio.model.track(2).panelHeight, 50);
    EXPECT_FALSE(commands.ResizeTrackRow(clip, 220));
    commands.ToggleTrackRow(clip);
    EXPECT_EQ(studio.model.track(2).panelHeight, 50);

    commands.foldAll();
    for (int s = 0; s < 4; ++s) EXPECT_EQ(studio.model.track(s).panelHeight, kMinPanelHeight);
    EXPECT_TRUE(log.sawTrack(TrackChange::Layout));  // clips follow their rows
}

TEST_F(TrackCommandsTest, SwapExchangesPanelPlaces) {
    createTracks(3);
    commands.resizePanel(0, 100);
    log.tracks.clear();
    commands.swapTracks(0, 2);
    const auto order = studio.model.buildOrderedTrackList();
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0].slot, 2);
    EXPECT_EQ(order[1].slot, 1);
    EXPECT_EQ(order[2].slot, 0);
    // Rows stay packed: the taller panel moved to the bottom.
    EXPECT_EQ(studio.model.track(2).panelTop, kRulerHeight);
    EXPECT_EQ(studio.model.track(0).panelTop, kRulerHeight + 2 * 60);
    EXPECT_TRUE(log.sawTrack(TrackChange::Order));

    log.tracks.clear();
    commands.swapTracks(1, 1);
    commands.swapTracks(1, 7);
    EXPECT_TRUE(log.tracks.empty());
}

TEST_F(TrackCommandsTest, DroppedClipChangesTrackOnlyInsideARow) {
    createTracks(3);  // rows on the canvas: 0..50, 60..110, 120..170
    const int clip = clipOnTrack(0);
    auto trackOf = [&] { return studio.model.clip(clip)->GetTrack(); };

    commands.MoveClipToTrackAt(75, clip);
    EXPECT_EQ(trackOf(), 1);
    commands.MoveClipToTrackAt(55, clip);  // between two rows
    EXPECT_EQ(trackOf(), 1);
    commands.MoveClipToTrackAt(-5, clip);  // on the ruler
    EXPECT_EQ(trackOf(), 1);
    commands.MoveClipToTrackAt(171, clip);  // below the last row
    EXPECT_EQ(trackOf(), 1);
    commands.MoveClipToTrackAt(170, clip);  // the last row's bottom line still counts
    EXPECT_EQ(trackOf(), 2);
    commands.MoveClipToTrackAt(0, clip);
    EXPECT_EQ(trackOf(), 0);

    // Rows follow a swap: the top row now belongs to track 2.
    commands.swapTracks(0, 2);
    commands.MoveClipToTrackAt(10, clip);
    EXPECT_EQ(trackOf(), 2);
}

TEST_F(TrackCommandsTest, AnySoloSeesTracksBehindAnEmptySlot) {
    createTracks(6);
    commands.selectTrack(3);
    commands.deleteSelectedTrack();
    commands.toggleSolo(5);
    EXPECT_TRUE(studio.model.AnySolo);
    commands.toggleMute(4);
    commands.toggleRecordArm(4);
    EXPECT_TRUE(studio.model.track(4).muted);
    EXPECT_TRUE(studio.model.track(4).recordArmed);
    commands.toggleSolo(5);
    EXPECT_FALSE(studio.model.AnySolo);
    // A new track in the freed slot starts without solo.
    commands.toggleSolo(5);
    EXPECT_EQ(commands.createTrack(), 3);
    EXPECT_FALSE(studio.model.track(3).soloed);
    EXPECT_TRUE(studio.model.AnySolo);
}

TEST_F(TrackCommandsTest, NameAndIconEdits) {
    createTracks(1);
    log.tracks.clear();
    EXPECT_TRUE(commands.setName(0, "ギター"));
    EXPECT_EQ(studio.model.track(0).name, "ギター");
    EXPECT_EQ(log.tracks,
              (std::vector<std::pair<int, TrackChange>>{{0, TrackChange::Named}}));  // the track view lists names
    EXPECT_FALSE(commands.setName(0, std::string(256, 'a')));
    EXPECT_TRUE(commands.setName(0, std::string(255, 'a')));

    commands.setIcon(0, 12);
    EXPECT_EQ(studio.model.track(0).icon, 12);
    commands.setIcon(0, 13);
    commands.setIcon(0, -1);
    EXPECT_EQ(studio.model.track(0).icon, 12);
}

}  // namespace
}  // namespace tqx

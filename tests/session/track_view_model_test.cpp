#include "session/track_view_model.h"

#include <gtest/gtest.h>

#include "engine/transport.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"

namespace tqx {
namespace {

struct TrackViewFixture : ::testing::Test, test::StudioRig {
    TrackViewModel view{studio};

    void addTracks(std::initializer_list<const char*> names) {
        for (const char* n : names) {
            int s = studio.trackCommands().createTrack();
            studio.model.track(s).name = n;
        }
        view.RefreshTrackView();
    }
    std::vector<std::string> order() {
        std::vector<std::string> out;
        for (const auto& e : studio.model.buildOrderedTrackList()) out.push_back(e.name);
        return out;
    }
};

TEST_F(TrackViewFixture, EmptyProjectShowsNothing) {
    view.RefreshTrackView();
    EXPECT_TRUE(view.leftItems().empty());
    EXPECT_EQ(view.cells, (std::array<std::string, 5>{}));
    view.ListBox1Click(0);  // nothing to click
    EXPECT_FALSE(view.ValueListEditor1Validate(TrackViewModel::RowVolume, "0.5", ""));
}

TEST_F(TrackViewFixture, ReorderingMovesPanelsIntoTheChosenOrder) {
    addTracks({"A", "B", "C", "D"});
    EXPECT_EQ(view.leftItems()[2], "Track3 (C)");
    const int topOfA = studio.model.track(0).panelTop;
    view.Button1Click({2});  // C
    view.Button1Click({0});  // then A
    EXPECT_EQ(view.rightItems(), (std::vector<std::string>{"Track3 (C)", "Track1 (A)"}));
    view.Button2Click();
    EXPECT_EQ(order(), (std::vector<std::string>{"C", "A", "B", "D"}));
    EXPECT_EQ(studio.model.track(2).panelTop, topOfA);
    EXPECT_TRUE(view.rightItems().empty());
    // OK with nothing moved keeps the order; "やり直し" drops a half-built order.
    view.Button2Click();
    EXPECT_EQ(order(), (std::vector<std::string>{"C", "A", "B", "D"}));
    view.Button1Click({3});
    view.Button3Click();
    EXPECT_EQ(view.leftItems().size(), 4u);
}

TEST_F(TrackViewFixture, DeleteAsksByNameOrForTheSelection) {
    addTracks({"Bass", "Drums", "Keys"});
    dialogs.answers = {DialogAnswer::No, DialogAnswer::Yes, DialogAnswer::Yes};
    view.N1Click({0});
    EXPECT_EQ(dialogs.messages().back(), "Bassを削除しますか？");
    EXPECT_EQ(studio.model.trackCount(), 3);
    view.N1Click({0});
    EXPECT_EQ(studio.model.trackCount(), 2);
    view.N1Click({0, 1});
    EXPECT_EQ(dialogs.messages().back(), "選択しているトラックを削除しますか？");
    EXPECT_EQ(studio.model.trackCount(), 0);
    EXPECT_TRUE(view.leftItems().empty());
}

TEST_F(TrackViewFixture, ValueEditorParsesClampsAndRestores) {
    addTracks({"A"});
    auto edit = [&](int row, const std::string& text) {
        std::string before = view.cells[row - 1];
        bool applied = view.ValueListEditor1Validate(row, text, before);
        return std::make_pair(applied, view.cells[row - 1]);
    };
    EXPECT_EQ(edit(TrackViewModel::RowVolume, "1.7"), std::make_pair(true, std::string("1.00")));
    EXPECT_EQ(edit(TrackViewModel::RowGain, "-9"), std::make_pair(true, std::string("-5.0")));
    EXPECT_FLOAT_EQ(studio.model.track(0).gain, -5.0f);
    EXPECT_EQ(edit(TrackViewModel::RowVolume, "abc"), std::make_pair(false, std::string("1.00")));
    EXPECT_EQ(edit(TrackViewModel::RowPan, "r0.25"), std::make_pair(true, std::string("R0.25")));
    EXPECT_NEAR(studio.model.track(0).pan, 0.24f, 0.011f);  // on the slider's grid
    EXPECT_EQ(edit(TrackViewModel::RowPan, "l.5"), std::make_pair(true, std::string("L0.50")));
    EXPECT_FLOAT_EQ(studio.model.track(0).pan, -0.5f);
    EXPECT_EQ(edit(TrackViewModel::RowPan, "CENTER"), std::make_pair(true, std::string("CENTER")));
    EXPECT_FLOAT_EQ(studio.model.track(0).pan, 0.0f);
    studio.model.track(0).pan = -0.5f;
    view.ListBox1Click(0);
    for (const char* bad : {"X0.5", "L", "R1.5"}) {
        EXPECT_EQ(edit(TrackViewModel::RowPan, bad), std::make_pair(false, std::string("center"))) << bad;
        EXPECT_FLOAT_EQ(studio.model.track(0).pan, -0.5f) << bad;
    }
    EXPECT_TRUE(edit(TrackViewModel::RowName, "Lead").first);
    EXPECT_EQ(studio.model.track(0).name, "Lead");
}

TEST_F(TrackViewFixture, ClipGridRowsAndStartTimeEdits) {
    addTracks({"A"});
    ASSERT_EQ(view.clipRows().size(), 1u);
    EXPECT_EQ(view.clipRows()[0], TrackViewModel::ClipRow{});
    TMultiWave& c = studio.model.createClip(0);
    c.SetTrack(0);
    c.SetFormat(WaveFormat::pcm(2, 44100));
    std::vector<std::uint8_t> data(176400 * 2);
    c.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
    c.SetFileName("/tmp/take.wav");
    c.SetStartTime(12.25f);
    view.RefreshTrackView();
    auto rows = view.clipRows();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0], (TrackViewModel::ClipRow{"0012.250", "/tmp/take.wav", "44100Hz", "ステレオ", "0002.000秒"}));
    EXPECT_EQ(view.StringGrid1KeyPress(1, "0003.500", "0012.250"), "0003.500");
    EXPECT_FLOAT_EQ(c.GetStartTime(), 3.5f);
    EXPECT_EQ(view.StringGrid1KeyPress(1, "abc", "0003.500"), "0003.500");
    studio.transport().SpeedButton1Click();  // playing
    ASSERT_TRUE(studio.transport().isPlaying());
    view.StringGrid1KeyPress(1, "0001.000", "0003.500");
    EXPECT_EQ(dialogs.messages().back(), "再生中は変更できません。");
    EXPECT_FLOAT_EQ(c.GetStartTime(), 3.5f);
    studio.transport().SpeedButton1Click();
}

// A row that no longer shows what the project holds (a clip moved or replaced behind the
// view's back) is never written back: Enter moves the edited row's clip and only that one.
TEST_F(TrackViewFixture, EnterMovesOnlyTheEditedRowsClip) {
    addTracks({"A", "B"});
    auto clipOn = [&](int slot, int track, float start) -> TMultiWave& {
        TMultiWave& c = studio.model.createClip(slot);
        c.SetTrack(track);
        c.SetFormat(WaveFormat::pcm(2, 44100));
        std::vector<std::uint8_t> data(17640);
        c.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
        c.SetStartTime(start);
        return c;
    };
    TMultiWave& first = clipOn(0, 0, 0.0f);
    clipOn(1, 0, 5.0f);
    view.RefreshTrackView();
    ASSERT_EQ(view.ShownClips.size(), 2u);
    studio.model.clip(1)->SetStartTime(7.0f);  // dragged meanwhile
    EXPECT_EQ(view.StringGrid1KeyPress(1, "0002.500", "0000.000"), "0002.500");
    EXPECT_FLOAT_EQ(first.GetStartTime(), 2.5f);
    EXPECT_FLOAT_EQ(studio.model.clip(1)->GetStartTime(), 7.0f);

    // The second row's clip was deleted and its slot reused by a clip on track B.
    studio.model.destroyClip(1);
    TMultiWave& other = clipOn(1, 1, 9.0f);
    EXPECT_EQ(view.StringGrid1KeyPress(2, "0003.000", "0005.000"), "0005.000");
    EXPECT_FLOAT_EQ(other.GetStartTime(), 9.0f);
    EXPECT_FLOAT_EQ(first.GetStartTime(), 2.5f);
}

TEST_F(TrackViewFixture, EditMaskWidensWithTheStartTime) {
    EXPECT_EQ(TrackViewModel::StringGrid1GetEditMask("0012.250"), "0000.000");
    EXPECT_EQ(TrackViewModel::StringGrid1GetEditMask(""), "0000.000");
    EXPECT_EQ(TrackViewModel::StringGrid1GetEditMask("12000.000"), "00000.000");
    EXPECT_EQ(TrackViewModel::StringGrid1GetEditMask("1234567.500"), "0000000.000");
}

// Following the project shows the selected track (or, with none, the one shown before)
// without selecting anything itself, and keeps a half-built order.
TEST_F(TrackViewFixture, FollowingLeavesSelectionAndOrderAlone) {
    addTracks({"A", "B", "C"});
    view.Button1Click({2});
    studio.trackCommands().selectTrack(1);
    studio.model.track(1).name = "Bass";
    studio.model.track(1).gain = 2.0f;
    view.FollowProject();
    EXPECT_EQ(view.cells[TrackViewModel::RowTrack - 1], "2");
    EXPECT_EQ(view.cells[TrackViewModel::RowGain - 1], "2.0");
    EXPECT_EQ(view.shownIndex, 1);
    EXPECT_EQ(view.leftItems(), (std::vector<std::string>{"Track1 (A)", "Track2 (Bass)"}));
    EXPECT_EQ(view.rightItems(), (std::vector<std::string>{"Track3 (C)"}));
    EXPECT_EQ(studio.model.SelectedTrack, 1);

    studio.model.SelectedTrack = -1;
    view.FollowProject();
    EXPECT_EQ(view.cells[TrackViewModel::RowTrack - 1], "2");
    EXPECT_EQ(studio.model.SelectedTrack, -1);
}

// The text before the edit may be the very cell the edit rewrites.
TEST_F(TrackViewFixture, BadValueRestoresEvenFromItsOwnCell) {
    addTracks({"A"});
    for (int row : {TrackViewModel::RowVolume, TrackViewModel::RowGain}) {
        const std::string shown = view.cells[row - 1];
        EXPECT_FALSE(view.ValueListEditor1Validate(row, "zz", view.cells[row - 1]));
        EXPECT_EQ(view.cells[row - 1], shown);
    }
}

}  // namespace
}  // namespace tqx

// The project's unsaved-changes mark and the question before changes are thrown away.
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "effects/equalizer.h"
#include "engine/device_choice.h"
#include "io/wave_import.h"
#include "session/new_project.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "session/window_title.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {
namespace {

using Cmd = ProjectFileCommands;

class UnsavedChangesTest : public ::testing::Test {
protected:
    UnsavedChangesTest() {
        rig.audio.addOutputDevice("Out A");
        rig.audio.addInputDevice("In A");
        applyNewProject(studio, 0, 4, dir.file("song.tqxproj"));
    }
    test::ScratchDir dir;
    test::StudioRig rig;
    Studio& studio = rig.studio;
    ScriptedDialogs& dialogs = rig.dialogs;
    ProjectModel& model = studio.model;
    Cmd& files = studio.projectFile();

    std::string wave(const std::string& name) {
        const std::string path = dir.file(name);
        test::writeFile(path, test::makeWave(2, 44100, {1, -1, 2, -2}));
        return path;
    }
    std::string title() const { return mainWindowTitle(model, studio.texts.caption()); }
    int questions() const {
        int n = 0;
        for (const auto& s : dialogs.shown) n += s.text == Cmd::kSaveChangesQuestion;
        return n;
    }
};

TEST_F(UnsavedChangesTest, EveryEditOfWhatTheFileSavesMarksTheProjectAndTheTitleShowsIt) {
    const std::string clip = wave("a.wav");
    const std::vector<std::pair<const char*, std::function<void()>>> edits = {
        {"new track", [&] { studio.trackCommands().createTrack(); }},
        {"track name", [&] { studio.trackCommands().setName(0, "ベース"); }},
        {"mute", [&] { studio.trackCommands().toggleMute(1); }},
        {"icon", [&] { studio.trackCommands().setIcon(2, 5); }},
        {"track order", [&] { model.swapPanels(0, 1); }},
        {"remove track", [&] { model.removeTrack(3); }},
        {"import",
         [&] {
             studio.trackCommands().selectTrack(0);
             studio.importer().importInteractive(clip);
         }},
        {"clip deleted", [&] { model.destroyClip(model.clipSlots().at(0)); }},
        {"equalizer band", [&] { studio.equalizer().setBandPosition(3, 120); }},
        {"equalizer on", [&] { studio.equalizer().loadOn(true); }},
        {"playback device", [&] { studio.deviceChoice().ComboBox2Change(0); }},
        {"per-track recording devices", [&] { studio.deviceChoice().CheckBox1Click(true); }},
        {"track's device", [&] { studio.deviceChoice().setTrackPlaybackDevice(1, 0); }},
        {"recording mode", [&] { model.setRecordingMode(1); }},
    };
    studio.trackCommands().selectTrack(0);
    for (const auto& [what, edit] : edits) {
        SCOPED_TRACE(what);
        ASSERT_TRUE(files.Write(model.SavePath));
        EXPECT_FALSE(model.modified());
        EXPECT_EQ(title(), "song - Tinderquillex");
        edit();
        EXPECT_TRUE(model.modified());
        EXPECT_EQ(title(), "*song - Tinderquillex");
    }
    // What the file does not hold changes nothing: panel heights, the selection.
    ASSERT_TRUE(files.Write(model.SavePath));
    studio.trackCommands().foldAll();
    studio.trackCommands().expandAll();
    studio.trackCommands().selectTrack(1);
    EXPECT_FALSE(model.modified());
}

TEST_F(UnsavedChangesTest, OpenAndNewProjectClearTheMarkAndARunningCommandShowsItsCaption) {
    studio.trackCommands().setName(0, "x");
    ASSERT_TRUE(files.Write(model.SavePath));
    studio.trackCommands().setName(0, "y");
    EXPECT_TRUE(files.Load(dir.file("song.tqxproj")));
    EXPECT_FALSE(model.modified());
    EXPECT_EQ(title(), "song - Tinderquillex");
    studio.trackCommands().setName(0, "z");
    applyNewProject(studio, 0, 4, dir.file("other.tqxproj"));
    EXPECT_FALSE(model.modified());
    EXPECT_EQ(title(), "other - Tinderquillex");
    studio.texts.setCaption(Cmd::kSavingCaption);
    EXPECT_EQ(title(), Cmd::kSavingCaption);
}

TEST_F(UnsavedChangesTest, NoQuestionWhileNothingChanged) {
    EXPECT_TRUE(files.askToSaveChanges());
    const std::string other = dir.file("other.tqxproj");
    ASSERT_TRUE(files.Write(other));
    dialogs.files = {other};
    files.OpenCommand();
    EXPECT_EQ(questions(), 0);
    EXPECT_EQ(model.ProjectPath, other);
}

TEST_F(UnsavedChangesTest, YesSavesAndGoesOnNoThrowsAwayCancelStops) {
    const std::string other = dir.file("other.tqxproj");
    ASSERT_TRUE(files.Write(other));

    // Cancel: nothing is saved and nothing opened.
    studio.trackCommands().setName(0, "キャンセル");
    dialogs.answers = {DialogAnswer::Cancel};
    dialogs.files = {other};
    files.OpenCommand();
    ASSERT_EQ(questions(), 1);
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNoCancel);
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Question);
    EXPECT_EQ(dialogs.shown[0].caption, kApplicationTitle);
    EXPECT_FALSE(std::filesystem::exists(dir.file("song.tqxproj")));
    EXPECT_EQ(model.track(0).name, "キャンセル");
    EXPECT_EQ(dialogs.files.size(), 1u);  // the open dialog was never shown

    // No: the changes go, the other project opens.
    dialogs.answers = {DialogAnswer::No};
    files.OpenCommand();
    EXPECT_EQ(questions(), 2);
    EXPECT_FALSE(std::filesystem::exists(dir.file("song.tqxproj")));
    EXPECT_EQ(model.ProjectPath, other);
    EXPECT_NE(model.track(0).name, "キャンセル");

    // Yes: saved to the project's own file, then opened.
    applyNewProject(studio, 0, 4, dir.file("song.tqxproj"));
    studio.trackCommands().setName(0, "保存");
    dialogs.answers = {DialogAnswer::Yes};
    dialogs.files = {other};
    files.OpenCommand();
    EXPECT_EQ(model.ProjectPath, other);
    ASSERT_TRUE(files.Load(dir.file("song.tqxproj")));
    EXPECT_EQ(model.track(0).name, "保存");
}

TEST_F(UnsavedChangesTest, YesWithoutAFileRunsSaveAsAndGoesOnOnlyWhenItWrote) {
    const std::string opened = dir.file("song.tqxproj");
    ASSERT_TRUE(files.Write(opened));
    ASSERT_TRUE(files.Load(opened));  // an opened project has no file Save writes to yet
    studio.trackCommands().setName(0, "新しい");

    dialogs.answers = {DialogAnswer::Yes};
    dialogs.files = {std::nullopt};  // Save As cancelled
    EXPECT_FALSE(files.askToSaveChanges());
    EXPECT_TRUE(model.modified());
    ASSERT_EQ(dialogs.shown.back().kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.shown.back().text, opened);  // the opened file is proposed

    // A save that fails stops the command too.
    dialogs.answers = {DialogAnswer::Yes};
    dialogs.files = {dir.file("no/such/folder/x.tqxproj")};
    EXPECT_FALSE(files.askToSaveChanges());
    EXPECT_TRUE(dialogs.showed(Cmd::kCannotCreateMessage));

    const std::string saved = dir.file("saved.tqxproj");
    dialogs.answers = {DialogAnswer::Yes};
    dialogs.files = {saved};
    EXPECT_TRUE(files.askToSaveChanges());
    EXPECT_FALSE(model.modified());
    EXPECT_EQ(model.SavePath, saved);
    EXPECT_EQ(title(), "saved - Tinderquillex");
    ASSERT_TRUE(files.Load(saved));
    EXPECT_EQ(model.track(0).name, "新しい");
}

}  // namespace
}  // namespace tqx

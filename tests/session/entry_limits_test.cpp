// Names and paths the project file cannot store are refused where they are entered, with a
// message, instead of being taken and then refusing every save.
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#include "io/wave_import.h"
#include "project/project_file.h"
#include "project/take_paths.h"
#include "project/text_encoding.h"
#include "session/new_project.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "session/track_view_model.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {
namespace {

namespace fs = std::filesystem;

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

struct EntryLimitsTest : ::testing::Test, test::StudioRig {
    test::ScratchDir dir;
    EntryLimitsTest() { applyNewProject(studio, 0, 4, dir.file("song.tqxproj")); }
};

TEST_F(EntryLimitsTest, TrackNamesCountTheirCp932BytesInThePanelAndInTheTrackView) {
    TrackCommands& tracks = studio.trackCommands();
    // 127 "あ" are 381 bytes of UTF-8 but 254 of cp932: stored fine.
    const std::string fits = repeat("あ", 127);
    EXPECT_TRUE(tracks.setName(0, fits));
    EXPECT_EQ(studio.model.track(0).name, fits);
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_FALSE(tracks.setName(0, fits + "あ"));
    EXPECT_EQ(studio.model.track(0).name, fits);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kTrackNameTooLongMessage});
    // Characters without a cp932 form are stored as UTF-8 and counted so.
    EXPECT_FALSE(tracks.setName(0, repeat("한", 86)));  // 258 bytes
    EXPECT_TRUE(tracks.setName(0, repeat("한", 85)));

    TrackViewModel view(studio);
    view.RefreshTrackView();
    const std::string before = view.cells[TrackViewModel::RowName - 1];
    dialogs.shown.clear();
    EXPECT_FALSE(view.ValueListEditor1Validate(TrackViewModel::RowName, std::string(256, 'x'), before));
    EXPECT_EQ(view.cells[TrackViewModel::RowName - 1], before);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{kTrackNameTooLongMessage});
    EXPECT_TRUE(view.ValueListEditor1Validate(TrackViewModel::RowName, repeat("ｱ", 255), before));
    // Whatever was accepted can be saved.
    EXPECT_TRUE(studio.projectFile().Write(dir.file("song.tqxproj")));
}

TEST_F(EntryLimitsTest, AnImportWhosePathTheProjectCannotStoreIsRefused) {
    // Folders of 200 and 40 bytes make a path of more than 259 bytes.
    const std::string folder = dir.file(std::string(200, 'a') + "/" + std::string(40, 'b'));
    fs::create_directories(folder);
    const std::string path = folder + "/clip.wav";
    test::writeFile(path, test::makeWave(2, 44100, {1, 2, 3, 4}));
    ASSERT_GT(storedTextBytes(path), static_cast<std::size_t>(kMaxStoredPathBytes));
    studio.trackCommands().selectTrack(0);
    studio.importer().importInteractive(path);
    EXPECT_EQ(studio.model.clipCount(), 0);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{WaveImporter::pathTooLongMessage(path)});
    EXPECT_TRUE(studio.projectFile().Write(dir.file("song.tqxproj")));
}

TEST_F(EntryLimitsTest, ATrackCannotBeArmedWhereTheTakesPathsCouldNotBeStored) {
    TrackCommands& tracks = studio.trackCommands();
    tracks.toggleRecordArm(0);
    EXPECT_TRUE(studio.model.track(0).recordArmed);
    tracks.toggleRecordArm(0);
    // A project opened from a folder of 250 bytes: its takes would need more than 259.
    studio.model.ProjectPath = "/" + std::string(250, 'f') + "/song.tqxproj";
    tracks.toggleRecordArm(1);
    EXPECT_FALSE(studio.model.track(1).recordArmed);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_EQ(dialogs.messages()[0], takeFolderTooLongMessage("/" + std::string(250, 'f') + "/"));
}

struct NewProjectLimitsTest : ::testing::Test {
    test::ScratchDir dir;
    ScriptedDialogs dialogs;
    std::string chosen;
    NewProjectEntries entries(const std::string& name, const std::string& location) {
        NewProjectEntries e = defaultNewProjectEntries();
        e.name = name;
        e.location = location;
        return e;
    }
};

TEST_F(NewProjectLimitsTest, ANameWhoseFileCannotBeWrittenIsRefusedBeforeAnyFolderIsMade) {
    // "name.tqxproj" must fit a file name's 255 bytes.
    const std::string tooLong(248, 'n');
    EXPECT_EQ(confirmNewProject(entries(tooLong, dir.file("loc")), dialogs, chosen), kNewProjectNone);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
    EXPECT_EQ(dialogs.shown[0].text.rfind("エラー。名前が長すぎます。", 0), 0u);
    EXPECT_FALSE(fs::exists(dir.file("loc")));
    EXPECT_TRUE(chosen.empty());
}

TEST_F(NewProjectLimitsTest, ALocationWhoseTakesTheProjectCannotStoreIsRefused) {
    const std::string deep = dir.file(std::string(230, 'd'));
    // The project folder adds the name; its takes ("folder/2147483647.wav") would not fit.
    EXPECT_EQ(confirmNewProject(entries("NoName", deep), dialogs, chosen), kNewProjectNone);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text.rfind("エラー。場所が長すぎます。", 0), 0u);
    EXPECT_FALSE(fs::exists(deep));
    EXPECT_FALSE(takePathsFit(deep + "/NoName"));
    EXPECT_TRUE(takePathsFit(dir.file("short")));
}

TEST_F(NewProjectLimitsTest, TildeMeansTheHomeFolder) {
    const char* saved = std::getenv("HOME");
    const std::string home = saved ? saved : "";
    setenv("HOME", dir.path().c_str(), 1);
    EXPECT_EQ(expandHomeFolder("~"), dir.path().string());
    EXPECT_EQ(expandHomeFolder("~/Music"), dir.file("Music"));
    EXPECT_EQ(expandHomeFolder("a/~/b"), "a/~/b");
    EXPECT_EQ(expandHomeFolder("~user/x"), "~user/x");
    dialogs.answers = {DialogAnswer::Yes};  // create the missing location
    EXPECT_EQ(confirmNewProject(entries("NoName", "~/Music"), dialogs, chosen), kNewProjectOk);
    EXPECT_EQ(chosen, dir.file("Music") + "/NoName/NoName.tqxproj");
    EXPECT_TRUE(fs::is_directory(dir.file("Music/NoName")));
    EXPECT_FALSE(fs::exists("~"));
    setenv("HOME", home.c_str(), 1);
}

}  // namespace
}  // namespace tqx

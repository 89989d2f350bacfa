// Projects whose folder was moved or copied, clips whose files are away, and an open the user
// stops: no clip entry and no file is lost.
#include <filesystem>
#include <gtest/gtest.h>

#include "io/exporter.h"
#include "io/wave_import.h"
#include "platform/wave_reader.h"
#include "session/new_project.h"
#include "session/project_file_commands.h"
#include "session/track_commands.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {
namespace {

namespace fs = std::filesystem;
using Cmd = ProjectFileCommands;

class PortableProjectTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    test::StudioRig rig;
    Studio& studio = rig.studio;
    ScriptedDialogs& dialogs = rig.dialogs;
    ProjectModel& model = studio.model;
    Cmd& files = studio.projectFile();

    std::string wave(const std::string& path, std::int16_t value = 1000) {
        fs::create_directories(fs::path(path).parent_path());
        test::writeFile(path, test::makeWave(2, 44100, std::vector<std::int16_t>(882, value)));
        return path;
    }
    void addClip(int clipSlot, int track, const std::string& path, float start) {
        ASSERT_TRUE(studio.importer().importForProject(clipSlot, path, track));
        model.clip(clipSlot)->SetStartTime(start);
    }
    // A project in `folder` with clips beside its file, in a sub-folder and by a name alone.
    std::string makeProject(const std::string& folder) {
        applyNewProject(studio, 0, 4, folder + "/song.tqxproj");
        addClip(0, 0, wave(folder + "/0.wav"), 0.0f);
        addClip(1, 1, wave(folder + "/takes/1.wav"), 1.0f);
        addClip(7, 1, wave(folder + "/takes/deep/2.wav"), 2.5f);
        EXPECT_TRUE(files.Write(folder + "/song.tqxproj"));
        return folder + "/song.tqxproj";
    }
    std::vector<std::string> clipPaths() const {
        std::vector<std::string> paths;
        for (int slot : model.clipSlots()) paths.push_back(model.clip(slot)->FileName());
        return paths;
    }
    std::vector<std::string> storedPaths(const std::string& project) const {
        std::vector<std::string> paths;
        for (const StoredTrack& t : parseProjectFile(project).tracks)
            for (const StoredClip& c : t.clips) paths.push_back(c.path);
        return paths;
    }
};

TEST_F(PortableProjectTest, AMovedProjectFolderOpensWithEveryClipAndSavesWhereItFoundThem) {
    const std::string old = dir.file("old/song");
    makeProject(old);
    fs::create_directories(dir.file("new/place"));
    fs::rename(old, dir.file("new/place/renamed"));
    const std::string moved = dir.file("new/place/renamed");

    ASSERT_TRUE(files.Load(moved + "/song.tqxproj"));
    EXPECT_EQ(clipPaths(),
              (std::vector<std::string>{moved + "/0.wav", moved + "/takes/1.wav", moved + "/takes/deep/2.wav"}));
    for (int slot : model.clipSlots()) EXPECT_FALSE(model.clip(slot)->IsMissing());
    EXPECT_FLOAT_EQ(model.clip(7)->GetStartTime(), 2.5f);
    EXPECT_EQ(model.clip(7)->GetTrack(), 1);
    EXPECT_TRUE(dialogs.messages().empty());
    // Each relocated clip is named in the memo with where it was and where it is.
    const auto& memo = studio.texts.memo();
    ASSERT_EQ(memo.size(), 9u);
    EXPECT_EQ(memo[0], Cmd::kRelocatedMemo);
    EXPECT_EQ(memo[1], "元の場所: " + old + "/0.wav");
    EXPECT_EQ(memo[2], "見つけた場所: " + moved + "/0.wav");
    EXPECT_EQ(memo[8], "見つけた場所: " + moved + "/takes/deep/2.wav");

    ASSERT_TRUE(files.Write(moved + "/song.tqxproj"));
    EXPECT_EQ(storedPaths(moved + "/song.tqxproj"), clipPaths());
}

TEST_F(PortableProjectTest, ACopyOpensItsOwnClipsWhileTheOriginalStillUsesItsOwn) {
    const std::string original = dir.file("a/song");
    makeProject(original);
    fs::create_directories(dir.file("b"));
    fs::copy(original, dir.file("b/song"), fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    // The copy's own files are found once the original's are gone.
    fs::rename(original, dir.file("a/away"));
    ASSERT_TRUE(files.Load(dir.file("b/song/song.tqxproj")));
    EXPECT_EQ(model.clipCount(), 3);
    for (const std::string& p : clipPaths()) EXPECT_EQ(p.rfind(dir.file("b/song/"), 0), 0u) << p;
}

TEST_F(PortableProjectTest, AFileFoundOnlyByItsNameInTheProjectFolderIsUsed) {
    const std::string folder = dir.file("p");
    makeProject(folder);
    // Sub-folders flattened by hand: takes/1.wav now lies beside the project file.
    fs::rename(folder + "/takes/1.wav", folder + "/1.wav");
    fs::rename(folder + "/takes/deep/2.wav", folder + "/2.wav");
    ASSERT_TRUE(files.Load(folder + "/song.tqxproj"));
    EXPECT_EQ(clipPaths(), (std::vector<std::string>{folder + "/0.wav", folder + "/1.wav", folder + "/2.wav"}));
}

// A project opened by a relative path (as tqx-mixdown and tqx-record are given one): the
// clips found are saved with paths that do not depend on the folder the program ran in.
TEST_F(PortableProjectTest, AMovedProjectOpenedByARelativePathSavesAbsoluteClipPaths) {
    makeProject(dir.file("old"));
    fs::rename(dir.file("old"), dir.file("moved"));
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    const bool loaded = files.Load("moved/song.tqxproj");
    fs::current_path(previous);
    ASSERT_TRUE(loaded);
    const std::string moved = fs::weakly_canonical(dir.file("moved")).string();
    EXPECT_EQ(clipPaths(),
              (std::vector<std::string>{moved + "/0.wav", moved + "/takes/1.wav", moved + "/takes/deep/2.wav"}));
}

TEST_F(PortableProjectTest, AMissingClipStaysThroughOpenSaveOpenAndComesBackWithItsFile) {
    const std::string folder = dir.file("p");
    const std::string project = makeProject(folder);
    const auto before = test::readFile(project);
    fs::rename(folder + "/takes", dir.file("away"));

    ASSERT_TRUE(files.Load(project));
    // One message names both missing files.
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              std::string(Cmd::kMissingClipsMessage) + "\n" + folder + "/takes/1.wav\n" + folder + "/takes/deep/2.wav");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
    ASSERT_EQ(model.clipSlots(), (std::vector<int>{0, 1, 7}));
    const TMultiWave& missing = *model.clip(7);
    EXPECT_TRUE(missing.IsMissing());
    EXPECT_EQ(missing.GetTrack(), 1);
    EXPECT_EQ(missing.FileName(), folder + "/takes/deep/2.wav");
    EXPECT_FLOAT_EQ(missing.GetStartTime(), 2.5f);
    EXPECT_EQ(missing.GetDataSize(), 0u);
    EXPECT_TRUE(missing.onTimeline);
    EXPECT_GT(missing.width, 0);  // drawn on its track as a missing clip
    EXPECT_EQ(files.clipsLeftOut().size(), 2u);
    // The memo keeps its three lines per clip.
    EXPECT_EQ(studio.texts.memo()[0], Cmd::kClipFailedMemo);

    // Saved, the file is the same bytes: no entry was dropped.
    ASSERT_TRUE(files.Write(project));
    EXPECT_EQ(test::readFile(project), before);
    ASSERT_TRUE(files.Load(project));
    EXPECT_EQ(model.clipSlots(), (std::vector<int>{0, 1, 7}));

    fs::rename(dir.file("away"), folder + "/takes");
    dialogs.shown.clear();
    ASSERT_TRUE(files.Load(project));
    EXPECT_TRUE(dialogs.shown.empty());
    ASSERT_NE(model.clip(7), nullptr);
    EXPECT_FALSE(model.clip(7)->IsMissing());
    EXPECT_EQ(model.clip(7)->GetDataSize(), 882u * 2);
}

TEST_F(PortableProjectTest, AMissingClipIsSilentInATrackExportAndCannotBeExportedItself) {
    const std::string folder = dir.file("p");
    const std::string project = makeProject(folder);
    fs::remove(folder + "/takes/deep/2.wav");
    ASSERT_TRUE(files.Load(project));
    dialogs.shown.clear();

    // Track 1 holds clip 1 (0.01 s at 1 s) and the missing clip 7 at 2.5 s: the export ends
    // with clip 1, as if clip 7 were not there.
    const std::string out = dir.file("track.wav");
    studio.trackCommands().selectTrack(1);
    dialogs.files = {out};
    studio.exporter().N25Click();
    const WaveScan scan = scanWaveFile(out);
    ASSERT_EQ(scan.error, WaveReadError::None);
    EXPECT_GE(scan.chunks.dataDeclared, 44100u * 4);
    EXPECT_LT(scan.chunks.dataDeclared, 44100u * 4 * 2);

    studio.selectedClip = 7;
    dialogs.files = {dir.file("clip.wav")};
    studio.exporter().E1Click();
    EXPECT_FALSE(fs::exists(dir.file("clip.wav")));
    ASSERT_EQ(dialogs.shown.back().icon, DialogIcon::Error);
    EXPECT_NE(dialogs.shown.back().text.find(folder + "/takes/deep/2.wav"), std::string::npos);
}

TEST_F(PortableProjectTest, AnOpenTheUserStopsLeavesAnEmptyProjectThatCannotOverwriteTheFile) {
    const std::string project = makeProject(dir.file("p"));
    const auto before = test::readFile(project);
    applyNewProject(studio, 1, 2, dir.file("other.tqxproj"));  // 16 tracks at 11,025 Hz
    files.progressAfter = {};
    dialogs.stopAfterReports = 2;  // stopped while the first track's clips are read

    EXPECT_FALSE(files.Load(project));
    EXPECT_EQ(model.clipCount(), 0);
    EXPECT_EQ(model.trackCount(), 16);  // the last new project's tracks and rate, nothing of the file
    EXPECT_EQ(model.ProjectSampleRate, 11025);
    EXPECT_TRUE(model.ProjectPath.empty());
    EXPECT_TRUE(model.SavePath.empty());
    EXPECT_FALSE(model.modified());

    // Save asks for a file and proposes none; cancelled, the file stays as it was.
    dialogs.files = {std::nullopt};
    EXPECT_FALSE(files.SaveCommand());
    EXPECT_EQ(dialogs.shown.back().kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.shown.back().text, "");
    EXPECT_EQ(test::readFile(project), before);
}

}  // namespace
}  // namespace tqx

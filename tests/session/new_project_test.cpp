#include "session/new_project.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "effects/equalizer.h"
#include "platform/scripted_dialogs.h"
#include "session/studio.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {
namespace {

namespace fs = std::filesystem;

struct NewProjectFixture : ::testing::Test {
    test::ScratchDir dir;
    ScriptedDialogs dialogs;
    std::string chosen;
    NewProjectEntries entries() {
        NewProjectEntries e = defaultNewProjectEntries();
        e.location = dir.file("Tinderquillex");
        return e;
    }
};

TEST_F(NewProjectFixture, DefaultsCreateTheProjectFolderInTheLocation) {
    EXPECT_EQ(defaultNewProjectEntries().name, "NoName");
    EXPECT_EQ(defaultNewProjectEntries().location, std::string(std::getenv("HOME")) + "/Tinderquillex");
    fs::create_directory(dir.file("Tinderquillex"));
    EXPECT_EQ(confirmNewProject(entries(), dialogs, chosen), kNewProjectOk);
    EXPECT_EQ(chosen, dir.file("Tinderquillex") + "/NoName/NoName.tqxproj");
    EXPECT_TRUE(fs::is_directory(dir.file("Tinderquillex/NoName")));
    EXPECT_TRUE(dialogs.messages().empty());
    // The project folder already existing is no error.
    EXPECT_EQ(confirmNewProject(entries(), dialogs, chosen), kNewProjectOk);
}

TEST_F(NewProjectFixture, UntickedBoxPutsTheFileInTheLocation) {
    fs::create_directory(dir.file("Tinderquillex"));
    auto e = entries();
    e.createProjectFolder = false;
    EXPECT_EQ(confirmNewProject(e, dialogs, chosen), kNewProjectOk);
    EXPECT_EQ(chosen, dir.file("Tinderquillex") + "/NoName.tqxproj");
    EXPECT_FALSE(fs::exists(dir.file("Tinderquillex/NoName")));
}

// A project of the same name already in the folder would be replaced by the first save of
// the new one: only a Yes goes on.
TEST_F(NewProjectFixture, AnExistingProjectFileIsReplacedOnlyOnYes) {
    fs::create_directories(dir.file("Tinderquillex/NoName"));
    const std::string existing = dir.file("Tinderquillex/NoName/NoName.tqxproj");
    test::writeFile(existing, std::vector<std::uint8_t>{1, 2, 3});
    dialogs.answers = {DialogAnswer::No};
    EXPECT_EQ(confirmNewProject(entries(), dialogs, chosen), kNewProjectNone);
    EXPECT_TRUE(chosen.empty());
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text,
              "プロジェクトファイル「" + existing +
                  "」は既に存在します。新しいプロジェクトを保存すると上書きされます。よろしいですか？");
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_EQ(confirmNewProject(entries(), dialogs, chosen), kNewProjectOk);
    EXPECT_EQ(chosen, existing);
    EXPECT_EQ(test::readFile(existing), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(NewProjectFixture, MissingLocationIsCreatedOnlyOnYes) {
    dialogs.answers = {DialogAnswer::No};
    EXPECT_EQ(confirmNewProject(entries(), dialogs, chosen), kNewProjectNone);
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"指定の場所は存在しません。作成しますか？"});
    EXPECT_FALSE(fs::exists(dir.file("Tinderquillex")));
    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_EQ(confirmNewProject(entries(), dialogs, chosen), kNewProjectOk);
    EXPECT_TRUE(fs::is_directory(dir.file("Tinderquillex/NoName")));
}

TEST_F(NewProjectFixture, EmptyNameBeforeEmptyLocationAndUnsafeNamesRefused) {
    NewProjectEntries e;
    e.name = "";
    e.location = "";
    EXPECT_EQ(confirmNewProject(e, dialogs, chosen), kNewProjectNone);
    e.name = "x";
    EXPECT_EQ(confirmNewProject(e, dialogs, chosen), kNewProjectNone);
    EXPECT_EQ(dialogs.messages(),
              (std::vector<std::string>{"名前が入力されていません。", "場所が指定されていません。"}));
    for (const char* bad : {"a/b", ".", ".."}) {
        auto n = entries();
        n.name = bad;
        EXPECT_EQ(confirmNewProject(n, dialogs, chosen), kNewProjectNone) << bad;
        EXPECT_TRUE(chosen.empty());
    }
    EXPECT_FALSE(fs::exists(dir.file("Tinderquillex")));
    // A location that cannot be made (a file is in the way).
    test::writeFile(dir.file("file"), {1});
    auto blocked = entries();
    blocked.location = dir.file("file");
    dialogs.answers = {DialogAnswer::Yes};
    EXPECT_EQ(confirmNewProject(blocked, dialogs, chosen), kNewProjectNone);
    EXPECT_EQ(dialogs.messages().back(), "エラー。作成できませんでした。");
}

TEST(NewProject, ApplyMakesTheChosenTracksAndRate) {
    test::StudioRig rig;
    Studio& studio = rig.studio;
    studio.equalizer().setOn(true);
    studio.equalizer().setBandPosition(3, 100);
    applyNewProject(studio, 1, 5, "/x/y.tqxproj");
    EXPECT_EQ(studio.model.trackCount(), 16);
    EXPECT_EQ(studio.model.ProjectSampleRate, 48000);
    EXPECT_EQ(studio.timeline.trackBarPosition, 12000);
    EXPECT_FLOAT_EQ(studio.timeline.TimeScale, 1200.0f);
    EXPECT_EQ(studio.model.SelectedTrack, 0);
    EXPECT_EQ(studio.model.SavePath, "/x/y.tqxproj");
    EXPECT_EQ(studio.model.ProjectPath, "/x/y.tqxproj");
    EXPECT_FALSE(studio.equalizer().isOn());
    EXPECT_EQ(studio.equalizer().bandPosition(3), 0);
    applyNewProject(studio, 0, 4, "/x/z.tqxproj");
    EXPECT_EQ(studio.model.trackCount(), 8);
    EXPECT_EQ(studio.timeline.tickFrequency, 500);
}

}  // namespace
}  // namespace tqx

#include "engine/master_volume.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

#include "audio/no_audio_system.h"
#include "platform/scripted_dialogs.h"
#include "session/studio.h"
#include "support/studio_rig.h"

namespace tqx {
namespace {

class MasterVolumeTest : public ::testing::Test, protected test::SilentStudioRig {
protected:
    MasterVolume& volume = studio.masterVolume();

    std::vector<double> answers;  // what GetVolume returns, call by call
    int getCalls = 0;
    std::vector<int> set;  // every SetVolume argument

    void attachFake() {
        volume.attach({[this] { return answers.at(static_cast<std::size_t>(getCalls++)); },
                       [this](int percent) { set.push_back(percent); }});
    }
};

TEST_F(MasterVolumeTest, ShowsTheSecondAnswerOfTheLibrary) {
    answers = {0.9, 0.25};
    attachFake();
    EXPECT_EQ(getCalls, 2);
    ASSERT_TRUE(volume.drawn());
    EXPECT_EQ(volume.column(), 31);  // trunc(126.5 x 0.25)
    EXPECT_EQ(volume.percentText(), "25");
    EXPECT_TRUE(set.empty());
}

TEST_F(MasterVolumeTest, ColumnsAreLimitedToTheControlAndSetRoundedPercentages) {
    answers = {0.5, 0.5};
    attachFake();
    int announced = 0;
    const Connection listening = volume.changed.connect([&] { ++announced; });
    volume.setColumn(500);  // far beyond the right edge
    EXPECT_EQ(volume.column(), MasterVolume::kWidth);
    EXPECT_EQ(volume.percentText(), "100");
    volume.setColumn(63);
    EXPECT_EQ(volume.percentText(), "50");
    volume.setColumn(40);  // 31.7 %
    EXPECT_EQ(volume.percentText(), "32");
    volume.setColumn(-40);  // past the left edge
    EXPECT_EQ(volume.column(), 0);
    EXPECT_EQ(volume.percentText(), "0");
    EXPECT_EQ(set, (std::vector<int>{100, 50, 32, 0}));
    EXPECT_EQ(announced, 4);
}

TEST_F(MasterVolumeTest, MissingLibraryIsReportedAndTheControlOnlyRedraws) {
    volume.loadNamed("libNoSuchVolumeLibrary.so");
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"Corvane.dllの読み込みに失敗しました。"}));
    EXPECT_EQ(dialogs.shown.at(0).kind, ScriptedDialogs::Kind::PlainMessage);
    EXPECT_FALSE(volume.drawn());
    EXPECT_FALSE(volume.loaded());
    volume.setColumn(126);
    EXPECT_TRUE(volume.drawn());
    EXPECT_EQ(volume.percentText(), "100");
}

// The library built with the program is found next to it and answers without a sound card.
TEST_F(MasterVolumeTest, LoadsTheLibraryFromTheProgramDirectory) {
    volume.load();
    EXPECT_TRUE(dialogs.messages().empty());
    EXPECT_TRUE(volume.loaded());
    ASSERT_TRUE(volume.drawn());
    const int percent = std::stoi(volume.percentText());
    EXPECT_GE(percent, 0);
    EXPECT_LE(percent, 100);
    volume.release();
    EXPECT_FALSE(volume.loaded());
}

}  // namespace
}  // namespace tqx

namespace tqx {
namespace {

// libCorvane.so against a real mixer: the default ALSA device of a private PulseAudio server
// (tests/scripts/pulseaudio_backend.sh). Without PULSE_SERVER there is no mixer to ask.
TEST_F(MasterVolumeTest, CorvaneLiveSetsAndReadsTheDefaultMixer) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
    auto library = SharedLibrary::loadFromProgramDirectory(MasterVolume::kLibraryName);
    ASSERT_TRUE(library);
    auto get = library->function<double (*)()>("GetVolume");
    ASSERT_NE(get, nullptr);

    volume.load();
    volume.setColumn(63);  // half the width: 50 %
    EXPECT_NEAR(get(), 0.5, 0.01);
    volume.setColumn(MasterVolume::kWidth);
    EXPECT_NEAR(get(), 1.0, 0.001);
    volume.load();  // a fresh start shows what the mixer holds
    EXPECT_EQ(volume.percentText(), "100");
}

}  // namespace
}  // namespace tqx

#include "engine/master_volume.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "engine/studio.h"
#include "audio/no_audio_system.h"
#include "platform/scripted_dialogs.h"

namespace tqx {
namespace {

class MasterVolumeTest : public ::testing::Test {
protected:
    QueuedEventSink sink;
    NoAudioSystem audio;
    ScriptedDialogs dialogs;
    ManualTimerService timer;
    Studio studio{{dialogs, audio, timer, sink}};
    MasterVolume& volume = studio.masterVolume();

    std::vector<double> answers;  // what GetVolume returns, call by call
    int getCalls = 0;
    std::vector<int> set;         // every SetVolume argument

    void attachFake() {
        volume.attach({[this] { return answers.at(static_cast<std::size_t>(getCalls++)); },
                       [this](int percent) { set.push_back(percent); }});
    }
};

constexpr Rgb kBackground{163, 73, 164};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kGrey{64, 64, 64};

TEST_F(MasterVolumeTest, ShowsTheSecondAnswerOfTheLibrary) {
    answers = {0.9, 0.25};
    attachFake();
    EXPECT_EQ(getCalls, 2);
    ASSERT_TRUE(volume.drawn());
    // trunc(126.5 x 0.25) = 31 columns filled: column 30 coloured, column 32 still grey.
    EXPECT_EQ(volume.image().at(30, 18), (Rgb{200, 225, 0}));
    EXPECT_EQ(volume.image().at(32, 18), kGrey);
    EXPECT_EQ(volume.percentText(), "25");
    EXPECT_TRUE(set.empty());
}

TEST_F(MasterVolumeTest, DraggingFollowsTheMouseWithinTheImage) {
    answers = {0.5, 0.5};
    attachFake();
    volume.MouseMove(100);  // no button held: nothing changes
    EXPECT_TRUE(set.empty());

    volume.MouseDown();
    EXPECT_TRUE(set.empty());  // a press alone sets nothing
    volume.MouseMove(500);     // far beyond the right edge
    EXPECT_EQ(volume.percentText(), "100");
    volume.MouseMove(MasterVolume::kWidth);
    EXPECT_EQ(volume.percentText(), "100");
    volume.MouseMove(63);
    EXPECT_EQ(volume.percentText(), "50");
    volume.MouseMove(-40);     // past the left edge
    EXPECT_EQ(volume.percentText(), "0");
    volume.MouseUp();
    volume.MouseMove(80);
    EXPECT_EQ(set, (std::vector<int>{100, 100, 50, 0}));
    EXPECT_EQ(volume.percentText(), "0");
}

TEST_F(MasterVolumeTest, MissingLibraryIsReportedAndTheControlOnlyRedraws) {
    volume.loadNamed("libNoSuchVolumeLibrary.so");
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"Corvane.dllの読み込みに失敗しました。"}));
    EXPECT_EQ(dialogs.shown.at(0).kind, ScriptedDialogs::Kind::PlainMessage);
    EXPECT_FALSE(volume.drawn());
    EXPECT_FALSE(volume.loaded());
    volume.MouseDown();
    volume.MouseMove(126);
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

TEST_F(MasterVolumeTest, WedgePixels) {
    volume.DrawMasterVolume(63);
    const RgbImage& img = volume.image();
    ASSERT_EQ(img.width(), 126);
    ASSERT_EQ(img.height(), 20);
    EXPECT_EQ(img.at(0, 19), kBackground);  // bottom-left corner restored
    EXPECT_EQ(img.at(1, 19), kBlack);       // bottom row
    EXPECT_EQ(img.at(125, 0), kBlack);      // right column
    EXPECT_EQ(img.at(125, 10), kBlack);
    EXPECT_EQ(img.at(0, 18), (Rgb{200, 200, 0}));  // the first column is one pixel high
    EXPECT_EQ(img.at(0, 17), kBackground);
    EXPECT_EQ(img.at(1, 18), kBackground);  // odd columns stay open
    // Column 40 (31.7%) rises to row trunc(20 - 40 x 20 / 100.8 - 2) = 10.
    EXPECT_EQ(img.at(40, 10), (Rgb{200, 225, 0}));
    EXPECT_EQ(img.at(40, 9), kBackground);
    EXPECT_EQ(img.at(62, 18), (Rgb{200, 240, 0}));  // last filled column, 49.2%
    EXPECT_EQ(img.at(64, 18), kGrey);               // beyond x: the grey wedge
    EXPECT_EQ(img.at(100, 0), kGrey);               // past 80% the wedge fills the height
    EXPECT_EQ(img.at(124, 0), kGrey);
    EXPECT_EQ(volume.percentText(), "50");

    volume.DrawMasterVolume(126);
    EXPECT_EQ(volume.image().at(78, 18), (Rgb{0, 255, 0}));  // 61.9%
    EXPECT_EQ(volume.image().at(124, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(volume.image().at(125, 5), kBlack);
    EXPECT_EQ(volume.percentText(), "100");

    volume.DrawMasterVolume(0);
    EXPECT_EQ(volume.image().at(0, 18), kGrey);
    EXPECT_EQ(volume.percentText(), "0");
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
    volume.MouseDown();
    volume.MouseMove(63);  // half the width: 50 %
    volume.MouseUp();
    EXPECT_NEAR(get(), 0.5, 0.01);
    volume.MouseDown();
    volume.MouseMove(MasterVolume::kWidth);
    EXPECT_NEAR(get(), 1.0, 0.001);
    volume.load();  // a fresh start shows what the mixer holds
    EXPECT_EQ(volume.percentText(), "100");
}

}  // namespace
}  // namespace tqx

#include "engine/device_choice.h"

#include <gtest/gtest.h>
#include <memory>

#include "audio/simulated_audio.h"
#include "engine/capture_engine.h"
#include "platform/scripted_dialogs.h"
#include "session/studio.h"
#include "support/test_support.h"

namespace tqx {
namespace {

using Items = std::vector<std::string>;

class Devices : public ::testing::Test {
protected:
    QueuedEventSink sink;
    SimulatedAudioSystem audio{sink};
    ScriptedDialogs dialogs;
    ManualTimerService timer;
    test::ScratchDir dir;
    std::unique_ptr<Studio> studio;

    DeviceChoice& choice() { return studio->deviceChoice(); }
    void makeStudio() {
        studio = std::make_unique<Studio>(Platform{dialogs, audio, timer, sink});
        studio->model.ProjectPath = dir.file("p.tqxproj");
    }
    // Records briefly on the armed tracks; the devices their streams were opened on.
    std::vector<std::optional<int>> recordOnce() {
        const auto before = studio->model.clipSlots();
        studio->capture().startRecordings();
        std::vector<std::optional<int>> used;
        for (int slot : studio->model.clipSlots())
            if (std::find(before.begin(), before.end(), slot) == before.end())
                used.push_back(audio.inputDeviceOf(studio->model.clip(slot)->WaveIn()));
        studio->capture().StopRecording(true);
        return used;
    }
};

TEST_F(Devices, WithoutInputDevicesOnlyTheMapperIsListedAndRecords) {
    audio.addOutputDevice("Speakers");
    audio.addOutputDevice("Headphones");
    testing::internal::CaptureStderr();
    makeStudio();
    const std::string debugOutput = testing::internal::GetCapturedStderr();

    EXPECT_EQ(choice().inputItems(), Items{"WAVE MAPPER"});
    EXPECT_EQ(studio->devices.InputDeviceId, -1);
    EXPECT_EQ(choice().inputItemOf(studio->devices.InputDeviceId), 0);
    // The playback list selects its own "WAVE MAPPER" although the counts differ.
    EXPECT_EQ(choice().outputItems(), (Items{"Speakers", "Headphones", "WAVE MAPPER"}));
    EXPECT_EQ(studio->devices.OutputDeviceId, -1);
    EXPECT_EQ(choice().outputItemOf(studio->devices.OutputDeviceId), 2);
    EXPECT_EQ(debugOutput, "NOT PITCH\nNOT VOLUME\nNOT PITCH\nNOT VOLUME\n");

    choice().ComboBox1Change(0);  // the only item: the mapper
    EXPECT_EQ(studio->devices.InputDeviceId, -1);
    studio->model.track(studio->model.createTrack()).recordArmed = true;
    EXPECT_EQ(recordOnce(), (std::vector<std::optional<int>>{kDefaultDevice}));
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(Devices, ListIndexesAreDeviceNumbersAndTheMapperIsMinusOne) {
    audio.addInputDevice("Mic");
    audio.addInputDevice("Line");
    audio.addOutputDevice("Speakers");
    makeStudio();
    EXPECT_EQ(choice().inputItems(), (Items{"Mic", "Line", "WAVE MAPPER"}));
    choice().ComboBox1Change(1);
    EXPECT_EQ(studio->devices.InputDeviceId, 1);
    choice().ComboBox1Change(2);
    EXPECT_EQ(studio->devices.InputDeviceId, -1);
    choice().ComboBox2Change(0);
    EXPECT_EQ(studio->devices.OutputDeviceId, 0);
    choice().ComboBox2Change(1);
    EXPECT_EQ(studio->devices.OutputDeviceId, -1);

    const int t = studio->model.createTrack();
    choice().setTrackPlaybackDevice(t, 0);
    choice().setTrackRecordingDevice(t, 1);
    EXPECT_EQ(studio->model.track(t).playbackDevice, 0);
    EXPECT_EQ(studio->model.track(t).recordingDevice, 1);
    choice().setTrackRecordingDevice(t, 2);
    EXPECT_EQ(studio->model.track(t).recordingDevice, -1);
}

TEST_F(Devices, UntickingPerTrackKeepsEveryTracksChoice) {
    audio.addInputDevice("Mic");
    audio.addInputDevice("Line");
    makeStudio();
    const int a = studio->model.createTrack(), b = studio->model.createTrack();
    studio->model.track(a).recordArmed = studio->model.track(b).recordArmed = true;
    choice().ComboBox1Change(0);
    EXPECT_TRUE(choice().inputListEnabled());
    EXPECT_FALSE(choice().trackRecordingListsEnabled());

    choice().CheckBox1Click(true);
    EXPECT_FALSE(choice().inputListEnabled());
    EXPECT_TRUE(choice().trackRecordingListsEnabled());
    choice().setTrackRecordingDevice(a, 1);
    choice().setTrackRecordingDevice(b, 2);  // WAVE MAPPER
    EXPECT_EQ(recordOnce(), (std::vector<std::optional<int>>{1, kDefaultDevice}));

    choice().CheckBox1Click(false);
    EXPECT_TRUE(choice().inputListEnabled());
    EXPECT_EQ(studio->model.track(a).recordingDevice, 1);
    EXPECT_EQ(studio->model.track(b).recordingDevice, -1);
    EXPECT_EQ(recordOnce(), (std::vector<std::optional<int>>{0, 0}));  // the main choice again

    choice().CheckBox1Click(true);
    EXPECT_EQ(recordOnce(), (std::vector<std::optional<int>>{1, kDefaultDevice}));

    choice().CheckBox2Click(true);
    EXPECT_FALSE(choice().outputListEnabled());
    EXPECT_TRUE(choice().trackPlaybackListsEnabled());
    EXPECT_TRUE(studio->devices.perTrackPlayback);
}

}  // namespace
}  // namespace tqx

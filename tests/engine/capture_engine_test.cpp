#include "engine/capture_engine.h"

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

#include "audio/simulated_audio.h"
#include "engine/device_choice.h"
#include "engine/level_meters.h"
#include "engine/transport.h"
#include "platform/byte_order.h"
#include "platform/scripted_dialogs.h"
#include "project/take_paths.h"
#include "session/studio.h"
#include "support/test_support.h"

namespace tqx {
namespace {

using test::readFile;
using test::ScratchDir;
using test::writeFile;

constexpr int kRate = 44100;
constexpr std::uint32_t kBufferFrames = 8820 / 4;  // one stereo capture buffer: 50 ms

// What every input device hears: a ramp that differs per channel, so any lost, doubled or
// reordered frame shows in the bytes.
std::int16_t signalAt(std::uint64_t frame, int channel) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(frame * 7 + 3001u * channel));
}

std::uint64_t framesAt(std::uint64_t ms) { return ms * kRate / 1000; }

// The bytes of frames [from, to) of the signal, as a file of `channels` holds them.
std::vector<std::uint8_t> signalBytes(std::uint64_t from, std::uint64_t to, int channels) {
    std::vector<std::uint8_t> out;
    for (std::uint64_t f = from; f < to; ++f)
        for (int c = 0; c < channels; ++c) {
            std::uint8_t b[2];
            putSample16(b, signalAt(f, c));
            out.insert(out.end(), b, b + 2);
        }
    return out;
}

// The recorder's 46-byte header followed by `data`.
std::vector<std::uint8_t> recordedFile(int channels, const std::vector<std::uint8_t>& data) {
    std::string h = "RIFF";
    appendLe32(h, static_cast<std::uint32_t>(38 + data.size()));
    h += "WAVEfmt ";
    appendLe32(h, 18);
    auto fmt = WaveFormat::pcm(static_cast<std::uint16_t>(channels), kRate).toBytes();
    h.append(fmt.begin(), fmt.end());
    h += "data";
    appendLe32(h, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> out(h.begin(), h.end());
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::vector<std::uint8_t> dataOf(const TMultiWave& clip) {
    return {clip.GetData(), clip.GetData() + clip.GetDataSize()};
}

bool soxAccepts(const std::string& path) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) return true;  // cannot judge
    return std::system(("sox --i '" + path + "' >/dev/null 2>&1").c_str()) == 0;
}

class Recording : public ::testing::Test {
protected:
    QueuedEventSink sink;
    SimulatedAudioSystem audio{sink};
    ScriptedDialogs dialogs;
    ManualTimerService timer;
    ScratchDir dir;
    std::unique_ptr<Studio> studio;

    void SetUp() override {
        audio.setInputSignal(signalAt);
        makeStudio();
    }
    void makeStudio() {
        studio = std::make_unique<Studio>(Platform{dialogs, audio, timer, sink});
        studio->model.ProjectPath = dir.file("song.tqxproj");
    }
    int armedTrack(std::optional<int> slot = std::nullopt) {
        const int t = studio->model.createTrack(slot);
        studio->model.track(t).recordArmed = true;
        return t;
    }
    // Prepares the recordings on the armed tracks and starts their input, as a play press does.
    int record() {
        const int started = studio->capture().startRecordings();
        audio.startStreams(studio->capture().streamsToStart());
        return started;
    }
    // The program's event loop: device notifications are handled as they come.
    void run(int ms) {
        audio.advance(ms, [this] { sink.pump(); });
    }
    TMultiWave& clipAt(int slot) {
        TMultiWave* c = studio->model.clip(slot);
        EXPECT_NE(c, nullptr);
        return *c;
    }
    std::string file(const std::string& name) const { return dir.file(name); }
};

TEST_F(Recording, TheInputComesBackByteForByteInFileAndClip) {
    const int t = armedTrack();
    studio->timeline.StartPosition = 2.5f;
    ASSERT_EQ(record(), 1);
    EXPECT_EQ(audio.openInputCount(), 1);
    EXPECT_FALSE(studio->model.track(t).untouched);
    const TMultiWave& clip = clipAt(0);
    EXPECT_EQ(clip.GetDataSize(), 0u);  // never played while it records
    EXPECT_FALSE(clip.onTimeline);

    run(1234);
    EXPECT_TRUE(studio->capture().StopRecording(true));
    EXPECT_EQ(audio.openInputCount(), 0);

    const auto expected = signalBytes(0, framesAt(1234), 2);
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, expected));
    EXPECT_TRUE(soxAccepts(file("0.wav")));
    EXPECT_EQ(clip.FileName(), file("0.wav"));
    EXPECT_EQ(dataOf(clip), expected);
    EXPECT_EQ(clip.GetFormat(), WaveFormat::pcm(2, kRate));
    EXPECT_EQ(clip.GetTrack(), t);
    EXPECT_FLOAT_EQ(clip.GetStartTime(), 2.5f);
    EXPECT_TRUE(clip.onTimeline);
    EXPECT_EQ(clip.left, 100);  // 2.5 s x 44,100 / 1,102.5
    EXPECT_EQ(clip.width, static_cast<int>(framesAt(1234) / 1102.5));
    EXPECT_TRUE(dialogs.shown.empty());

    // Buffers handed back by the stop arrive after their memory is gone and are ignored.
    sink.pump();
    EXPECT_FALSE(studio->capture().StopRecording(true));
}

TEST_F(Recording, ArmedTracksRecordIntoConsecutiveNumbersInSlotOrder) {
    const int a = armedTrack(), gone = armedTrack(), b = armedTrack();
    studio->model.createTrack();      // not armed
    studio->model.removeTrack(gone);  // an empty slot between the armed tracks
    ASSERT_EQ(record(), 2);
    run(300);
    ASSERT_TRUE(studio->capture().StopRecording(true));

    EXPECT_EQ(clipAt(0).GetTrack(), a);
    EXPECT_EQ(clipAt(0).FileName(), file("0.wav"));
    EXPECT_EQ(clipAt(1).GetTrack(), b);
    EXPECT_EQ(clipAt(1).FileName(), file("1.wav"));
    // Both streams heard the same signal over the same time.
    EXPECT_EQ(readFile(file("1.wav")), readFile(file("0.wav")));
    EXPECT_EQ(dataOf(clipAt(1)), signalBytes(0, framesAt(300), 2));
    EXPECT_EQ(studio->capture().RecordFileCounter, 2);

    // The next take goes on counting.
    studio->model.track(b).recordArmed = false;
    ASSERT_EQ(record(), 1);
    studio->capture().StopRecording(true);
    EXPECT_EQ(clipAt(2).FileName(), file("2.wav"));
}

TEST_F(Recording, ExistingFilesAreNeverOverwritten) {
    const std::vector<std::uint8_t> earlier{'n', 'o', 't', ' ', 'm', 'i', 'n', 'e'};
    writeFile(file("0.wav"), earlier);
    writeFile(file("2.wav"), earlier);
    std::filesystem::create_symlink(file("nowhere.wav"), file("3.wav"));  // dangling link
    armedTrack();
    armedTrack();
    ASSERT_EQ(record(), 2);
    run(120);
    studio->capture().StopRecording(true);
    EXPECT_EQ(clipAt(0).FileName(), file("1.wav"));
    EXPECT_EQ(clipAt(1).FileName(), file("4.wav"));
    EXPECT_EQ(readFile(file("0.wav")), earlier);
    EXPECT_EQ(readFile(file("2.wav")), earlier);
    EXPECT_FALSE(std::filesystem::exists(file("nowhere.wav")));
    EXPECT_EQ(dataOf(clipAt(1)), signalBytes(0, framesAt(120), 2));
}

// Three filled buffers still wait for their notifications when the stop comes, and the
// partly filled one was queued last: everything lands in the file in the order heard.
TEST_F(Recording, StoppingWritesTheBuffersStillQueued) {
    armedTrack();
    ASSERT_EQ(record(), 1);
    run(60);             // the first buffer came back and was queued again behind the others
    audio.advance(170);  // no notification handled meanwhile
    ASSERT_TRUE(studio->capture().StopRecording(true));
    EXPECT_EQ(dataOf(clipAt(0)), signalBytes(0, framesAt(230), 2));
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, signalBytes(0, framesAt(230), 2)));
}

TEST_F(Recording, StopAllLeavesACompleteFileAndAnEmptyClipOffTheTimeline) {
    armedTrack();
    ASSERT_EQ(record(), 1);
    run(275);
    studio->StopAll();
    sink.pump();
    EXPECT_EQ(audio.openInputCount(), 0);
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, signalBytes(0, framesAt(275), 2)));
    EXPECT_EQ(clipAt(0).GetDataSize(), 0u);
    EXPECT_FALSE(clipAt(0).onTimeline);
    EXPECT_FALSE(studio->capture().StopRecording(true));
}

TEST_F(Recording, MonoModeRecordsOneChannel) {
    studio->model.recordingMode = 1;  // "モノラル"
    armedTrack();
    ASSERT_EQ(record(), 1);
    run(333);
    studio->capture().StopRecording(true);
    const auto expected = signalBytes(0, framesAt(333), 1);
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(1, expected));
    EXPECT_EQ(clipAt(0).GetFormat().channels, 1);
    EXPECT_EQ(dataOf(clipAt(0)), expected);
    EXPECT_TRUE(soxAccepts(file("0.wav")));
}

TEST_F(Recording, EmptyTakeIsA46ByteFile) {
    armedTrack();
    ASSERT_EQ(record(), 1);
    // From the moment it exists the take is a valid, empty WAVE file.
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, {}));
    ASSERT_TRUE(studio->capture().StopRecording(true));
    const auto bytes = readFile(file("0.wav"));
    ASSERT_EQ(bytes.size(), 46u);
    EXPECT_EQ(getLe32(&bytes[4]), 38u);
    EXPECT_EQ(getLe32(&bytes[42]), 0u);
    EXPECT_EQ(bytes, recordedFile(2, {}));
    EXPECT_TRUE(soxAccepts(file("0.wav")));
    EXPECT_EQ(clipAt(0).GetDataSize(), 0u);
    EXPECT_EQ(clipAt(0).width, 0);
}

TEST_F(Recording, ATrackThatCannotRecordIsReportedWhileTheOthersRecord) {
    audio.addInputDevice("Mic");
    audio.addInputDevice("Line");
    makeStudio();
    const int a = armedTrack(), b = armedTrack(), c = armedTrack();
    studio->devices.perTrackRecording = true;
    studio->deviceChoice().setTrackRecordingDevice(a, 0);
    studio->deviceChoice().setTrackRecordingDevice(b, 1);
    audio.refusingInputDevices = {1};  // the "Line" device refuses the format
    ASSERT_EQ(record(), 2);

    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "例外エラーが発生しました。録音できません。");
    EXPECT_EQ(dialogs.shown[0].caption, "Tinderquillex");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
    EXPECT_EQ(audio.openInputCount(), 2);
    EXPECT_EQ(audio.inputDeviceOf(clipAt(0).WaveIn()), 0);
    EXPECT_EQ(audio.inputDeviceOf(clipAt(2).WaveIn()), kDefaultDevice);

    run(150);
    studio->capture().StopRecording(true);
    EXPECT_EQ(clipAt(0).GetTrack(), a);
    EXPECT_EQ(dataOf(clipAt(0)), signalBytes(0, framesAt(150), 2));
    // The refused track's clip stays in its slot, empty and off the timeline.
    EXPECT_EQ(clipAt(1).GetTrack(), b);
    EXPECT_EQ(clipAt(1).GetDataSize(), 0u);
    EXPECT_FALSE(clipAt(1).onTimeline);
    EXPECT_EQ(clipAt(2).GetTrack(), c);
    EXPECT_EQ(dataOf(clipAt(2)), signalBytes(0, framesAt(150), 2));
    EXPECT_NE(clipAt(2).FileName(), clipAt(0).FileName());
}

TEST_F(Recording, AProjectWithoutAPathRecordsIntoTheCurrentFolder) {
    studio->model.ProjectPath.clear();
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    armedTrack();
    const int started = record();
    run(60);
    studio->capture().StopRecording(true);
    std::filesystem::current_path(previous);
    ASSERT_EQ(started, 1);
    EXPECT_EQ(clipAt(0).FileName(), "0.wav");
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, signalBytes(0, framesAt(60), 2)));
}

// Armed in a project that was opened from a folder too deep for its take paths: nothing is
// recorded that the project file could never hold, and the user is told why.
TEST_F(Recording, AFolderTooDeepForTakePathsRecordsNothing) {
    const std::string deep = "/" + std::string(250, 'd') + "/";
    studio->model.ProjectPath = deep + "song.tqxproj";
    armedTrack();
    EXPECT_EQ(record(), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, takeFolderTooLongMessage(deep));
    EXPECT_EQ(audio.openInputCount(), 0);
    EXPECT_EQ(studio->model.clipCount(), 0);
}

// A copy taken while the take is still running (as after a crash) is a complete WAVE file
// of everything written so far.
TEST_F(Recording, AFileCopiedMidRecordingIsValid) {
    armedTrack();
    ASSERT_EQ(record(), 1);
    run(730);  // 14 whole buffers have reached the file
    const auto copy = readFile(file("0.wav"));
    EXPECT_EQ(copy, recordedFile(2, signalBytes(0, 14 * kBufferFrames, 2)));
    writeFile(file("copy.wav"), copy);
    EXPECT_TRUE(soxAccepts(file("copy.wav")));
    run(100);
    studio->capture().StopRecording(true);
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, signalBytes(0, framesAt(830), 2)));
}

// The file-size limit makes the disk "full" after three buffers and part of the fourth.
class FullDisk : public Recording {
protected:
    rlimit saved{};
    void (*savedHandler)(int) = SIG_DFL;
    void limitFileSize(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        savedHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lim = saved;
        lim.rlim_cur = bytes;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lim), 0);
    }
    void TearDown() override {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, savedHandler);
    }
};

TEST_F(FullDisk, AFailedWriteEndsTheTakeAndKeepsWhatWasWritten) {
    const int t = armedTrack();
    studio->transport().setRecordToggle(true);
    ASSERT_EQ(record(), 1);
    limitFileSize(46 + 3 * 8820 + 1000);
    run(400);
    TearDown();

    // The track stopped recording at the failed write and said so.
    EXPECT_EQ(audio.openInputCount(), 0);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, CaptureEngine::writeFailedMessage(t, file("0.wav")));
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
    EXPECT_NE(dialogs.shown[0].text.find("トラック1"), std::string::npos);

    // The file is a valid WAVE file of everything that reached it, and the clip holds it.
    const auto kept = signalBytes(0, 3 * kBufferFrames + 250, 2);
    EXPECT_EQ(readFile(file("0.wav")), recordedFile(2, kept));
    EXPECT_TRUE(soxAccepts(file("0.wav")));
    EXPECT_EQ(dataOf(clipAt(0)), kept);
    EXPECT_TRUE(clipAt(0).onTimeline);
    EXPECT_FALSE(studio->capture().StopRecording(true));
    EXPECT_EQ(dialogs.shown.size(), 1u);

    // The record toggle came up: the next play press plays and starts no take.
    EXPECT_FALSE(studio->transport().recordToggle);
    studio->transport().SpeedButton1Click();
    EXPECT_TRUE(studio->transport().isPlaying());
    EXPECT_EQ(audio.openInputCount(), 0);
    EXPECT_FALSE(std::filesystem::exists(file("1.wav")));
    EXPECT_EQ(dialogs.shown.size(), 1u);
    studio->transport().SpeedButton1Click();
}

class CaptureMeters : public Recording {};

// With nothing playing, every captured buffer adds its level to the master meter and halves
// the sum; a half-scale signal measures 15/16 of the scale.
TEST_F(CaptureMeters, RecordingAloneDrivesTrackAndMasterMeters) {
    audio.setInputSignal([](std::uint64_t, int c) { return std::int16_t(c == 0 ? 16384 : -16384); });
    const int t = armedTrack();
    ASSERT_EQ(record(), 1);
    run(100);  // two buffers
    LevelMeters& m = studio->meters();
    EXPECT_FLOAT_EQ(m.MasterLevelSum[0], (0.9375f / 2 + 0.9375f) / 2);
    EXPECT_FLOAT_EQ(m.MasterLevelSum[1], m.MasterLevelSum[0]);
    EXPECT_FLOAT_EQ(float(m.masterMeter()[0]), 0.703125f);
    // Both halves of the track meter show the last buffer's 15/16.
    EXPECT_NEAR(m.trackMeter(t)[0], 0.9375, 1e-12);
    EXPECT_EQ(m.trackMeter(t)[1], m.trackMeter(t)[0]);

    // While clips play, the master meter follows playback only.
    m.MeterDivisor = 1;
    const auto before = m.MasterLevelSum;
    run(100);
    EXPECT_EQ(m.MasterLevelSum, before);

    // The stop empties the meters.
    studio->capture().StopRecording(true);
    EXPECT_EQ(m.trackMeter(t), (MeterHalves{0.0, 0.0}));
    EXPECT_EQ(m.MasterLevelSum[0], 0.0f);
}

TEST_F(CaptureMeters, MonoTakeFeedsBothMasterHalves) {
    studio->model.recordingMode = 1;
    audio.setInputSignal([](std::uint64_t, int) { return std::int16_t(16384); });
    armedTrack();
    ASSERT_EQ(record(), 1);
    run(100);  // one mono buffer: 8,820 bytes = 100 ms
    EXPECT_FLOAT_EQ(studio->meters().MasterLevelSum[0], 0.9375f / 2);
    EXPECT_FLOAT_EQ(studio->meters().MasterLevelSum[1], 0.9375f / 2);
    studio->capture().StopRecording(false);
}

}  // namespace
}  // namespace tqx

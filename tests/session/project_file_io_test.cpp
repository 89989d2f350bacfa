#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>

#include "audio/simulated_audio.h"
#include "effects/equalizer.h"
#include "engine/device_choice.h"
#include "io/wave_import.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "project/text_encoding.h"
#include "session/project_file_commands.h"
#include "session/studio.h"
#include "support/change_log.h"
#include "support/test_support.h"

namespace tqx {
namespace {

using Cmd = ProjectFileCommands;

// Project file bytes, field by field.
struct Bytes {
    std::vector<std::uint8_t> b;
    Bytes& i32(std::int32_t v) {
        for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(std::uint32_t(v) >> (8 * i)));
        return *this;
    }
    Bytes& f32(float v) {
        std::int32_t bits;
        std::memcpy(&bits, &v, 4);
        return i32(bits);
    }
    Bytes& u8(std::uint8_t v) {
        b.push_back(v);
        return *this;
    }
    Bytes& raw(const std::string& s) {
        b.insert(b.end(), s.begin(), s.end());
        return *this;
    }
    Bytes& text(const std::string& s) { return i32(static_cast<std::int32_t>(s.size())).raw(s); }
    Bytes& header(std::int32_t trackCount, std::int32_t rate = 44100, std::int32_t playback = -1,
                  std::int32_t recording = -1) {
        return i32(201202).i32(20121001).i32(rate).i32(playback).i32(0).i32(recording).i32(0).i32(0).i32(trackCount);
    }
    // A track record up to and including its clip count.
    Bytes& track(std::int32_t slot, const std::string& name, std::int32_t clipCount = 0, float pan = 0.0f,
                 std::int32_t playback = -1) {
        return i32(slot).text(name).i32(1).f32(1.0f).f32(pan).f32(0.0f).i32(playback).i32(-1).u8(0).u8(0).u8(0).i32(
            clipCount);
    }
    Bytes& clip(std::int32_t slot, std::int32_t track, const std::string& path, float start) {
        return i32(slot).i32(track).text(path).f32(start);
    }
    Bytes& flatEqualizer() {
        u8(0).i32(0);
        for (int i = 0; i < 10; ++i) i32(0);
        return *this;
    }
};

bool addDevices(SimulatedAudioSystem& audio) {
    audio.addOutputDevice("Out A");
    audio.addOutputDevice("Out B");
    audio.addInputDevice("In A");
    audio.addInputDevice("In B");
    return true;
}

class ProjectFileTest : public ::testing::Test {
protected:
    test::ScratchDir dir;
    ScriptedDialogs dialogs;
    QueuedEventSink events;
    SimulatedAudioSystem audio{events};
    bool devicesListed = addDevices(audio);
    ManualTimerService timer;
    Studio studio{{dialogs, audio, timer, events}};
    Cmd& files = studio.projectFile();
    ProjectModel& model = studio.model;

    std::string wave(const std::string& name) {
        const std::string path = dir.file(name);
        test::writeFile(path, test::makeWave(2, 44100, {1, -1, 2, -2, 3, -3, 4, -4}));
        return path;
    }
    void addClip(int clipSlot, int track, const std::string& path, float start) {
        ASSERT_TRUE(studio.importer().importForProject(clipSlot, path, track));
        TMultiWave* c = model.clip(clipSlot);
        c->SetStartTime(start);
        studio.timeline.layClip(*c, model.ProjectSampleRate);
    }
    bool loadBytes(const Bytes& bytes) {
        const std::string path = dir.file("crafted.tqxproj");
        test::writeFile(path, bytes.b);
        return files.Load(path);
    }
    bool reportedDamage() const {
        return std::any_of(dialogs.shown.begin(), dialogs.shown.end(), [](const auto& s) {
            return s.text.rfind(Cmd::kDamagedMessage, 0) == 0 && s.icon == DialogIcon::Error;
        });
    }
    std::string damageText() const {
        for (const auto& shown : dialogs.shown)
            if (shown.text.rfind(Cmd::kDamagedMessage, 0) == 0) return shown.text;
        return {};
    }
    std::vector<int> orderedSlots() const {
        std::vector<int> slots;
        for (const auto& e : model.buildOrderedTrackList()) slots.push_back(e.slot);
        return slots;
    }
};

// ---------------------------------------------------------------- layout

TEST_F(ProjectFileTest, EmptyProjectIsEightyOneBytes) {
    const std::string path = dir.file("empty.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto bytes = test::readFile(path);
    EXPECT_EQ(bytes.size(), 81u);
    EXPECT_EQ(bytes, Bytes().header(0).flatEqualizer().b);
}

TEST_F(ProjectFileTest, TrackAndClipRecordsKeepTheirFieldOrder) {
    ASSERT_EQ(model.createTrack(), 0);
    TrackSlot& t = model.track(0);
    t.name = "ab";
    t.icon = 7;
    t.volume = 0.5f;
    t.pan = -0.25f;
    t.gain = 1.5f;
    t.playbackDevice = 1;
    t.recordingDevice = 0;
    t.recordArmed = true;
    t.soloed = true;
    TMultiWave& c = model.createClip(3);
    c.SetTrack(0);
    c.SetFileName("/x/a.wav");
    c.SetStartTime(2.5f);
    studio.deviceChoice().ComboBox2Change(1);
    studio.deviceChoice().CheckBox2Click(true);
    studio.deviceChoice().ComboBox1Change(0);
    studio.model.recordingMode = 1;
    studio.equalizer().loadOn(true);
    studio.equalizer().loadBandSet(2);
    for (int i = 0; i < 10; ++i) studio.equalizer().loadBandPosition(i, i * 10 - 50);

    const std::string path = dir.file("one.tqxproj");
    ASSERT_TRUE(files.Write(path));
    Bytes want;
    want.i32(201202).i32(20121001).i32(44100).i32(1).i32(1).i32(0).i32(0).i32(1).i32(1);
    // The icon comes before the volume on disk.
    want.i32(0).text("ab").i32(7).f32(0.5f).f32(-0.25f).f32(1.5f).i32(1).i32(0).u8(1).u8(0).u8(1).i32(1);
    want.clip(3, 0, "/x/a.wav", 2.5f);
    want.u8(1).i32(2);
    for (int i = 0; i < 10; ++i) want.i32(i * 10 - 50);
    EXPECT_EQ(test::readFile(path), want.b);
}

TEST_F(ProjectFileTest, JapaneseNamesAreStoredAsCp932AndOthersAsUtf8) {
    model.createTrack();
    model.createTrack();
    model.track(0).name = "音楽ギター";
    model.track(1).name = "🎸 riff";  // no cp932 form
    const std::string path = dir.file("names.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto bytes = test::readFile(path);
    const std::vector<std::uint8_t> cp932 = {10, 0, 0, 0, 0x89, 0xB9, 0x8A, 0x79, 0x83, 0x4D, 0x83, 0x5E, 0x81, 0x5B};
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), cp932.begin(), cp932.end()), bytes.end());
    const std::string riff = "🎸 riff";
    const std::vector<std::uint8_t> utf8(riff.begin(), riff.end());
    EXPECT_NE(std::search(bytes.begin(), bytes.end(), utf8.begin(), utf8.end()), bytes.end());

    model.track(0).name = model.track(1).name = "";
    ASSERT_TRUE(files.Load(path));
    EXPECT_EQ(model.track(0).name, "音楽ギター");
    EXPECT_EQ(model.track(1).name, "🎸 riff");
}

// ---------------------------------------------------------------- save and open

TEST_F(ProjectFileTest, SaveAndOpenRestoreSlotsOrderSettingsClipsAndEqualizer) {
    for (int i = 0; i < 4; ++i) model.createTrack();
    model.removeTrack(1);
    ASSERT_EQ(model.createTrack(7), 7);
    model.swapPanels(0, 7);  // reordered in the track view: 7 now on top
    TrackSettings s;
    s.name = "ボーカル";
    s.volume = 0.37f;
    s.pan = -0.46f;
    s.gain = 2.3f;
    s.playbackDevice = 1;
    s.recordingDevice = 0;
    s.icon = 9;
    s.muted = 1;
    s.soloed = 1;
    model.applySettings(2, s, true, 2, 2);
    s.name = "";
    s.recordArmed = 1;
    s.muted = s.soloed = 0;
    model.applySettings(7, s, true, 2, 2);
    addClip(4, 2, wave("a.wav"), 1.5f);
    addClip(11, 7, wave("b.wav"), 0.25f);
    addClip(12, 7, wave("c.wav"), 3.0f);
    studio.deviceChoice().ComboBox2Change(1);
    studio.deviceChoice().CheckBox1Click(true);
    studio.model.recordingMode = 1;
    studio.equalizer().loadOn(true);
    studio.equalizer().loadBandSet(4);
    for (int i = 0; i < 10; ++i) studio.equalizer().loadBandPosition(i, 30 * i - 150);
    const ProjectFileContents before = files.gather();
    const std::vector<int> order = orderedSlots();
    ASSERT_EQ(order, (std::vector<int>{7, 2, 3, 0}));

    const std::string path = dir.file("song.tqxproj");
    ASSERT_TRUE(files.Write(path));
    // Something else in between.
    model.resetProject();
    model.createTrack();
    studio.deviceChoice().ComboBox2Change(0);
    studio.deviceChoice().CheckBox1Click(false);
    studio.equalizer().newProjectReset();
    studio.timeline.CursorX = 300;

    ASSERT_TRUE(files.Load(path));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(encodeProjectFile(files.gather()).bytes, encodeProjectFile(before).bytes);
    EXPECT_EQ(orderedSlots(), order);
    EXPECT_EQ(model.clipSlots(), (std::vector<int>{4, 11, 12}));
    for (int slot : {4, 11, 12}) {
        const TMultiWave* c = model.clip(slot);
        EXPECT_EQ(c->GetDataSize(), 16u);
        EXPECT_EQ(c->left, studio.timeline.pixelAtSeconds(c->GetStartTime(), model.ProjectSampleRate));
    }
    EXPECT_EQ(model.clip(4)->GetTrack(), 2);
    EXPECT_TRUE(model.AnySolo);
    EXPECT_EQ(studio.timeline.CursorX, 0);  // back at the start
    EXPECT_EQ(model.ProjectPath, path);
}

TEST_F(ProjectFileTest, ValuesOffTheSliderGridAreQuantisedOnceThenKept) {
    Bytes file;
    file.header(1).i32(0).text("t").i32(1).f32(0.456f).f32(0.333f).f32(1.234f);
    file.i32(-1).i32(-1).u8(0).u8(0).u8(0).i32(0).flatEqualizer();
    ASSERT_TRUE(loadBytes(file));
    const TrackSlot& t = model.track(0);
    EXPECT_FLOAT_EQ(t.volume, 0.46f);
    EXPECT_FLOAT_EQ(t.pan, 0.32f);
    EXPECT_FLOAT_EQ(t.gain, 1.2f);
    const float volume = t.volume, pan = t.pan, gain = t.gain;
    const std::string path = dir.file("again.tqxproj");
    ASSERT_TRUE(files.Write(path));
    ASSERT_TRUE(files.Load(path));
    EXPECT_EQ(model.track(0).volume, volume);
    EXPECT_EQ(model.track(0).pan, pan);
    EXPECT_EQ(model.track(0).gain, gain);
}

TEST_F(ProjectFileTest, MovedClipFileIsListedInTheMemoAndKeptAsAMissingClip) {
    ASSERT_EQ(model.createTrack(5), 5);
    const std::string clipPath = wave("gone.wav");
    addClip(9, 5, clipPath, 2.0f);
    addClip(10, 5, wave("kept.wav"), 4.0f);
    const std::string path = dir.file("p.tqxproj");
    ASSERT_TRUE(files.Write(path));
    std::filesystem::rename(clipPath, dir.file("elsewhere.wav"));

    EXPECT_TRUE(files.Load(path));
    EXPECT_EQ(studio.texts.memo(),
              (std::vector<std::string>{"エラー: 音声ファイル読み込み失敗。", "トラック: 5", "ファイル: " + clipPath}));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{std::string(Cmd::kMissingClipsMessage) + "\n" + clipPath});
    ASSERT_EQ(files.clipsLeftOut().size(), 1u);
    EXPECT_EQ(files.clipsLeftOut()[0].path, clipPath);
    EXPECT_EQ(files.clipsLeftOut()[0].trackSlot, 5);
    EXPECT_TRUE(model.trackExists(5));
    ASSERT_NE(model.clip(9), nullptr);  // kept as a missing clip
    EXPECT_TRUE(model.clip(9)->IsMissing());
    ASSERT_NE(model.clip(10), nullptr);
    EXPECT_FLOAT_EQ(model.clip(10)->GetStartTime(), 4.0f);
}

TEST_F(ProjectFileTest, AWaveFileGivenTheProjectExtensionLeavesAnEmptyProject) {
    model.createTrack();
    const std::string path = dir.file("sound.tqxproj");
    test::writeFile(path, test::makeWave(1, 44100, {1, 2, 3}));
    EXPECT_FALSE(files.Load(path));
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, Cmd::kWrongIdMessage);
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Error);
    EXPECT_EQ(dialogs.shown[0].caption, kApplicationTitle);
    EXPECT_EQ(model.trackCount(), 0);
}

TEST_F(ProjectFileTest, AFileThatCannotBeOpenedLeavesTheProjectAlone) {
    model.createTrack();
    EXPECT_FALSE(files.Load(dir.file("missing.tqxproj")));
    EXPECT_FALSE(files.Load(dir.path().string()));  // a folder
    EXPECT_EQ(dialogs.messages(),
              (std::vector<std::string>{
                  Cmd::kCannotOpenMessage,
                  "エラー。「" + dir.path().string() + "」はフォルダーです。扱えるのは通常のファイルだけです。"}));
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::PlainMessage);
    EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::PlainMessage);
    EXPECT_EQ(model.trackCount(), 1);
}

TEST_F(ProjectFileTest, APipeOrDeviceGivenAsTheProjectIsRefusedAtOnce) {
    model.createTrack();
    const std::string fifo = dir.file("pipe.tqxproj");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    ::alarm(20);  // opening the pipe the ordinary way would wait for a writer for ever
    EXPECT_FALSE(files.Load(fifo));
    EXPECT_FALSE(files.Load("/dev/zero"));
    ::alarm(0);
    const std::string only = "です。扱えるのは通常のファイルだけです。";
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"エラー。「" + fifo + "」は名前付きパイプ" + only,
                                                            "エラー。「/dev/zero」はデバイス" + only}));
    EXPECT_EQ(model.trackCount(), 1);
    // Saving onto them is refused the same way, without writing into the pipe or device.
    dialogs.shown.clear();
    EXPECT_FALSE(files.Write(fifo));
    EXPECT_FALSE(files.Write("/dev/null"));
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{"エラー。「" + fifo + "」は名前付きパイプ" + only,
                                                            "エラー。「/dev/null」はデバイス" + only}));
    EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);
    EXPECT_EQ(std::filesystem::status("/dev/null").type(), std::filesystem::file_type::character);
}

TEST_F(ProjectFileTest, ClipPathsThatAreNotUtf8ComeBackByteForByte) {
    model.createTrack();
    // Latin-1 names, legal on Linux: one that no reader takes for text, one that would read
    // as cp932 (the kanji 顴) and is stored behind the byte 0xFF.
    const std::string latin = wave("caf\xE9.wav");
    const std::string kanjiLike = wave("\xE9\x41.wav");
    addClip(0, 0, latin, 0.0f);
    addClip(1, 0, kanjiLike, 1.0f);
    const std::string path = dir.file("bytes.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto bytes = test::readFile(path);
    const auto storedAs = [&](const std::string& text) {
        const auto field = Bytes().text(text).b;
        return std::search(bytes.begin(), bytes.end(), field.begin(), field.end()) != bytes.end();
    };
    EXPECT_TRUE(storedAs(latin));
    EXPECT_TRUE(storedAs("\xFF" + kanjiLike));

    ASSERT_TRUE(files.Load(path));
    EXPECT_TRUE(studio.texts.memo().empty());
    ASSERT_NE(model.clip(0), nullptr);
    ASSERT_NE(model.clip(1), nullptr);
    EXPECT_EQ(model.clip(0)->FileName(), latin);
    EXPECT_EQ(model.clip(1)->FileName(), kanjiLike);
    // And again: the reopened project saves the same bytes.
    const std::string again = dir.file("again.tqxproj");
    ASSERT_TRUE(files.Write(again));
    EXPECT_EQ(test::readFile(again), bytes);
}

TEST_F(ProjectFileTest, ANameThatIsNeitherUtf8NorCp932OpensAndSavesAgainUnchanged) {
    std::string name;
    for (int i = 0; i < 85; ++i) name += "\x80\xFD\xA0";  // 255 bytes no reader can decode
    Bytes file = Bytes().header(1).track(0, name).flatEqualizer();
    ASSERT_TRUE(loadBytes(file));
    EXPECT_EQ(model.track(0).name, name);
    const std::string path = dir.file("again.tqxproj");
    ASSERT_TRUE(files.Write(path));
    EXPECT_EQ(test::readFile(path), file.b);
}

TEST_F(ProjectFileTest, AFileEndingAfterTheLastTrackReadsTheEqualizerAsOff) {
    studio.equalizer().loadOn(true);
    studio.equalizer().loadBandSet(3);
    studio.equalizer().loadBandPosition(4, 120);
    EXPECT_TRUE(loadBytes(Bytes().header(2).track(0, "a").track(1, "b")));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(model.trackCount(), 2);
    EXPECT_FALSE(studio.equalizer().isOn());
    EXPECT_EQ(studio.equalizer().bandSet(), 0);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(studio.equalizer().bandPosition(i), 0);
}

TEST_F(ProjectFileTest, StoredDeviceMinusOneOrAMissingDeviceSelectsWaveMapper) {
    studio.deviceChoice().ComboBox2Change(1);
    studio.deviceChoice().ComboBox1Change(1);
    Bytes file = Bytes().header(3, 44100, -1, -1).track(0, "a", 0, 0, -1).track(1, "b", 0, 0, 1);
    ASSERT_TRUE(loadBytes(file.track(2, "c", 0, 0, 5).flatEqualizer()));
    EXPECT_EQ(studio.devices.OutputDeviceId, kDefaultDevice);
    EXPECT_EQ(studio.devices.InputDeviceId, kDefaultDevice);
    EXPECT_EQ(model.track(0).playbackDevice, kDefaultDevice);
    EXPECT_EQ(model.track(1).playbackDevice, 1);
    EXPECT_EQ(model.track(2).playbackDevice, kDefaultDevice);

    ASSERT_TRUE(loadBytes(Bytes().header(0, 44100, 1, 0).flatEqualizer()));
    EXPECT_EQ(studio.devices.OutputDeviceId, 1);
    EXPECT_EQ(studio.devices.InputDeviceId, 0);
    ASSERT_TRUE(loadBytes(Bytes().header(0, 44100, 2, 7).flatEqualizer()));
    EXPECT_EQ(studio.devices.OutputDeviceId, kDefaultDevice);
    EXPECT_EQ(studio.devices.InputDeviceId, kDefaultDevice);
}

// ---------------------------------------------------------------- damaged files

TEST_F(ProjectFileTest, AFileCutAtEveryByteKeepsEveryRecordItHolds) {
    model.createTrack();
    model.createTrack(4);
    model.track(0).name = "ベース";
    const std::string pathA = wave("a.wav"), pathB = wave("b.wav");
    addClip(2, 0, pathA, 0.5f);
    addClip(3, 4, pathB, 1.0f);
    studio.equalizer().loadOn(true);
    const std::string path = dir.file("full.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto full = test::readFile(path);

    // Where each record begins: a track record is 39 bytes and its name, a clip record 16 and its path.
    const std::size_t t0 = 36, c2 = t0 + 39 + 6;
    const std::size_t t4 = c2 + 16 + pathA.size(), c3 = t4 + 39 + toStoredText(model.track(4).name).size();
    const std::size_t afterTracks = c3 + 16 + pathB.size();
    ASSERT_EQ(afterTracks + 45, full.size());

    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE("file cut to " + std::to_string(n) + " bytes");
        dialogs.shown.clear();
        test::writeFile(path, {full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)});
        const bool whole = files.Load(path);
        if (n < 4) {
            EXPECT_FALSE(whole);
            EXPECT_EQ(dialogs.messages(), std::vector<std::string>{Cmd::kWrongIdMessage});
            continue;
        }
        // A message only when the file ends before a record its count promised has its slot.
        // (A clip whose path is cut is kept as a missing clip and named in a message of its own.)
        const bool promisedPastTheEnd = (n >= t0 && n < t4 + 4) || (n >= c3 && n < c3 + 4);
        EXPECT_EQ(whole, !promisedPastTheEnd);
        EXPECT_EQ(reportedDamage(), promisedPastTheEnd);
        if (promisedPastTheEnd) {
            EXPECT_NE(damageText().find("（" + std::to_string(n) + " バイト目）"), std::string::npos);
        }
        // Every record that begins in the file is opened; whole ones exactly as saved.
        EXPECT_EQ(model.trackExists(0), n >= t0 + 4);
        EXPECT_EQ(model.trackExists(4), n >= t4 + 4);
        if (n >= c2) {
            EXPECT_EQ(model.track(0).name, "ベース");
        }
        EXPECT_EQ(model.clip(2) != nullptr, n >= c2 + 4);
        EXPECT_EQ(model.clip(3) != nullptr, n >= c3 + 4);
        if (n >= t4) {
            ASSERT_NE(model.clip(2), nullptr);
            EXPECT_FALSE(model.clip(2)->IsMissing());
            EXPECT_FLOAT_EQ(model.clip(2)->GetStartTime(), 0.5f);
        }
        if (n >= afterTracks) {
            EXPECT_FALSE(model.clip(3)->IsMissing());
        }
        EXPECT_EQ(studio.equalizer().isOn(), n > afterTracks);
    }
}

TEST_F(ProjectFileTest, AHeaderCutShortReadsThePerTrackBoxesAndModeAsZeroAndKeepsRateAndDevices) {
    ASSERT_TRUE(loadBytes(Bytes().header(0, 8000, 1, 1).flatEqualizer()));
    studio.deviceChoice().CheckBox1Click(true);
    studio.deviceChoice().CheckBox2Click(true);
    model.setRecordingMode(1);
    // Program id, version, rate 22,050 and playback device 0; the file ends there.
    ASSERT_TRUE(loadBytes(Bytes().i32(201202).i32(20121001).i32(22050).i32(0)));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(model.ProjectSampleRate, 22050);
    EXPECT_EQ(studio.devices.OutputDeviceId, 0);
    EXPECT_EQ(studio.devices.InputDeviceId, 1);  // kept: the file ends before it
    EXPECT_FALSE(studio.devices.perTrackPlayback);
    EXPECT_FALSE(studio.devices.perTrackRecording);
    EXPECT_EQ(model.recordingMode, 0);
    // Ending before the rate keeps the rate.
    ASSERT_TRUE(loadBytes(Bytes().i32(201202).i32(20121001)));
    EXPECT_EQ(model.ProjectSampleRate, 22050);
}

TEST_F(ProjectFileTest, CountsPromisingRecordsPastTheEndKeepEveryRecordBeforeAndSayWhereTheFileEnded) {
    const std::string clip = wave("a.wav");
    Bytes file = Bytes().header(1000000).track(0, "a").track(1, "b", 1 << 30).clip(5, 1, clip, 0.25f);
    file.i32(6).i32(1).text("cut");  // a clip record cut inside: its start reads as 0
    EXPECT_FALSE(loadBytes(file));
    EXPECT_TRUE(reportedDamage());
    EXPECT_NE(damageText().find("（" + std::to_string(file.b.size()) + " バイト目）"), std::string::npos);
    EXPECT_EQ(orderedSlots(), (std::vector<int>{0, 1}));
    EXPECT_EQ(model.track(1).name, "b");
    ASSERT_NE(model.clip(5), nullptr);
    EXPECT_FLOAT_EQ(model.clip(5)->GetStartTime(), 0.25f);
    ASSERT_NE(model.clip(6), nullptr);
    EXPECT_TRUE(model.clip(6)->IsMissing());
    EXPECT_EQ(model.clip(6)->FileName(), "cut");
}

TEST_F(ProjectFileTest, DamagedCountsAndSlotsAreReportedAndKeepWhatCameBefore) {
    struct Case {
        const char* what;
        std::function<Bytes()> file;
        bool firstTrackStays;
        int clipsKept = 0;  // whole clip records before the damage (their files are not there)
    };
    const std::string longName(256, 'n');
    const std::vector<Case> cases = {
        {"negative track count", [] { return Bytes().header(-1); }, false},
        {"name too long", [&] { return Bytes().header(2).track(0, "a").track(1, longName); }, true},
        {"negative name length", [] { return Bytes().header(2).track(0, "a").i32(1).i32(-1); }, true},
        {"track slot beyond 10000", [] { return Bytes().header(2).track(0, "a").track(10001, "b"); }, true},
        {"negative track slot", [] { return Bytes().header(2).track(0, "a").track(-2, "b"); }, true},
        {"track slot twice", [] { return Bytes().header(2).track(0, "a").track(0, "b"); }, true},
        {"negative clip count", [] { return Bytes().header(2).track(0, "a").track(1, "b", -1); }, true},
        {"clip slot beyond the table", [] { return Bytes().header(1).track(0, "a", 1).clip(32768, 0, "x", 0); }, true},
        {"negative clip slot", [] { return Bytes().header(1).track(0, "a", 1).clip(-1, 0, "x", 0); }, true},
        {"clip slot twice", [] { return Bytes().header(1).track(0, "a", 2).clip(1, 0, "x", 0).clip(1, 0, "y", 0); },
         true, 1},
        {"path too long",
         [] { return Bytes().header(1).track(0, "a", 1).i32(0).i32(0).text(std::string(260, 'p')).f32(0); }, true},
        {"negative path length", [] { return Bytes().header(1).track(0, "a", 1).i32(0).i32(0).i32(-7); }, true},
        {"no usable sampling rate", [] { return Bytes().header(1, 0).track(0, "a"); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        model.ProjectSampleRate = 8000;
        // Enough bytes after the damage that no count looks too big for the file.
        EXPECT_FALSE(loadBytes(c.file().flatEqualizer()));
        EXPECT_TRUE(reportedDamage());
        EXPECT_EQ(model.trackExists(0), c.firstTrackStays);
        EXPECT_EQ(model.trackCount(), c.firstTrackStays ? 1 : 0);
        EXPECT_EQ(model.clipCount(), c.clipsKept);
    }
    EXPECT_EQ(model.ProjectSampleRate, 8000);  // the rate 0 was not taken
}

TEST_F(ProjectFileTest, TrackSlotTenThousandIsSkippedWithItsClips) {
    const std::string clip = wave("a.wav");
    Bytes file = Bytes().header(2).track(10000, "none", 1).clip(0, 10000, clip, 0).track(3, "c", 1);
    ASSERT_TRUE(loadBytes(file.clip(1, 3, clip, 0.5f).flatEqualizer()));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(model.trackCount(), 1);
    EXPECT_TRUE(model.trackExists(3));
    EXPECT_EQ(model.clipSlots(), std::vector<int>{1});
}

// ---------------------------------------------------------------- writing safely

TEST_F(ProjectFileTest, SaveIntoAnUnwritableFolderKeepsTheOldFile) {
    const std::filesystem::path folder = dir.path() / "songs";
    std::filesystem::create_directory(folder);
    const std::string path = (folder / "p.tqxproj").string();
    ASSERT_TRUE(files.Write(path));
    ASSERT_TRUE(files.Write(path));  // replacing works and leaves nothing else behind
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
    const auto old = test::readFile(path);

    model.createTrack();
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                             std::filesystem::perms::others_read | std::filesystem::perms::others_exec);
    // Folder permissions do not bind root, so root saves from a child that gave root up.
    const auto refusedWithMessage = [&] {
        return !files.Write(path) && dialogs.messages() == std::vector<std::string>{Cmd::kCannotCreateMessage};
    };
    bool refused;
    if (::geteuid() != 0) {
        refused = refusedWithMessage();
    } else {
        // The project is the saving user's own file; only the folder is closed to them.
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(2);
            ::_exit(refusedWithMessage() ? 0 : 1);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        refused = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    EXPECT_TRUE(refused);
    EXPECT_EQ(test::readFile(path), old);
}

TEST_F(ProjectFileTest, AWriteThatFailsHalfWayKeepsTheOldFileAndSaysWhatIsLeft) {
    const std::string path = dir.file("p.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto old = test::readFile(path);
    for (int i = 0; i < 20; ++i) model.createTrack();
    // No file of this process may grow beyond 200 bytes now: the disk is "full" half-way.
    struct rlimit saved {};
    ::getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 200;
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool written = files.Write(path);
    const bool created = files.Write(dir.file("new.tqxproj"));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(created);
    // The old file stays where there was one; a new name gets no file at all.
    EXPECT_EQ(dialogs.messages(), (std::vector<std::string>{
                                      "エラー。ファイルの書き込みに失敗しました。元のファイルはそのまま残っています。",
                                      "エラー。ファイルの書き込みに失敗しました。ファイルは作成されていません。"}));
    EXPECT_EQ(test::readFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST_F(ProjectFileTest, AWriteProtectedProjectIsNotOverwritten) {
    const std::string path = dir.file("p.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto old = test::readFile(path);
    ::chmod(path.c_str(), 0444);
    model.createTrack();
    model.SavePath = path;
    files.SaveCommand();
    EXPECT_EQ(dialogs.messages(),
              std::vector<std::string>{"エラー。「" + path +
                                       "」は読み取り専用のため上書きできません。ファイルは書き込んでいません。"});
    EXPECT_EQ(test::readFile(path), old);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0444));
}

TEST_F(ProjectFileTest, ASaveKilledHalfWayLeavesNothingTheNextSaveDoesNotRemove) {
    const std::string path = dir.file("p.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto old = test::readFile(path);
    for (int i = 0; i < 20; ++i) model.createTrack();
    ASSERT_EQ(test::killedPastFileSize(200, [&] { files.Write(path); }), SIGXFSZ);
    EXPECT_EQ(test::readFile(path), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // and a temporary

    ASSERT_TRUE(files.Write(dir.file("other.tqxproj")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);  // p and other
    ASSERT_TRUE(files.Write(path));
    ASSERT_TRUE(files.Load(path));
    EXPECT_EQ(model.trackCount(), 20);
}

TEST_F(ProjectFileTest, ProjectNamesUpToTheLongestAFolderHoldsAreSaved) {
    model.createTrack();
    for (std::size_t length : {240u, 255u}) {
        const std::string path = dir.file(std::string(length - 8, 'p') + ".tqxproj");
        dialogs.files.push_back(path);
        files.SaveAsCommand();
        EXPECT_TRUE(dialogs.messages().empty()) << length;
        EXPECT_EQ(model.SavePath, path);
        ASSERT_TRUE(files.Load(path));
        EXPECT_EQ(model.trackCount(), 1);
    }
}

TEST_F(ProjectFileTest, OverlongNamesAndPathsAreRefusedNotCut) {
    model.createTrack();
    const std::string path = dir.file("p.tqxproj");
    ASSERT_TRUE(files.Write(path));
    const auto old = test::readFile(path);

    model.track(0).name = std::string(256, 'a');
    EXPECT_FALSE(files.Write(path));
    model.track(0).name = "ok";
    TMultiWave& c = model.createClip(0);
    c.SetTrack(0);
    c.SetFileName("/" + std::string(259, 'p'));
    EXPECT_FALSE(files.Write(path));
    EXPECT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(test::readFile(path), old);

    // 127 kana are 381 bytes of UTF-8 but 254 of cp932: they fit.
    std::string kana;
    for (int i = 0; i < 127; ++i) kana += "あ";
    model.destroyClip(0);
    model.track(0).name = kana;
    ASSERT_TRUE(files.Write(path));
    ASSERT_TRUE(files.Load(path));
    EXPECT_EQ(model.track(0).name, kana);
}

// ---------------------------------------------------------------- commands

TEST_F(ProjectFileTest, SaveAfterOpenNeverWritesIntoTheEarlierProjectsFile) {
    const std::string first = dir.file("first.tqxproj");
    const std::string second = dir.file("second.tqxproj");
    model.createTrack();
    dialogs.files.push_back(first);
    files.SaveAsCommand();
    EXPECT_EQ(model.SavePath, first);
    ASSERT_TRUE(files.Write(second));
    const auto firstBytes = test::readFile(first);

    dialogs.files.push_back(second);
    files.OpenCommand();
    EXPECT_EQ(model.ProjectPath, second);
    model.createTrack();
    files.SaveCommand();  // asks, proposing the opened file; cancelled
    ASSERT_EQ(dialogs.shown.back().kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.shown.back().text, second);
    EXPECT_EQ(test::readFile(first), firstBytes);

    dialogs.files.push_back(second);
    files.SaveCommand();
    EXPECT_EQ(model.SavePath, second);
    ASSERT_TRUE(files.Load(second));
    EXPECT_EQ(model.trackCount(), 2);
}

TEST_F(ProjectFileTest, CommandsShowTheirCaptionsAndCancelDoesNothing) {
    test::ChangeLog log{studio};
    model.createTrack();
    model.setModified(false);  // nothing to ask about before opening
    files.OpenCommand();       // cancelled
    files.SaveAsCommand();
    EXPECT_TRUE(log.captions.empty());
    EXPECT_EQ(model.trackCount(), 1);

    const std::string path = dir.file("c.tqxproj");
    dialogs.files.push_back(path);
    files.SaveAsCommand();
    dialogs.files.push_back(path);
    files.OpenCommand();
    EXPECT_EQ(log.captions,
              (std::vector<std::string>{"保存中...", kApplicationTitle, "開いてます...", kApplicationTitle}));
    ASSERT_EQ(dialogs.shown.front().kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(dialogs.shown.front().text, "*.tqxproj");
}

}  // namespace
}  // namespace tqx

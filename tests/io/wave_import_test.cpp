#include "io/wave_import.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <gtest/gtest.h>

#include "audio/no_audio_system.h"
#include "io/track_render.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "session/studio.h"
#include "support/change_log.h"
#include "support/studio_rig.h"
#include "support/test_support.h"

namespace tqx {
namespace {

std::vector<std::uint8_t> sampleBytes(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    for (std::int16_t s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xFF));
        out.push_back(static_cast<std::uint8_t>((static_cast<std::uint16_t>(s) >> 8) & 0xFF));
    }
    return out;
}

void putLe32At(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

class WaveImportTest : public ::testing::Test, protected test::SilentStudioRig {
protected:
    test::ScratchDir dir;
    WaveImporter& importer = studio.importer();
    ProjectModel& model = studio.model;
    test::ChangeLog log{studio};

    void SetUp() override {
        model.createTrack();
        model.createTrack();
        model.SelectedTrack = 1;
    }

    std::string file(const std::vector<std::uint8_t>& bytes, const std::string& name = "in.wav") {
        const std::string path = dir.file(name);
        test::writeFile(path, bytes);
        return path;
    }
    const TMultiWave* onlyClip() const {
        const auto slots = model.clipSlots();
        return slots.size() == 1 ? model.clip(slots[0]) : nullptr;
    }
};

// ---------------------------------------------------------------- accepted files

TEST_F(WaveImportTest, StereoAtTheProjectRateIsTakenByteForByte) {
    const std::vector<std::int16_t> samples = {1, -1, 300, -300, 32767, -32768, 5, 6};
    const std::string path = file(test::makeWave(2, 44100, samples));
    importer.importInteractive(path);

    const TMultiWave* clip = onlyClip();
    ASSERT_NE(clip, nullptr);
    const auto want = sampleBytes(samples);
    ASSERT_EQ(clip->GetDataSize(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), clip->GetData()));
    EXPECT_EQ(clip->GetFormat(), WaveFormat::pcm(2, 44100));
    EXPECT_EQ(clip->GetTrack(), 1);
    EXPECT_EQ(clip->FileName(), path);
    EXPECT_EQ(clip->GetOutBufferSamples(), 8820);  // a tenth of a second, both channels
    EXPECT_TRUE(clip->onTimeline);
    EXPECT_TRUE(dialogs.shown.empty());

    const TrackSlot& track = model.track(1);
    EXPECT_FALSE(track.untouched);
    EXPECT_EQ(track.importFormat, WaveFormat::pcm(2, 44100));
    EXPECT_TRUE(track.importBuffer.empty());
    EXPECT_EQ(track.importBufferSize, want.size());
    EXPECT_EQ(log.captions, (std::vector<std::string>{"The file is opened...", kApplicationTitle}));
    EXPECT_TRUE(log.sawClip(ClipChange::Added));
}

TEST_F(WaveImportTest, MonoAtHalfTheRateIsConvertedToTheProjectRate) {
    const std::vector<std::int16_t> samples = {1000, -2000, 3000, -4000, 5000, 0, 12345, -12345};
    importer.importInteractive(file(test::makeWave(1, 22050, samples)));
    ASSERT_EQ(dialogs.messages(), std::vector<std::string>{});

    const TMultiWave* clip = onlyClip();
    ASSERT_NE(clip, nullptr);
    std::vector<std::int16_t> doubled;
    for (std::int16_t s : samples) doubled.insert(doubled.end(), {s, s});
    const auto want = sampleBytes(doubled);
    ASSERT_EQ(clip->GetDataSize(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), clip->GetData()));
    const WaveFormat f = clip->GetFormat();
    EXPECT_EQ(f.samplesPerSec, 44100u);
    EXPECT_EQ(f.channels, 1);
    EXPECT_EQ(f.blockAlign, 2);
    EXPECT_EQ(f.avgBytesPerSec, 88200u);
    EXPECT_EQ(f.extraSize, 18);
    EXPECT_EQ(model.track(1).importFormat, f);
}

TEST_F(WaveImportTest, ARiffFileOfAnotherFormTypeIsAccepted) {
    auto bytes = test::makeWave(1, 44100, {7, 8, 9});
    std::copy_n("AVI ", 4, bytes.begin() + 8);
    importer.importInteractive(file(bytes));
    ASSERT_NE(onlyClip(), nullptr);
    EXPECT_EQ(onlyClip()->GetDataSize(), 6u);
}

TEST_F(WaveImportTest, ClipStartsAtTheCursorAndWidensTheTimeline) {
    studio.timeline.TimeScale = 441.0f;
    studio.timeline.CursorX = 100;
    // One second of stereo: 100 pixels wide at 441 samples per pixel.
    importer.importInteractive(file(test::makeWave(2, 44100, std::vector<std::int16_t>(88200, 1))));
    const TMultiWave* clip = onlyClip();
    ASSERT_NE(clip, nullptr);
    EXPECT_FLOAT_EQ(clip->GetStartTime(), 1.0f);
    EXPECT_EQ(clip->left, 100);
    EXPECT_EQ(clip->width, 100);
    EXPECT_EQ(studio.timeline.hScrollRange, 100 + 100 + 200);
}

TEST_F(WaveImportTest, ADataChunkClaimingMoreThanTheFileHoldsGivesWhatIsThere) {
    auto bytes = test::makeWave(1, 44100, {1, 2, 3, 4});
    putLe32At(bytes, 40, 0xFFFFFFF0u);
    importer.importInteractive(file(bytes));
    const TMultiWave* clip = onlyClip();
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetDataSize(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(clip->GetData(), clip->GetData() + 8), sampleBytes({1, 2, 3, 4}));
}

// ---------------------------------------------------------------- refused files

TEST_F(WaveImportTest, OnlySixteenBitFilesAreTakenAndTheTrackFormatSurvivesARefusal) {
    const WaveFormat earlier = WaveFormat::pcm(2, 8000);
    model.track(1).importFormat = earlier;
    for (std::uint16_t bits : {8, 24}) {
        dialogs.shown.clear();
        importer.importInteractive(file(test::makeWave(1, 44100, {1, 2, 3}, bits)));
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "16bit format only corresponds.");
        EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
        EXPECT_EQ(dialogs.shown[0].caption, kApplicationTitle);
        EXPECT_EQ(model.track(1).importFormat, earlier);
    }
    EXPECT_EQ(model.clipCount(), 0);
    EXPECT_TRUE(model.track(1).untouched);
    EXPECT_EQ(studio.texts.caption(), kApplicationTitle);
}

TEST_F(WaveImportTest, EveryTruncationGivesAMessageOrTheSamplesThatAreThere) {
    const std::vector<std::int16_t> samples = {100, -200, 300, -400, 500};
    const auto full = test::makeWave(1, 44100, samples);
    const auto data = sampleBytes(samples);
    const std::string path = dir.file("cut.wav");
    for (std::size_t n = 0; n <= full.size(); ++n) {
        SCOPED_TRACE("file cut to " + std::to_string(n) + " bytes");
        dialogs.shown.clear();
        for (int slot : model.clipSlots()) model.destroyClip(slot);
        test::writeFile(path, {full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)});
        importer.importInteractive(path);
        if (n < 44) {  // the data chunk's header is not complete
            EXPECT_EQ(dialogs.messages(), std::vector<std::string>{WaveImporter::notWaveMessage(path)});
            EXPECT_EQ(model.clipCount(), 0);
        } else {
            EXPECT_TRUE(dialogs.shown.empty());
            const TMultiWave* clip = onlyClip();
            ASSERT_NE(clip, nullptr);
            ASSERT_EQ(clip->GetDataSize(), n - 44);
            EXPECT_TRUE(std::equal(clip->GetData(), clip->GetData() + (n - 44), data.begin()));
        }
    }
}

TEST_F(WaveImportTest, DamagedChunkSizesAreRefusedWithoutReadingOutside) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        const char* message;  // nullptr: "not an effective WAVE file"
    };
    const std::vector<Case> cases = {
        {"fmt chunk as long as it can be", [](auto& b) { putLe32At(b, 16, 0xFFFFFFFFu); }, nullptr},
        {"RIFF chunk of size 0", [](auto& b) { putLe32At(b, 4, 0); }, nullptr},
        {"fmt chunk of 2 bytes", [](auto& b) { putLe32At(b, 16, 2); }, nullptr},
        {"fmt chunk of 14 bytes", [](auto& b) { putLe32At(b, 16, 14); }, nullptr},
        {"no data chunk", [](auto& b) { std::copy_n("junk", 4, b.begin() + 36); }, nullptr},
        {"not RIFF", [](auto& b) { std::copy_n("RIFX", 4, b.begin()); }, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        auto bytes = test::makeWave(2, 44100, {1, 2, 3, 4});
        c.damage(bytes);
        const std::string path = file(bytes);
        importer.importInteractive(path);
        EXPECT_EQ(dialogs.messages(),
                  std::vector<std::string>{c.message ? c.message : WaveImporter::notWaveMessage(path)});
        EXPECT_EQ(model.clipCount(), 0);
    }
}

TEST_F(WaveImportTest, FormatRecordsNoClipCanPlayAreRefusedBeforeAnythingIsRead) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        std::string reason;  // second line of the message
    };
    const std::vector<Case> cases = {
        {"65,535 channels", [](auto& b) { b[22] = b[23] = 0xFF; },
         "チャンネル数 65535 には対応していません（モノラルとステレオのみ）。"},
        {"no channels", [](auto& b) { b[22] = b[23] = 0; },
         "チャンネル数 0 には対応していません（モノラルとステレオのみ）。"},
        {"three channels", [](auto& b) { b[22] = 3; },
         "チャンネル数 3 には対応していません（モノラルとステレオのみ）。"},
        {"1 Hz", [](auto& b) { putLe32At(b, 24, 1); },
         "サンプリング周波数 1 Hz には対応していません（1000～384000 Hz）。"},
        {"0 Hz", [](auto& b) { putLe32At(b, 24, 0); },
         "サンプリング周波数 0 Hz には対応していません（1000～384000 Hz）。"},
        {"999 Hz", [](auto& b) { putLe32At(b, 24, 999); },
         "サンプリング周波数 999 Hz には対応していません（1000～384000 Hz）。"},
        {"384,001 Hz", [](auto& b) { putLe32At(b, 24, 384001); },
         "サンプリング周波数 384001 Hz には対応していません（1000～384000 Hz）。"},
        {"floating point", [](auto& b) { b[20] = 3; }, "PCM 以外の形式（形式タグ 3）には対応していません。"},
        {"extensible", [](auto& b) { b[20] = 0xFE, b[21] = 0xFF; },
         "PCM 以外の形式（形式タグ 65534）には対応していません。"},
    };
    const WaveFormat earlier = WaveFormat::pcm(2, 8000);
    model.track(1).importFormat = earlier;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        dialogs.shown.clear();
        auto bytes = test::makeWave(1, 44100, std::vector<std::int16_t>(2048, 7));
        c.damage(bytes);
        const std::string path = file(bytes);
        importer.importInteractive(path);
        ASSERT_EQ(dialogs.shown.size(), 1u);
        EXPECT_EQ(dialogs.shown[0].text, "エラー。ファイル「" + path + "」は読み込めません。\n" + c.reason);
        EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
        EXPECT_EQ(model.clipCount(), 0);
        EXPECT_EQ(model.track(1).importFormat, earlier);
        EXPECT_FALSE(importer.importForProject(3, path, 0));
        EXPECT_EQ(dialogs.shown.size(), 2u);
    }
    EXPECT_EQ(model.clipCount(), 0);
    EXPECT_TRUE(model.track(1).untouched);
    EXPECT_TRUE(studio.texts.memo().empty());
    EXPECT_EQ(studio.texts.caption(), kApplicationTitle);
    EXPECT_FALSE(log.sawClip(ClipChange::Added));
}

TEST_F(WaveImportTest, ABlockAlignOrByteRateAtOddsWithTheFormatIsRecomputedAndTheMemoSaysSo) {
    // 0.2 s of stereo at 44,100 Hz. Taken at their word, a byte rate of 1 would make it
    // 35,280 s long, half the rate twice as long, and 0 no length at all.
    const std::vector<std::int16_t> samples(2 * 8820, 100);
    struct Case {
        std::uint32_t byteRate;
        std::uint16_t blockAlign;
        std::vector<std::string> memo;
    };
    const std::string path = dir.file("odd.wav");
    const std::vector<Case> cases = {
        {1, 4, {"データ速度: 1 → 176400 バイト/秒"}},
        {88200, 4, {"データ速度: 88200 → 176400 バイト/秒"}},
        {0, 0, {"ブロックサイズ: 0 → 4 バイト", "データ速度: 0 → 176400 バイト/秒"}},
        {176400, 3, {"ブロックサイズ: 3 → 4 バイト"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byteRate);
        for (int slot : model.clipSlots()) model.destroyClip(slot);
        studio.texts.clearMemo();
        auto bytes = test::makeWave(2, 44100, samples);
        putLe32At(bytes, 28, c.byteRate);
        bytes[32] = static_cast<std::uint8_t>(c.blockAlign);
        test::writeFile(path, bytes);
        importer.importInteractive(path);
        EXPECT_TRUE(dialogs.shown.empty());
        const TMultiWave* clip = onlyClip();
        ASSERT_NE(clip, nullptr);
        EXPECT_EQ(clip->GetFormat(), WaveFormat::pcm(2, 44100));
        EXPECT_EQ(trackExtent(model, 1).length, 35280u);  // what an export of it holds
        std::vector<std::string> memo = {
            "注意: 形式情報が不正なため、チャンネル数とサンプリング周波数から計算し直しました。", "ファイル: " + path};
        memo.insert(memo.end(), c.memo.begin(), c.memo.end());
        EXPECT_EQ(studio.texts.memo(), memo);
    }
    EXPECT_GT(log.memoChanges, 0);
}

TEST_F(WaveImportTest, OnlyRegularFilesAreOpenedAndAPipeIsRefusedAtOnce) {
    const std::string fifo = dir.file("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    // Opening the pipe the ordinary way would wait for a writer for ever.
    ::alarm(20);
    importer.importInteractive(fifo);
    EXPECT_FALSE(importer.importForProject(0, fifo, 0));
    importer.importInteractive("/dev/zero");
    importer.importInteractive(dir.path().string());
    ::alarm(0);
    const std::string only = "です。扱えるのは通常のファイルだけです。";
    EXPECT_EQ(
        dialogs.messages(),
        (std::vector<std::string>{
            "エラー。「" + fifo + "」は名前付きパイプ" + only, "エラー。「" + fifo + "」は名前付きパイプ" + only,
            "エラー。「/dev/zero」はデバイス" + only, "エラー。「" + dir.path().string() + "」はフォルダー" + only}));
    EXPECT_EQ(model.clipCount(), 0);
    EXPECT_EQ(studio.texts.caption(), kApplicationTitle);
}

// ---------------------------------------------------------------- where the clip goes

TEST_F(WaveImportTest, AFullClipTableCreatesNoClipAndSaysNothing) {
    for (int s = 0; s < kClipSlots; ++s) model.createClip(s).FreeOutBuffers();
    for (int s = 0; s < kClipSlots; ++s) model.clip(s)->SetTrack(0);
    studio.timeline.CursorX = 1000;
    importer.importInteractive(file(test::makeWave(1, 44100, {1, 2})));
    EXPECT_TRUE(dialogs.shown.empty());
    for (int s = 0; s < kClipSlots; ++s) ASSERT_EQ(model.clip(s)->GetTrack(), 0);
    EXPECT_FALSE(model.track(1).untouched);
    EXPECT_EQ(studio.timeline.hScrollRange, 1200);  // room is still made at the cursor
    EXPECT_EQ(studio.texts.caption(), kApplicationTitle);
}

TEST_F(WaveImportTest, NothingHappensWithoutASelectedTrack) {
    model.SelectedTrack = -1;
    importer.importInteractive(file(test::makeWave(1, 44100, {1, 2})));
    model.SelectedTrack = 5;  // a slot without a track
    importer.importInteractive(file(test::makeWave(1, 44100, {1, 2})));
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_EQ(model.clipCount(), 0);
}

TEST_F(WaveImportTest, TheMenuCommandAsksForAFileOnlyWhenThereAreTracks) {
    importer.N17Click();  // cancelled
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::OpenFile);
    EXPECT_EQ(dialogs.shown[0].text, "*.wav");
    EXPECT_EQ(model.clipCount(), 0);

    dialogs.files.push_back(file(test::makeWave(1, 44100, {1, 2})));
    importer.N17Click();
    EXPECT_EQ(model.clipCount(), 1);
    EXPECT_TRUE(log.sawClip(ClipChange::Added));

    model.resetProject();
    dialogs.shown.clear();
    importer.N17Click();
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(WaveImportTest, TheProjectImportUsesItsSlotAndLeavesTheTrackAlone) {
    const std::string path = file(test::makeWave(1, 22050, {1, 2, 3}));
    const WaveFormat earlier = WaveFormat::pcm(2, 8000);
    model.track(0).importFormat = earlier;
    model.track(0).importBufferSize = 77;
    EXPECT_FALSE(importer.importForProject(kClipSlots, path, 0));
    EXPECT_FALSE(importer.importForProject(-1, path, 0));
    EXPECT_TRUE(dialogs.shown.empty());

    ASSERT_TRUE(importer.importForProject(4321, path, 0));
    const TMultiWave* clip = model.clip(4321);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->GetTrack(), 0);
    EXPECT_EQ(clip->GetDataSize(), 12u);  // converted to the project rate
    EXPECT_EQ(model.clipSlots(), std::vector<int>{4321});
    const TrackSlot& t = model.track(0);
    EXPECT_EQ(t.importFormat, earlier);
    EXPECT_EQ(t.importBufferSize, 77u);
    EXPECT_TRUE(t.untouched);
    EXPECT_TRUE(log.captions.empty());

    EXPECT_FALSE(importer.importForProject(5, dir.file("missing.wav"), 0));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"The error occurred by the file reading."});
}

}  // namespace
}  // namespace tqx

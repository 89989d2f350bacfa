// Mixdowns of the whole project and of chosen tracks, and what every export does when it is
// cancelled or cannot write.
#include "effects/equalizer.h"
#include "io/export_test_support.h"
#include "io/mixdown.h"
#include "support/change_log.h"

namespace tqx {
namespace {

using test::ExportedWave;
using test::readExport;
using test::Samples;
using test::stereo;

// The fractions of every progress report so far.
std::vector<double> fractionsOf(const ScriptedDialogs& dialogs) {
    std::vector<double> out;
    for (const auto& [what, fraction] : dialogs.progressReports) out.push_back(fraction);
    return out;
}

class Mixdown : public test::ExportTest {};

TEST_F(Mixdown, WholeProjectTakesEveryTrackMutedOrNotAndIsAsLongAsTheLongest) {
    const int a = addTrack(), b = addTrack(), c = addTrack();
    addClip(a, 0.0f, stereo(4, 1000, 2000));
    addClip(b, 0.0f, stereo(2, 30, -30));
    addClip(b, 0.0f, stereo(1, 5, 5));
    model().track(a).muted = true;
    model().track(b).soloed = true;
    model().updateAnySolo();
    (void)c;  // a track without clips adds nothing

    test::ChangeLog view(studio);
    const ExportedWave w = mixdownAll();
    ASSERT_TRUE(w.exists);
    EXPECT_EQ(w.format, WaveFormat::pcm(2, 44100));
    EXPECT_EQ(w.riffSize, w.dataBytes + 36);
    // Track b renders as 35, -23, 30, -28 and is added to track a's 1000, 2000.
    EXPECT_EQ(w.samples, (Samples{1035, 1977, 1030, 1972, 1000, 2000, 1000, 2000}));

    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].text, "エクスポートしますか？");
    EXPECT_EQ(dialogs.shown[0].caption, "Tinderquillex");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Question);
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::SaveFile);
    EXPECT_EQ(dialogs.shown[1].text, "NoName");
    EXPECT_EQ(view.captions, (std::vector<std::string>{"エクスポート中...", "Tinderquillex"}));
    ASSERT_FALSE(dialogs.progressReports.empty());
    EXPECT_EQ(dialogs.progressReports.front().first, "エクスポート中...");
    EXPECT_EQ(dialogs.progressReports.back().second, 1.0);
}

TEST_F(Mixdown, NoTracksNoQuestionAndNoFileWithoutClips) {
    studio.exporter().A2Click();
    studio.exporter().S2Click();
    studio.exporter().N25Click();
    EXPECT_TRUE(dialogs.shown.empty());

    const int t = addTrack();
    addTrack();
    EXPECT_FALSE(mixdownAll().exists);
    EXPECT_FALSE(exportTrack(t).exists);
    EXPECT_TRUE(dialogs.messages() ==
                (std::vector<std::string>{"エクスポートしますか？", "このトラックをエクスポートしますか？"}));
    EXPECT_EQ(studio.texts.caption(), "Tinderquillex");

    // No selected track (after a deletion) renders nothing either.
    addClip(t, 0.0f, stereo(1, 1, 1));
    EXPECT_FALSE(exportTrack(-1).exists);
    EXPECT_TRUE(filesInDir().empty());
}

TEST_F(Mixdown, AnsweringNoOrCancellingTheSaveDialogWritesNothing) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(1, 1, 1));
    dialogs.answers.push_back(DialogAnswer::No);
    studio.exporter().A2Click();
    EXPECT_EQ(dialogs.shown.size(), 1u);  // no save dialog after No

    dialogs.files.push_back(std::nullopt);
    studio.exporter().A2Click();
    EXPECT_TRUE(filesInDir().empty());
    EXPECT_EQ(studio.texts.caption(), "Tinderquillex");
}

TEST_F(Mixdown, ChosenTracksComeInDisplayOrderEachWithItsOwnSettings) {
    const int t0 = addTrack(), t1 = addTrack(), t2 = addTrack();
    addClip(t0, 0.0f, stereo(2, 100, 100));
    addClip(t1, 0.0f, stereo(2, 200, 200));
    addClip(t2, 0.0f, stereo(1, 400, 400));
    model().track(t1).pan = 0.5f;
    model().track(t2).volume = 0.5f;
    // Panels from the top: slot 2, slot 0, slot 1. Items 0 and 2 are slots 2 and 1.
    model().track(t2).panelTop = 0;
    model().track(t0).panelTop = 100;
    model().track(t1).panelTop = 200;

    dialogs.trackChoices.push_back(std::vector<int>{2, 0});
    dialogs.files.push_back(dir.file("chosen.wav"));
    studio.exporter().S2Click();
    EXPECT_TRUE(dialogs.trackChoices.empty());
    EXPECT_EQ(dialogs.tracksOffered,
              (std::vector<std::string>{"Track3 (トラック3)", "Track1 (トラック1)", "Track2 (トラック2)"}));
    EXPECT_EQ(readExport(dir.file("chosen.wav")).samples, (Samples{300, 400, 100, 200}));
    // No question before the chooser; the save dialog comes after it.
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[0].kind, ScriptedDialogs::Kind::ChooseTracks);
    EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::SaveFile);
}

TEST_F(Mixdown, ChooserCancelledOrEmptyEndsQuietly) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(1, 1, 1));
    dialogs.trackChoices.push_back(std::nullopt);
    studio.exporter().S2Click();
    dialogs.trackChoices.push_back(std::vector<int>{});
    studio.exporter().S2Click();
    // Two choosers, nothing after them.
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].kind, ScriptedDialogs::Kind::ChooseTracks);
}

TEST_F(Mixdown, CliCoreWritesTracksInTheOrderGiven) {
    const int a = addTrack(), b = addTrack();
    addClip(a, 0.0f, stereo(1, 20000, 0));
    addClip(b, 0.0f, stereo(2, 20000, -100));
    const MixdownResult r = writeMixdown(context(), {b, a, 77}, dir.file("core.wav"));
    EXPECT_EQ(r.status, MixdownStatus::Written);
    EXPECT_EQ(r.dataBytes, 8u);
    // Every addition raises a negative sum: b's -98 becomes -97 in the mix and -96 when a's
    // silent right channel is added after it.
    EXPECT_EQ(readExport(dir.file("core.wav")).samples, (Samples{32767, -96, 20000, -97}));
    EXPECT_EQ(writeMixdown(context(), {}, dir.file("none.wav")).status, MixdownStatus::NothingToWrite);
    EXPECT_TRUE(dialogs.shown.empty());
}

// ---- cancelling and failing ----

TEST_F(Mixdown, CancelledExportsLeaveNoFileAndKeepTheOneTheyWouldReplace) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(44100, 123, -123));
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    test::writeFile(dir.file("mix.wav"), old);
    test::writeFile(dir.file("track.wav"), old);
    test::writeFile(dir.file("clip.wav"), old);

    test::ChangeLog view(studio);
    dialogs.stopAfterReports = 2;
    mixdownAll("mix.wav");
    dialogs.progressReports.clear();
    exportTrack(t, "track.wav");
    dialogs.progressReports.clear();
    exportClip(0, "clip.wav");

    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"clip.wav", "mix.wav", "track.wav"}));
    for (const char* name : {"mix.wav", "track.wav", "clip.wav"}) EXPECT_EQ(test::readFile(dir.file(name)), old);
    EXPECT_EQ(dialogs.messages().size(), 3u);  // the three questions, nothing else
    EXPECT_EQ(studio.texts.caption(), "Tinderquillex");
    EXPECT_EQ(view.captions.back(), "Tinderquillex");
}

TEST_F(Mixdown, ProgressGoesOnAndCancelWorksWhileTheEqualizerFilters) {
    studio.equalizer().setOn(true);
    studio.equalizer().setBandPosition(3, -150);
    const int t = addTrack();
    addClip(t, 0.0f, stereo(10 * 44100, 3000, -3000));
    test::ChangeLog view(studio);
    ASSERT_TRUE(exportTrack(t, "whole.wav").exists);
    // The track is rendered block after block, the equalizer running through every block;
    // the export's own share of the progress is 90 %.
    std::vector<std::size_t> whileFiltering;
    const std::vector<double> fractions = fractionsOf(dialogs);
    for (std::size_t i = 0; i < fractions.size(); ++i)
        if (fractions[i] > 0.31 && fractions[i] < 0.59) whileFiltering.push_back(i);
    EXPECT_GE(whileFiltering.size(), 4u);

    dialogs.progressReports.clear();
    dialogs.stopAfterReports = whileFiltering[1] + 1;
    EXPECT_FALSE(exportTrack(t, "stopped.wav").exists);
    EXPECT_EQ(dialogs.progressReports.size(), whileFiltering[1] + 1);
}

TEST_F(Mixdown, AnExportMissingAClipIsNotKeptAndSaysWhy) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(3, 700, 800));
    addClip(t, 0.0f, {5, 5, 5}, 1);  // mono: needs the converter
    const std::vector<std::uint8_t> old = {'o', 'l', 'd'};
    test::writeFile(dir.file("mix.wav"), old);
    test::writeFile(dir.file("track.wav"), old);
    const std::string discarded = "エラー。エクスポートを最後まで行えなかったため、ファイルは書き込んでいません。";
    const std::string kept = "同じ名前の以前のファイルはそのまま残っています。";

    studio.exporter().converterLibrary = "libRavelinGone.so";
    mixdownAll("mix.wav");
    exportTrack(t, "track.wav");
    exportTrack(t, "new.wav");
    EXPECT_EQ(dialogs.messages(),
              (std::vector<std::string>{
                  "エクスポートしますか？", "Ravelin.dllの読み込みに失敗しました。", discarded + kept,
                  "このトラックをエクスポートしますか？", "Ravelin.dllの読み込みに失敗しました。", discarded + kept,
                  "このトラックをエクスポートしますか？", "Ravelin.dllの読み込みに失敗しました。", discarded}));
    EXPECT_EQ(dialogs.shown.back().icon, DialogIcon::Error);
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"mix.wav", "track.wav"}));
    EXPECT_EQ(test::readFile(dir.file("mix.wav")), old);
    EXPECT_EQ(test::readFile(dir.file("track.wav")), old);

    // With the converter, but a clip whose conversion would not fit in a block: its record
    // says 1 Hz with the byte rate of 44,100 Hz, so it lasts a second yet converts to 8.8 GB.
    dialogs.shown.clear();
    studio.exporter().converterLibrary = kRavelinLibraryFile;
    TMultiWave& odd = addClip(t, 0.0f, Samples(50000, 9), 1);
    WaveFormat f = WaveFormat::pcm(1, 1);
    f.avgBytesPerSec = 88200;
    odd.SetFormat(f);
    odd.SetFileName("/songs/odd.wav");
    EXPECT_EQ(writeMixdown(context(), {t}, dir.file("mix.wav")).status, MixdownStatus::RenderFailed);
    EXPECT_EQ(dialogs.messages(),
              (std::vector<std::string>{
                  "エラー。クリップ「/songs/odd.wav」を変換できませんでした（メモリが足りないか、変換後の長さが 4 GiB "
                  "を超えます）。",
                  discarded + kept}));
    EXPECT_EQ(test::readFile(dir.file("mix.wav")), old);
    EXPECT_EQ(filesInDir(), (std::vector<std::string>{"mix.wav", "track.wav"}));
}

TEST_F(Mixdown, FileThatCannotBeCreatedIsReportedAndTheCaptionReturns) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(1, 1, 1));
    const std::string nowhere = dir.file("missing/out.wav");
    for (int command = 0; command < 3; ++command) {
        dialogs.shown.clear();
        dialogs.files.push_back(nowhere);
        studio.model.SelectedTrack = t;
        studio.selectedClip = 0;
        if (command == 0) studio.exporter().A2Click();
        if (command == 1) studio.exporter().N25Click();
        if (command == 2) studio.exporter().E1Click();
        ASSERT_EQ(dialogs.messages().size(), 2u) << command;
        const auto& shown = dialogs.shown.back();
        EXPECT_EQ(shown.text, "エラー。ファイルの作成に失敗しました。");
        EXPECT_EQ(shown.icon, DialogIcon::Error);
        // The track and mixdown messages come under the exporting caption, the clip's under
        // the title (its caption changes only after the file exists).
        EXPECT_EQ(shown.caption, command == 2 ? "Tinderquillex" : "エクスポート中...");
        EXPECT_EQ(studio.texts.caption(), "Tinderquillex");
    }
    EXPECT_TRUE(filesInDir().empty());
}

}  // namespace
}  // namespace tqx

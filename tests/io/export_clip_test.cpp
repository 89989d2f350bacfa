// The clip popup's commands: exporting the current clip in its own format, and deleting it.
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "effects/apply_equalizer.h"
#include "effects/equalizer.h"
#include "io/export_test_support.h"
#include "io/wave_import.h"
#include "session/clip_commands.h"
#include "support/change_log.h"

namespace tqx {
namespace {

using test::ExportedWave;
using test::Samples;
using test::stereo;

class ClipCommands : public test::ExportTest {};

TEST_F(ClipCommands, MonoClipIsExportedMonoAtItsOwnRateWhileItsTrackExportsStereo) {
    const int t = addTrack();
    addTrack();
    addClip(t, 0.25f, {0, 1, -1, -100, 32767, -32768}, 1, 22050);

    const ExportedWave clip = exportClip(0);
    ASSERT_TRUE(clip.exists);
    EXPECT_EQ(clip.format, WaveFormat::pcm(1, 22050));
    EXPECT_EQ(clip.dataBytes, 12u);
    EXPECT_EQ(clip.riffSize, 48u);
    EXPECT_EQ(clip.fileBytes, 56u);
    // Neutral settings: non-negative samples unchanged, negative ones one step up; the clip's
    // place on the timeline plays no part.
    EXPECT_EQ(clip.samples, (Samples{0, 1, 0, -99, 32767, -32767}));
    EXPECT_EQ(dialogs.shown[0].text, "この音声をエクスポートしますか？");
    EXPECT_EQ(dialogs.shown[0].caption, "Tinderquillex");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Question);
    EXPECT_EQ(dialogs.shown[1].text, "NoName");
    EXPECT_EQ(studio.texts.caption(), "Tinderquillex");

    EXPECT_EQ(exportTrack(t).format, WaveFormat::pcm(2, 44100));
}

TEST_F(ClipCommands, PanOfAMonoClipFollowsTheLeftRule) {
    const int t = addTrack();
    addClip(t, 0.0f, {1000, 2000}, 1);
    addClip(t, 0.0f, stereo(1, 1000, 2000));
    model().track(t).pan = 0.5f;
    EXPECT_EQ(exportClip(0, "m1.wav").samples, (Samples{500, 1000}));
    EXPECT_EQ(exportClip(1, "s1.wav").samples, (Samples{500, 2000}));
    model().track(t).pan = -0.5f;
    EXPECT_EQ(exportClip(0, "m2.wav").samples, (Samples{1000, 2000}));
    EXPECT_EQ(exportClip(1, "s2.wav").samples, (Samples{1000, 1000}));
}

TEST_F(ClipCommands, EqualizerComesAfterTheTrackSettings) {
    studio.equalizer().setOn(true);
    studio.equalizer().setBandPosition(4, 300);
    const int t = addTrack();
    Samples data;
    for (int i = 0; i < 500; ++i) data.push_back(static_cast<std::int16_t>((i * 1237) % 12000 - 6000));
    addClip(t, 0.0f, data);
    model().track(t).volume = 0.5f;

    Samples expected;
    for (std::int16_t s : data) expected.push_back(static_cast<std::int16_t>(std::trunc(s / 2.0 + 0.5)));
    const auto& table = studio.equalizer().table();
    EqualizerState state;
    ApplyEqualizer(expected, 2, state, table.denominator, table.numerator);
    EXPECT_EQ(exportClip(0).samples, expected);
}

TEST_F(ClipCommands, EqualizerFiltersEachOfTheClipsOwnChannelsApart) {
    Equalizer& eq = studio.equalizer();
    eq.setOn(true);
    eq.selectBandSet(1);
    eq.setBandPosition(6, -300);  // "1k" at +3.00
    // What the export writes with neutral track settings: each negative sample one step up
    // (the track settings' requantisation), then the equalizer.
    const auto filtered = [&](Samples s, std::size_t channels) {
        for (std::int16_t& v : s) v = static_cast<std::int16_t>(v < 0 ? v + 1 : v);
        EqualizerState state;
        ApplyEqualizer(s, channels, state, eq.table().denominator, eq.table().numerator);
        return s;
    };
    const int t = addTrack();

    // Stereo: the tone on the left comes out four times as loud, the right stays silent.
    const Samples tone = test::toneOnTheLeft(8820, 1000.0, 5000.0);
    addClip(t, 0.0f, tone);
    const Samples stereoOut = exportClip(0, "stereo.wav").samples;
    EXPECT_EQ(stereoOut, filtered(tone, 2));
    EXPECT_NEAR(test::peakOf(stereoOut, 0, 2000), 20000, 80);
    EXPECT_EQ(test::peakOf(stereoOut, 1, 0), 0);

    // Mono: the samples as one signal.
    Samples mono;
    for (std::size_t j = 0; j < tone.size(); j += 2) mono.push_back(tone[j]);
    addClip(t, 0.0f, mono, 1);
    EXPECT_EQ(exportClip(1, "mono.wav").samples, filtered(mono, 1));

    // Three channels: each one as a mono signal of its own, the tone only on the middle one.
    Samples three;
    for (std::int16_t s : mono) three.insert(three.end(), {0, s, 0});
    addClip(t, 0.0f, three, 3);
    const Samples threeOut = exportClip(2, "three.wav").samples;
    ASSERT_EQ(threeOut.size(), three.size());
    const Samples middle = filtered(mono, 1);
    for (std::size_t f = 0; f < mono.size(); ++f) {
        ASSERT_EQ(threeOut[3 * f], 0) << f;
        ASSERT_EQ(threeOut[3 * f + 1], middle[f]) << f;
        ASSERT_EQ(threeOut[3 * f + 2], 0) << f;
    }
}

// A 16-bit WAVE_FORMAT_EXTENSIBLE file: a 40-byte fmt chunk naming PCM as its sub-format.
std::vector<std::uint8_t> extensibleWave(std::uint16_t channels, const Samples& samples) {
    const auto data = test::sampleBytes(samples);
    std::vector<std::uint8_t> out;
    const auto le16 = [&](unsigned v) {
        out.push_back(std::uint8_t(v));
        out.push_back(std::uint8_t(v >> 8));
    };
    const auto le32 = [&](std::size_t v) {
        le16(unsigned(v & 0xFFFF));
        le16(unsigned(v >> 16));
    };
    const auto id = [&](const char* four) {
        for (int i = 0; i < 4; ++i) out.push_back(std::uint8_t(four[i]));
    };
    id("RIFF");
    le32(4 + 8 + 40 + 8 + data.size());
    id("WAVE");
    id("fmt ");
    le32(40);
    le16(0xFFFE);
    le16(channels);
    le32(44100);
    le32(44100u * 2 * channels);
    le16(2 * channels);
    le16(16);
    le16(22);                     // extra bytes
    le16(16);                     // valid bits
    le32(channels == 2 ? 3 : 4);  // speaker positions
    for (unsigned b : {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71})
        out.push_back(std::uint8_t(b));  // the PCM sub-format
    id("data");
    le32(data.size());
    for (std::uint8_t b : data) out.push_back(b);
    return out;
}

bool soxReads(const std::string& path) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) return true;  // cannot judge
    return std::system(("sox --i '" + path + "' >/dev/null 2>&1").c_str()) == 0;
}

TEST_F(ClipCommands, AnExtensibleClipIsImportedAsPcmAndExportedAsAFileOtherProgramsRead) {
    const int t = addTrack();
    studio.model.SelectedTrack = t;
    const std::string in = dir.file("ext.wav");
    test::writeFile(in, extensibleWave(2, stereo(100, 1000, -2000)));
    studio.importer().importInteractive(in);
    ASSERT_NE(model().clip(0), nullptr);
    EXPECT_EQ(model().clip(0)->GetFormat().formatTag, WaveFormat::kPcm);

    const ExportedWave out = exportClip(0, "out.wav");
    ASSERT_TRUE(out.exists);
    EXPECT_EQ(out.format, WaveFormat::pcm(2, 44100));
    EXPECT_EQ(out.samples, stereo(100, 1000, -1999));
    EXPECT_TRUE(soxReads(dir.file("out.wav")));

    // Four channels cannot be played or mixed: refused at the door, not rendered as silence.
    const std::string quad = dir.file("quad.wav");
    test::writeFile(quad, extensibleWave(4, Samples(400, 7)));
    dialogs.shown.clear();
    studio.importer().importInteractive(quad);
    EXPECT_EQ(model().clipCount(), 1);
    ASSERT_EQ(dialogs.messages().size(), 1u);
    EXPECT_NE(dialogs.messages()[0].find("チャンネル数 4"), std::string::npos);
}

TEST_F(ClipCommands, AnExportOntoASymbolicLinkWritesTheLinksTarget) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(10, 100, 200));
    std::filesystem::create_directory(dir.path() / "real");
    test::writeFile(dir.file("real/target.wav"), {1, 2, 3});
    std::filesystem::permissions(dir.path() / "real/target.wav", std::filesystem::perms(0640));
    std::filesystem::create_symlink("real/target.wav", dir.path() / "link.wav");

    exportClip(0, "link.wav");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.path() / "link.wav"));
    const ExportedWave target = test::readExport(dir.file("real/target.wav"));
    ASSERT_TRUE(target.exists);
    EXPECT_EQ(target.samples, stereo(10, 100, 200));
    EXPECT_EQ(std::filesystem::status(dir.path() / "real/target.wav").permissions(), std::filesystem::perms(0640));
}

TEST_F(ClipCommands, NoCurrentClipEndsAfterTheQuestion) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(1, 1, 1));
    for (int slot : {-1, 5}) {
        dialogs.shown.clear();
        studio.selectedClip = slot;
        studio.exporter().E1Click();
        N23Click(studio);
        EXPECT_EQ(dialogs.messages(),
                  (std::vector<std::string>{"この音声をエクスポートしますか？", "この音声を削除しますか？"}));
        EXPECT_EQ(dialogs.shown.size(), 2u);  // no save dialog
    }
    EXPECT_NE(model().clip(0), nullptr);
}

TEST_F(ClipCommands, DeletionAsksAndKeepsTheFile) {
    test::ChangeLog view(studio);
    const int t = addTrack();
    addClip(t, 0.0f, stereo(1, 1, 1));
    const std::string file = dir.file("take.wav");
    test::writeFile(file, test::makeWave(2, 44100, {1, 1}));
    model().clip(0)->SetFileName(file);
    studio.texts.setCaption("Tinderquillex - 変更");

    studio.selectedClip = 0;
    dialogs.answers.push_back(DialogAnswer::No);
    N23Click(studio);
    EXPECT_NE(model().clip(0), nullptr);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].text, "この音声を削除しますか？");
    EXPECT_EQ(dialogs.shown[0].icon, DialogIcon::Warning);
    EXPECT_EQ(dialogs.shown[0].buttons, DialogButtons::YesNo);
    EXPECT_EQ(dialogs.shown[0].caption, "Tinderquillex - 変更");
    EXPECT_TRUE(view.clips.empty());

    dialogs.answers.push_back(DialogAnswer::Yes);
    N23Click(studio);
    EXPECT_EQ(model().clip(0), nullptr);
    EXPECT_EQ(model().clipCount(), 0);
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(studio.selectedClip, 0);
    EXPECT_EQ(view.clips, (std::vector<std::pair<int, ClipChange>>{{0, ClipChange::Removed}}));
    EXPECT_TRUE(model().trackExists(t));
}

}  // namespace
}  // namespace tqx

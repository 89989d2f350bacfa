// Exports rendered block by block: the same bytes whatever number of threads renders them, and
// whether a project's audio is held in memory or read from its clip files while the mix is
// written (as tqx-mixdown does); a clip file that can no longer be read stops the export.
#include <filesystem>
#include <gtest/gtest.h>
#include <random>

#include "io/export_test_support.h"
#include "io/mixdown.h"
#include "io/wave_import.h"
#include "platform/byte_order.h"
#include "project/project_file.h"
#include "session/project_file_commands.h"
#include "support/studio_rig.h"

namespace tqx {
namespace {

using test::Samples;

Samples noise(std::size_t n, std::uint32_t seed, int amplitude) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> value(-amplitude, amplitude);
    Samples s(n);
    for (auto& x : s) x = static_cast<std::int16_t>(value(rng));
    return s;
}

// A project of five tracks whose clips need every kind of handling: stereo at the project
// rate, mono, other rates (one with an odd byte count), overlaps that clamp, starts inside a
// frame and before time 0, tracks of different lengths, pans, gains and the equalizer, long
// enough for many blocks.
class BlockRendering : public ::testing::Test {
protected:
    test::ScratchDir dir;

    struct TestClip {
        int track;
        float start;
        std::uint16_t channels;
        std::uint32_t rate;
        Samples samples;
        bool oddByte = false;
    };

    std::string writeProject(bool equalizer) {
        const std::vector<TestClip> clips = {
            {0, 0.0f, 2, 44100, noise(2 * 44100 * 3, 1, 20000)},
            {0, 1.25f, 2, 44100, noise(2 * 30000, 2, 20000)},
            {1, 0.3f, 1, 44100, noise(50001, 3, 12000)},
            {2, -0.5f, 2, 48000, noise(2 * 48000 * 2, 4, 9000)},
            {3, 0.01f, 1, 22050, noise(33333, 5, 30000), true},
            {4, 2.0f + 3.5f / 88200.0f, 2, 11025, noise(2 * 11025, 6, 25000)},
        };
        ProjectFileContents contents;
        for (int t = 0; t < 5; ++t) {
            StoredTrack track;
            track.settings.slot = t;
            track.settings.name = "Track" + std::to_string(t);
            track.settings.volume = 1.0f - 0.15f * float(t);
            track.settings.pan = 0.4f * float(t - 2);
            track.settings.gain = float(t) - 2.0f;
            contents.tracks.push_back(track);
        }
        for (std::size_t c = 0; c < clips.size(); ++c) {
            const TestClip& clip = clips[c];
            auto bytes = test::makeWave(clip.channels, clip.rate, clip.samples);
            if (clip.oddByte) {  // half a sample more in the data chunk
                bytes.push_back(0x7F);
                putLe32(&bytes[4], getLe32(&bytes[4]) + 1);
                putLe32(&bytes[40], getLe32(&bytes[40]) + 1);
            }
            const std::string path = dir.file("clip" + std::to_string(c) + ".wav");
            test::writeFile(path, bytes);
            contents.tracks[std::size_t(clip.track)].clips.push_back({int(c), clip.track, path, clip.start});
        }
        contents.equalizer.on = equalizer ? 1 : 0;
        contents.equalizer.bandSet = 2;
        for (int b = 0; b < 10; ++b) contents.equalizer.bands[std::size_t(b)] = (b % 3 - 1) * 120;
        const std::string project = dir.file(equalizer ? "eq.tqxproj" : "flat.tqxproj");
        const EncodedProjectFile encoded = encodeProjectFile(contents);
        test::writeFile(project, std::vector<std::uint8_t>(encoded.bytes.begin(), encoded.bytes.end()));
        return project;
    }

    // The mixdown of every track of `project`, opened as the program opens it or, with `files`,
    // with its audio left in the clip files.
    std::vector<std::uint8_t> mixdown(const std::string& project, unsigned threads, ClipFiles* files = nullptr) {
        test::StudioRig rig;
        rig.studio.importer().keepProjectAudioInFiles(files);
        EXPECT_TRUE(rig.studio.projectFile().Load(project));
        RenderOptions options;
        options.threads = threads;
        options.clipFiles = files;
        const std::string out = dir.file("mix.wav");
        EXPECT_EQ(writeMixdown(rig.studio.exportContext(), {0, 1, 2, 3, 4}, out, options).status,
                  MixdownStatus::Written);
        EXPECT_TRUE(rig.dialogs.messages().empty());
        return test::readFile(out);
    }
};

TEST_F(BlockRendering, TheBytesDoNotDependOnTheNumberOfThreads) {
    for (bool equalizer : {false, true}) {
        SCOPED_TRACE(equalizer ? "equalizer on" : "equalizer off");
        const std::string project = writeProject(equalizer);
        const auto one = mixdown(project, 1);
        ASSERT_GT(one.size(), 44u + 4u * 44100u * 3u);  // track 4 ends a little after 3 s
        EXPECT_EQ(mixdown(project, 2), one);
        EXPECT_EQ(mixdown(project, 3), one);
    }
}

TEST_F(BlockRendering, AudioReadFromTheClipFilesMixesAsWhenImportedWhole) {
    for (bool equalizer : {false, true}) {
        SCOPED_TRACE(equalizer ? "equalizer on" : "equalizer off");
        const std::string project = writeProject(equalizer);
        ClipFiles files;
        EXPECT_EQ(mixdown(project, 2, &files), mixdown(project, 2));
        EXPECT_EQ(files.size(), 6u);
    }
}

TEST_F(BlockRendering, AClipFileCutShortAfterOpeningStopsTheMixdownAndLeavesNoFile) {
    const std::string project = writeProject(false);
    test::StudioRig rig;
    ClipFiles files;
    rig.studio.importer().keepProjectAudioInFiles(&files);
    ASSERT_TRUE(rig.studio.projectFile().Load(project));
    std::filesystem::resize_file(dir.file("clip3.wav"), 1000);
    RenderOptions options;
    options.clipFiles = &files;
    EXPECT_EQ(writeMixdown(rig.studio.exportContext(), {0, 1, 2, 3, 4}, dir.file("cut.wav"), options).status,
              MixdownStatus::RenderFailed);
    EXPECT_EQ(
        rig.dialogs.messages(),
        (std::vector<std::string>{"エラー。クリップ「" + dir.file("clip3.wav") + "」の音声ファイルを読めませんでした。",
                                  "エラー。エクスポートを最後まで行えなかったため、ファイルは書き込んでいません。"}));
    EXPECT_EQ(rig.dialogs.shown.front().icon, DialogIcon::Error);
    EXPECT_FALSE(std::filesystem::exists(dir.file("cut.wav")));
}

}  // namespace
}  // namespace tqx

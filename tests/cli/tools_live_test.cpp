// tqx-play and tqx-record through a real sound server, in the program's own configuration:
// what is played is captured from the null sink's monitor, what is recorded comes from the
// sine source or, for overdubs, from the monitor of the project's own playback. These tests
// need the private PulseAudio server of tests/scripts/pulseaudio_backend.sh; without
// PULSE_SERVER they are skipped.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <thread>

#include "audio/no_audio_system.h"
#include "io/wave_import.h"
#include "platform/byte_order.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "project/clip_timing.h"
#include "session/project_file_commands.h"
#include "session/studio.h"
#include "support/monitor_capture.h"
#include "support/test_support.h"

extern char** environ;

namespace tqx::test {
namespace {

using Samples = std::vector<std::int16_t>;
constexpr std::uint32_t kRate = 44100;

std::string tool(const std::string& name) {
    return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / name).string();
}

// Runs a command line; its standard output, and the exit status in `status`. What it says on
// standard error is printed, so a failure shows the program's own report.
std::string run(const std::string& command, int& status) {
    std::string out;
    const std::string errors =
        std::filesystem::temp_directory_path() / ("tqx-tool-" + std::to_string(getpid()) + ".err");
    if (FILE* pipe = popen((command + " 2>'" + errors + "'").c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        const int raw = pclose(pipe);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    } else {
        status = -1;
    }
    for (const auto& line : readFile(errors)) std::fputc(line, stderr);
    std::filesystem::remove(errors);
    return out;
}

void useSource(const std::string& source) {
    ASSERT_EQ(std::system(("pactl set-default-source " + source + " >/dev/null 2>&1").c_str()), 0);
}

struct ClipSpec {
    int track = 0;
    float start = 0;
    Samples stereo;  // interleaved, 44,100 Hz
};

// A project of `tracks` tracks with the clips laid on them, written by the program's own code.
std::string makeProject(const ScratchDir& dir, int tracks, const std::vector<ClipSpec>& clips) {
    ScriptedDialogs dialogs;
    NoAudioSystem audio;
    ManualTimerService timer;
    QueuedEventSink events;
    Studio studio({dialogs, audio, timer, events});
    for (int t = 0; t < tracks; ++t) studio.model.createTrack();
    for (std::size_t i = 0; i < clips.size(); ++i) {
        const std::string wav = dir.file("clip" + std::to_string(i) + ".wav");
        writeFile(wav, makeWave(2, kRate, clips[i].stereo));
        EXPECT_TRUE(studio.importer().importForProject(int(i), wav, clips[i].track));
        studio.model.clip(int(i))->SetStartTime(clips[i].start);
    }
    const std::string path = dir.file("song.tqxproj");
    EXPECT_TRUE(studio.projectFile().Write(path));
    return path;
}

// The samples of a 16-bit WAVE file and what its header says.
struct Wave {
    std::uint32_t riffSize = 0, dataSize = 0, fileSize = 0, dataOffset = 0, rate = 0;
    std::uint16_t channels = 0;
    Samples samples;
};

Wave readWave(const std::string& path) {
    const auto bytes = readFile(path);
    Wave w;
    w.fileSize = std::uint32_t(bytes.size());
    if (bytes.size() < 44) return w;
    w.riffSize = getLe32(&bytes[4]);
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id(bytes.begin() + std::ptrdiff_t(at), bytes.begin() + std::ptrdiff_t(at + 4));
        const std::uint32_t size = getLe32(&bytes[at + 4]);
        if (id == "fmt ") {
            w.channels = getLe16(&bytes[at + 10]);
            w.rate = getLe32(&bytes[at + 12]);
        } else if (id == "data") {
            w.dataSize = size;
            w.dataOffset = std::uint32_t(at + 8);
            for (std::size_t i = at + 8; i + 2 <= std::min<std::size_t>(bytes.size(), at + 8 + size); i += 2)
                w.samples.push_back(getSample16(&bytes[i]));
            break;
        }
        at += 8 + size + (size & 1);
    }
    return w;
}

// Stereo noise that is never silent, so every frame can be found again.
Samples noise(std::size_t frames, std::uint32_t seed) {
    Samples v(2 * frames);
    for (auto& s : v) {
        seed = seed * 1664525u + 1013904223u;
        const int magnitude = int((seed >> 8) % 6000) + 200;
        s = static_cast<std::int16_t>(seed & 1 ? magnitude : -magnitude);
    }
    return v;
}

std::size_t firstSounding(const Samples& v, int threshold = 0) {
    for (std::size_t i = 0; i < v.size(); ++i)
        if (std::abs(int(v[i])) > threshold) return i / 2;
    return v.size() / 2;
}

class ToolsLive : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "needs the private PulseAudio server of tests/scripts/pulseaudio_backend.sh";
        useSource("sine");
    }
    void TearDown() override {
        if (std::getenv("PULSE_SERVER")) useSource("sine");
    }
    ScratchDir dir;
};

// What tqx-play sends to the device is what tqx-mixdown writes, frame for frame: clips at odd
// start times on two tracks stay aligned to the sample. Positive samples come out identical;
// a negative sample is lifted one step at every requantisation it passes, once in playback
// and two to four times in the mixdown (clip sum, track settings, track sum), and no more.
TEST_F(ToolsLive, PlayedProjectMatchesItsMixdownToTheSample) {
    const std::string project = makeProject(dir, 2, {{0, 0.3137f, noise(40000, 7)}, {1, 0.7551f, noise(30000, 99)}});
    MonitorCapture capture(5.0);
    ASSERT_TRUE(capture.flowing());
    int status = 0;
    run(tool("tqx-play") + " '" + project + "'", status);
    ASSERT_EQ(status, 0);
    run(tool("tqx-mixdown") + " '" + project + "' '" + dir.file("mix.wav") + "'", status);
    ASSERT_EQ(status, 0);

    const Samples heard = capture.samples();
    const Samples mix = readWave(dir.file("mix.wav")).samples;
    const std::size_t mixStart = firstSounding(mix), heardStart = firstSounding(heard);
    ASSERT_EQ(mixStart, frameAtTime(0.3137f, kRate));
    ASSERT_LT(heardStart, heard.size() / 2);
    ASSERT_GE(heardStart, mixStart);
    const std::size_t offset = heardStart - mixStart;
    ASSERT_LE(2 * offset + mix.size(), heard.size()) << "the capture ended before the playback";
    std::size_t positiveOff = 0, negativeOff = 0;
    for (std::size_t i = 0; i < mix.size(); ++i) {
        const int lift = int(mix[i]) - int(heard[2 * offset + i]);
        if (mix[i] >= 0 && lift != 0) ++positiveOff;
        if (mix[i] < 0 && (lift < 0 || lift > 4)) ++negativeOff;
    }
    EXPECT_EQ(positiveOff, 0u);
    EXPECT_EQ(negativeOff, 0u);
}

// Twenty seconds from the sine source: one take, its header finalised, and 440 Hz in every
// second without a gap or a splice. The source hands out its sound in bursts of about two
// seconds; the stop waits for what the server still owes and the take ends at the stop.
TEST_F(ToolsLive, RecordedSineIsTwentySecondsWithoutAGap) {
    const std::string project = makeProject(dir, 1, {});
    int status = 0;
    const std::string out = run(tool("tqx-record") + " '" + project + "' --tracks 1 --seconds 20", status);
    ASSERT_EQ(status, 0);
    ASSERT_FALSE(out.empty());
    const std::string take = out.substr(0, out.find('\n'));
    const Wave w = readWave(take);
    EXPECT_EQ(w.riffSize, w.fileSize - 8);
    EXPECT_EQ(w.dataSize, w.fileSize - 46);
    ASSERT_EQ(w.channels, 2);
    const std::size_t frames = w.samples.size() / 2;
    EXPECT_GE(frames, 20 * kRate);
    EXPECT_LT(frames, 20 * kRate + kRate / 10);
    int peak = 0;
    for (std::size_t f = 0; f < frames; ++f) peak = std::max(peak, std::abs(int(w.samples[2 * f])));
    ASSERT_GT(peak, 1000);
    // A sine of 440 Hz moves by at most 2π·440/44100 of its peak from one frame to the next.
    const int largestStep = int(peak * 2 * M_PI * 440 / kRate * 1.2) + 4;
    for (std::size_t f = 1; f < frames; ++f)
        ASSERT_LE(std::abs(int(w.samples[2 * f]) - int(w.samples[2 * f - 2])), largestStep) << "at frame " << f;
    for (std::size_t second = 0; second + 1 <= frames / kRate; ++second) {
        int rising = 0;
        for (std::size_t f = second * kRate + 1; f < (second + 1) * kRate; ++f)
            if (w.samples[2 * f - 2] < 0 && w.samples[2 * f] >= 0) ++rising;
        EXPECT_NEAR(rising, 440, 1) << "second " << second;
    }
}

// The project's own playback recorded from the sink's monitor: the take lands where the
// played clip lies, within a millisecond, every time.
TEST_F(ToolsLive, OverdubLandsOnThePlayedClipWithinAMillisecond) {
    useSource("out.monitor");
    for (int attempt = 0; attempt < 3; ++attempt) {
        ScratchDir runDir;
        Samples clicks(2 * 66150, 0);  // 1.5 s
        const std::vector<std::size_t> at{10000, 30000, 52000};
        for (std::size_t f : at) clicks[2 * f] = clicks[2 * f + 1] = 20000;
        const std::string project = makeProject(runDir, 2, {{0, 0.5f, clicks}});
        int status = 0;
        const std::string out = run(tool("tqx-record") + " '" + project + "' --tracks 2 --seconds 2.5", status);
        ASSERT_EQ(status, 0) << "attempt " << attempt;
        const Wave take = readWave(out.substr(0, out.find('\n')));
        // The take starts at 0 on the timeline; the clicks should sound where the clip has them.
        std::size_t from = 0;
        for (std::size_t f : at) {
            Samples rest(take.samples.begin() + std::ptrdiff_t(2 * from), take.samples.end());
            const std::size_t found = from + firstSounding(rest, 10000);
            const auto expected = std::int64_t(frameAtTime(0.5f, kRate) + std::int64_t(f));
            EXPECT_LE(std::abs(std::int64_t(found) - expected), std::int64_t(kRate / 1000))
                << "attempt " << attempt << ": click heard at frame " << found << ", lies at " << expected;
            from = found + 100;
        }
    }
}

// A take killed with the program keeps a valid WAVE file of everything but its last moments.
TEST_F(ToolsLive, KilledTakeLeavesAValidFileOfAllButTheLastSecond) {
    useSource("out.monitor");
    const std::string project = makeProject(dir, 1, {});
    const std::string program = tool("tqx-record");
    std::vector<std::string> args{program, project, "--tracks", "1", "--seconds", "60"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    const std::string take = dir.file("0.wav");
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(take) && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(std::filesystem::exists(take));
    std::this_thread::sleep_for(std::chrono::seconds(5));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);

    const Wave w = readWave(take);
    EXPECT_EQ(w.riffSize, w.fileSize - 8);
    EXPECT_EQ(w.dataSize, w.fileSize - 46);
    EXPECT_GE(w.samples.size() / 2, 4 * kRate);
    EXPECT_EQ(std::system(("sox --i '" + take + "' >/dev/null 2>&1").c_str()), 0);
}

}  // namespace
}  // namespace tqx::test

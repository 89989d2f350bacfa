// Mixdown of eight ten-minute stereo tracks at 44,100 Hz. tqx-mixdown, which reads the clips
// from their files as it writes, runs in turn with `sox -D -m` mixing the same eight files (no
// dither: the mixdown has none either), each input at -v 1; both are timed wall-clock as
// whole processes, with their peak memory. Then tqx-mixdown with the equalizer on, the
// program's own export of the same tracks held in memory (time, and the memory it needs beyond
// the clips), and one ten-minute track with the equalizer on, of sound and of sound followed
// by silence.
//
// Goals: tqx-mixdown at least 3 times sox's speed with the equalizer off and 100 times
// realtime with it on; its peak memory, and the export's memory beyond the clips, under 64 MiB.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include "audio/no_audio_system.h"
#include "effects/equalizer.h"
#include "io/mixdown.h"
#include "platform/byte_order.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/shared_library.h"
#include "platform/timer_service.h"
#include "project/project_file.h"
#include "project/project_model.h"
#include "session/studio.h"

extern char** environ;

namespace {

constexpr int kTracks = 8;
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kSeconds = 600;
constexpr int kPairs = 5;  // tqx-mixdown and sox in turn, after one run of each not counted

namespace fs = std::filesystem;

// A ten-minute stereo file: a tone for track t plus a little noise, loud enough to clamp now
// and then in the sum, for its first `audibleFrames` frames and digital silence after them.
std::string writeTrackFile(const fs::path& path, int t, std::uint32_t audibleFrames) {
    const std::uint32_t frames = kRate * kSeconds;
    std::vector<std::uint8_t> bytes(std::size_t(frames) * 4, 0);
    std::uint32_t noise = 12345u + std::uint32_t(t);
    const double step = 2 * std::numbers::pi * (110.0 * (t + 1)) / kRate;
    for (std::uint32_t f = 0; f < audibleFrames; ++f) {
        noise = noise * 1664525u + 1013904223u;
        const double v = 6000 * std::sin(step * f) + double(std::int32_t(noise >> 20) - 2048);
        tqx::putSample16(&bytes[4 * std::size_t(f)], std::int16_t(v));
        tqx::putSample16(&bytes[4 * std::size_t(f) + 2], std::int16_t(-v / 2));
    }
    std::string header;
    header += "RIFF";
    tqx::appendLe32(header, std::uint32_t(bytes.size() + 36));
    header += "WAVEfmt ";
    tqx::appendLe32(header, 16);
    tqx::appendLe16(header, 1);
    tqx::appendLe16(header, 2);
    tqx::appendLe32(header, kRate);
    tqx::appendLe32(header, kRate * 4);
    tqx::appendLe16(header, 4);
    tqx::appendLe16(header, 16);
    header += "data";
    tqx::appendLe32(header, std::uint32_t(bytes.size()));
    std::ofstream out(path, std::ios::binary);
    out.write(header.data(), std::streamsize(header.size()));
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return path.string();
}

// Each track's settings, in the projects and in the program's export alike.
float volumeOf(int) { return 0.8f; }
float panOf(int t) { return float(t % 3 - 1) * 0.3f; }
int bandPositionOf(int b) { return (b % 2 ? 1 : -1) * 20 * b; }

// A project file of one track per file, each file a clip at 0 s.
std::string writeProject(const fs::path& path, const std::vector<std::string>& files, bool equalize) {
    tqx::ProjectFileContents contents;
    contents.sampleRate = int(kRate);
    for (int t = 0; t < int(files.size()); ++t) {
        tqx::StoredTrack track;
        track.settings.slot = t;
        track.settings.name = "Track" + std::to_string(t + 1);
        track.settings.volume = volumeOf(t);
        track.settings.pan = panOf(t);
        track.clips.push_back({t, t, files[std::size_t(t)], 0.0f});
        contents.tracks.push_back(track);
    }
    contents.equalizer.on = equalize ? 1 : 0;
    for (int b = 0; b < 10; ++b) contents.equalizer.bands[std::size_t(b)] = bandPositionOf(b);
    const std::string bytes = tqx::encodeProjectFile(contents).bytes;
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    return path.string();
}

// The input files and projects, made once per run and removed at exit: eight tracks of sound,
// and one track that falls silent after its first minute.
struct Inputs {
    fs::path dir;
    std::vector<std::string> files;
    std::string fallingSilent;
    std::string projectFlat, projectEqualized;

    Inputs() {
        dir = fs::temp_directory_path() / ("tqx-mixdown-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        for (int t = 0; t < kTracks; ++t)
            files.push_back(writeTrackFile(dir / ("track" + std::to_string(t) + ".wav"), t, kRate * kSeconds));
        fallingSilent = writeTrackFile(dir / "silent-after-a-minute.wav", 0, kRate * 60);
        projectFlat = writeProject(dir / "flat.tqxproj", files, false);
        projectEqualized = writeProject(dir / "equalized.tqxproj", files, true);
    }
    ~Inputs() {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
};

Inputs& inputs() {
    static Inputs in;
    return in;
}

// ---- whole processes ----

struct ProcessRun {
    double seconds = 0;
    double peakMiB = 0;
    bool ok = false;
};

// Runs the command with its output thrown away: its wall time, and its peak resident set as
// GNU time reports it (a child spawned from this process would inherit its memory figure).
ProcessRun runProcess(const std::vector<std::string>& command) {
    const std::string peakFile = (inputs().dir / "peak.txt").string();
    std::vector<std::string> words = {"/usr/bin/time", "-f", "%M", "-o", peakFile};
    words.insert(words.end(), command.begin(), command.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    ProcessRun run;
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        if (waitpid(pid, &status, 0) == pid) run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    double kib = 0;
    std::ifstream(peakFile) >> kib;
    run.peakMiB = kib / 1024.0;
    return run;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

std::vector<std::string> toolCommand(const std::string& project) {
    return {tqx::SharedLibrary::programDirectory() + "tqx-mixdown", project, (inputs().dir / "tool.wav").string()};
}

std::vector<std::string> soxCommand() {
    std::vector<std::string> command = {"sox", "-D", "-m"};
    for (const std::string& f : inputs().files) command.insert(command.end(), {"-v", "1", f});
    command.push_back((inputs().dir / "sox.wav").string());
    return command;
}

// tqx-mixdown against sox in turn, then tqx-mixdown with the equalizer on. False when either
// failed to run.
bool compareWithSox() {
    const auto tool = toolCommand(inputs().projectFlat);
    const auto equalized = toolCommand(inputs().projectEqualized);
    const auto sox = soxCommand();
    if (!runProcess(tool).ok || !runProcess(sox).ok) {
        std::printf("tqx-mixdown, sox or /usr/bin/time did not run\n");
        return false;
    }
    std::vector<double> toolSeconds, soxSeconds, ratios, toolPeak, soxPeak, eqSeconds, eqPeak;
    for (int pair = 0; pair < kPairs; ++pair) {
        const ProcessRun a = runProcess(tool);
        const ProcessRun b = runProcess(sox);
        if (!a.ok || !b.ok) return false;
        toolSeconds.push_back(a.seconds);
        soxSeconds.push_back(b.seconds);
        ratios.push_back(b.seconds / a.seconds);
        toolPeak.push_back(a.peakMiB);
        soxPeak.push_back(b.peakMiB);
    }
    for (int run = 0; run < 3; ++run) {
        const ProcessRun e = runProcess(equalized);
        if (!e.ok) return false;
        eqSeconds.push_back(e.seconds);
        eqPeak.push_back(e.peakMiB);
    }
    std::printf("\n8 tracks x 10 min, whole processes, medians of %d runs in turn:\n", kPairs);
    std::printf(
        "  equalizer off: tqx-mixdown %.2f s (peak %.1f MiB), sox -D -m %.2f s (peak %.1f MiB): "
        "%.2f times sox's speed (goal: at least 3)\n",
        median(toolSeconds), *std::max_element(toolPeak.begin(), toolPeak.end()), median(soxSeconds),
        *std::max_element(soxPeak.begin(), soxPeak.end()), median(ratios));
    std::printf(
        "  equalizer on:  tqx-mixdown %.2f s, %.0f times realtime (goal: at least 100), peak %.1f MiB "
        "(goal: under 64 MiB)\n",
        median(eqSeconds), double(kSeconds) / median(eqSeconds), *std::max_element(eqPeak.begin(), eqPeak.end()));
    return true;
}

// ---- the program's own export of tracks held in memory ----

// A field of /proc/self/status in KiB (VmRSS: resident now, VmHWM: the peak).
double statusKiB(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atof(line.c_str() + std::strlen(field));
    return 0;
}

// Makes the peak resident set start again from what is resident now.
void resetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// A project of one track per file, each file a clip at 0 s.
struct Project {
    tqx::ScriptedDialogs dialogs;
    tqx::NoAudioSystem audio;
    tqx::ManualTimerService timer;
    tqx::QueuedEventSink events;
    tqx::Studio studio{tqx::Platform{dialogs, audio, timer, events}};
    std::vector<int> slots;

    Project(const std::vector<std::string>& files, bool equalize) {
        for (std::size_t t = 0; t < files.size(); ++t) {
            const int slot = studio.model.createTrack();
            tqx::TMultiWave& clip = studio.model.createClip(int(t));
            clip.SetTrack(slot);
            clip.LoadWaveFile(files[t]);
            clip.SetStartTime(0.0f);
            studio.model.track(slot).volume = volumeOf(int(t));
            studio.model.track(slot).pan = panOf(int(t));
            slots.push_back(slot);
        }
        if (equalize) {
            studio.equalizer().setOn(true);
            for (int b = 0; b < 10; ++b) studio.equalizer().setBandPosition(b, bandPositionOf(b));
        }
    }
};

// Best times: eight tracks with the equalizer off and on; one track with the equalizer on, of
// sound and of sound falling silent. And the most memory an export took beyond the clips.
double gSeconds[4] = {0, 0, 0, 0};
double gExportMiB = 0;

void runMixdown(benchmark::State& state, const std::vector<std::string>& files, bool equalize, double& record) {
    Project project(files, equalize);
    const std::string out = (inputs().dir / "mix.wav").string();
    for (auto _ : state) {
        const double before = statusKiB("VmRSS:");
        resetPeakMemory();
        const auto start = std::chrono::steady_clock::now();
        const tqx::MixdownResult r = tqx::writeMixdown(project.studio.exportContext(), project.slots, out);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        gExportMiB = std::max(gExportMiB, (statusKiB("VmHWM:") - before) / 1024.0);
        state.SetIterationTime(s);
        record = record == 0 ? s : std::min(record, s);
        if (r.status != tqx::MixdownStatus::Written) state.SkipWithError("mixdown did not write");
    }
    state.counters["x_realtime"] =
        benchmark::Counter(double(kSeconds) * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_ExportEqualizerOff(benchmark::State& state) { runMixdown(state, inputs().files, false, gSeconds[0]); }
void BM_ExportEqualizerOn(benchmark::State& state) { runMixdown(state, inputs().files, true, gSeconds[1]); }
// The silence after a sound must cost no more than the sound (within 1.2 times).
void BM_OneTrackEqualizerOnSound(benchmark::State& state) { runMixdown(state, {inputs().files[0]}, true, gSeconds[2]); }
void BM_OneTrackEqualizerOnSoundThenSilence(benchmark::State& state) {
    runMixdown(state, {inputs().fallingSilent}, true, gSeconds[3]);
}

BENCHMARK(BM_ExportEqualizerOff)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ExportEqualizerOn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_OneTrackEqualizerOnSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OneTrackEqualizerOnSoundThenSilence)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    inputs();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gSeconds[0] > 0 && gSeconds[1] > 0) {
        std::printf(
            "\nThe program's export of the same 8 tracks held in memory, best of the runs: %.2f s "
            "(equalizer on %.2f s), at most %.1f MiB beyond the clips (goal: under 64 MiB)\n",
            gSeconds[0], gSeconds[1], gExportMiB);
    }
    if (gSeconds[2] > 0 && gSeconds[3] > 0) {
        std::printf(
            "1 track x 10 min, equalizer on: sound %.2f s, a minute of sound then silence %.2f s "
            "(%.2f times; goal: at most 1.2)\n",
            gSeconds[2], gSeconds[3], gSeconds[3] / gSeconds[2]);
    }
    return compareWithSox() ? 0 : 1;
}

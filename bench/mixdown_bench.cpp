// Mixdown of eight ten-minute stereo tracks at 44,100 Hz, with the equalizer off and on,
// against `sox -m` mixing the same eight files into one 16-bit file, in the same run; and a
// ten-minute track with the equalizer on, of sound and of sound followed by silence.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include <unistd.h>

#include "effects/equalizer.h"
#include "session/studio.h"
#include "io/mixdown.h"
#include "platform/byte_order.h"
#include "platform/event_sink.h"
#include "audio/no_audio_system.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "project/project_model.h"

namespace {

constexpr int kTracks = 8;
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kSeconds = 600;

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

// The input files, made once per run and removed at exit: eight tracks of sound, and one
// track that falls silent after its first minute.
struct Inputs {
    fs::path dir;
    std::vector<std::string> files;
    std::string fallingSilent;

    Inputs() {
        dir = fs::temp_directory_path() / ("tqx-mixdown-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        for (int t = 0; t < kTracks; ++t)
            files.push_back(writeTrackFile(dir / ("track" + std::to_string(t) + ".wav"), t, kRate * kSeconds));
        fallingSilent = writeTrackFile(dir / "silent-after-a-minute.wav", 0, kRate * 60);
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
            studio.model.track(slot).volume = 0.8f;
            studio.model.track(slot).pan = (int(t) % 3 - 1) * 0.3f;
            slots.push_back(slot);
        }
        if (equalize) {
            studio.equalizer().setOn(true);
            for (int b = 0; b < 10; ++b) studio.equalizer().setBandPosition(b, (b % 2 ? 1 : -1) * 20 * b);
        }
    }
};

// Best times: eight tracks with the equalizer off, on, sox; one track with the equalizer on,
// of sound and of sound falling silent.
double gSeconds[5] = {0, 0, 0, 0, 0};

void runMixdown(benchmark::State& state, const std::vector<std::string>& files, bool equalize, double& record) {
    Project project(files, equalize);
    const std::string out = (inputs().dir / "mix.wav").string();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const tqx::MixdownResult r = tqx::writeMixdown(project.studio.exportContext(), project.slots, out);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(s);
        record = record == 0 ? s : std::min(record, s);
        if (r.status != tqx::MixdownStatus::Written) state.SkipWithError("mixdown did not write");
    }
    state.counters["x_realtime"] = benchmark::Counter(double(kSeconds) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void BM_MixdownEqualizerOff(benchmark::State& state) { runMixdown(state, inputs().files, false, gSeconds[0]); }
void BM_MixdownEqualizerOn(benchmark::State& state) { runMixdown(state, inputs().files, true, gSeconds[1]); }
// The silence after a sound must cost no more than the sound (within 1.2 times).
void BM_OneTrackEqualizerOnSound(benchmark::State& state) {
    runMixdown(state, {inputs().files[0]}, true, gSeconds[3]);
}
void BM_OneTrackEqualizerOnSoundThenSilence(benchmark::State& state) {
    runMixdown(state, {inputs().fallingSilent}, true, gSeconds[4]);
}

void BM_SoxMix(benchmark::State& state) {
    if (std::system("command -v sox >/dev/null 2>&1") != 0) {
        state.SkipWithError("sox is not installed");
        return;
    }
    std::string command = "sox -q -m";
    for (const auto& f : inputs().files) command += " '" + f + "'";
    command += " -b 16 '" + (inputs().dir / "sox.wav").string() + "'";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int rc = std::system(command.c_str());
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(s);
        gSeconds[2] = gSeconds[2] == 0 ? s : std::min(gSeconds[2], s);
        if (rc != 0) state.SkipWithError("sox failed");
    }
    state.counters["x_realtime"] = benchmark::Counter(double(kSeconds) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

BENCHMARK(BM_MixdownEqualizerOff)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MixdownEqualizerOn)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SoxMix)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OneTrackEqualizerOnSound)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OneTrackEqualizerOnSoundThenSilence)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    inputs();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (gSeconds[0] > 0 && gSeconds[2] > 0) {
        std::printf("\n8 tracks x 10 min, best of the runs: mixdown %.2f s (equalizer on %.2f s), sox -m %.2f s; "
                    "the mixdown takes %.0f%% of sox's time\n",
                    gSeconds[0], gSeconds[1], gSeconds[2], 100.0 * gSeconds[0] / gSeconds[2]);
    }
    if (gSeconds[3] > 0 && gSeconds[4] > 0) {
        std::printf("1 track x 10 min, equalizer on: sound %.2f s, a minute of sound then silence %.2f s "
                    "(%.2f times; goal: at most 1.2)\n",
                    gSeconds[3], gSeconds[4], gSeconds[4] / gSeconds[3]);
    }
    return 0;
}

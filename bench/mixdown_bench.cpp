// Mixdown of eight ten-minute stereo tracks at 44,100 Hz, with the equalizer off and on,
// against `sox -m` mixing the same eight files into one 16-bit file, in the same run.
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
#include "engine/studio.h"
#include "io/mixdown.h"
#include "platform/byte_order.h"
#include "platform/event_sink.h"
#include "platform/no_audio_system.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "project/project_model.h"

namespace {

constexpr int kTracks = 8;
constexpr std::uint32_t kRate = 44100;
constexpr std::uint32_t kSeconds = 600;

namespace fs = std::filesystem;

// The eight input files, made once per run and removed at exit.
struct Inputs {
    fs::path dir;
    std::vector<std::string> files;

    Inputs() {
        dir = fs::temp_directory_path() / ("tqx-mixdown-bench-" + std::to_string(::getpid()));
        fs::create_directories(dir);
        const std::uint32_t frames = kRate * kSeconds;
        std::vector<std::uint8_t> bytes(std::size_t(frames) * 4);
        for (int t = 0; t < kTracks; ++t) {
            // A tone per track plus a little noise, loud enough to clamp now and then in the sum.
            std::uint32_t noise = 12345u + std::uint32_t(t);
            const double step = 2 * std::numbers::pi * (110.0 * (t + 1)) / kRate;
            for (std::uint32_t f = 0; f < frames; ++f) {
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
            const std::string name = (dir / ("track" + std::to_string(t) + ".wav")).string();
            std::ofstream out(name, std::ios::binary);
            out.write(header.data(), std::streamsize(header.size()));
            out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
            files.push_back(name);
        }
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

// A project of eight tracks, each holding one of the files as a clip at 0 s.
struct Project {
    tqx::ScriptedDialogs dialogs;
    tqx::NoAudioSystem audio;
    tqx::ManualTimerService timer;
    tqx::QueuedEventSink events;
    tqx::Studio studio{tqx::Platform{dialogs, audio, timer, events}};
    std::vector<int> slots;

    explicit Project(bool equalize) {
        for (int t = 0; t < kTracks; ++t) {
            const int slot = studio.model.createTrack();
            tqx::TMultiWave& clip = studio.model.createClip(t);
            clip.SetTrack(slot);
            clip.LoadWaveFile(inputs().files[std::size_t(t)]);
            clip.SetStartTime(0.0f);
            studio.model.track(slot).volume = 0.8f;
            studio.model.track(slot).pan = (t % 3 - 1) * 0.3f;
            slots.push_back(slot);
        }
        if (equalize) {
            studio.equalizer().setOn(true);
            for (int b = 0; b < 10; ++b) studio.equalizer().setBandPosition(b, (b % 2 ? 1 : -1) * 20 * b);
        }
    }
};

double gSeconds[3] = {0, 0, 0};  // equalizer off, on, sox

void runMixdown(benchmark::State& state, bool equalize, double& record) {
    Project project(equalize);
    const std::string out = (inputs().dir / "mix.wav").string();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const tqx::MixdownResult r = tqx::writeMixdown(project.studio, project.slots, out);
        const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(s);
        record = record == 0 ? s : std::min(record, s);
        if (r.status != tqx::MixdownStatus::Written) state.SkipWithError("mixdown did not write");
    }
    state.counters["x_realtime"] = benchmark::Counter(double(kSeconds) * double(state.iterations()),
                                                      benchmark::Counter::kIsRate);
}

void BM_MixdownEqualizerOff(benchmark::State& state) { runMixdown(state, false, gSeconds[0]); }
void BM_MixdownEqualizerOn(benchmark::State& state) { runMixdown(state, true, gSeconds[1]); }

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
    return 0;
}

// The capture path for one second of a stereo take at 44,100 Hz: the device's buffers coming
// back (20 of 8,820 bytes), their level on the meters, the file write with its header update,
// and the buffer queued again. One iteration is one second of the take, so its CPU time is the
// part of a core a take costs (1 ms = 0.1 %); the simulated device's own work (making the test
// signal) is included and small.
#include <benchmark/benchmark.h>
#include <filesystem>

#include "audio/simulated_audio.h"
#include "engine/capture_engine.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "session/studio.h"

namespace {

void BM_CaptureOneSecond(benchmark::State& state) {
    const auto folder = std::filesystem::temp_directory_path() / "tqx-capture-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    tqx::QueuedEventSink sink;
    tqx::SimulatedAudioSystem audio(sink);
    audio.setInputSignal([](std::uint64_t frame, int channel) { return std::int16_t((frame * 37 + channel) % 20000); });
    tqx::ScriptedDialogs dialogs;
    tqx::ManualTimerService timer;
    tqx::Studio studio({dialogs, audio, timer, sink});
    studio.model.ProjectPath = (folder / "bench.tqxproj").string();
    studio.model.track(studio.model.createTrack()).recordArmed = true;
    studio.capture().startRecordings();
    audio.startStreams(studio.capture().streamsToStart());
    for (auto _ : state) audio.advance(1000, [&] { sink.pump(); });
    studio.capture().StopRecording(false);
    std::filesystem::remove_all(folder);
}
BENCHMARK(BM_CaptureOneSecond)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

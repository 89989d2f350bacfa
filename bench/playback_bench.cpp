// One refill of a clip stream as the mixer does it on every returned block: FillBlock (track
// settings, pan, meters) followed by the stream's equalizer, for 0.1 s of stereo at 44,100 Hz
// (8,820 samples). The counter "core_share_128_clips" is the share of one core that 128 clips
// playing at once would take (128 refills every 0.1 s); it should stay below 0.15.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "audio/no_audio_system.h"
#include "effects/equalizer.h"
#include "engine/playback_mixer.h"
#include "engine/stream_equalizer.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "session/studio.h"

namespace {

constexpr int kBlockSamples = 8820;
constexpr int kClipBlocks = 50;  // 5 s of data, refilled round and round
constexpr double kBlocksPerSecondFor128Clips = 128 / 0.1;

void BM_RefillStereoBlock(benchmark::State& state) {
    const bool equalizerOn = state.range(0) != 0;
    tqx::QueuedEventSink sink;
    tqx::NoAudioSystem audio;
    tqx::ScriptedDialogs dialogs;
    tqx::ManualTimerService timer;
    tqx::Studio studio({dialogs, audio, timer, sink});

    const int track = studio.model.createTrack();
    studio.model.track(track).gain = 2.5f;
    studio.model.track(track).volume = 0.8f;
    studio.model.track(track).pan = -0.3f;
    tqx::TMultiWave& clip = studio.model.createClip(0);
    clip.SetTrack(track);
    clip.SetFormat(tqx::WaveFormat::pcm(2, 44100));
    std::vector<std::uint8_t> data(std::size_t(kBlockSamples) * kClipBlocks * 2);
    for (std::size_t j = 0; j < data.size() / 2; ++j) {
        const auto x =
            static_cast<std::int16_t>(12000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * double(j / 2) / 44100.0));
        data[2 * j] = std::uint8_t(x & 0xFF);
        data[2 * j + 1] = std::uint8_t((x >> 8) & 0xFF);
    }
    clip.SetData(data.data(), static_cast<std::uint32_t>(data.size()));
    clip.AllocOutBuffers(kBlockSamples);

    tqx::Equalizer& eq = studio.equalizer();
    for (int i = 0; i < eq.GetBandCount(); ++i) eq.setBandPosition(i, (i % 2 ? 1 : -1) * 30 * (i + 1));

    tqx::PlaybackMixer& mixer = studio.mixer();
    int counter = 0;
    eq.setOn(equalizerOn);
    tqx::StreamEqualizer streamEq;
    streamEq.enter(eq);
    for (auto _ : state) {
        benchmark::DoNotOptimize(mixer.FillBlock(0, counter & 1, std::int64_t(counter) * kBlockSamples / 2));
        streamEq.process({clip.OutBuffer(counter & 1), std::size_t(kBlockSamples)}, 2, eq);
        benchmark::ClobberMemory();
        counter = (counter + 1) % kClipBlocks;
    }
    state.SetItemsProcessed(state.iterations() * kBlockSamples);
    // elapsed / iterations x 1280 refills per second = share of one core.
    state.counters["core_share_128_clips"] = benchmark::Counter(
        1.0 / kBlocksPerSecondFor128Clips, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RefillStereoBlock)->ArgName("equalizer")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

// ApplyEqualizer over one playback block: 0.1 s of stereo at 44,100 Hz (8,820 samples), which
// the mixer refills while the other block plays. Goal: well under 0.2 ms per block.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "effects/equalizer.h"
#include "platform/scripted_dialogs.h"

namespace {

using Filter = void (*)(std::size_t, std::int16_t*, const tqx::EqTriples&, const tqx::EqTriples&);

void filterStereoBlock(benchmark::State& state, Filter filter) {
    tqx::ScriptedDialogs dialogs;
    tqx::Equalizer eq(dialogs);
    eq.setOn(true);
    eq.selectBandSet(static_cast<int>(state.range(0)));
    for (int i = 0; i < eq.GetBandCount(); ++i) eq.setBandPosition(i, (i % 2 ? 1 : -1) * 30 * (i + 1));

    constexpr std::size_t kSamples = 8820;
    std::vector<std::int16_t> block(kSamples);
    for (std::size_t j = 0; j < kSamples; ++j)
        block[j] = static_cast<std::int16_t>(
            12000.0 * std::sin(2.0 * std::numbers::pi * 440.0 * static_cast<double>(j / 2) / 44100.0));
    // The filter's running time does not depend on the sample values, so the block is filtered
    // again and again in place rather than restored between runs.
    for (auto _ : state) {
        filter(block.size(), block.data(), eq.table().denominator, eq.table().numerator);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSamples));
}

void BM_ApplyEqualizerStereoBlock(benchmark::State& state) {
    filterStereoBlock(state, tqx::ApplyEqualizer);
}
void BM_ApplyEqualizerPortableStereoBlock(benchmark::State& state) {
    filterStereoBlock(state, tqx::ApplyEqualizerPortable);
}
BENCHMARK(BM_ApplyEqualizerStereoBlock)->Arg(0)->Arg(4)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ApplyEqualizerPortableStereoBlock)->Arg(0)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

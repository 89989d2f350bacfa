// The waveform a clip repaints: both polylines of a 60-minute stereo clip at 44,100 Hz over a
// 1,280-column visible area in the middle of the clip, at the smallest (441) and the largest
// (2,205) time scale. A repaint touches only the repainted columns, so its cost must not grow
// with the clip's length. Goal: well under 5 ms per repaint.
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/clip_waveform.h"

namespace {

constexpr int kRate = 44100;
constexpr std::uint32_t kFrames = 60u * 60u * kRate;
constexpr int kVisibleColumns = 1280;

const std::vector<std::uint8_t>& sixtyMinutes() {
    static const std::vector<std::uint8_t> data = [] {
        std::vector<std::uint8_t> d(std::size_t(kFrames) * 4);
        for (std::uint32_t i = 0; i < kFrames; ++i) {
            const auto s = static_cast<std::int16_t>((i * 7919u) % 60000u) - 30000;
            const auto u = static_cast<std::uint16_t>(s);
            d[4 * std::size_t(i)] = d[4 * std::size_t(i) + 2] = static_cast<std::uint8_t>(u & 0xff);
            d[4 * std::size_t(i) + 1] = d[4 * std::size_t(i) + 3] = static_cast<std::uint8_t>(u >> 8);
        }
        return d;
    }();
    return data;
}

void visiblePolylines(benchmark::State& state) {
    const double timeScale = static_cast<double>(state.range(0));
    const auto& data = sixtyMinutes();
    const tqx::WaveformInput in{data.data(), static_cast<std::uint32_t>(data.size()), tqx::WaveFormat::pcm(2, kRate),
                                timeScale, kRate};
    const tqx::WaveformRows rows = tqx::waveformRows(2, 220);
    const int width = static_cast<int>(std::trunc(kFrames / timeScale));
    const int from = width / 2;
    const int to = tqx::waveformEnd(from + kVisibleColumns, in.dataSize);
    std::vector<tqx::WavePoint> left, right;
    for (auto _ : state) {
        tqx::waveformPoints(in, 0, rows.centres[0], rows.divisor, from, to, left);
        tqx::waveformPoints(in, 1, rows.centres[1], rows.divisor, from, to, right);
        benchmark::DoNotOptimize(left.data());
        benchmark::DoNotOptimize(right.data());
    }
    state.counters["columns"] = kVisibleColumns;
}

}  // namespace

BENCHMARK(visiblePolylines)->Arg(441)->Arg(2205)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();

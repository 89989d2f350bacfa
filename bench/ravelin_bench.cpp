// The converter on ten minutes of audio, the two conversions the program makes most, beside a
// plain memcpy of the same number of source bytes. Throughput counts source bytes.
// "Repeated" converts again and again, so the library's block is reused; "FreshBlock" releases
// it after every call, as the program does by unloading the library after one conversion,
// so each call pays for new pages.
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include "platform/shared_library.h"

namespace {

using WaveConvertFn = std::uint8_t* (*)(std::uint16_t, std::uint32_t, std::uint16_t, const std::uint8_t*, std::uint32_t,
                                        std::uint16_t, std::uint32_t, std::uint16_t, std::uint32_t*);
using ConvertFinishFn = void (*)();

constexpr std::size_t kSeconds = 600;
constexpr std::size_t kStereo48k = kSeconds * 48000 * 4;  // 16-bit stereo at 48 kHz
constexpr std::size_t kMono44k = kSeconds * 44100 * 2;    // 16-bit mono at 44.1 kHz

struct Converter {
    Converter() {
        library = tqx::SharedLibrary::loadFromProgramDirectory("libRavelin.so");
        if (!library) {
            std::fprintf(stderr, "libRavelin.so is not beside the benchmark\n");
            std::exit(1);
        }
        convert = library->function<WaveConvertFn>("WaveConvert");
        finish = library->function<ConvertFinishFn>("ConvertFinish");
    }
    std::optional<tqx::SharedLibrary> library;
    WaveConvertFn convert = nullptr;
    ConvertFinishFn finish = nullptr;
};

Converter& converter() {
    static Converter c;
    return c;
}

std::vector<std::uint8_t> noise(std::size_t bytes) {
    std::vector<std::uint8_t> v(bytes);
    std::uint32_t x = 2463534242u;
    for (auto& b : v) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<std::uint8_t>(x);
    }
    return v;
}

void convertBlock(benchmark::State& state, std::size_t bytes, std::uint32_t srcRate, std::uint16_t srcChannels,
                  std::uint32_t dstRate, std::uint16_t dstChannels, bool freshBlock) {
    const auto in = noise(bytes);
    Converter& c = converter();
    for (auto _ : state) {
        std::uint32_t length = 0;
        std::uint8_t* out = c.convert(16, srcRate, srcChannels, in.data(), static_cast<std::uint32_t>(in.size()), 16,
                                      dstRate, dstChannels, &length);
        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        if (freshBlock) c.finish();
    }
    c.finish();
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void BM_Resample48kTo44k1Stereo_Repeated(benchmark::State& state) {
    convertBlock(state, kStereo48k, 48000, 2, 44100, 2, false);
}
void BM_Resample48kTo44k1Stereo_FreshBlock(benchmark::State& state) {
    convertBlock(state, kStereo48k, 48000, 2, 44100, 2, true);
}
void BM_MonoToStereo44k1_Repeated(benchmark::State& state) { convertBlock(state, kMono44k, 44100, 1, 44100, 2, false); }
void BM_MonoToStereo44k1_FreshBlock(benchmark::State& state) {
    convertBlock(state, kMono44k, 44100, 1, 44100, 2, true);
}

void BM_Memcpy(benchmark::State& state) {
    const auto bytes = static_cast<std::size_t>(state.range(0));
    const auto in = noise(bytes);
    std::vector<std::uint8_t> out(bytes);
    for (auto _ : state) {
        std::memcpy(out.data(), in.data(), bytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace

BENCHMARK(BM_Resample48kTo44k1Stereo_Repeated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample48kTo44k1Stereo_FreshBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Arg(kStereo48k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonoToStereo44k1_Repeated)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MonoToStereo44k1_FreshBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy)->Arg(kMono44k)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();

// A clip brought to 16-bit stereo at the project rate a stretch at a time comes out byte for
// byte as the converter library converts it whole, whatever the stretches.
#include "io/stereo_rendition.h"

#include <gtest/gtest.h>
#include <random>

#include "platform/scripted_dialogs.h"

namespace tqx {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes noise(std::size_t n, std::uint32_t seed) {
    std::mt19937 rng(seed);
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(rng());
    return b;
}

// What the library makes of the whole clip, as the exports asked it to before.
Bytes converted(const Bytes& stored, PcmShape shape, std::uint32_t rate) {
    ScriptedDialogs dialogs;
    ConvertResult r = convertWithRavelin(dialogs, shape, stored.data(), static_cast<std::uint32_t>(stored.size()),
                                         PcmShape{16, rate, 2});
    EXPECT_EQ(r.status, ConvertStatus::Ok);
    return r.data;
}

// The rendition put together from stretches whose lengths `next` chooses.
template <typename Next>
Bytes inStretches(const Bytes& stored, PcmShape shape, std::uint32_t rate, Next next) {
    const std::optional<StereoRendition> r = StereoRendition::of(shape, stored.size(), rate);
    EXPECT_TRUE(r.has_value());
    if (!r) return {};
    HeldClipBytes bytes(stored);
    RenditionBuffers buffers;
    Bytes out;
    for (std::uint64_t at = 0; at < r->samples();) {
        const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(next(), r->samples() - at));
        const std::uint8_t* p = r->render(at, count, bytes, buffers);
        EXPECT_NE(p, nullptr);
        if (!p) return {};
        out.insert(out.end(), p, p + 2 * count);
        at += count;
    }
    return out;
}

TEST(StereoRendition, StretchesEqualTheLibrarysWholeConversionForRatesChannelsAndOddLengths) {
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> rates = {
        {44100, 44100}, {22050, 44100}, {44100, 22050}, {44100, 48000}, {48000, 44100},
        {8000, 44100},  {11025, 4000},  {96000, 44100}, {4000, 48000},  {47999, 48000}};
    const std::vector<std::size_t> lengths = {0, 1, 2, 3, 4, 5, 6, 7, 9, 1002, 4097, 40003};
    std::mt19937 rng(17);
    for (const auto& [from, to] : rates) {
        for (std::uint16_t channels : {1, 2, 3}) {
            for (std::size_t length : lengths) {
                SCOPED_TRACE(std::to_string(from) + " Hz to " + std::to_string(to) + " Hz, " +
                             std::to_string(channels) + " channels, " + std::to_string(length) + " bytes");
                const Bytes stored = noise(length, static_cast<std::uint32_t>(from + length + channels));
                const PcmShape shape{16, from, channels};
                Bytes whole = converted(stored, shape, to);
                // A last odd byte is no sample: the mix never reads it.
                whole.resize(whole.size() / 2 * 2);
                EXPECT_EQ(inStretches(stored, shape, to, [] { return std::size_t{1} << 20; }), whole);
                if (length < 5000) {
                    EXPECT_EQ(inStretches(stored, shape, to, [] { return std::size_t{1}; }), whole);
                }
                std::uniform_int_distribution<std::size_t> size(1, 700);
                EXPECT_EQ(inStretches(stored, shape, to, [&] { return size(rng); }), whole);
            }
        }
    }
}

TEST(StereoRendition, AHighRateBroughtFarDownReadsInPiecesAndStaysExact) {
    // 384,000 Hz to 4,000 Hz keeps one frame in 96: a stretch of the rendition spans many
    // times its own length of the clip.
    const Bytes stored = noise(3'000'001, 5);
    for (std::uint16_t channels : {1, 2}) {
        const PcmShape shape{16, 384000, channels};
        Bytes whole = converted(stored, shape, 4000);
        whole.resize(whole.size() / 2 * 2);
        EXPECT_EQ(inStretches(stored, shape, 4000, [] { return std::size_t{20000}; }), whole);
    }
}

TEST(StereoRendition, AConversionPastWhatTheLibraryHoldsIsRefused) {
    // A second of mono at 1 Hz claiming 88,200 bytes per second: 4.41 GB at 44,100 Hz.
    EXPECT_FALSE(StereoRendition::of({16, 1, 1}, 100000, 44100).has_value());
    // 2.2 GB of mono fits the rate stage's limit but not the doubling after it.
    EXPECT_FALSE(StereoRendition::of({16, 44100, 1}, 2'200'000'000u, 44100).has_value());
    EXPECT_EQ(StereoRendition::of({16, 44100, 2}, 4'000'000'000u, 44100)->samples(), 2'000'000'000u);
    EXPECT_EQ(rateStageBytes(10, 44100, 48000), 10u);
    EXPECT_EQ(rateStageBytes(0x40000000u, 11025, 48000), std::nullopt);
}

}  // namespace
}  // namespace tqx

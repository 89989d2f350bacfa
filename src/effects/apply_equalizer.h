#pragma once
// Runs the equalizer's ten filter sections over 16-bit samples. Playback filters each clip
// stream block by block while the equalizer is on; the exports filter whole tracks and clips.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tqx {

inline constexpr std::size_t kEqBandCount = 10;
// A signal the equalizer filters has one or two channels.
inline constexpr std::size_t kEqMaxChannels = 2;

// Ten coefficient triples, band 0 first: (1, a1, a2) for the feedback side, (b0, b1, b2) for
// the feed-forward side.
using EqTriples = std::array<std::array<double, 3>, kEqBandCount>;

// What one section of one channel remembers between samples: its last two inputs (16-bit
// values, held as doubles) and its last two outputs before they were brought back to 16 bits.
struct EqSectionHistory {
    double x1 = 0, x2 = 0;
    double w1 = 0, w2 = 0;
};

// The filter history of one signal (a clip stream, a track, a clip): every section of each
// channel. A value-initialised state (`state = {}`) is empty history, as when a stream enters
// a clip. No allocation; keep one per signal and pass it to every call for that signal.
struct EqualizerState {
    std::array<std::array<EqSectionHistory, kEqBandCount>, kEqMaxChannels> channel{};
};

// Filters the interleaved frames of `samples` in place, channel c of frame f being
// samples[f × channels + c]. Each channel runs on its own through the ten sections in cascade,
// band 0 first; after each section its values are brought back to 16 bits and the next section
// filters those. The filter continues from `state` and leaves it where the last frame ended,
// so a signal filtered in consecutive calls comes out exactly as in one call over all of it.
//
// `channels` is 1 or 2; any other count leaves samples and state untouched. A trailing partial
// frame (samples.size() not a multiple of channels) is left as it is. Subnormal intermediate
// values are flushed to zero for the length of the call (the caller's floating-point mode is
// restored after); that cannot change any output sample, and keeps the filter as fast on the
// silence after a sound as on the sound. Safe on any thread; allocates nothing.
void ApplyEqualizer(std::span<std::int16_t> samples, std::size_t channels, EqualizerState& state,
                    const EqTriples& denominators, const EqTriples& numerators);

// The same filter, with the same results, computed without the processor's wider vector
// units. ApplyEqualizer falls back to it on processors without them; tests check that both
// ways agree.
void ApplyEqualizerPortable(std::span<std::int16_t> samples, std::size_t channels, EqualizerState& state,
                            const EqTriples& denominators, const EqTriples& numerators);

}  // namespace tqx

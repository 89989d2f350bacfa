#pragma once
// Runs the equalizer's ten filter sections over a block of 16-bit samples. Playback and the
// export paths call this once per block while the equalizer is switched on.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tqx {

inline constexpr std::size_t kEqBandCount = 10;

// Ten coefficient triples, band 0 first: (1, a1, a2) for the feedback side, (b0, b1, b2) for
// the feed-forward side.
using EqTriples = std::array<std::array<double, 3>, kEqBandCount>;

// Filters samples[0..n) in place through the ten sections in cascade, band 0 first. The block
// is one sequence (in a stereo block left and right samples share the filter) and starts with
// empty filter history. After each section the values are brought back to 16 bits, and the
// next section filters those. Safe on any thread; allocates nothing.
void ApplyEqualizer(std::size_t n, std::int16_t* samples, const EqTriples& denominators,
                    const EqTriples& numerators);

// The same filter, with the same results, computed without the processor's wider vector
// units. ApplyEqualizer falls back to it on processors without them; tests check that both
// ways agree.
void ApplyEqualizerPortable(std::size_t n, std::int16_t* samples, const EqTriples& denominators,
                            const EqTriples& numerators);

}  // namespace tqx

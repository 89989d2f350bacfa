#pragma once
// The exports' loops over a block of 16-bit samples, where their time goes. Each is a plain
// loop that the compiler vectorises, made twice: for the processor's baseline vector unit and
// for AVX2, the program taking the one the processor has when it starts.
#include <cstddef>
#include <cstdint>

#include "effects/pcm_requantise.h"

namespace tqx {

// out[i] = the first clip of a block on silence: mixSamples(0, in[i]); `in` little-endian.
void mixOntoSilence(std::int16_t* out, const std::uint8_t* in, std::size_t n);
// out[i] = mixSamples(out[i], in[i]); `in` little-endian.
void mixInto(std::int16_t* out, const std::uint8_t* in, std::size_t n);
// mix[i] = mixSamples(track[i], mix[i]): a track added to the mix so far.
void addToMix(std::int16_t* mix, const std::int16_t* track, std::size_t n);
// The track's gain, volume and pan over stereo samples, samples[0] being sample `first`.
void applyTrackStage(const TrackMix& mix, std::int16_t* samples, std::size_t n, std::uint64_t first);

}  // namespace tqx

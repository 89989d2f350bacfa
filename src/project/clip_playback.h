#pragma once
// A clip's playback stream: its output device stream, the blocks it has in flight and where
// in the clip they read. The playback mixer drives it on the GUI thread; the blocks' memory
// is only handed to the device layer, which reads it on the audio callback.
#include <array>
#include <cstdint>
#include <vector>

#include "audio/audio_system.h"

namespace tqx {

class ClipPlayback {
public:
    // Output blocks of 0.1 s in flight per clip stream: 0.4 s of sound queued ahead, so a
    // busy moment of the program (a large repaint, a loaded machine) is bridged.
    static constexpr int kBlocks = 4;

    // Samples of a playback block at `rate`: 0.1 s of whole frames.
    static int blockSamples(int rate, int channels) { return static_cast<int>(rate / 10) * channels; }

    void allocBuffers(int sampleCount);
    void freeBuffers();
    int bufferSamples() const { return bufferSamples_; }
    std::int16_t* buffer(int i) { return buffers_[static_cast<std::size_t>(i)].data(); }
    // Whole frames in one block; a trailing partial frame of the block is never used.
    int blockFrames(int channels) const { return channels > 0 ? bufferSamples_ / channels : 0; }

    StreamId WaveOut = 0;
    std::array<WaveHeader, kBlocks> OutHeaders{};
    // The clip's frame that plays at the run's first frame (negative: the clip lies ahead).
    std::int64_t entryFrame = 0;
    // The clip's data has run out: no block is queued again, and the stream closes once the
    // blocks still queued have played.
    bool outputDraining = false;
    std::uint8_t playing = 0;  // 1 while the clip takes part in the run
    int blockCounter = 0;      // blocks filled since the clip entered the run

private:
    std::array<std::vector<std::int16_t>, kBlocks> buffers_;
    int bufferSamples_ = 0;
};

}  // namespace tqx

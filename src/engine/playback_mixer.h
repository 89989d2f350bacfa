#pragma once
// Per-clip output streams. Every clip with data gets its own double-buffered stream while the
// project plays; each block is taken from the clip's data at the play position and shaped by
// its track's mute, solo, gain, volume and pan (and the equalizer on refills). The device
// layer mixes the streams. Everything here runs on the GUI thread.
#include <cstdint>
#include <unordered_map>

#include "platform/audio_system.h"

namespace tqx {

class Studio;
class TMultiWave;

class PlaybackMixer : public AudioListener {
public:
    explicit PlaybackMixer(Studio& studio);

    // Opens the clip's stream on its device and queues its first two blocks; false (after a
    // message) when the device refuses to open.
    bool OpenClipOutput(int clipSlot);
    // Whole seconds into the clip at which block `block` starts, or a negative number while
    // the play head has not reached the clip yet (the block is then silenced).
    int BlockStartOffset(int clipSlot, int block);
    // Fills block `block` from the clip's data: 1 = filled, 0 = data exhausted, -1 = error.
    int FillBlock(int clipSlot, int block, int startSeconds, int counter);
    // A block of stream `h` came back from the device: refill and queue it again, or close
    // the stream when the clip's data has run out. Unknown streams are ignored.
    void OnWaveOutDone(StreamId h);
    // Closes every open clip stream and empties the meters.
    void CloseAllOutputs();
    // Every open stream starts again from the start position; streams stay open.
    void RewindOutputs();

    // Number of clip streams open right now.
    int openOutputCount() const;

    // AudioListener
    void onOutputDone(StreamId stream, WaveHeader* header) override;
    void onInputData(StreamId stream, WaveHeader* header) override;

private:
    void closeClipStream(TMultiWave& clip);
    // Prepares and writes a block; false when the device did not take it.
    bool queueBlock(TMultiWave& clip, int block);

    Studio& studio_;
    // Which clip slot each open stream plays, so a notification finds its clip at once.
    std::unordered_map<StreamId, int> streams_;
};

}  // namespace tqx

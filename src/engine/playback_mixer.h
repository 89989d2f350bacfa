#pragma once
// Per-clip output streams and their sample processing (placeholder).
namespace tqx {

class Studio;

class PlaybackMixer {
public:
    explicit PlaybackMixer(Studio& studio) : studio_(studio) {}
    void CloseAllOutputs() {}
private:
    Studio& studio_;
};

}  // namespace tqx

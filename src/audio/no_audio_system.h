#pragma once
// A machine without any audio device: nothing is listed and every stream is refused.
#include "audio/audio_system.h"

namespace tqx {

class NoAudioSystem : public AudioSystem {
public:
    std::vector<DeviceCaps> inputDevices() override { return {}; }
    std::vector<DeviceCaps> outputDevices() override { return {}; }
    StreamId openOutput(int, const WaveFormat&, AudioListener*) override { return 0; }
    bool writeOutput(StreamId, WaveHeader*) override { return false; }
    void resetOutput(StreamId) override {}
    void closeOutput(StreamId) override {}
    bool queryInputFormat(int, const WaveFormat&) override { return false; }
    StreamId openInput(int, const WaveFormat&, AudioListener*) override { return 0; }
    bool addInputBuffer(StreamId, WaveHeader*) override { return false; }
    void resetInput(StreamId) override {}
    std::uint64_t pendingInput(StreamId) override { return 0; }
    std::uint64_t awaitInput(StreamId, std::uint64_t, std::chrono::milliseconds) override { return 0; }
    void closeInput(StreamId) override {}
    void startStreams(std::span<const StreamId>) override {}
    std::int64_t framesHeard(StreamId) const override { return kNotHeard; }
    std::uint64_t lostFrames(StreamId) const override { return 0; }
};

}  // namespace tqx

#pragma once
// A studio on the simulated device layer with a manual timer, and helpers to lay clips of
// generated samples on tracks and to run the program for a stretch of virtual time.
#include <cstdint>
#include <functional>
#include <vector>

#include "audio/simulated_audio.h"
#include "engine/playback_mixer.h"
#include "engine/transport.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "session/studio.h"

namespace tqx::test {

constexpr int kStereoBlock = 8820;            // 0.1 s of stereo at 44,100 Hz
constexpr int kSamplesPerSecond = 2 * 44100;  // stereo samples in one second

struct PlaybackRig {
    QueuedEventSink sink;
    SimulatedAudioSystem audio{sink};
    ScriptedDialogs dialogs;
    ManualTimerService timer;
    Studio studio{{dialogs, audio, timer, sink}};

    PlaybackRig() {
        audio.addOutputDevice("Speakers");
        audio.addOutputDevice("Headphones");
    }

    int addTrack() { return studio.model.createTrack(); }

    // A clip in the first free slot holding `samples` (interleaved when stereo).
    TMultiWave& addClip(int track, float startSeconds, const std::vector<std::int16_t>& samples, int channels = 2,
                        int rate = 44100, int blockSamples = kStereoBlock) {
        TMultiWave& clip = studio.model.createClip(studio.model.firstFreeClipSlot());
        clip.SetTrack(track);
        clip.SetStartTime(startSeconds);
        clip.SetFormat(WaveFormat::pcm(static_cast<std::uint16_t>(channels), static_cast<std::uint32_t>(rate)));
        std::vector<std::uint8_t> bytes(samples.size() * 2);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            bytes[2 * i] = static_cast<std::uint8_t>(samples[i] & 0xFF);
            bytes[2 * i + 1] = static_cast<std::uint8_t>((samples[i] >> 8) & 0xFF);
        }
        clip.SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        clip.AllocOutBuffers(blockSamples);
        return clip;
    }

    // The program running for `ms` milliseconds: device clock, timer tick and GUI queue in step.
    void run(int ms) {
        audio.advance(ms, [this] {
            timer.advance(1);
            sink.pump();
        });
    }

    void press() { studio.transport().SpeedButton1Click(); }
};

// Samples 1, 2, 3, ... wrapping below 32767, so every position of a clip is recognisable
// and none is silent.
inline std::vector<std::int16_t> ramp(std::size_t count, int offset = 0) {
    std::vector<std::int16_t> v(count);
    for (std::size_t i = 0; i < count; ++i) v[i] = static_cast<std::int16_t>((i + std::size_t(offset)) % 30000 + 1);
    return v;
}

// Stereo frames of one left and one right value.
inline std::vector<std::int16_t> frames(std::size_t count, std::int16_t left, std::int16_t right) {
    std::vector<std::int16_t> v(count * 2);
    for (std::size_t i = 0; i < count; ++i) {
        v[2 * i] = left;
        v[2 * i + 1] = right;
    }
    return v;
}

// What playback makes of an untouched sample (unity gain, volume 1, centre): negative samples
// come out one step nearer zero.
inline std::int16_t unity(std::int16_t x) { return static_cast<std::int16_t>(x >= 0 ? x : x + 1); }

inline std::vector<std::int16_t> slice(const std::vector<std::int16_t>& v, std::size_t from, std::size_t count) {
    if (from >= v.size()) return {};
    return {v.begin() + static_cast<std::ptrdiff_t>(from),
            v.begin() + static_cast<std::ptrdiff_t>(std::min(v.size(), from + count))};
}

}  // namespace tqx::test

#pragma once
// A studio without devices for the export tests, clips made from sample lists, and the
// exported files read back through their 44-byte header.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

#include "audio/no_audio_system.h"
#include "io/exporter.h"
#include "platform/byte_order.h"
#include "platform/event_sink.h"
#include "platform/scripted_dialogs.h"
#include "platform/timer_service.h"
#include "project/project_model.h"
#include "session/studio.h"
#include "support/test_support.h"

namespace tqx::test {

using Samples = std::vector<std::int16_t>;

inline std::vector<std::uint8_t> sampleBytes(const Samples& samples) {
    std::vector<std::uint8_t> bytes(samples.size() * 2);
    for (std::size_t i = 0; i < samples.size(); ++i) putSample16(&bytes[2 * i], samples[i]);
    return bytes;
}

// An exported file: every header field, and the data as samples.
struct ExportedWave {
    bool exists = false;
    std::uint32_t riffSize = 0, fmtSize = 0, dataBytes = 0;
    WaveFormat format;
    Samples samples;
    std::size_t fileBytes = 0;
};

inline ExportedWave readExport(const std::string& path) {
    ExportedWave w;
    if (!std::filesystem::exists(path)) return w;
    const auto bytes = readFile(path);
    w.exists = true;
    w.fileBytes = bytes.size();
    if (bytes.size() < 44) return w;
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "RIFF");
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(std::string(bytes.begin() + 36, bytes.begin() + 40), "data");
    w.riffSize = getLe32(&bytes[4]);
    w.fmtSize = getLe32(&bytes[16]);
    w.format = WaveFormat::fromBytes(&bytes[20], 16);
    w.dataBytes = getLe32(&bytes[40]);
    for (std::size_t at = 44; at + 1 < bytes.size(); at += 2) w.samples.push_back(getSample16(&bytes[at]));
    return w;
}

class ExportTest : public ::testing::Test {
protected:
    ScriptedDialogs dialogs;
    NoAudioSystem audio;
    ManualTimerService timer;
    QueuedEventSink events;
    Studio studio{Platform{dialogs, audio, timer, events}};
    ScratchDir dir;

    ProjectModel& model() { return studio.model; }
    ExportContext context() { return studio.exportContext(); }

    int addTrack() { return studio.model.createTrack(); }

    // A 16-bit clip on `track` at `start` seconds in the first free clip slot.
    TMultiWave& addClip(int track, float start, const Samples& samples, std::uint16_t channels = 2,
                        std::uint32_t rate = 44100) {
        TMultiWave& clip = studio.model.createClip(studio.model.firstFreeClipSlot());
        clip.SetTrack(track);
        clip.SetFormat(WaveFormat::pcm(channels, rate));
        const auto bytes = sampleBytes(samples);
        clip.SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
        clip.SetStartTime(start);
        return clip;
    }

    // Track export of `track`, every question answered Yes.
    ExportedWave exportTrack(int track, const std::string& name = "track.wav") {
        studio.model.SelectedTrack = track;
        dialogs.files.push_back(dir.file(name));
        studio.exporter().N25Click();
        return readExport(dir.file(name));
    }

    ExportedWave mixdownAll(const std::string& name = "mix.wav") {
        dialogs.files.push_back(dir.file(name));
        studio.exporter().A2Click();
        return readExport(dir.file(name));
    }

    ExportedWave exportClip(int clipSlot, const std::string& name = "clip.wav") {
        studio.selectedClip = clipSlot;
        dialogs.files.push_back(dir.file(name));
        studio.exporter().E1Click();
        return readExport(dir.file(name));
    }

    // Every file name in the scratch folder.
    std::vector<std::string> filesInDir() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.path())) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Frames of a stereo signal, left and right given.
inline Samples stereo(std::size_t frames, std::int16_t left, std::int16_t right) {
    Samples s;
    for (std::size_t i = 0; i < frames; ++i) {
        s.push_back(left);
        s.push_back(right);
    }
    return s;
}

// A stereo signal with a tone of `frequency` Hz (at 44,100 Hz) on the left and silence on
// the right.
inline Samples toneOnTheLeft(std::size_t frames, double frequency, double amplitude) {
    Samples s;
    for (std::size_t i = 0; i < frames; ++i) {
        s.push_back(static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2.0 * std::numbers::pi * frequency * double(i) / 44100.0))));
        s.push_back(0);
    }
    return s;
}

// Largest magnitude among the samples of `channel` (0 left, 1 right) from frame `from` on.
inline int peakOf(const Samples& s, std::size_t channel, std::size_t from) {
    int peak = 0;
    for (std::size_t j = 2 * from + channel; j < s.size(); j += 2) peak = std::max(peak, std::abs(int{s[j]}));
    return peak;
}

}  // namespace tqx::test

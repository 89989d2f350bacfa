// The PortAudio device layer against a real sound server. These tests need the private
// PulseAudio server that tests/scripts/pulseaudio_backend.sh starts (a null sink "out" and a
// 440 Hz sine source as default input); without PULSE_SERVER they are skipped.
#include "audio/portaudio_audio.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

#include "platform/byte_order.h"
#include "support/monitor_capture.h"

namespace tqx {
namespace {

using namespace std::chrono_literals;
using test::MonitorCapture;

constexpr std::uint32_t kRate = 44100;

// Runs the sink's events until `done` holds. The limit only keeps a broken backend from
// hanging the test run.
template <typename Pred>
bool pumpUntil(QueuedEventSink& sink, Pred done) {
    const auto giveUp = std::chrono::steady_clock::now() + 60s;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp) return false;
        sink.pump();
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

struct Block {
    Block(std::size_t samples, const std::function<std::int16_t(std::size_t)>& value) : bytes(samples * 2) {
        for (std::size_t i = 0; i < samples; ++i) putSample16(&bytes[2 * i], value(i));
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        header.flags = WaveHeader::Prepared;
    }
    std::vector<std::uint8_t> bytes;
    WaveHeader header;
};

bool isDone(const WaveHeader& h) { return (h.flags & WaveHeader::Done) && !(h.flags & WaveHeader::InQueue); }

struct Listener : AudioListener {
    std::vector<std::pair<StreamId, WaveHeader*>> outputs, inputs;
    std::function<void(StreamId, WaveHeader*)> onInput;
    void onOutputDone(StreamId s, WaveHeader* h) override { outputs.emplace_back(s, h); }
    void onInputData(StreamId s, WaveHeader* h) override {
        inputs.emplace_back(s, h);
        if (onInput) onInput(s, h);
    }
};

::testing::AssertionResult sameSamples(const std::vector<std::int16_t>& heard,
                                       const std::vector<std::int16_t>& expected) {
    const std::size_t n = std::min(heard.size(), expected.size());
    std::size_t i = 0;
    while (i < n && heard[i] == expected[i]) ++i;
    if (i == n && heard.size() == expected.size()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "heard " << heard.size() << " samples, expected " << expected.size()
                                         << ", first difference at " << i;
}

// Each test gets its own backend on the private server; without the server they skip.
class PortAudioLive : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER"))
            GTEST_SKIP() << "needs the private PulseAudio server of tests/scripts/pulseaudio_backend.sh";
        audio = PortAudioSystem::create(sink);
        ASSERT_TRUE(audio);
    }
    QueuedEventSink sink;
    std::unique_ptr<PortAudioSystem> audio;
};

TEST_F(PortAudioLive, ListsTheServerDevicesAndRefusesWhatItCannotOpen) {
    const auto outputs = audio->outputDevices(), inputs = audio->inputDevices();
    auto named = [](const std::vector<DeviceCaps>& list, const std::string& name) {
        return std::any_of(list.begin(), list.end(), [&](const DeviceCaps& d) { return d.name == name; });
    };
    EXPECT_TRUE(named(outputs, "pulse") && named(outputs, "default"));
    EXPECT_TRUE(named(inputs, "pulse") && named(inputs, "default"));

    Listener listener;
    const int past = static_cast<int>(outputs.size());
    EXPECT_EQ(audio->openOutput(past, WaveFormat::pcm(2, kRate), &listener), 0u);
    EXPECT_EQ(audio->openOutput(-2, WaveFormat::pcm(2, kRate), &listener), 0u);
    EXPECT_EQ(audio->openOutput(kDefaultDevice, WaveFormat::pcm(2, kRate, 8), &listener), 0u);
    EXPECT_FALSE(audio->queryInputFormat(static_cast<int>(inputs.size()), WaveFormat::pcm(1, kRate)));
    EXPECT_TRUE(audio->queryInputFormat(kDefaultDevice, WaveFormat::pcm(1, kRate)));
    Block block(100, [](std::size_t) { return std::int16_t{0}; });
    EXPECT_FALSE(audio->writeOutput(12345, &block.header));
    EXPECT_EQ(audio->framesHeard(12345), kNotHeard);
}

TEST_F(PortAudioLive, BlocksReachTheSinkUnchanged) {
    MonitorCapture capture(3.0);
    ASSERT_TRUE(capture.flowing()) << "parec delivers nothing";

    // One second of noise in ten blocks; no frame is silent, so every one can be found again.
    std::uint32_t seed = 12345;
    std::vector<std::unique_ptr<Block>> blocks;
    std::vector<std::int16_t> pattern;
    for (int b = 0; b < 10; ++b) {
        blocks.push_back(std::make_unique<Block>(8820, [&](std::size_t) {
            seed = seed * 1664525u + 1013904223u;
            const int magnitude = static_cast<int>((seed >> 8) % 30000) + 1;
            return static_cast<std::int16_t>(seed & 1 ? magnitude : -magnitude);
        }));
        for (std::size_t i = 0; i < 8820; ++i) pattern.push_back(getSample16(&blocks.back()->bytes[2 * i]));
    }
    Listener listener;
    const StreamId s = audio->openOutput(kDefaultDevice, WaveFormat::pcm(2, kRate), &listener);
    ASSERT_NE(s, 0u);
    for (auto& b : blocks) ASSERT_TRUE(audio->writeOutput(s, &b->header));
    audio->startStreams(std::vector<StreamId>{s});
    ASSERT_TRUE(pumpUntil(sink, [&] { return listener.outputs.size() == 10; }));
    for (std::size_t i = 0; i < 10; ++i) {
        EXPECT_EQ(listener.outputs[i].second, &blocks[i]->header) << "block " << i << " out of order";
        EXPECT_TRUE(isDone(blocks[i]->header));
    }
    audio->closeOutput(s);

    EXPECT_TRUE(sameSamples(capture.soundingSamples(), pattern));
}

TEST_F(PortAudioLive, StreamsOnOneDeviceMixSampleAlignedAndSaturate) {
    MonitorCapture capture(2.0);
    ASSERT_TRUE(capture.flowing());

    Listener listener;
    const StreamId mono = audio->openOutput(kDefaultDevice, WaveFormat::pcm(1, kRate), &listener);
    const StreamId stereo = audio->openOutput(kDefaultDevice, WaveFormat::pcm(2, kRate), &listener);
    ASSERT_NE(mono, 0u);
    ASSERT_NE(stereo, 0u);
    std::vector<std::unique_ptr<Block>> blocks;
    for (int b = 0; b < 5; ++b) {  // 50 ms blocks, 0.25 s in all
        blocks.push_back(std::make_unique<Block>(2205, [](std::size_t) { return std::int16_t{20000}; }));
        ASSERT_TRUE(audio->writeOutput(mono, &blocks.back()->header));
        blocks.push_back(std::make_unique<Block>(
            4410, [](std::size_t i) { return static_cast<std::int16_t>(i % 2 ? -5000 : 20000); }));
        ASSERT_TRUE(audio->writeOutput(stereo, &blocks.back()->header));
    }
    audio->startStreams(std::vector<StreamId>{mono, stereo});
    ASSERT_TRUE(pumpUntil(sink, [&] { return listener.outputs.size() == 10; }));
    audio->closeOutput(mono);
    audio->closeOutput(stereo);

    // Left: 20000 + 20000 saturates; right: 20000 - 5000. A frame of either stream alone would
    // mean they did not start together.
    std::vector<std::int16_t> expected;
    for (int i = 0; i < 11025; ++i) {
        expected.push_back(32767);
        expected.push_back(15000);
    }
    EXPECT_TRUE(sameSamples(capture.soundingSamples(), expected));
}

TEST_F(PortAudioLive, TwoHundredStreamsPlayAtOnce) {
    constexpr int kStreams = 200;
    Listener listener;
    std::vector<StreamId> ids;
    std::vector<std::unique_ptr<Block>> blocks;
    for (int i = 0; i < kStreams; ++i) {
        const StreamId s = audio->openOutput(kDefaultDevice, WaveFormat::pcm(2, kRate), &listener);
        ASSERT_NE(s, 0u) << "stream " << i;
        ids.push_back(s);
        for (int b = 0; b < 2; ++b) {
            blocks.push_back(std::make_unique<Block>(4410, [](std::size_t) { return std::int16_t{50}; }));
            ASSERT_TRUE(audio->writeOutput(s, &blocks.back()->header));
        }
    }
    audio->startStreams(ids);
    ASSERT_TRUE(pumpUntil(sink, [&] { return listener.outputs.size() == 2 * kStreams; }));

    std::map<StreamId, std::vector<WaveHeader*>> perStream;
    for (const auto& [s, h] : listener.outputs) perStream[s].push_back(h);
    ASSERT_EQ(perStream.size(), static_cast<std::size_t>(kStreams));
    for (int i = 0; i < kStreams; ++i) {
        const auto& got = perStream[ids[i]];
        ASSERT_EQ(got.size(), 2u);
        EXPECT_EQ(got[0], &blocks[2 * i]->header);
        EXPECT_EQ(got[1], &blocks[2 * i + 1]->header);
        EXPECT_TRUE(isDone(*got[0]) && isDone(*got[1]));
    }
    for (StreamId s : ids) audio->closeOutput(s);
}

TEST_F(PortAudioLive, ResetHandsBackEveryBlockAtOnceAndEachIsNotifiedOnce) {
    Listener listener;
    const StreamId s = audio->openOutput(kDefaultDevice, WaveFormat::pcm(2, kRate), &listener);
    ASSERT_NE(s, 0u);
    std::vector<std::unique_ptr<Block>> blocks;
    for (int b = 0; b < 20; ++b) {  // 50 ms each
        blocks.push_back(std::make_unique<Block>(4410, [](std::size_t) { return std::int16_t{100}; }));
        ASSERT_TRUE(audio->writeOutput(s, &blocks.back()->header));
    }
    audio->startStreams(std::vector<StreamId>{s});
    ASSERT_TRUE(pumpUntil(sink, [&] { return listener.outputs.size() >= 3; }));

    audio->resetOutput(s);
    for (auto& b : blocks) EXPECT_TRUE(isDone(b->header));
    ASSERT_TRUE(pumpUntil(sink, [&] { return listener.outputs.size() >= 20; }));
    std::this_thread::sleep_for(200ms);
    sink.pump();
    ASSERT_EQ(listener.outputs.size(), 20u);
    for (std::size_t i = 0; i < 20; ++i) EXPECT_EQ(listener.outputs[i].second, &blocks[i]->header);

    // The stream plays on after the reset.
    ASSERT_TRUE(audio->writeOutput(s, &blocks[0]->header));
    audio->startStreams(std::vector<StreamId>{s});
    ASSERT_TRUE(pumpUntil(sink, [&] { return listener.outputs.size() == 21; }));
    audio->closeOutput(s);
}

TEST_F(PortAudioLive, RecordingTheDefaultInputHearsTheSine) {
    const WaveFormat format = WaveFormat::pcm(1, kRate);
    ASSERT_TRUE(audio->queryInputFormat(kDefaultDevice, format));
    Listener listener;
    const StreamId s = audio->openInput(kDefaultDevice, format, &listener);
    ASSERT_NE(s, 0u);

    // Four buffers of 8,820 bytes going round, as a recording keeps them. The sine source
    // hands out its sound in bursts of about two seconds; the device layer holds what the
    // buffers cannot take at once, so the second analysed below is one stretch without a gap.
    std::vector<std::unique_ptr<Block>> buffers;
    std::vector<std::int16_t> recorded;
    std::vector<std::uint32_t> filled;
    const std::size_t wanted = kRate * 3;
    listener.onInput = [&](StreamId stream, WaveHeader* h) {
        ASSERT_TRUE(isDone(*h));
        filled.push_back(h->bytesRecorded);
        for (std::uint32_t i = 0; i + 1 < h->bytesRecorded; i += 2) recorded.push_back(getSample16(h->data + i));
        if (recorded.size() < wanted) {
            h->flags = WaveHeader::Prepared;
            ASSERT_TRUE(audio->addInputBuffer(stream, h));
        }
    };
    for (int i = 0; i < 4; ++i) {
        buffers.push_back(std::make_unique<Block>(4410, [](std::size_t) { return std::int16_t{0}; }));
        ASSERT_TRUE(audio->addInputBuffer(s, &buffers.back()->header));
    }
    audio->startStreams(std::vector<StreamId>{s});
    ASSERT_TRUE(pumpUntil(sink, [&] { return recorded.size() >= wanted; }));
    EXPECT_EQ(filled.front(), 8820u);
    EXPECT_EQ(audio->lostFrames(s), 0u);

    audio->resetInput(s);
    for (auto& b : buffers) EXPECT_TRUE(isDone(b->header));
    audio->closeInput(s);

    // Every second: loud, 440 rising zero crossings, and no jump a 440 Hz sine cannot make.
    int peak = 0;
    for (std::int16_t v : recorded) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_GT(peak, 1000);
    const int largestStep = int(peak * 2 * 3.1416 * 440 / kRate * 1.2) + 4;
    for (std::size_t second = 0; second < 3; ++second) {
        int rising = 0;
        for (std::size_t i = second * kRate + 1; i < (second + 1) * kRate; ++i) {
            if (recorded[i - 1] < 0 && recorded[i] >= 0) ++rising;
            ASSERT_LE(std::abs(int(recorded[i]) - int(recorded[i - 1])), largestStep) << "sample " << i;
        }
        EXPECT_NEAR(rising, 440, 2) << "second " << second;
    }
}

}  // namespace
}  // namespace tqx

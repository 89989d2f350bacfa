// The simulated device layer behaves the way the engine relies on devices to behave.
#include "audio/simulated_audio.h"

#include <gtest/gtest.h>
#include <numeric>

#include "platform/byte_order.h"

namespace tqx {
namespace {

// Remembers every notification with the header's state at the moment it arrived.
struct Heard {
    bool input;
    StreamId stream;
    WaveHeader* header;
    std::uint32_t flags;
    std::uint32_t bytesRecorded;
};

struct Listener : AudioListener {
    std::vector<Heard> heard;
    std::function<void(StreamId, WaveHeader*)> onOutput;
    void onOutputDone(StreamId s, WaveHeader* h) override {
        heard.push_back({false, s, h, h->flags, h->bytesRecorded});
        if (onOutput) onOutput(s, h);
    }
    void onInputData(StreamId s, WaveHeader* h) override { heard.push_back({true, s, h, h->flags, h->bytesRecorded}); }
};

// A block of 16-bit samples with its header, prepared.
struct Block {
    explicit Block(std::size_t samples, std::int16_t first = 0) : bytes(samples * 2) {
        fill(first);
        header.data = bytes.data();
        header.bufferLength = static_cast<std::uint32_t>(bytes.size());
        header.flags = WaveHeader::Prepared;
    }
    void fill(std::int16_t first) {
        for (std::size_t i = 0; i < bytes.size() / 2; ++i)
            putSample16(&bytes[2 * i], static_cast<std::int16_t>(first + i));
    }
    std::vector<std::int16_t> samples() const {
        std::vector<std::int16_t> s(bytes.size() / 2);
        for (std::size_t i = 0; i < s.size(); ++i) s[i] = getSample16(&bytes[2 * i]);
        return s;
    }
    std::vector<std::uint8_t> bytes;
    WaveHeader header;
};

std::int64_t framesAt(std::int64_t ms) { return ms * 44100 / 1000; }

bool isDone(std::uint32_t flags) { return (flags & WaveHeader::Done) && !(flags & WaveHeader::InQueue); }

class SimulatedAudio : public ::testing::Test {
protected:
    QueuedEventSink sink;
    SimulatedAudioSystem audio{sink};
    Listener listener;
    const WaveFormat stereo = WaveFormat::pcm(2, 44100);
    const WaveFormat mono8k = WaveFormat::pcm(1, 8000);

    void start(std::initializer_list<StreamId> ids) { audio.startStreams(std::vector<StreamId>(ids)); }
    // Every sample a stream played, by the device frame it played at.
    std::vector<std::pair<std::int64_t, std::int16_t>> playedAt(StreamId s, int channels) const {
        std::vector<std::pair<std::int64_t, std::int16_t>> out;
        for (const auto& run : audio.played())
            if (run.stream == s)
                for (std::size_t i = 0; i < run.samples.size(); ++i)
                    out.emplace_back(run.deviceFrame + std::int64_t(i) / channels, run.samples[i]);
        return out;
    }
};

TEST_F(SimulatedAudio, BlocksFinishAfterTheirLengthInOrderAcrossStreams) {
    const StreamId a = audio.openOutput(kDefaultDevice, stereo, &listener);
    const StreamId b = audio.openOutput(kDefaultDevice, mono8k, &listener);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(a, b);
    Block a0(8820, 0), a1(8820, 100);    // 100 ms each
    Block b0(400, 1000), b1(400, 2000);  // 50 ms each
    ASSERT_TRUE(audio.writeOutput(a, &a0.header));
    ASSERT_TRUE(audio.writeOutput(a, &a1.header));
    ASSERT_TRUE(audio.writeOutput(b, &b0.header));
    ASSERT_TRUE(audio.writeOutput(b, &b1.header));
    audio.advance(100);
    EXPECT_TRUE(audio.played().empty()) << "streams wait for their start";
    start({a, b});

    audio.advance(49);
    sink.pump();
    EXPECT_TRUE(listener.heard.empty());
    audio.advance(1);
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].header, &b0.header);
    EXPECT_TRUE(isDone(listener.heard[0].flags));

    audio.advance(150);
    sink.pump();
    // At 100 ms both a0 and b1 finish; the stream opened first is served first.
    std::vector<WaveHeader*> order;
    for (const auto& h : listener.heard) order.push_back(h.header);
    EXPECT_EQ(order, (std::vector<WaveHeader*>{&b0.header, &a0.header, &b1.header, &a1.header}));
    auto expected = a0.samples();
    auto second = a1.samples();
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(audio.playedSamples(a), expected);
    EXPECT_EQ(audio.playedSamples(b).size(), 800u);
    // Both began at the same moment: frame 4410 at 44.1 kHz and frame 800 at 8 kHz are 100 ms.
    EXPECT_EQ(audio.originOf(a), 4410);
    EXPECT_EQ(audio.originOf(b), 800);
}

TEST_F(SimulatedAudio, WriteTakesOnlyPreparedBlocksThatAreNotQueued) {
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
    start({s});
    Block block(100);
    block.header.flags = WaveHeader::Prepared | WaveHeader::Done;
    ASSERT_TRUE(audio.writeOutput(s, &block.header));
    EXPECT_EQ(block.header.flags, WaveHeader::Prepared | WaveHeader::InQueue);
    const auto generation = block.header.generation;
    EXPECT_FALSE(audio.writeOutput(s, &block.header)) << "already queued";
    EXPECT_FALSE(audio.unprepareHeader(&block.header)) << "still queued";

    Block unprepared(100);
    unprepared.header.flags = 0;
    EXPECT_FALSE(audio.writeOutput(s, &unprepared.header));
    EXPECT_FALSE(audio.writeOutput(s + 100, &block.header));
    EXPECT_FALSE(audio.writeOutput(s, nullptr));

    audio.advance(10);
    sink.pump();
    ASSERT_TRUE(isDone(block.header.flags));
    ASSERT_TRUE(audio.writeOutput(s, &block.header));
    EXPECT_GT(block.header.generation, generation);
    EXPECT_EQ(audio.queuedCount(s), 1u);
}

TEST_F(SimulatedAudio, ResetHandsBackEveryQueuedBlockAtOnceAndTheTimelineBeginsAgain) {
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
    Block b0(8820), b1(8820), b2(8820);
    for (auto* b : {&b0, &b1, &b2}) ASSERT_TRUE(audio.writeOutput(s, &b->header));
    start({s});
    audio.advance(150);  // b0 played, b1 half played
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 1u);

    audio.resetOutput(s);
    // Done before any notification runs: the engine looks at the flags right after the reset.
    EXPECT_TRUE(isDone(b1.header.flags));
    EXPECT_TRUE(isDone(b2.header.flags));
    EXPECT_TRUE(audio.unprepareHeader(&b1.header));
    EXPECT_EQ(sink.pump(), 2u);
    ASSERT_EQ(listener.heard.size(), 3u);
    EXPECT_EQ(listener.heard[1].header, &b1.header);
    EXPECT_EQ(listener.heard[2].header, &b2.header);
    EXPECT_EQ(audio.framesHeard(s), kNotHeard);

    // A block written now lies at frame 0 of the stream's new start.
    b2.fill(500);
    ASSERT_TRUE(audio.writeOutput(s, &b2.header));
    audio.advance(30);
    EXPECT_EQ(audio.playedSamples(s).size(), 8820u + 4410u) << "nothing plays before the start";
    start({s});
    EXPECT_EQ(audio.originOf(s), framesAt(180));
    audio.advance(100);
    const auto run = audio.played().back();
    EXPECT_EQ(run.deviceFrame, framesAt(180));
    EXPECT_EQ(run.streamFrame, 0);
    EXPECT_EQ(run.samples, b2.samples());
}

TEST_F(SimulatedAudio, CloseDiscardsQueuedBlocksButPostedNotificationsStillArrive) {
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
    Block b0(882), b1(8820);
    audio.writeOutput(s, &b0.header);
    audio.writeOutput(s, &b1.header);
    start({s});
    audio.advance(10);  // b0 finished, its notification not yet run
    EXPECT_EQ(audio.openOutputCount(), 1);
    audio.closeOutput(s);
    EXPECT_EQ(audio.openOutputCount(), 0);
    EXPECT_TRUE(isDone(b1.header.flags));
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 1u);
    EXPECT_EQ(listener.heard[0].header, &b0.header);
    EXPECT_EQ(listener.heard[0].stream, s);

    EXPECT_FALSE(audio.writeOutput(s, &b1.header));
    const StreamId next = audio.openOutput(kDefaultDevice, stereo, &listener);
    EXPECT_GT(next, s) << "ids are never reused";
    EXPECT_EQ(audio.outputDeviceOf(s), kDefaultDevice);
}

// The engine's double buffering: every returned block is refilled and written again. A
// stream starved for a while does not shift: the block that comes late plays only its part
// still to come, the rest counts as lost, and every frame keeps its place on the clock.
TEST_F(SimulatedAudio, StreamsAreTimeLockedThroughAStarvedStretch) {
    const StreamId s = audio.openOutput(kDefaultDevice, mono8k, &listener);
    Block blocks[2] = {Block(80, 0), Block(80, 80)};  // 10 ms each
    std::int16_t next = 160;
    bool refill = true;
    listener.onOutput = [&](StreamId stream, WaveHeader* h) {
        if (!refill) return;
        for (auto& b : blocks)
            if (&b.header == h) {
                b.fill(next);
                next = static_cast<std::int16_t>(next + 80);
                ASSERT_TRUE(audio.writeOutput(stream, h));
            }
    };
    for (auto& b : blocks) audio.writeOutput(s, &b.header);
    start({s});
    audio.advance(1000, [&] { sink.pump(); });
    std::vector<std::int16_t> expected(8000);
    std::iota(expected.begin(), expected.end(), std::int16_t{0});
    EXPECT_EQ(audio.playedSamples(s), expected);
    EXPECT_EQ(audio.lostFrames(s), 0u);

    // The program stalls for 55 ms: nothing is handled.
    audio.advance(55);
    EXPECT_EQ(audio.playedSamples(s).size(), 8160u) << "the two queued blocks, then silence";
    // It comes back: the blocks due meanwhile come late, what they missed is counted as lost,
    // and refilling catches up with the clock.
    audio.advance(100, [&] { sink.pump(); });
    EXPECT_GT(audio.lostFrames(s), 0u);
    for (const auto& [frame, value] : playedAt(s, 1)) ASSERT_EQ(value, std::int16_t(frame)) << frame;
    EXPECT_EQ(audio.framesHeard(s), 1155 * 8);
}

TEST_F(SimulatedAudio, FramesHeardFollowTheClockLessTheOutputLatency) {
    audio.setLatencies(120, 0);
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
    EXPECT_EQ(audio.framesHeard(s), kNotHeard);
    audio.advance(7);
    start({s});
    EXPECT_EQ(audio.framesHeard(s), -framesAt(120));
    audio.advance(1000);
    EXPECT_EQ(audio.framesHeard(s), framesAt(1000) - framesAt(120));
    EXPECT_EQ(audio.framesHeard(12345), kNotHeard);
}

TEST_F(SimulatedAudio, InputFillsBuffersInOrderFromTheSignalOnceStarted) {
    audio.setInputSignal([](std::uint64_t frame, int channel) {
        return static_cast<std::int16_t>(channel == 0 ? frame : -static_cast<int>(frame));
    });
    const StreamId s = audio.openInput(kDefaultDevice, WaveFormat::pcm(2, 8000), &listener);
    ASSERT_NE(s, 0u);
    Block b0(161), b1(160);  // 161 samples: the odd trailing sample is no whole frame
    b0.header.bytesRecorded = 77;
    ASSERT_TRUE(audio.addInputBuffer(s, &b0.header));
    ASSERT_TRUE(audio.addInputBuffer(s, &b1.header));
    EXPECT_EQ(b0.header.bytesRecorded, 0u);
    audio.advance(100);
    sink.pump();
    EXPECT_TRUE(listener.heard.empty()) << "nothing is recorded before the start";
    EXPECT_FALSE(audio.isRecording(s));

    start({s});
    audio.advance(20);  // 160 frames at 8 kHz: both buffers of 80 frames
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 2u);
    EXPECT_EQ(listener.heard[0].header, &b0.header);
    EXPECT_EQ(listener.heard[0].bytesRecorded, 320u);
    EXPECT_TRUE(isDone(listener.heard[0].flags));
    EXPECT_EQ(listener.heard[1].bytesRecorded, 320u);
    // The clock had run 100 ms (800 frames) before the start.
    auto s0 = b0.samples();
    EXPECT_EQ(s0[0], 800);
    EXPECT_EQ(s0[1], -800);
    EXPECT_EQ(s0[158], 879);
    EXPECT_EQ(b1.samples()[0], 880);
}

TEST_F(SimulatedAudio, TwoRecordingsHearTheSameSamplesAtTheSameTime) {
    audio.setInputSignal([](std::uint64_t frame, int) { return static_cast<std::int16_t>(frame * 7); });
    const StreamId m = audio.openInput(kDefaultDevice, WaveFormat::pcm(1, 44100), &listener);
    const StreamId st = audio.openInput(kDefaultDevice, WaveFormat::pcm(2, 44100), &listener);
    Block monoBuf(441), stereoBuf(882);
    audio.addInputBuffer(m, &monoBuf.header);
    audio.addInputBuffer(st, &stereoBuf.header);
    start({m, st});
    audio.advance(10);
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 2u);
    const auto ms = monoBuf.samples(), ss = stereoBuf.samples();
    for (std::size_t i = 0; i < ms.size(); ++i) {
        ASSERT_EQ(ss[2 * i], ms[i]);
        ASSERT_EQ(ss[2 * i + 1], ms[i]);
    }
}

// A sound server that hands out input in bursts, and a program that does not come for it for
// a while: the device holds the input, and the buffers get every frame in order.
TEST_F(SimulatedAudio, InputWaitsInTheHoldThroughBurstsAndStalls) {
    audio.setInputSignal([](std::uint64_t frame, int) { return static_cast<std::int16_t>(frame); });
    audio.setInputBurst(2000);
    const StreamId s = audio.openInput(kDefaultDevice, WaveFormat::pcm(1, 8000), &listener);
    std::vector<std::unique_ptr<Block>> bufs;
    for (int i = 0; i < 4; ++i) {
        bufs.push_back(std::make_unique<Block>(400));  // 50 ms
        audio.addInputBuffer(s, &bufs.back()->header);
    }
    std::vector<std::int16_t> got;
    listener.onOutput = nullptr;
    start({s});
    audio.advance(1999, [&] { sink.pump(); });
    EXPECT_TRUE(listener.heard.empty()) << "the first burst has not come yet";
    audio.advance(5000);  // the program stalls through two bursts
    EXPECT_EQ(audio.pendingInput(s), (std::uint64_t(8000) * 6 - 1600) * 2);
    EXPECT_EQ(listener.heard.size(), 0u) << "notifications wait for the program";
    // It comes back and keeps every buffer going round.
    for (int ms = 0; ms < 1100; ++ms) {
        audio.advance(1);
        sink.pump();
        for (auto& h : listener.heard)
            if (h.input) {
                for (std::uint32_t i = 0; i < h.bytesRecorded; i += 2) got.push_back(getSample16(h.header->data + i));
                ASSERT_TRUE(audio.addInputBuffer(s, h.header));
            }
        listener.heard.clear();
    }
    ASSERT_EQ(got.size(), 8000u * 8);
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], static_cast<std::int16_t>(i)) << i;
    EXPECT_EQ(audio.lostFrames(s), 0u);
}

TEST_F(SimulatedAudio, InputBeyondTheHoldIsLostAndCountedButTheTakeKeepsItsTiming) {
    audio.setInputSignal([](std::uint64_t frame, int) { return static_cast<std::int16_t>(frame % 30000 + 1); });
    const StreamId s = audio.openInput(kDefaultDevice, WaveFormat::pcm(1, 4000), &listener);
    Block buf(4000);
    start({s});
    audio.advance((kInputHoldSeconds + 2) * 1000);  // no buffer at all for two seconds too long
    EXPECT_EQ(audio.lostFrames(s), 8000u);
    audio.resetInput(s);
    // Drained buffer by buffer: the held input, then silence where input was lost.
    std::vector<std::int16_t> got;
    while (audio.pendingInput(s) > 0) {
        buf.header.flags = WaveHeader::Prepared;
        ASSERT_TRUE(audio.addInputBuffer(s, &buf.header));
        ASSERT_TRUE(isDone(buf.header.flags));
        for (std::uint32_t i = 0; i < buf.header.bytesRecorded; i += 2) got.push_back(getSample16(&buf.bytes[i]));
    }
    ASSERT_EQ(got.size(), std::size_t(kInputHoldSeconds + 2) * 4000);
    for (std::size_t i = 0; i < std::size_t(kInputHoldSeconds) * 4000; ++i)
        ASSERT_EQ(got[i], std::int16_t(i % 30000 + 1)) << i;
    for (std::size_t i = std::size_t(kInputHoldSeconds) * 4000; i < got.size(); ++i) ASSERT_EQ(got[i], 0) << i;
}

TEST_F(SimulatedAudio, InputResetReturnsThePartialBufferAndTheEmptyOnes) {
    audio.setInputSignal([](std::uint64_t, int) { return std::int16_t{1234}; });
    const StreamId s = audio.openInput(kDefaultDevice, WaveFormat::pcm(2, 44100), &listener);
    Block bufs[4] = {Block(4410), Block(4410), Block(4410), Block(4410)};  // 50 ms each
    for (auto& b : bufs) ASSERT_TRUE(audio.addInputBuffer(s, &b.header));
    start({s});
    audio.advance(60);
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 1u);

    audio.resetInput(s);
    // 10 ms after the first buffer filled: 441 frames of 4 bytes in the second.
    EXPECT_EQ(bufs[1].header.bytesRecorded, 1764u);
    EXPECT_EQ(bufs[2].header.bytesRecorded, 0u);
    EXPECT_EQ(bufs[3].header.bytesRecorded, 0u);
    for (int i = 1; i < 4; ++i) EXPECT_TRUE(isDone(bufs[i].header.flags)) << i;
    EXPECT_EQ(getSample16(&bufs[1].bytes[1762]), 1234);
    EXPECT_EQ(sink.pump(), 3u);
    ASSERT_EQ(listener.heard.size(), 4u);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(listener.heard[i].header, &bufs[i].header);

    // Recording stays stopped.
    EXPECT_FALSE(audio.isRecording(s));
    EXPECT_EQ(audio.pendingInput(s), 0u);
    ASSERT_TRUE(audio.addInputBuffer(s, &bufs[0].header));
    audio.advance(100);
    sink.pump();
    EXPECT_EQ(listener.heard.size(), 4u);
}

// A take started with a run begins with the frame its device captured when the run's first
// output frame was heard; with a loopback the take holds the output exactly from its start.
TEST_F(SimulatedAudio, InputStartedWithOutputLinesUpWithWhatWasHeard) {
    audio.setLatencies(150, 40);
    audio.setInputBurst(500);
    audio.setLoopback(true);
    const StreamId out = audio.openOutput(kDefaultDevice, WaveFormat::pcm(1, 44100), &listener);
    const StreamId in = audio.openInput(kDefaultDevice, WaveFormat::pcm(1, 44100), &listener);
    std::vector<std::unique_ptr<Block>> blocks;
    for (int i = 0; i < 10; ++i) {
        blocks.push_back(std::make_unique<Block>(4410, std::int16_t(1 + 4410 * i)));  // 100 ms each
        ASSERT_TRUE(audio.writeOutput(out, &blocks.back()->header));
    }
    Block take(44100);
    ASSERT_TRUE(audio.addInputBuffer(in, &take.header));
    audio.advance(3);
    start({out, in});
    audio.advance(1500);
    sink.pump();
    ASSERT_TRUE(isDone(take.header.flags));
    const auto got = take.samples();
    for (std::size_t i = 0; i < got.size(); ++i) ASSERT_EQ(got[i], std::int16_t(1 + i)) << i;
}

TEST_F(SimulatedAudio, DevicesAndRefusals) {
    EXPECT_TRUE(audio.outputDevices().empty());
    EXPECT_NE(audio.openOutput(kDefaultDevice, stereo, &listener), 0u) << "the default always opens";
    EXPECT_EQ(audio.openOutput(0, stereo, &listener), 0u) << "no device 0 yet";
    audio.addOutputDevice("Speakers");
    audio.addOutputDevice("Headphones");
    audio.addInputDevice("Line in");
    ASSERT_EQ(audio.outputDevices().size(), 2u);
    EXPECT_EQ(audio.outputDevices()[1].name, "Headphones");
    EXPECT_EQ(audio.inputDevices()[0].name, "Line in");

    const StreamId on1 = audio.openOutput(1, stereo, &listener);
    EXPECT_EQ(audio.outputDeviceOf(on1), 1);
    EXPECT_EQ(audio.inputDeviceOf(on1), std::nullopt);
    EXPECT_EQ(audio.openOutput(2, stereo, &listener), 0u);
    EXPECT_EQ(audio.openOutput(-2, stereo, &listener), 0u);
    EXPECT_EQ(audio.openOutput(0, WaveFormat::pcm(2, 44100, 8), &listener), 0u);
    EXPECT_EQ(audio.openOutput(0, WaveFormat::pcm(3, 44100), &listener), 0u);

    audio.refusingOutputDevices = {kDefaultDevice};
    EXPECT_EQ(audio.openOutput(kDefaultDevice, stereo, &listener), 0u);
    EXPECT_NE(audio.openOutput(0, stereo, &listener), 0u);
    audio.refuseOutputOpen = true;
    EXPECT_EQ(audio.openOutput(0, stereo, &listener), 0u);

    const WaveFormat rec = WaveFormat::pcm(1, 44100);
    EXPECT_TRUE(audio.queryInputFormat(0, rec));
    EXPECT_FALSE(audio.queryInputFormat(1, rec));
    audio.refuseInputFormat = true;
    EXPECT_FALSE(audio.queryInputFormat(kDefaultDevice, rec));
    EXPECT_EQ(audio.openInput(kDefaultDevice, rec, &listener), 0u);
    audio.refuseInputFormat = false;
    audio.refusingInputDevices = {0};
    EXPECT_FALSE(audio.queryInputFormat(0, rec));
    EXPECT_EQ(audio.openInput(0, rec, &listener), 0u);
    audio.refuseInputOpen = true;
    EXPECT_TRUE(audio.queryInputFormat(kDefaultDevice, rec)) << "only the open is refused";
    EXPECT_EQ(audio.openInput(kDefaultDevice, rec, &listener), 0u);
    audio.refuseInputOpen = false;
    const StreamId in = audio.openInput(kDefaultDevice, rec, &listener);
    EXPECT_EQ(audio.inputDeviceOf(in), kDefaultDevice);
    EXPECT_EQ(audio.openInputCount(), 1);

    Block b(100);
    audio.refuseAddBuffer = true;
    EXPECT_FALSE(audio.addInputBuffer(in, &b.header));
    audio.refuseWrite = true;
    EXPECT_FALSE(audio.writeOutput(on1, &b.header));
    EXPECT_FALSE(b.header.flags & WaveHeader::InQueue);
}

}  // namespace
}  // namespace tqx

// The simulated device layer behaves the way the engine relies on devices to behave.
#include "platform/simulated_audio.h"

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
    void onInputData(StreamId s, WaveHeader* h) override {
        heard.push_back({true, s, h, h->flags, h->bytesRecorded});
    }
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

bool isDone(std::uint32_t flags) {
    return (flags & WaveHeader::Done) && !(flags & WaveHeader::InQueue);
}

class SimulatedAudio : public ::testing::Test {
protected:
    QueuedEventSink sink;
    SimulatedAudioSystem audio{sink};
    Listener listener;
    const WaveFormat stereo = WaveFormat::pcm(2, 44100);
    const WaveFormat mono8k = WaveFormat::pcm(1, 8000);
};

TEST_F(SimulatedAudio, BlocksFinishAfterTheirLengthInOrderAcrossStreams) {
    const StreamId a = audio.openOutput(kDefaultDevice, stereo, &listener);
    const StreamId b = audio.openOutput(kDefaultDevice, mono8k, &listener);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_NE(a, b);
    Block a0(8820, 0), a1(8820, 100);  // 100 ms each
    Block b0(400, 1000), b1(400, 2000);  // 50 ms each
    ASSERT_TRUE(audio.writeOutput(a, &a0.header));
    ASSERT_TRUE(audio.writeOutput(a, &a1.header));
    ASSERT_TRUE(audio.writeOutput(b, &b0.header));
    ASSERT_TRUE(audio.writeOutput(b, &b1.header));

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
    ASSERT_EQ(audio.played().size(), 4u);
    EXPECT_EQ(audio.played()[1].stream, a);
    EXPECT_EQ(audio.played()[1].format, stereo);
    auto expected = a0.samples();
    auto second = a1.samples();
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(audio.playedSamples(a), expected);
    EXPECT_TRUE(audio.played()[2].samples == b1.samples());
}

TEST_F(SimulatedAudio, WriteTakesOnlyPreparedBlocksThatAreNotQueued) {
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
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

TEST_F(SimulatedAudio, ResetHandsBackEveryQueuedBlockAtOnce) {
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
    Block b0(8820), b1(8820), b2(8820);
    for (auto* b : {&b0, &b1, &b2}) ASSERT_TRUE(audio.writeOutput(s, &b->header));
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
    EXPECT_EQ(audio.played().size(), 1u) << "handed-back blocks did not play";

    // The stream stays open and plays a new block from its start, for its full length.
    b2.fill(500);
    ASSERT_TRUE(audio.writeOutput(s, &b2.header));
    audio.advance(99);
    EXPECT_EQ(audio.played().size(), 1u);
    audio.advance(1);
    ASSERT_EQ(audio.played().size(), 2u);
    EXPECT_EQ(audio.played()[1].samples, b2.samples());
}

TEST_F(SimulatedAudio, CloseDiscardsQueuedBlocksButPostedNotificationsStillArrive) {
    const StreamId s = audio.openOutput(kDefaultDevice, stereo, &listener);
    Block b0(882), b1(8820);
    audio.writeOutput(s, &b0.header);
    audio.writeOutput(s, &b1.header);
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

TEST_F(SimulatedAudio, ListenerThatRefillsKeepsTheStreamGapless) {
    // The engine's double buffering: every returned block is refilled and written again.
    const StreamId s = audio.openOutput(kDefaultDevice, mono8k, &listener);
    Block blocks[2] = {Block(80, 0), Block(80, 80)};  // 10 ms each
    std::int16_t next = 160;
    listener.onOutput = [&](StreamId stream, WaveHeader* h) {
        for (auto& b : blocks)
            if (&b.header == h) {
                b.fill(next);
                next = static_cast<std::int16_t>(next + 80);
                ASSERT_TRUE(audio.writeOutput(stream, h));
            }
    };
    for (auto& b : blocks) audio.writeOutput(s, &b.header);
    audio.advance(1000, [&] { sink.pump(); });
    std::vector<std::int16_t> expected(8000);
    std::iota(expected.begin(), expected.end(), std::int16_t{0});
    EXPECT_EQ(audio.playedSamples(s), expected);

    // A starved stream idles: a block written late still plays for its whole length.
    listener.onOutput = nullptr;
    audio.advance(50, [&] { sink.pump(); });
    const auto before = audio.played().size();
    audio.advance(300);
    EXPECT_EQ(audio.played().size(), before);
    Block late(80);
    audio.writeOutput(s, &late.header);
    audio.advance(9);
    EXPECT_EQ(audio.played().size(), before);
    audio.advance(1);
    EXPECT_EQ(audio.played().size(), before + 1);
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

    ASSERT_TRUE(audio.startInput(s));
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
    audio.startInput(m);
    audio.startInput(st);
    audio.advance(10);
    sink.pump();
    ASSERT_EQ(listener.heard.size(), 2u);
    const auto ms = monoBuf.samples(), ss = stereoBuf.samples();
    for (std::size_t i = 0; i < ms.size(); ++i) {
        ASSERT_EQ(ss[2 * i], ms[i]);
        ASSERT_EQ(ss[2 * i + 1], ms[i]);
    }
}

TEST_F(SimulatedAudio, InputResetReturnsThePartialBufferAndTheEmptyOnes) {
    audio.setInputSignal([](std::uint64_t, int) { return std::int16_t{1234}; });
    const StreamId s = audio.openInput(kDefaultDevice, WaveFormat::pcm(2, 44100), &listener);
    Block bufs[4] = {Block(4410), Block(4410), Block(4410), Block(4410)};  // 50 ms each
    for (auto& b : bufs) ASSERT_TRUE(audio.addInputBuffer(s, &b.header));
    audio.startInput(s);
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

    // Recording stays stopped until started again.
    EXPECT_FALSE(audio.isRecording(s));
    ASSERT_TRUE(audio.addInputBuffer(s, &bufs[0].header));
    audio.advance(100);
    sink.pump();
    EXPECT_EQ(listener.heard.size(), 4u);
    audio.startInput(s);
    audio.advance(50);
    sink.pump();
    EXPECT_EQ(listener.heard.size(), 5u);
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

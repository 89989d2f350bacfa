// Play/stop with and without recording, go to start, seeking, the time scale, the running
// display and the timer, including a run on a real timer thread.
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

#include "engine/level_meters.h"
#include "engine/playback_test_rig.h"
#include "project/clip_timing.h"
#include "support/test_support.h"

namespace tqx::test {
namespace {

TEST(TransportTimeText, MinutesAreTruncatedAndSecondsRounded) {
    EXPECT_EQ(Transport::formatTime(0.0), "00:00.000");
    EXPECT_EQ(Transport::formatTime(75.25), "01:15.250");
    EXPECT_EQ(Transport::formatTime(59.9996), "00:60.000");
    EXPECT_EQ(Transport::formatTime(0.0625), "00:00.063");  // halves round away from zero
    EXPECT_EQ(Transport::formatTime(3600.0), "60:00.000");
    EXPECT_EQ(Transport::formatTime(6000.5), "100:00.500");
}

class TransportTest : public ::testing::Test {
protected:
    PlaybackRig rig;
    Studio& studio = rig.studio;
    Transport& transport = studio.transport();
    Timeline& tl = studio.timeline;
    int track = rig.addTrack();
};

TEST_F(TransportTest, PlayWithoutClipsStillRunsTheTimerAndTheDisplay) {
    rig.press();
    EXPECT_TRUE(transport.isPlaying());
    EXPECT_TRUE(rig.timer.running());
    rig.run(1020);
    EXPECT_NEAR(tl.PlayHead.load(), 1.02f, 1e-3);
    EXPECT_EQ(studio.texts.timeText(), "00:01.020");
    EXPECT_EQ(tl.CursorX.load(), 40);  // 40 pixels per second at 44,100 Hz
    rig.press();
    EXPECT_FALSE(transport.isPlaying());
    EXPECT_FALSE(rig.timer.running());
    rig.run(100);
    EXPECT_NEAR(tl.PlayHead.load(), 1.02f, 1e-3);
    EXPECT_TRUE(rig.dialogs.shown.empty());
}

TEST_F(TransportTest, GoToStartResetsPositionCursorScrollAndDisplay) {
    transport.seekToPixel(200);
    tl.hScrollPosition = 150;
    transport.SpeedButton2Click();
    EXPECT_EQ(tl.StartPosition, 0.0f);
    EXPECT_EQ(tl.PlayHead.load(), 0.0f);
    EXPECT_EQ(tl.CursorX.load(), 0);
    EXPECT_EQ(tl.hScrollPosition, 0);
    EXPECT_EQ(studio.texts.timeText(), "00:00.000");
}

TEST_F(TransportTest, CanvasClickSeeksOpenStreamsToThePixelsTime) {
    const auto data = ramp(5 * kSamplesPerSecond);
    TMultiWave& clip = rig.addClip(track, 0.0f, data);
    rig.press();
    rig.run(300);
    rig.audio.clearPlayed();
    transport.canvasClick(100);  // 100 x 1102.5 / 44100 = 2.5 s
    EXPECT_EQ(tl.CursorX.load(), 100);
    EXPECT_FLOAT_EQ(tl.StartPosition, 2.5f);
    EXPECT_FLOAT_EQ(tl.PlayHead.load(), 2.5f);
    EXPECT_EQ(studio.texts.timeText(), "00:02.500");
    EXPECT_EQ(studio.texts.diagnostic(), "100");
    rig.run(150);
    // The stream goes on, now from the clip's second 2.
    EXPECT_EQ(slice(rig.audio.playedSamples(clip.playback().WaveOut), 0, kStereoBlock),
              slice(data, 2 * std::size_t(frameAtTime(2.5, 44100)), kStereoBlock));
}

TEST_F(TransportTest, TimeScaleLaysOutClipsAndMovesTheCursor) {
    rig.addClip(track, 2.0f, ramp(kSamplesPerSecond));  // 1 s long
    tl.StartPosition = 1.5f;
    rig.press();
    rig.run(700);
    rig.press();
    ASSERT_NE(tl.PlayHead.load(), 1.5f);
    transport.TrackBar1Change(4410);  // 441 samples per pixel: 100 pixels per second
    EXPECT_EQ(tl.TimeScale, 441.0f);
    const TMultiWave& clip = *studio.model.clip(0);
    EXPECT_EQ(clip.left, 200);
    EXPECT_EQ(clip.width, 100);
    EXPECT_EQ(tl.hScrollRange, 500);
    // Stopped: the play head goes back to the start position.
    EXPECT_EQ(tl.PlayHead.load(), 1.5f);
    EXPECT_EQ(tl.CursorX.load(), 150);

    rig.press();
    rig.run(500);
    transport.TrackBar1Change(22050);  // 20 pixels per second
    EXPECT_NEAR(tl.PlayHead.load(), 2.0f, 1e-3);
    EXPECT_EQ(tl.CursorX.load(), int(20 * tl.PlayHead.load()));
    EXPECT_EQ(clip.left, 40);
    EXPECT_EQ(tl.hScrollRange, 260);
}

TEST_F(TransportTest, TheViewTurnsAPageWhenTheCursorReachesItsRightEdge) {
    transport.TrackBar1Change(4410);  // 100 pixels per second
    tl.viewWidth = 100;
    rig.press();
    rig.run(980);
    EXPECT_EQ(tl.hScrollPosition, 0);
    rig.run(20);
    EXPECT_EQ(tl.hScrollPosition, 99);
    rig.run(1000);
    EXPECT_EQ(tl.hScrollPosition, 199);
}

TEST_F(TransportTest, TimerFailureIsReportedAndTheNextPressStartsAgain) {
    rig.timer.failToStart = true;
    TMultiWave& clip = rig.addClip(track, 0.0f, ramp(10 * kStereoBlock));
    rig.press();
    EXPECT_EQ(rig.dialogs.messages(), std::vector<std::string>{"Error! Timer failed initialize."});
    EXPECT_FALSE(transport.isPlaying());
    const StreamId first = clip.playback().WaveOut;
    EXPECT_TRUE(rig.audio.isOpen(first));  // playback goes on without the moving cursor
    rig.timer.failToStart = false;
    rig.press();
    EXPECT_TRUE(transport.isPlaying());
    EXPECT_FALSE(rig.audio.isOpen(first));
    EXPECT_EQ(studio.mixer().openOutputCount(), 1);
}

class TransportRecordingTest : public TransportTest {
protected:
    TransportRecordingTest() {
        studio.model.ProjectPath = dir.file("take.tqxproj");
        rig.audio.addInputDevice("Microphone");
        rig.audio.setInputSignal([](std::uint64_t frame, int) { return std::int16_t(frame % 1000 + 1); });
        studio.model.track(armed).recordArmed = true;
        studio.transport().setRecordToggle(true);
    }
    ScratchDir dir;
    int armed = rig.addTrack();
};

TEST_F(TransportRecordingTest, PressRecordsWhilePlayingAndTheNextPressStopsBoth) {
    rig.addClip(track, 0.0f, ramp(30 * kStereoBlock));
    rig.press();
    EXPECT_TRUE(transport.isPlaying());
    EXPECT_EQ(studio.mixer().openOutputCount(), 1);
    EXPECT_EQ(rig.audio.openInputCount(), 1);
    EXPECT_EQ(studio.meters().MeterDivisor, 1);  // the take being recorded does not count
    rig.run(500);
    rig.press();
    EXPECT_FALSE(transport.isPlaying());
    EXPECT_EQ(rig.audio.openOutputCount(), 0);
    EXPECT_EQ(rig.audio.openInputCount(), 0);
    const TMultiWave* take = studio.model.clip(1);
    ASSERT_NE(take, nullptr);
    EXPECT_GT(take->GetDataSize(), 0u);
    EXPECT_TRUE(take->onTimeline);
}

TEST_F(TransportRecordingTest, RecordPressWhilePlayingStopsPlaybackAndTheNextPlaysTheTake) {
    studio.transport().setRecordToggle(false);
    rig.press();
    rig.run(200);
    studio.transport().setRecordToggle(true);
    rig.press();  // starts the recording, stops the timer
    EXPECT_FALSE(transport.isPlaying());
    EXPECT_EQ(rig.audio.openInputCount(), 1);
    rig.run(500);
    rig.press();  // finalises the take and starts playback, which now includes it
    EXPECT_TRUE(transport.isPlaying());
    EXPECT_EQ(rig.audio.openInputCount(), 0);
    ASSERT_NE(studio.model.clip(0), nullptr);
    EXPECT_NE(studio.model.clip(0)->playback().WaveOut, 0u);
}

// The tick on its own thread while the GUI thread seeks, rescales and pumps; run this under
// ThreadSanitizer to check the play head and cursor sharing.
TEST(TransportTimerThread, PlayHeadAdvancesWhileTheGuiThreadSeeks) {
    QueuedEventSink sink;
    SimulatedAudioSystem audio(sink);
    ScriptedDialogs dialogs;
    ThreadTimerService timer;
    Studio studio({dialogs, audio, timer, sink});
    Transport& transport = studio.transport();
    const int track = studio.model.createTrack();
    TMultiWave& clip = studio.model.createClip(0);
    clip.SetTrack(track);
    clip.SetFormat(WaveFormat::pcm(2, 44100));
    std::vector<std::uint8_t> bytes(40 * kStereoBlock, 1);
    clip.SetData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));

    transport.SpeedButton1Click();
    ASSERT_TRUE(transport.isPlaying());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int seeks = 0;
    while (std::chrono::steady_clock::now() < deadline && seeks < 20) {
        audio.advance(1);
        sink.pump();
        if (studio.timeline.PlayHead.load() > 0.01f) {
            transport.canvasClick(0);
            transport.TrackBar1Change(seeks % 2 ? 4410 : 11025);
            ++seeks;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    transport.SpeedButton1Click();
    sink.pump();
    EXPECT_FALSE(transport.isPlaying());
    EXPECT_EQ(seeks, 20);
}

}  // namespace
}  // namespace tqx::test

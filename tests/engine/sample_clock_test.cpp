// One sample clock for a run: clips stay aligned to the sample wherever the run starts or
// seeks, the play head stays exact over hours, stalls and bursts lose and shift nothing, takes
// line up with what the performer heard and go on seamlessly past what a WAVE file can hold.
#include <algorithm>
#include <gtest/gtest.h>
#include <map>

#include "engine/capture_engine.h"
#include "engine/level_meters.h"
#include "engine/playback_test_rig.h"
#include "io/wave_import.h"
#include "platform/byte_order.h"
#include "project/clip_timing.h"
#include "support/test_support.h"

namespace tqx::test {
namespace {

using Samples = std::vector<std::int16_t>;
constexpr std::uint32_t kRate = 44100;

class SampleClock : public ::testing::Test {
protected:
    PlaybackRig rig;
    Studio& studio = rig.studio;
    Transport& transport = studio.transport();
    ScratchDir dir;

    SampleClock() { studio.model.ProjectPath = dir.file("song.tqxproj"); }

    // Every sample played since the last clearPlayed sits where the run puts it: a clip's
    // stream frame s holds the clip's frame entry + s (silence outside the clip), and every
    // clip stream of the run began on the same device frame.
    void expectAlignedSince(float startPosition) {
        std::optional<std::int64_t> origin;
        std::map<StreamId, const TMultiWave*> clipOf;
        for (int slot : studio.model.clipSlots())
            if (const TMultiWave* c = studio.model.clip(slot); c->playback().WaveOut) clipOf[c->playback().WaveOut] = c;
        for (const auto& run : rig.audio.played()) {
            const auto found = clipOf.find(run.stream);
            if (found == clipOf.end()) continue;  // a stream that has ended since
            const TMultiWave& clip = *found->second;
            ASSERT_EQ(run.deviceFrame - run.streamFrame, *rig.audio.originOf(run.stream));
            if (!origin) origin = rig.audio.originOf(run.stream);
            ASSERT_EQ(rig.audio.originOf(run.stream), origin) << "clip " << clip.SlotIndex() << " started apart";
            const std::int64_t entry = frameAtTime(startPosition, kRate) - frameAtTime(clip.GetStartTime(), kRate);
            const std::int64_t frames = clip.GetDataSize() / 4;
            for (std::size_t i = 0; i < run.samples.size(); ++i) {
                const std::int64_t f = entry + run.streamFrame + std::int64_t(i / 2);
                const std::int16_t expected =
                    f >= 0 && f < frames ? unity(getSample16(clip.GetData() + 4 * f + 2 * (i % 2))) : std::int16_t{0};
                ASSERT_EQ(run.samples[i], expected)
                    << "clip " << clip.SlotIndex() << " stream frame " << run.streamFrame + std::int64_t(i / 2);
            }
        }
    }

    // A track armed for recording from a microphone, with the record toggle down.
    int armedTrack() {
        rig.audio.addInputDevice("Mic");
        const int t = rig.addTrack();
        studio.model.track(t).recordArmed = true;
        studio.transport().setRecordToggle(true);
        return t;
    }

    // Play and record for `ms`, stop, and the takes laid on `track`.
    std::vector<const TMultiWave*> recordFor(int ms, int track) {
        rig.press();
        rig.run(ms);
        rig.press();
        return clipsOn(track);
    }

    std::vector<const TMultiWave*> clipsOn(int track) const {
        std::vector<const TMultiWave*> clips;
        for (int slot : studio.model.clipSlots())
            if (studio.model.clip(slot)->GetTrack() == track) clips.push_back(studio.model.clip(slot));
        std::sort(clips.begin(), clips.end(), [](auto* a, auto* b) { return a->GetStartTime() < b->GetStartTime(); });
        return clips;
    }
};

TEST_F(SampleClock, ClipsStayAlignedToTheSampleAfterStartsAndSeeksAnywhere) {
    const int a = rig.addTrack(), b = rig.addTrack(), c = rig.addTrack();
    rig.addClip(a, 0.3137f, ramp(3 * kSamplesPerSecond, 0));
    rig.addClip(b, 1.0001f, ramp(2 * kSamplesPerSecond, 5000));
    rig.addClip(c, 0.0f, ramp(4 * kSamplesPerSecond, 10000));
    for (const float start : {0.0f, 0.777f, 1.5003f, 2.9f}) {
        studio.timeline.StartPosition = start;
        rig.audio.clearPlayed();
        rig.press();
        rig.run(700);
        expectAlignedSince(start);
        // A click on the timeline while playing: every clip goes on from there, in step.
        rig.audio.clearPlayed();
        transport.seekToPixel(37 + int(start * 10));
        rig.run(600);
        expectAlignedSince(studio.timeline.StartPosition);
        rig.press();
    }
}

TEST_F(SampleClock, PlayHeadIsExactAfterTenHours) {
    studio.timeline.StartPosition = 12.25f;
    rig.press();
    rig.audio.advance(10 * 3600 * 1000);
    rig.timer.advance(60);
    rig.sink.pump();
    EXPECT_EQ(studio.timeline.PlayHead.load(), 36012.25);
    EXPECT_EQ(studio.timeline.CursorX.load(), 40 * 36012 + 10);  // 40 pixels per second
    EXPECT_EQ(studio.texts.timeText(), "600:12.250");
}

// The program stalls for two seconds while two clips play: the streams stay on their frames,
// the sound they missed is reported, and nothing plays late.
TEST_F(SampleClock, AStalledProgramShiftsNoStream) {
    const int a = rig.addTrack(), b = rig.addTrack();
    rig.addClip(a, 0.0f, ramp(6 * kSamplesPerSecond, 0));
    rig.addClip(b, 0.25f, ramp(6 * kSamplesPerSecond, 7000));
    rig.press();
    rig.run(500);
    rig.audio.advance(2000);
    rig.run(1500);
    expectAlignedSince(0.0f);
    rig.press();
    std::size_t reports = 0;
    for (const std::string& line : studio.texts.memo())
        if (line.find("の再生が間に合わず") != std::string::npos) ++reports;
    EXPECT_EQ(reports, 2u);
}

// A take through a two-second stall of the program and input that comes in bursts of five
// seconds: every frame arrives, in order, from the take's first frame on.
TEST_F(SampleClock, ATakeLosesNothingToStallsAndBursts) {
    rig.audio.setInputSignal(
        [](std::uint64_t frame, int channel) { return std::int16_t((frame * 3 + channel * 999) % 30011); });
    rig.audio.setInputBurst(5000);
    const int t = armedTrack();
    rig.run(123);
    rig.press();
    const std::int64_t first = frameAtTime(0.123, kRate);
    rig.run(1000);
    rig.audio.advance(2000);
    rig.run(8000);
    rig.press();
    const auto takes = clipsOn(t);
    ASSERT_EQ(takes.size(), 1u);
    const TMultiWave& take = *takes[0];
    const std::size_t frames = take.GetDataSize() / 4;
    // The stop came 1.1 s after the second burst and the third was more than the stop's wait
    // away: the take holds what came, and the memo says what did not.
    EXPECT_EQ(std::int64_t(frames), frameAtTime(10.0, kRate) - first);
    EXPECT_EQ(std::count_if(studio.texts.memo().begin(), studio.texts.memo().end(),
                            [](const std::string& line) { return line.find("届かなかった") != std::string::npos; }),
              1);
    for (std::size_t f = 0; f < frames; ++f)
        for (int ch = 0; ch < 2; ++ch)
            ASSERT_EQ(getSample16(take.GetData() + 4 * f + 2 * ch), std::int16_t(((first + f) * 3 + ch * 999) % 30011))
                << "frame " << f;
    EXPECT_TRUE(std::none_of(studio.texts.memo().begin(), studio.texts.memo().end(),
                             [](const std::string& line) { return line.find("あふれ") != std::string::npos; }));
}

// A sound server that delivers a second at a time owes up to a second of input when the user
// stops: the stop waits for it, and the take ends exactly where the user stopped, neither at
// the last burst nor at the next one.
TEST_F(SampleClock, AStopWaitsForTheInputTheServerStillOwes) {
    rig.audio.setInputSignal([](std::uint64_t frame, int channel) { return std::int16_t((frame + channel) % 32000); });
    rig.audio.setInputBurst(1000);
    const int t = armedTrack();
    rig.press();
    rig.run(3700);
    const double heard = studio.timeline.PlayHead.load();
    ASSERT_GT(heard, 3.6);
    rig.press();
    const auto takes = clipsOn(t);
    ASSERT_EQ(takes.size(), 1u);
    const std::size_t frames = takes[0]->GetDataSize() / 4;
    EXPECT_EQ(std::int64_t(frames), frameAtTime(heard, kRate));
    for (std::size_t f = 0; f < frames; f += 997)
        ASSERT_EQ(getSample16(takes[0]->GetData() + 4 * f), std::int16_t(f % 32000)) << "frame " << f;
    EXPECT_TRUE(studio.texts.memo().empty());
    EXPECT_FALSE(studio.transport().isPlaying());
}

// Overdubbing: the performer hears the project through the output's latency, the take reaches
// the program through the input's. Recorded through a loopback, the take holds the project's
// playback on exactly the frames where it lies.
TEST_F(SampleClock, ATakeLinesUpWithWhatThePerformerHeard) {
    rig.audio.setLatencies(130, 25);
    rig.audio.setInputBurst(1000);
    rig.audio.setLoopback(true);
    const int played = rig.addTrack(), recorded = armedTrack();
    const Samples data = ramp(kSamplesPerSecond, 100);
    rig.addClip(played, 0.25f, data);
    studio.timeline.StartPosition = 0.1f;
    const auto takes = recordFor(2500, recorded);
    ASSERT_EQ(takes.size(), 1u);
    const TMultiWave& take = *takes[0];
    EXPECT_EQ(take.GetStartTime(), 0.1f);
    const std::int64_t clipAt = frameAtTime(0.25f, kRate) - frameAtTime(0.1f, kRate);
    ASSERT_GE(take.GetDataSize() / 4, std::size_t(clipAt) + kSamplesPerSecond / 2);
    for (std::int64_t f = 0; f < clipAt + kSamplesPerSecond / 2; ++f)
        for (int ch = 0; ch < 2; ++ch) {
            const std::int64_t k = f - clipAt;
            const std::int16_t expected = k < 0 ? 0 : unity(data[std::size_t(2 * k + ch)]);
            ASSERT_EQ(getSample16(take.GetData() + 4 * f + 2 * ch), expected) << "take frame " << f;
        }
}

// Far out on the timeline, where start times are coarser than a frame, a take that outgrows
// its file goes on in the next free file; each part starts on the frame after the last one.
TEST_F(SampleClock, ALongTakeGoesOnInTheNextFileOnTheFollowingFrame) {
    rig.audio.setInputSignal([](std::uint64_t frame, int channel) { return std::int16_t((frame + channel) % 32000); });
    studio.capture().maxTakeFileBytes = kRate * 4;  // one second
    const int t = armedTrack();
    studio.timeline.StartPosition = 30000.0f;
    const auto parts = recordFor(2600, t);
    ASSERT_EQ(parts.size(), 3u);
    std::vector<std::uint8_t> joined;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        EXPECT_LE(parts[i]->GetDataSize(), kRate * 4);
        EXPECT_TRUE(parts[i]->onTimeline);
        if (i > 0) {
            EXPECT_EQ(frameAtTime(parts[i]->GetStartTime(), kRate),
                      frameAtTime(parts[i - 1]->GetStartTime(), kRate) + parts[i - 1]->GetDataSize() / 4);
        }
        joined.insert(joined.end(), parts[i]->GetData(), parts[i]->GetData() + parts[i]->GetDataSize());
    }
    EXPECT_EQ(parts[0]->GetStartTime(), 30000.0f);
    EXPECT_EQ(parts[0]->FileName(), dir.file("0.wav"));
    EXPECT_EQ(parts[2]->FileName(), dir.file("2.wav"));
    ASSERT_GE(joined.size() / 4, 2 * kRate);
    const std::uint64_t first = getSample16(joined.data());
    for (std::size_t f = 0; f < joined.size() / 4; ++f)
        ASSERT_EQ(getSample16(joined.data() + 4 * f), std::int16_t((first + f) % 32000)) << "frame " << f;
}

// Imported stereo clips play whole frames at every rate: left stays left.
TEST_F(SampleClock, StereoClipsPlayWholeFramesAtEveryRate) {
    const int t = rig.addTrack();
    studio.model.SelectedTrack = t;
    for (const std::uint32_t rate : {4000u, 4005u, 11025u, 22050u, 44100u, 48000u}) {
        if (transport.isPlaying()) rig.press();
        for (int slot : studio.model.clipSlots()) studio.model.destroyClip(slot);
        studio.model.ProjectSampleRate = int(rate);
        transport.SpeedButton2Click();  // the clip goes in at the cursor
        const std::string path = dir.file("lr" + std::to_string(rate) + ".wav");
        Samples lr;
        for (std::uint32_t f = 0; f < rate * 2; ++f) {
            lr.push_back(1000);
            lr.push_back(-1000);
        }
        writeFile(path, makeWave(2, rate, lr));
        studio.importer().importInteractive(path);
        ASSERT_EQ(studio.model.clipCount(), 1) << rate;
        rig.press();
        rig.run(1000);
        const Samples out = rig.audio.playedSamples(studio.model.clip(studio.model.clipSlots()[0])->playback().WaveOut);
        ASSERT_GT(out.size(), rate) << rate;
        for (std::size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], i % 2 ? -999 : 1000) << rate << " at " << i;
    }
}

TEST_F(SampleClock, MasterMeterStaysWithinItsScaleWhileATrackIsMuted) {
    const int heard = rig.addTrack(), muted = rig.addTrack();
    studio.model.track(muted).muted = true;
    rig.addClip(heard, 0.0f, frames(5 * kRate, 16384, 16384));
    rig.addClip(muted, 0.0f, frames(5 * kRate, 30000, 30000));
    rig.press();
    rig.run(4000);
    const LevelMeters& m = studio.meters();
    // A half-scale signal measures 15/16 of the scale; the muted track's clip counts for nothing.
    EXPECT_NEAR(m.MasterLevelSum[0], 0.9375f, 0.002f);
    EXPECT_NEAR(m.MasterLevelSum[1], 0.9375f, 0.002f);
}

TEST_F(SampleClock, TheViewTurnsItsPageOnEveryRun) {
    transport.TrackBar1Change(4410);  // 100 pixels per second
    studio.timeline.viewWidth = 100;
    for (int run = 0; run < 2; ++run) {
        transport.SpeedButton2Click();
        rig.press();
        rig.run(1000);
        EXPECT_EQ(studio.timeline.hScrollPosition, 99) << "run " << run;
        rig.press();
    }
}

}  // namespace
}  // namespace tqx::test

// What the clip streams play: where in a clip playback enters, the track settings applied to
// every sample, and how streams open, rewind and close.
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <set>

#include "effects/apply_equalizer.h"
#include "effects/equalizer.h"
#include "engine/level_meters.h"
#include "engine/playback_test_rig.h"
#include "project/clip_timing.h"

namespace tqx::test {
namespace {

using Samples = std::vector<std::int16_t>;

class PlaybackMixerTest : public ::testing::Test {
protected:
    PlaybackRig rig;
    Studio& studio = rig.studio;
    int track = rig.addTrack();

    Samples played(const TMultiWave& clip) const { return rig.audio.playedSamples(stream(clip)); }
    // The stream a clip was given at the last start (kept after it closed).
    StreamId stream(const TMultiWave& clip) const { return streams_.at(clip.SlotIndex()); }

    void start() {
        rig.press();
        for (int slot : studio.model.clipSlots()) streams_[slot] = studio.model.clip(slot)->playback().WaveOut;
    }

    // The first block a clip plays with the given track settings (any earlier clip is gone).
    Samples firstBlock(const Samples& data, int channels, float pan, float gain = 0.0f, float volume = 1.0f) {
        if (studio.transport().isPlaying()) rig.press();
        for (int slot : studio.model.clipSlots()) studio.model.destroyClip(slot);
        studio.model.track(track).pan = pan;
        studio.model.track(track).gain = gain;
        studio.model.track(track).volume = volume;
        TMultiWave& clip = rig.addClip(track, 0.0f, data, channels);
        start();
        rig.run(200);  // a mono block lasts 0.2 s
        return slice(played(clip), 0, kStereoBlock);
    }

private:
    std::map<int, StreamId> streams_;
};

TEST_F(PlaybackMixerTest, ClipAtTheStartPositionPlaysItsDataBlockAfterBlock) {
    const Samples data = ramp(30 * kStereoBlock);
    TMultiWave& clip = rig.addClip(track, 0.0f, data);
    start();
    EXPECT_TRUE(studio.transport().isPlaying());
    rig.run(1000);
    const Samples out = played(clip);
    ASSERT_EQ(out.size(), 10u * kStereoBlock);
    EXPECT_EQ(out, slice(data, 0, out.size()));
}

TEST_F(PlaybackMixerTest, StartInsideAClipEntersItAtTheExactFrame) {
    const Samples data = ramp(4 * kSamplesPerSecond);
    TMultiWave& clip = rig.addClip(track, 0.0f, data);
    studio.timeline.StartPosition = 2.7f;
    start();
    rig.run(200);
    const auto entry = std::size_t(frameAtTime(2.7f, 44100));
    EXPECT_EQ(played(clip), slice(data, 2 * entry, 2 * kStereoBlock));
}

// A clip ahead of the start position is silent until its own first frame, which plays
// exactly at its start time, however far ahead it lies.
TEST_F(PlaybackMixerTest, ClipAheadBeginsExactlyAtItsStartTime) {
    for (const float at : {0.7f, 2.7f, 0.00002f}) {
        if (studio.transport().isPlaying()) rig.press();
        for (int slot : studio.model.clipSlots()) studio.model.destroyClip(slot);
        const Samples data = ramp(10 * kStereoBlock);
        TMultiWave& clip = rig.addClip(track, at, data);
        start();
        rig.run(int(at * 1000) + 300);
        const Samples out = played(clip);
        const std::size_t silent = 2 * std::size_t(frameAtTime(at, 44100));
        ASSERT_GT(out.size(), silent + kStereoBlock) << at;
        EXPECT_EQ(slice(out, 0, silent), Samples(silent, 0)) << at;
        EXPECT_EQ(slice(out, silent, kStereoBlock), slice(data, 0, kStereoBlock)) << at;
    }
}

TEST_F(PlaybackMixerTest, PanAttenuatesOnlyTheFarSideAndMonoOnlyByAPositivePan) {
    const Samples stereo = frames(kStereoBlock, 16384, -16384);
    // Pan right: left halved, right untouched (negative samples one step nearer zero).
    EXPECT_EQ(firstBlock(stereo, 2, 0.5f), frames(kStereoBlock / 2, 8192, -16383));
    // Hard left silences the right channel.
    EXPECT_EQ(firstBlock(stereo, 2, -1.0f), frames(kStereoBlock / 2, 16384, 0));
    // A mono clip counts as a left channel.
    const Samples mono(kStereoBlock, 20000);
    EXPECT_EQ(firstBlock(mono, 1, -0.5f), Samples(kStereoBlock, 20000));
    EXPECT_EQ(firstBlock(mono, 1, 0.5f), Samples(kStereoBlock, 10000));
}

TEST_F(PlaybackMixerTest, GainAndVolumeScaleAndFullScaleSaturates) {
    const Samples loud = frames(kStereoBlock / 2, 32767, -32768);
    EXPECT_EQ(firstBlock(loud, 2, 0.0f, 5.0f), frames(kStereoBlock / 2, 32767, -32767));
    // 1000 x 10^(5/20) = 1778.28; -1000 x 0.5 = -500, raised one step.
    EXPECT_EQ(firstBlock(frames(kStereoBlock / 2, 1000, -1000), 2, 0.0f, 5.0f), frames(kStereoBlock / 2, 1778, -1777));
    EXPECT_EQ(firstBlock(frames(kStereoBlock / 2, 1000, -1000), 2, 0.0f, 0.0f, 0.5f),
              frames(kStereoBlock / 2, 500, -499));
}

TEST_F(PlaybackMixerTest, MutedTrackPlaysSilenceWithItsStreamOpen) {
    studio.model.track(track).muted = true;
    TMultiWave& clip = rig.addClip(track, 0.0f, ramp(20 * kStereoBlock));
    start();
    rig.run(500);
    EXPECT_TRUE(rig.audio.isOpen(stream(clip)));
    const Samples out = played(clip);
    ASSERT_EQ(out.size(), 5u * kStereoBlock);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](std::int16_t x) { return x == 0; }));
}

TEST_F(PlaybackMixerTest, WithASoloOnlySoloedTracksAreHeard) {
    const int soloTrack = rig.addTrack();
    studio.model.track(soloTrack).soloed = true;
    studio.model.updateAnySolo();
    TMultiWave& quiet = rig.addClip(track, 0.0f, ramp(10 * kStereoBlock));
    TMultiWave& heard = rig.addClip(soloTrack, 0.0f, ramp(10 * kStereoBlock));
    start();
    rig.run(200);
    EXPECT_EQ(played(quiet), Samples(2 * kStereoBlock, 0));
    EXPECT_EQ(played(heard), slice(ramp(10 * kStereoBlock), 0, 2 * kStereoBlock));
}

TEST_F(PlaybackMixerTest, EveryFrameOfAClipPlaysThenTheStreamCloses) {
    const Samples data = ramp(kStereoBlock + kStereoBlock / 10);  // 1.1 blocks
    TMultiWave& clip = rig.addClip(track, 0.0f, data);
    start();
    rig.run(1000);
    // The last block carries the clip's last frames and silence after them.
    Samples expected = data;
    expected.resize(2 * kStereoBlock, 0);
    EXPECT_EQ(played(clip), expected);
    EXPECT_FALSE(rig.audio.isOpen(stream(clip)));
    EXPECT_EQ(clip.playback().WaveOut, 0u);
    EXPECT_EQ(studio.mixer().openOutputCount(), 0);
    EXPECT_TRUE(studio.transport().isPlaying());  // the run goes on after every clip ended
}

// Go to start while playing: open streams go on from position 0 without being closed, and a
// clip whose stream had already ended plays again, in step with the others.
TEST_F(PlaybackMixerTest, GoToStartWhilePlayingPlaysEveryClipAgainFromZero) {
    const Samples data = ramp(30 * kStereoBlock);
    const Samples shortData = ramp(kStereoBlock, 7);
    TMultiWave& clip = rig.addClip(track, 0.0f, data);
    TMultiWave& shortClip = rig.addClip(track, 0.0f, shortData);
    start();
    rig.run(1000);
    ASSERT_FALSE(rig.audio.isOpen(stream(shortClip)));
    const StreamId longStream = clip.playback().WaveOut;
    rig.audio.clearPlayed();
    studio.transport().SpeedButton2Click();
    EXPECT_EQ(studio.texts.timeText(), "00:00.000");
    ASSERT_NE(shortClip.playback().WaveOut, 0u);
    const StreamId again = shortClip.playback().WaveOut;
    EXPECT_EQ(rig.audio.originOf(again), rig.audio.originOf(longStream));
    rig.run(300);
    EXPECT_EQ(clip.playback().WaveOut, longStream);
    EXPECT_EQ(slice(rig.audio.playedSamples(longStream), 0, 2 * kStereoBlock), slice(data, 0, 2 * kStereoBlock));
    EXPECT_EQ(rig.audio.playedSamples(again), shortData);
    EXPECT_EQ(studio.mixer().openOutputCount(), 1);
}

// A stereo tone of `hz` at `amplitude`, both channels alike.
Samples tone(double hz, double amplitude, std::size_t frameCount) {
    Samples v(2 * frameCount);
    for (std::size_t f = 0; f < frameCount; ++f)
        v[2 * f] = v[2 * f + 1] =
            static_cast<std::int16_t>(std::lround(amplitude * std::sin(2 * M_PI * hz * double(f) / 44100)));
    return v;
}

// The largest step between neighbouring samples of one channel, at block edges and inside.
std::pair<int, int> steps(const Samples& v, std::size_t from, std::size_t blockSamples) {
    int edge = 0, inside = 0;
    for (std::size_t i = from + 2; i < v.size(); ++i) {
        int& worst = (i / 2) % (blockSamples / 2) == 0 ? edge : inside;
        worst = std::max(worst, std::abs(int(v[i]) - int(v[i - 2])));
    }
    return {edge, inside};
}

// The stream is one signal to the equalizer: every block passes it, the first ones included,
// and each channel's history runs on across block edges, as in an export of the same clip.
TEST_F(PlaybackMixerTest, EqualizerFiltersTheStreamAsOneSignalPerChannel) {
    Equalizer& eq = studio.equalizer();
    eq.setOn(true);
    for (int b = 0; b < 10; ++b) eq.setBandPosition(b, b % 2 ? 300 : -150);
    Samples data = tone(100, 2000, 5 * kStereoBlock / 2);
    for (std::size_t i = 1; i < data.size(); i += 2) data[i] = static_cast<std::int16_t>(data[i] / 3);
    TMultiWave& clip = rig.addClip(track, 0.0f, data);
    start();
    rig.run(500);
    Samples expected(data.size());
    std::transform(data.begin(), data.end(), expected.begin(), unity);
    EqualizerState fresh;
    ApplyEqualizer(expected, 2, fresh, eq.table().denominator, eq.table().numerator);
    EXPECT_EQ(played(clip), expected);
}

// A steady tone through every band at +3.00: no seam at the block edges.
TEST_F(PlaybackMixerTest, EqualizedBlocksJoinWithoutAStep) {
    Equalizer& eq = studio.equalizer();
    eq.setOn(true);
    for (int b = 0; b < 10; ++b) eq.setBandPosition(b, 300);
    TMultiWave& clip = rig.addClip(track, 0.0f, tone(100, 30, 20 * kStereoBlock / 2));
    start();
    rig.run(2000);
    const auto [edge, inside] = steps(played(clip), 2 * kStereoBlock, kStereoBlock);
    EXPECT_GT(inside, 0);
    EXPECT_LE(edge, inside);
}

// Switching the equalizer on and off and moving a slider while a tone plays: each change is
// heard from the next block, faded in over it, never as a click. No block, its leading edge
// included, steps further than the blocks either side of it.
TEST_F(PlaybackMixerTest, EqualizerChangesWhilePlayingFadeInWithoutAClick) {
    Equalizer& eq = studio.equalizer();
    for (int b = 0; b < 3; ++b) eq.setBandPosition(b, 300);
    TMultiWave& clip = rig.addClip(track, 0.0f, tone(100, 3000, 40 * kStereoBlock / 2));
    start();
    rig.run(1000);
    eq.setOn(true);
    rig.run(1000);
    eq.setBandPosition(1, -300);
    rig.run(1000);
    eq.setOn(false);
    rig.run(1000);
    const Samples out = played(clip);
    std::vector<int> inside;
    for (std::size_t at = 0; at + kStereoBlock <= out.size(); at += kStereoBlock)
        inside.push_back(steps(slice(out, at, kStereoBlock), 0, kStereoBlock).second);
    std::set<int> sounds;
    for (std::size_t b = 1; b + 1 < inside.size(); ++b) {
        const int withEdge = steps(slice(out, b * kStereoBlock - 2, kStereoBlock + 2), 0, kStereoBlock).second;
        const int neighbours = std::max(inside[b - 1], inside[b + 1]);
        EXPECT_LE(withEdge, neighbours + neighbours / 50 + 2) << "block " << b;
        sounds.insert(inside[b] / 10);
    }
    EXPECT_GE(sounds.size(), 3u) << "three different curves were heard";
}

TEST_F(PlaybackMixerTest, EachClipGoesToItsDevice) {
    const int other = rig.addTrack();
    studio.model.track(other).playbackDevice = 1;
    TMultiWave& a = rig.addClip(track, 0.0f, ramp(10 * kStereoBlock));
    TMultiWave& b = rig.addClip(other, 0.0f, ramp(10 * kStereoBlock));
    studio.devices.OutputDeviceId = 0;
    start();
    EXPECT_EQ(rig.audio.outputDeviceOf(a.playback().WaveOut), 0);
    EXPECT_EQ(rig.audio.outputDeviceOf(b.playback().WaveOut), 0);
    rig.press();
    studio.devices.perTrackPlayback = true;
    start();
    EXPECT_EQ(rig.audio.outputDeviceOf(a.playback().WaveOut), kDefaultDevice);
    EXPECT_EQ(rig.audio.outputDeviceOf(b.playback().WaveOut), 1);
}

TEST_F(PlaybackMixerTest, RefusedDeviceShowsTheMessageAndClosesEveryStreamOfTheRun) {
    const int other = rig.addTrack();
    studio.model.track(other).playbackDevice = 1;
    studio.devices.perTrackPlayback = true;
    rig.audio.refusingOutputDevices = {1};
    TMultiWave& first = rig.addClip(track, 0.0f, ramp(10 * kStereoBlock));
    rig.addClip(other, 0.0f, ramp(10 * kStereoBlock));
    TMultiWave& third = rig.addClip(track, 0.0f, ramp(10 * kStereoBlock));
    start();
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    const auto& box = rig.dialogs.shown[0];
    EXPECT_EQ(box.text, "再生デバイスの初期化に失敗しました。再生できません。");
    EXPECT_EQ(box.caption, kApplicationTitle);
    EXPECT_EQ(box.icon, DialogIcon::Error);
    EXPECT_EQ(studio.mixer().openOutputCount(), 0);
    EXPECT_FALSE(rig.audio.isOpen(stream(first)));
    EXPECT_EQ(third.playback().WaveOut, 0u);  // no stream opened after the refusal
    EXPECT_TRUE(studio.transport().isPlaying());
}

TEST_F(PlaybackMixerTest, NotificationsOfClosedStreamsAreIgnored) {
    TMultiWave& clip = rig.addClip(track, 0.0f, ramp(30 * kStereoBlock));
    start();
    const StreamId old = clip.playback().WaveOut;
    rig.press();  // stop: the reset hands both blocks back, their notifications are queued
    start();      // and a new run begins before they are delivered
    ASSERT_NE(clip.playback().WaveOut, old);
    rig.sink.pump();
    EXPECT_EQ(rig.audio.queuedCount(clip.playback().WaveOut), std::size_t(TMultiWave::kOutputBlocks));
    rig.run(300);
    EXPECT_EQ(played(clip), slice(ramp(30 * kStereoBlock), 0, 3 * kStereoBlock));
    studio.mixer().OnWaveOutDone(old);
    EXPECT_EQ(rig.audio.queuedCount(clip.playback().WaveOut), std::size_t(TMultiWave::kOutputBlocks));
}

TEST_F(PlaybackMixerTest, WriteRefusedWhilePrimingReportsTheError) {
    TMultiWave& clip = rig.addClip(track, 0.0f, ramp(10 * kStereoBlock));
    rig.audio.refuseWrite = true;
    start();
    EXPECT_TRUE(rig.dialogs.showed("エラー。再生できません。"));
    EXPECT_TRUE(rig.audio.isOpen(clip.playback().WaveOut));
}

}  // namespace
}  // namespace tqx::test

// Offline rendering of a track as the track export writes it: clip placement, the sample
// arithmetic of mixing, equalizer and track settings, and the rendered length.
#include "io/track_render.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <string>

#include "effects/apply_equalizer.h"
#include "effects/equalizer.h"
#include "effects/pcm_requantise.h"
#include "io/export_test_support.h"

namespace tqx {
namespace {

using test::ExportedWave;
using test::Samples;
using test::stereo;

class TrackRender : public test::ExportTest {};

TEST_F(TrackRender, MonoClipHalfASecondInIsConvertedToStereoAtItsStartTime) {
    const int t = addTrack();
    Samples mono(44100);
    for (std::size_t j = 0; j < mono.size(); ++j) mono[j] = static_cast<std::int16_t>(1 + j % 1000);
    addClip(t, 0.5f, mono, 1);

    const ExportedWave w = exportTrack(t);
    ASSERT_TRUE(w.exists);
    EXPECT_EQ(w.dataBytes, 264600u);
    EXPECT_EQ(w.riffSize, 264600u + 36);
    EXPECT_EQ(w.fmtSize, 16u);
    EXPECT_EQ(w.format, WaveFormat::pcm(2, 44100));
    ASSERT_EQ(w.samples.size(), 132300u);
    for (std::size_t i = 0; i < 44100; ++i) ASSERT_EQ(w.samples[i], 0) << i;
    for (std::size_t j = 0; j < mono.size(); ++j) {
        ASSERT_EQ(w.samples[44100 + 2 * j], mono[j]) << j;
        ASSERT_EQ(w.samples[44100 + 2 * j + 1], mono[j]) << j;
    }
}

TEST_F(TrackRender, StereoClipAtAnotherRateIsConvertedToTheProjectRate) {
    const int t = addTrack();
    Samples clip;
    for (int f = 0; f < 22050; ++f) {
        clip.push_back(static_cast<std::int16_t>(f % 3000));
        clip.push_back(static_cast<std::int16_t>(3000 - f % 3000));
    }
    addClip(t, 0.0f, clip, 2, 22050);

    const ExportedWave w = exportTrack(t);
    ASSERT_EQ(w.samples.size(), 88200u);
    for (std::size_t f = 0; f < 44100; ++f) {
        ASSERT_EQ(w.samples[2 * f], clip[2 * (f / 2)]) << f;
        ASSERT_EQ(w.samples[2 * f + 1], clip[2 * (f / 2) + 1]) << f;
    }
}

TEST_F(TrackRender, NegativeSamplesRiseOneStepPerRequantisation) {
    const int t = addTrack();
    addClip(t, 0.0f, {-100, -100, -1, -32768, 5, 32767});
    // Clip mix and track stage each raise a negative sample by one; the mixdown adds a third.
    EXPECT_EQ(exportTrack(t).samples, (Samples{-98, -98, 0, -32766, 5, 32767}));
    EXPECT_EQ(mixdownAll().samples, (Samples{-97, -97, 0, -32765, 5, 32767}));
}

TEST_F(TrackRender, OverlappingClipsAddOneByOneWithClamping) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(4, 20000, -20000));
    addClip(t, 0.0f, stereo(2, 20000, -20000));
    const ExportedWave w = exportTrack(t);
    // -20000 + -20000 clamps to -32768, the mix step makes it -32767, the track stage -32766.
    EXPECT_EQ(w.samples, (Samples{32767, -32766, 32767, -32766, 20000, -19998, 20000, -19998}));
}

TEST_F(TrackRender, ClipsStartingTogetherMixInTheOrderOfTheProjectSort) {
    // Equal start times leave the sort swapping the outer entries: slots 2, 1, 0. Clamping
    // makes the order audible: -30000 first gives 1 + 30000, slot order would give 2767.
    const int t = addTrack();
    addClip(t, 0.25f, stereo(1, 30000, 30000));
    addClip(t, 0.25f, stereo(1, 30000, 30000));
    addClip(t, 0.25f, stereo(1, -30000, -30000));
    const ExportedWave w = exportTrack(t);
    ASSERT_EQ(w.samples.size(), 22052u);
    EXPECT_EQ(w.samples[22050], 30001);
    EXPECT_EQ(w.samples[22051], 30001);
}

TEST_F(TrackRender, PanScalesOneSideOnly) {
    const int t = addTrack();
    addClip(t, 0.0f, stereo(2, 1000, -1000));
    model().track(t).pan = 0.5f;
    EXPECT_EQ(exportTrack(t, "right.wav").samples, (Samples{500, -998, 500, -998}));
    model().track(t).pan = -0.5f;
    EXPECT_EQ(exportTrack(t, "left.wav").samples, (Samples{1000, -499, 1000, -499}));
}

TEST_F(TrackRender, GainIsInDecibelsAndTheTrackStageRoundsQInSinglePrecision) {
    const int t = addTrack();
    addClip(t, 0.0f, {-14152, 1000, 30000, -30000});
    model().track(t).gain = 0.5f;
    // -14151 × 10^0.025 is -14989.499..., whose Q falls on a tie of the float grid and rounds
    // to -14989.5; a Q held in double would give -14988.
    EXPECT_EQ(exportTrack(t, "a.wav").samples, (Samples{-14989, 1059, 31778, -31776}));
    model().track(t).gain = 5.0f;
    EXPECT_EQ(exportTrack(t, "b.wav").samples, (Samples{-25163, 1778, 32767, -32767}));
    model().track(t).gain = -5.0f;
    model().track(t).volume = 0.0f;
    EXPECT_EQ(exportTrack(t, "c.wav").samples, (Samples{0, 0, 0, 0}));
}

TEST_F(TrackRender, EqualizerRunsOverTheWholeTrackBeforeTheTrackSettings) {
    studio.equalizer().setOn(true);
    studio.equalizer().setBandPosition(2, 250);
    studio.equalizer().setBandPosition(7, -200);
    const int t = addTrack();
    Samples clipA, clipB;
    for (int i = 0; i < 600; ++i) clipA.push_back(static_cast<std::int16_t>((i * 977) % 20000 - 10000));
    for (int i = 0; i < 400; ++i) clipB.push_back(static_cast<std::int16_t>((i * 531) % 16000 - 8000));
    addClip(t, 0.0f, clipA);
    addClip(t, 0.002f, clipB);  // sample 176.4, so 176
    model().track(t).volume = 0.5f;

    // The clip mix, then the equalizer over the whole track, left and right each on its own,
    // then volume.
    Samples mixed(600, 0);
    for (int i = 0; i < 600; ++i) mixed[i] = mixSamples(0, clipA[i]);
    for (int i = 176; i < 576; ++i) mixed[i] = mixSamples(mixed[i], clipB[i - 176]);
    const auto& table = studio.equalizer().table();
    EqualizerState state;
    ApplyEqualizer(mixed, 2, state, table.denominator, table.numerator);
    Samples expected;
    for (std::int16_t s : mixed) expected.push_back(static_cast<std::int16_t>(std::trunc(s / 2.0 + 0.5)));

    const ExportedWave w = exportTrack(t);
    ASSERT_EQ(w.samples.size(), 600u);
    EXPECT_EQ(w.samples, expected);
}

TEST_F(TrackRender, EqualizerActsAtItsLabelsOnEachChannelOfALongTrack) {
    // "1k" of band set 2 at +3.00 makes a 1 kHz tone four times as loud; the silent right
    // channel stays silent. Three seconds, so the track is filtered in several stretches.
    Equalizer& eq = studio.equalizer();
    eq.setOn(true);
    eq.selectBandSet(1);
    eq.setBandPosition(6, -300);
    const int t = addTrack();
    const Samples tone = test::toneOnTheLeft(3 * 44100, 1000.0, 5000.0);
    addClip(t, 0.0f, tone);

    // The clip mix and the volume stage each raise a negative sample by one step.
    Samples expected;
    for (std::int16_t s : tone) expected.push_back(mixSamples(0, s));
    EqualizerState state;
    ApplyEqualizer(expected, 2, state, eq.table().denominator, eq.table().numerator);
    for (std::int16_t& s : expected) s = mixSamples(0, s);

    const ExportedWave w = exportTrack(t);
    EXPECT_EQ(w.samples, expected);
    EXPECT_NEAR(test::peakOf(w.samples, 0, 2000), 20000, 80);
    EXPECT_EQ(test::peakOf(w.samples, 1, 0), 0);
}

TEST_F(TrackRender, LengthIsRoundedUpToAWholeFrameAndClipsStartOnAFrame) {
    const int t = addTrack();
    // 8 bytes at 176,400 bytes per second end a hair before 8 bytes; the file still holds
    // both frames.
    addClip(t, 0.0f, {11, 12, 13, 14});
    EXPECT_EQ(exportTrack(t, "a.wav").samples, (Samples{11, 12, 13, 14}));

    // A start 3.5 samples in would put the clip's left sample on a right position; it
    // begins on the frame before instead.
    const int u = addTrack();
    addClip(u, 3.5f / 88200.0f, {21, 22});
    const ExportedWave w = exportTrack(u, "b.wav");
    EXPECT_EQ(w.dataBytes % 4, 0u);
    ASSERT_GE(w.samples.size(), 4u);
    EXPECT_EQ(w.samples[2], 21);
    EXPECT_EQ(w.samples[3], 22);
}

// ---- the arithmetic behind the loops ----

TEST(ExportArithmetic, IntegerMixEqualsTheSinglePrecisionSumRequantisedInDouble) {
    for (std::int32_t b : {-32768, -20000, -1, 0, 1, 12345, 32767}) {
        for (std::int32_t a = -32768; a <= 32767; ++a) {
            const float x = static_cast<float>(a) * (1.0f / 32768) + static_cast<float>(b) * (1.0f / 32768);
            ASSERT_EQ(mixSamples(a, b), requantiseDouble(x)) << a << " + " << b;
        }
    }
}

TEST(ExportArithmetic, SixteenBitMixIsTheClampedSumRaisedWhenNegative) {
    // Every first term against second terms spread over the whole range, the ends included.
    std::size_t wrong = 0;
    std::string first;
    for (std::int32_t b = -32768; b <= 32767; b += (b > -32700 && b < 32700) ? 251 : 1) {
        for (std::int32_t a = -32768; a <= 32767; ++a) {
            const std::int32_t r = std::clamp(a + b, -32768, 32767);
            if (mixSamples(std::int16_t(a), std::int16_t(b)) != (r < 0 ? r + 1 : r) && wrong++ == 0)
                first = std::to_string(a) + " + " + std::to_string(b);
        }
    }
    EXPECT_EQ(wrong, 0u) << "first at " << first;
}

TEST(ExportArithmetic, PanProductIsRoundedToFloatOnce) {
    // Reference: the exact product in quadruple precision, rounded once.
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> pan(-1.0f, 1.0f), value(-2.0f, 2.0f);
    std::uniform_int_distribution<int> grid(-50, 50);
    for (int n = 0; n < 200000; ++n) {
        const float p = n % 2 ? pan(rng) : static_cast<float>(grid(rng) / 50.0);
        const double f = p > 0 ? 1.0 - p : 1.0 + p;
        const float m = value(rng);
        const float exact = static_cast<float>(static_cast<__float128>(f) * static_cast<__float128>(m));
        ASSERT_EQ(SplitFactor::of(f).times(m), exact) << "p=" << p << " m=" << m;
    }
}

}  // namespace
}  // namespace tqx

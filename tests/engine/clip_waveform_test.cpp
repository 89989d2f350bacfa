#include "engine/clip_waveform.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace tqx {
namespace {

std::vector<std::uint8_t> bytesOf(const std::vector<std::int16_t>& samples) {
    std::vector<std::uint8_t> out;
    for (std::int16_t s : samples) {
        out.push_back(static_cast<std::uint8_t>(s & 0xff));
        out.push_back(static_cast<std::uint8_t>((static_cast<std::uint16_t>(s) >> 8) & 0xff));
    }
    return out;
}

TEST(GetFrameSample, ReadsMonoAndStereoFramesAndZeroOutsideTheData) {
    const auto mono = bytesOf({100, -32768, 32767});
    const WaveFormat m = WaveFormat::pcm(1, 44100);
    EXPECT_EQ(GetFrameSample(mono.data(), mono.size(), 0, 0, m), 100);
    EXPECT_EQ(GetFrameSample(mono.data(), mono.size(), 0, 1, m), -32768);
    EXPECT_EQ(GetFrameSample(mono.data(), mono.size(), 0, 2, m), 32767);
    EXPECT_EQ(GetFrameSample(mono.data(), mono.size(), 0, 3, m), 0);  // past the last frame
    EXPECT_EQ(GetFrameSample(mono.data(), mono.size(), 0, -1, m), 0);
    EXPECT_EQ(GetFrameSample(mono.data(), mono.size(), 1, 0, m), 0);  // no second channel

    const auto stereo = bytesOf({1, -1, 2, -2, 3});  // a half frame at the end is not a frame
    const WaveFormat s = WaveFormat::pcm(2, 44100);
    EXPECT_EQ(GetFrameSample(stereo.data(), stereo.size(), 0, 1, s), 2);
    EXPECT_EQ(GetFrameSample(stereo.data(), stereo.size(), 1, 1, s), -2);
    EXPECT_EQ(GetFrameSample(stereo.data(), stereo.size(), 0, 2, s), 0);

    const WaveFormat six = WaveFormat::pcm(6, 44100);
    const auto many = bytesOf(std::vector<std::int16_t>(12, 7));
    EXPECT_EQ(GetFrameSample(many.data(), many.size(), 0, 0, six), 0);
    EXPECT_EQ(GetFrameSample(nullptr, 0, 0, 0, m), 0);
}

TEST(ClipWaveform, AClipAtAnotherRateIsLaidOutAtItsOwnRate) {
    // 48,000 Hz in a 44,100 Hz project at the slider's start scale 1,102.5.
    EXPECT_EQ(frameAtColumn(0, 1102.5, 48000, 44100), 0);
    EXPECT_EQ(frameAtColumn(1, 1102.5, 48000, 44100), 1200);
    EXPECT_EQ(frameAtColumn(7, 1102.5, 48000, 44100), 8400);
    EXPECT_EQ(frameAtColumn(3, 441.0, 44100, 44100), 1323);
    // trunc(5 x 1102.5 x 22050 / 44100) = trunc(2756.25)
    EXPECT_EQ(frameAtColumn(5, 1102.5, 22050, 44100), 2756);

    // Each column of the polyline shows the frame at its own rate: column 1 of a 48 kHz
    // clip is frame 1200.
    std::vector<std::int16_t> samples(1300, 0);
    samples[1200] = 32767;
    const auto data = bytesOf(samples);
    WaveformInput in{data.data(), static_cast<std::uint32_t>(data.size()), WaveFormat::pcm(1, 48000), 1102.5, 44100};
    const WaveformRows rows = waveformRows(1, 100);
    std::vector<WavePoint> points;
    waveformPoints(in, 0, rows.centres[0], rows.divisor, 0, 2, points);
    ASSERT_EQ(points.size(), 4u);  // the starting point, then columns 0, 1, 2
    EXPECT_EQ(points[2].x, 1);
    EXPECT_EQ(points[2].y, 50 - 32767 / 655);
    EXPECT_EQ(points[3].y, 50);  // past the last frame: flat
}

TEST(ClipWaveform, RowsForMonoStereoAndAnEmptyHeight) {
    const WaveformRows mono = waveformRows(1, 101);
    EXPECT_EQ(mono.centres, std::vector<int>{50});
    EXPECT_EQ(mono.divisor, 655);

    const WaveformRows stereo = waveformRows(2, 100);
    EXPECT_EQ(stereo.centres, (std::vector<int>{25, 75}));
    EXPECT_EQ(stereo.guides, (std::vector<int>{50, 25, 75}));
    EXPECT_EQ(stereo.divisor, 1310);

    EXPECT_EQ(waveformRows(2, 0).height, 50);  // a clip not sized yet draws as 50 high
    EXPECT_TRUE(waveformRows(3, 100).centres.empty());
}

TEST(ClipWaveform, StereoChannelsDrawAroundTheirOwnRowsAndEndWithTheRepaintedArea) {
    const auto data = bytesOf({32767, -32767, 0, 0, -32767, 32767});
    WaveformInput in{data.data(), static_cast<std::uint32_t>(data.size()), WaveFormat::pcm(2, 44100), 1.0, 44100};
    const WaveformRows rows = waveformRows(2, 100);
    std::vector<WavePoint> left, right;
    waveformPoints(in, 0, rows.centres[0], rows.divisor, 0, waveformEnd(5, in.dataSize), left);
    waveformPoints(in, 1, rows.centres[1], rows.divisor, 0, waveformEnd(5, in.dataSize), right);
    ASSERT_EQ(left.size(), 7u);
    EXPECT_EQ(left[1].y, 25 - 25);  // full scale reaches the row's top quarter
    EXPECT_EQ(right[1].y, 75 + 25);
    EXPECT_EQ(left[3].y, 25 + 25);
    EXPECT_EQ(left[6].y, 25);  // column 5 lies past the three frames

    // A repaint starting inside the clip begins its pen at that column.
    waveformPoints(in, 0, 25, rows.divisor, 2, 3, left);
    ASSERT_EQ(left.size(), 3u);
    EXPECT_EQ(left[0].x, 2);
    EXPECT_EQ(left[0].y, 50);
    // An area that ends before it starts draws nothing.
    waveformPoints(in, 0, 25, rows.divisor, 4, 3, left);
    EXPECT_TRUE(left.empty());
    EXPECT_EQ(waveformEnd(1000, 12), 12);  // the old byte-count bound
    EXPECT_EQ(waveformEnd(10, 12), 10);
}

}  // namespace
}  // namespace tqx

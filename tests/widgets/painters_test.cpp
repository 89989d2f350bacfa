// The pictures drawn pixel by pixel from the core's numbers: the track and master meters,
// the master volume wedge and the track panels' sliders.
#include <QtTest>

#include "forms/master_volume_image.h"
#include "forms/meter_images.h"
#include "forms/slider_image.h"

using namespace tqx;

namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb green(int g) { return {0, static_cast<std::uint8_t>(g), 0}; }

bool allBlack(const RgbImage& image, int x0, int y0, int x1, int y1) {
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (!(image.at(x, y) == kBlack)) return false;
    return true;
}

}  // namespace

class PaintersTest : public QObject {
    Q_OBJECT

private slots:
    void trackMeterDrawsEachHalfFromTheBottom() {
        const RgbImage m = trackMeterImage({0.5, 0.25});
        QCOMPARE(m.width(), 20);
        QCOMPARE(m.height(), 160);
        // Left: 80 rows of green 127 with blue lines on every second row from the bottom.
        QVERIFY(m.at(3, 159) == kBlue);
        QVERIFY(m.at(3, 158) == green(127));
        QVERIFY(m.at(3, 81) == kBlue);
        QVERIFY(m.at(3, 80) == green(127));
        QVERIFY(allBlack(m, 0, 0, 10, 80));
        // Right: 40 rows of green 63.
        QVERIFY(m.at(15, 158) == green(63));
        QVERIFY(m.at(15, 120) == green(63));
        QVERIFY(allBlack(m, 10, 0, 20, 120));

        const RgbImage full = trackMeterImage({1.0, 1.0});
        QVERIFY(full.at(0, 0) == green(255));
        QVERIFY(full.at(19, 0) == green(255));
        QVERIFY(full.at(19, 1) == kBlue);
        QVERIFY(allBlack(trackMeterImage({0.0, 0.0}), 0, 0, 20, 160));
        // A level past full scale fills no more than the bar.
        QVERIFY(trackMeterImage({3.0, -1.0}).at(0, 0) == green(253));
    }

    void masterMeterHasAHalfPerChannelAndABlueFrame() {
        QVERIFY(allBlack(masterMeterImage({0.0, 0.0}), 1, 1, 168, 11));
        const RgbImage m = masterMeterImage({0.5, 0.1});
        QCOMPARE(m.width(), 169);
        QCOMPARE(m.height(), 12);
        // Upper half: 84 columns, green 127 with blue on the even columns.
        QVERIFY(m.at(1, 3) == green(127));
        QVERIFY(m.at(2, 3) == kBlue);
        QVERIFY(m.at(83, 3) == green(127));
        QVERIFY(m.at(85, 3) == kBlack);
        // Lower half: 16 columns of green 25.
        QVERIFY(m.at(15, 8) == green(25));
        QVERIFY(m.at(17, 8) == kBlack);
        for (int x = 0; x < 169; ++x) {
            QVERIFY(m.at(x, 0) == kBlue);
            QVERIFY(m.at(x, 11) == kBlue);
        }
        QVERIFY(m.at(168, 6) == kBlue);
        // Past full scale the intensity wraps: trunc(1.05 x 255) = 267 -> 11.
        QVERIFY(masterMeterImage({1.05, 0.0}).at(167, 3) == green(11));
    }

    void volumeWedgeFillsUpToItsColumn() {
        constexpr Rgb kBackground{163, 73, 164};
        constexpr Rgb kGrey{64, 64, 64};
        const RgbImage img = masterVolumeImage(63);
        QCOMPARE(img.width(), 126);
        QCOMPARE(img.height(), 20);
        QVERIFY(img.at(0, 19) == kBackground);  // bottom-left corner restored
        QVERIFY(img.at(1, 19) == kBlack);       // bottom row
        QVERIFY(img.at(125, 0) == kBlack);      // right column
        QVERIFY(img.at(125, 10) == kBlack);
        QVERIFY(img.at(0, 18) == (Rgb{200, 200, 0}));  // the first column is one pixel high
        QVERIFY(img.at(0, 17) == kBackground);
        QVERIFY(img.at(1, 18) == kBackground);  // odd columns stay open
        // Column 40 (31.7%) rises to row trunc(20 - 40 x 20 / 100.8 - 2) = 10.
        QVERIFY(img.at(40, 10) == (Rgb{200, 225, 0}));
        QVERIFY(img.at(40, 9) == kBackground);
        QVERIFY(img.at(62, 18) == (Rgb{200, 240, 0}));  // last filled column, 49.2%
        QVERIFY(img.at(64, 18) == kGrey);               // beyond the column: the grey wedge
        QVERIFY(img.at(100, 0) == kGrey);               // past 80% the wedge fills the height
        QVERIFY(img.at(124, 0) == kGrey);

        const RgbImage full = masterVolumeImage(126);
        QVERIFY(full.at(78, 18) == (Rgb{0, 255, 0}));  // 61.9%
        QVERIFY(full.at(124, 0) == (Rgb{255, 0, 0}));
        QVERIFY(full.at(125, 5) == kBlack);
        QVERIFY(masterVolumeImage(0).at(0, 18) == kGrey);
        QVERIFY(masterVolumeImage(31).at(30, 18) == (Rgb{200, 225, 0}));
        QVERIFY(masterVolumeImage(31).at(32, 18) == kGrey);
    }

    void slidersFollowThePosition() {
        // A new panel: volume full, pan and gain with only the centre column lit.
        const RgbImage volume = trackSliderImage(TrackSlider::Volume, kSliderWidth);
        QVERIFY(volume.at(0, 5) == kBlack);
        QVERIFY(volume.at(99, 5) == (Rgb{0, 252, 0}));
        const RgbImage pan = trackSliderImage(TrackSlider::Pan, kSliderWidth / 2);
        QVERIFY(pan.at(50, 0) == (Rgb{0, 0, 150}));
        QVERIFY(pan.at(49, 0) == (Rgb{0, 80, 150}));
        QVERIFY(pan.at(51, 9) == (Rgb{0, 80, 150}));

        const RgbImage gain = trackSliderImage(TrackSlider::Gain, 0);
        QVERIFY(gain.at(0, 3) == (Rgb{150, 255, 0}));
        QVERIFY(gain.at(25, 3) == (Rgb{150, 127, 0}));
        QVERIFY(gain.at(51, 3) == (Rgb{150, 80, 0}));
        const RgbImage half = trackSliderImage(TrackSlider::Volume, 50);
        QVERIFY(half.at(49, 0) == (Rgb{0, 124, 0}));
        QVERIFY(half.at(50, 0) == (Rgb{0, 80, 0}));
    }
};

QTEST_MAIN(PaintersTest)
#include "painters_test.moc"

#include "effects/band_filter.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace tqx {
namespace {

// The filter's response at `frequency` for a signal at 44,100 Hz.
std::complex<double> responseAt(const EqBandFilter& f, double frequency) {
    const double omega = 2.0 * std::numbers::pi * frequency / 44100.0;
    const std::complex<double> z1 = std::polar(1.0, -omega), z2 = z1 * z1;
    const auto& b = f.numerator;
    const auto& a = f.denominator;
    return (b[0] + b[1] * z1 + b[2] * z2) / (a[0] + a[1] * z1 + a[2] * z2);
}

EqBandFilter designAt(double frequency, int position) {
    return DesignBandFilter(frequency / EQ_DESIGN_RATE, kEqQuality, EqGainAtPosition(position));
}

TEST(BandFilterDesign, OneKilohertzBandRaisedByHalf) {
    // Band set 2, band 6, slider at −50.
    const EqBandFilter f = designAt(EqBandSets[1].frequencies[6], -50);
    EXPECT_EQ(f.denominator[0], 1.0);
    EXPECT_NEAR(f.denominator[1], -1.885098168, 1e-9);
    EXPECT_NEAR(f.denominator[2], 0.904394497, 1e-9);
    EXPECT_NEAR(f.numerator[0], 1.023901376, 1e-9);
    EXPECT_NEAR(f.numerator[1], -1.885098168, 1e-9);
    EXPECT_NEAR(f.numerator[2], 0.880493121, 1e-9);
    EXPECT_NEAR(std::abs(responseAt(f, 1000.0)), 1.5, 1e-9);
}

TEST(BandFilterDesign, CentreFactorIsOnePlusGain) {
    for (const EqBandSet& set : EqBandSets) {
        for (float frequency : set.frequencies) {
            // +100 is a notch; +300 doubles with inverted sign rather than cutting.
            EXPECT_NEAR(std::abs(responseAt(designAt(frequency, 100), frequency)), 0.0, 1e-9);
            const std::complex<double> inverted = responseAt(designAt(frequency, 300), frequency);
            EXPECT_NEAR(inverted.real(), -2.0, 1e-9) << frequency;
            EXPECT_NEAR(inverted.imag(), 0.0, 1e-9) << frequency;
            EXPECT_NEAR(std::abs(responseAt(designAt(frequency, -300), frequency)), 4.0, 1e-9);
        }
    }
}

TEST(BandFilterDesign, PositionZeroPassesThrough) {
    for (const EqBandSet& set : EqBandSets) {
        for (float frequency : set.frequencies) {
            const EqBandFilter f = designAt(frequency, 0);
            EXPECT_EQ(f.numerator[1], f.denominator[1]);
            EXPECT_EQ(f.numerator[2], f.denominator[2]);
            EXPECT_NEAR(f.numerator[0], 1.0, 2.3e-16);
        }
    }
}

TEST(BandFilterDesign, ReadoutRoundsGainToTwoDecimals) {
    EXPECT_EQ(EqReadoutText("1.5k", EqGainAtPosition(7)), "1.5kHz = -0.07");
    EXPECT_EQ(EqReadoutText("16k", -0.0f), "16kHz = 0.00");
}

}  // namespace
}  // namespace tqx

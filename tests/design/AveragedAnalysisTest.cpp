#include "design/AveragedAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <random>

using namespace kestrava::design;

namespace kestrava::test {
namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Take {
    CaptureBuffer microphone;
    CaptureBuffer pickup;
    MeasurementAnalysis result;
    AnalysisStatus analyse(AnalysisMethod method)
    {
        return analyseMeasurement(microphone, pickup, BandLayout::standard(), result, method);
    }
};

// White noise into the pickup; the microphone hears it through
// x[n] + 0.8 x[n-1] - 0.3 x[n-2], whose gain at every frequency is known.
void fillFiltered(Take& t, double humLevel = 0.0)
{
    std::mt19937 rng(11);
    std::normal_distribution<double> noise(0.0, 1000.0);
    double x1 = 0.0;
    double x2 = 0.0;
    for (int n = 0; n < kTransformSize; ++n) {
        const double x = noise(rng);
        t.pickup.re()[n] = x + humLevel * std::sin(kTwoPi * 50.0 * n / kAnalysisRate + 0.3);
        t.microphone.re()[n] = x + 0.8 * x1 - 0.3 * x2;
        x2 = x1;
        x1 = x;
    }
}

double filterGainDb(double hz)
{
    const std::complex<double> z = std::polar(1.0, -kTwoPi * hz / kAnalysisRate);
    return 20.0 * std::log10(std::abs(1.0 + 0.8 * z - 0.3 * z * z));
}

TEST(AveragedAnalysis, FindsAKnownSpectrumInEveryBand)
{
    Take t;
    fillFiltered(t);
    ASSERT_EQ(t.analyse(AnalysisMethod::Averaged), AnalysisStatus::Ok);
    EXPECT_FALSE(t.microphone.allocated());
    EXPECT_FALSE(t.pickup.allocated());
    const BandLayout layout = BandLayout::standard();
    double largest = 0.0;
    for (int l = 0; l < kBandCount; ++l) {
        const double measured =
            20.0 * std::log10(t.result.outputGain * t.result.microphone[l] / t.result.pickup[l]);
        EXPECT_NEAR(measured, filterGainDb(layout.centre[l]), 0.1) << layout.centre[l] << " Hz";
        largest = std::max(largest, t.result.microphone[l]);
    }
    EXPECT_EQ(largest, 1.0);
}

TEST(AveragedAnalysis, KeepsHumOutOfTheNeighbouringBands)
{
    // A loud hum: the window keeps it within a few bands of 50 Hz, where one
    // long unwindowed transform spreads it (in dB over the bands up to 1 kHz).
    const BandLayout layout = BandLayout::standard();
    BandSpectrum quiet{};
    BandSpectrum levels[2]{};
    Take clean;
    fillFiltered(clean);
    ASSERT_EQ(clean.analyse(AnalysisMethod::Averaged), AnalysisStatus::Ok);
    quiet = clean.result.pickup;
    const AnalysisMethod methods[2] = {AnalysisMethod::Averaged, AnalysisMethod::Long};
    for (int m = 0; m < 2; ++m) {
        Take t;
        fillFiltered(t, 2.0e4);
        ASSERT_EQ(t.analyse(methods[m]), AnalysisStatus::Ok);
        levels[m] = t.result.pickup;
    }
    // Away from the hum each band should keep its noise level: the ratio to
    // the hum-free take is the same in all of them (the normalisation's).
    double spread[2] = {};
    for (int m = 0; m < 2; ++m) {
        double lowest = 1e300;
        double highest = 0.0;
        for (int l = 0; l < kBandCount; ++l) {
            if (std::fabs(layout.centre[l] - 50.0) < 8.0 || layout.centre[l] > 1000.0)
                continue;
            lowest = std::min(lowest, levels[m][l] / quiet[l]);
            highest = std::max(highest, levels[m][l] / quiet[l]);
        }
        spread[m] = 20.0 * std::log10(highest / lowest);
    }
    EXPECT_LT(spread[0], 1.0);
    EXPECT_GT(spread[1], 10.0);
}

}  // namespace
}  // namespace kestrava::test

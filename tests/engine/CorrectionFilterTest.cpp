#include "engine/CorrectionFilter.h"
#include "tests/support/PreparedFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

using namespace kestrava::engine;

namespace kestrava::test {
namespace {

constexpr double kPi = 3.141592653589793;

CorrectionSet oneSection(double fc, double q, double g, double outputGain = 1.0)
{
    CorrectionSet set;
    set.sectionCount = 1;
    set.outputGain = outputGain;
    set.centreHz[0] = fc;
    set.quality[0] = q;
    set.peakGain[0] = g;
    return set;
}

// Peak amplitude over the last `tail` samples of a sine at `hz` run through
// the filter for `length` samples.
double steadyAmplitude(CorrectionFilter& filter, double hz, double fs, int length, int tail)
{
    double peak = 0.0;
    for (int t = 0; t < length; ++t) {
        const double out = filter.processSample(std::sin(2.0 * kPi * hz * t / fs));
        if (t >= length - tail) {
            peak = std::max(peak, std::fabs(out));
        }
    }
    return peak;
}

TEST(CorrectionFilter, WorkedExampleCoefficientsAndImpulseResponse)
{
    CorrectionFilter filter = preparedFilter(oneSection(1000.0, 2.0, 1.0), 48000.0);
    const CascadeArrays& c = filter.arrays();
    EXPECT_NEAR(c.feedForward[0], 0.0614293081, 1e-10);
    EXPECT_NEAR(c.feedback2[0], 0.8771413837, 1e-10);
    EXPECT_NEAR(c.feedback1[0], -1.8610821790, 1e-10);

    const double expected[] = {1.0614293081, 0.1143249906, 0.0974567062, 0.0810957587};
    for (int t = 0; t < 4; ++t) {
        EXPECT_NEAR(filter.processSample(t == 0 ? 1.0 : 0.0), expected[t], 1e-10) << "sample " << t;
    }
}

TEST(CorrectionFilter, UnitPeakGainDoublesAndMinusOneCancelsASineAtTheCentre)
{
    const double fs = 48000.0;
    CorrectionFilter doubling = preparedFilter(oneSection(1000.0, 2.0, 1.0, 0.5), fs);
    EXPECT_NEAR(steadyAmplitude(doubling, 1000.0, fs, 48000, 480), 2.0 * 0.5, 1e-3);

    CorrectionFilter notch = preparedFilter(oneSection(1000.0, 2.0, -1.0), fs);
    EXPECT_LT(steadyAmplitude(notch, 1000.0, fs, 48000, 480), 1e-3);

    // Far from the centre a section passes the signal unchanged.
    CorrectionFilter far = preparedFilter(oneSection(1000.0, 8.0, 1.0), fs);
    EXPECT_NEAR(steadyAmplitude(far, 12000.0, fs, 48000, 480), 1.0, 0.01);
}

TEST(CorrectionFilter, NoSectionsOrZeroGainsOnlyScaleByTheOutputGain)
{
    CorrectionSet none;
    none.sectionCount = 0;
    none.outputGain = 0.37;
    CorrectionFilter empty = preparedFilter(none, 48000.0);

    CorrectionSet flat;
    flat.sectionCount = 199;
    flat.outputGain = 0.37;
    for (int i = 0; i < 199; ++i) {
        flat.centreHz[i] = 20.0 * std::pow(1000.0, i / 198.0);
        flat.quality[i] = 4.0;
    }
    CorrectionFilter zeroGains = preparedFilter(flat, 48000.0);

    unsigned seed = 12345;
    for (int t = 0; t < 2000; ++t) {
        seed = seed * 1664525u + 1013904223u;
        const double x = static_cast<double>(seed) / 4294967296.0 - 0.5;
        EXPECT_EQ(empty.processSample(x), x * 0.37);
        EXPECT_EQ(zeroGains.processSample(x), x * 0.37);
    }
}

TEST(CorrectionFilter, FlushLeavesStateAndOutputExactlyZeroAfterSilence)
{
    CorrectionFilter filter = preparedFilter(oneSection(1000.0, 2.0, 1.0), 48000.0);
    filter.processSample(1.0);
    double out = 1.0;
    for (int t = 0; t < 200000; ++t) {
        out = filter.processSample(0.0);
    }
    EXPECT_EQ(out, 0.0);
    EXPECT_EQ(filter.arrays().z1[0], 0.0);
    EXPECT_EQ(filter.arrays().z2[0], 0.0);

    // The measurement variant does not flush: its state decays into
    // subnormal numbers instead of snapping to zero.
    MeasurementFilter measurement;
    measurement.setCorrection(oneSection(1000.0, 2.0, 1.0));
    measurement.processSample(1.0);
    for (int t = 0; t < 2000; ++t) {
        measurement.processSample(0.0);
    }
    EXPECT_NE(measurement.arrays().z1[0], 0.0);
}

double peakFrequencyHz(const CorrectionFilter& filter, double fs)
{
    const CascadeArrays& c = filter.arrays();
    double bestHz = 0.0;
    double best = 0.0;
    for (double hz = 500.0; hz <= 2000.0; hz += 0.25) {
        const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * hz / fs);
        const std::complex<double> z2 = z1 * z1;
        const std::complex<double> h =
            1.0 + c.feedForward[0] * (1.0 - z2) / (1.0 + c.feedback1[0] * z1 + c.feedback2[0] * z2);
        if (std::abs(h) > best) {
            best = std::abs(h);
            bestHz = hz;
        }
    }
    return bestHz;
}

TEST(CorrectionFilter, PeaksAtTheSameFrequencyAtEveryRateAndARateChangeClearsOnlyTheState)
{
    CorrectionFilter filter = preparedFilter(oneSection(1000.0, 2.0, 1.0), 44100.0);
    EXPECT_EQ(peakFrequencyHz(filter, 44100.0), 1000.0);

    filter.processSample(1.0);
    ASSERT_NE(filter.arrays().z1[0], 0.0);
    filter.setSampleRate(96000.0);
    EXPECT_EQ(peakFrequencyHz(filter, 96000.0), 1000.0);
    EXPECT_EQ(filter.arrays().z1[0], 0.0);
    EXPECT_EQ(filter.arrays().z2[0], 0.0);
    EXPECT_EQ(filter.correction(), oneSection(1000.0, 2.0, 1.0));
}

TEST(CorrectionFilter, PreparingTwiceGivesTheSameCoefficientsAndZeroState)
{
    CorrectionFilter filter = preparedFilter(oneSection(3000.0, 5.0, -0.5), 48000.0);
    const CascadeArrays first = filter.arrays();
    filter.processSample(1.0);
    filter.prepare();
    const CascadeArrays& second = filter.arrays();
    EXPECT_EQ(first.feedForward, second.feedForward);
    EXPECT_EQ(first.feedback1, second.feedback1);
    EXPECT_EQ(first.feedback2, second.feedback2);
    EXPECT_EQ(second.z1[0], 0.0);
    EXPECT_EQ(second.z2[0], 0.0);
}

TEST(MeasurementFilter, StartsSilentAndScalesByGainTimesVolume)
{
    MeasurementFilter filter;
    EXPECT_EQ(filter.correction().sectionCount, 199);
    EXPECT_EQ(filter.processSample(1.0e9), 0.0);

    CorrectionSet set = oneSection(1000.0, 2.0, 1.0, 0.5);
    filter.setCorrection(set);
    filter.setVolume(10.0);
    EXPECT_EQ(filter.outputScale(), 0.5 * 10.0);

    // The measurement program's cosine constant is 2 pi / 48,000 as written,
    // so its coefficients match the plug-in's at 48,000 Hz to rounding.
    CorrectionFilter plugin = preparedFilter(set, 48000.0);
    EXPECT_NEAR(filter.arrays().feedback1[0], plugin.arrays().feedback1[0], 1e-15);
    EXPECT_EQ(filter.arrays().feedback2[0], plugin.arrays().feedback2[0]);
    EXPECT_EQ(filter.arrays().feedForward[0], plugin.arrays().feedForward[0]);
}

}  // namespace
}  // namespace kestrava::test

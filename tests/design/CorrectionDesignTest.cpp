#include "design/CorrectionDesign.h"
#include "design/ResponseTable.h"
#include "design/reference/PlainDesign.h"
#include "DesignTestSpectra.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrava::design;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

const BandLayout kLayout = BandLayout::standard();

// |target / pred - 1| from the section values alone, evaluated with the
// section model directly (one factor per section, no rewriting).
double largestRemainingError(const DesignResult& r, const CorrectionSet& c, const BandSpectrum& pickup)
{
    const ResponseTable& t = ResponseTable::instance();
    double largest = 0.0;
    for (int j = 0; j < kBandCount; ++j) {
        double squared = 1.0;
        for (int m = 0; m < kBandCount; ++m) {
            const double g = c.peakGain[m];
            const double q = c.quality[m];
            squared *= 1.0 + g * (g + 2.0) / (1.0 + q * q * t.at(j, m));
        }
        largest = std::max(largest, std::fabs(r.target[j] / (std::sqrt(squared) * pickup[j]) - 1.0));
    }
    return largest;
}

TEST(CorrectionDesign, IdenticalCurvesStopBeforeTheFirstPass)
{
    MeasurementAnalysis a = identicalMeasurement();
    CorrectionSet c;
    const DesignResult r = designCorrection(a, kLayout, c);
    EXPECT_EQ(r.passes, 0);
    EXPECT_TRUE(r.withinTolerance);
    EXPECT_EQ(r.largestError, 0.0);
    EXPECT_EQ(c.sectionCount, kBandCount);
    EXPECT_EQ(c.outputGain, 1.0);
    for (int m = 0; m < kBandCount; ++m) {
        EXPECT_EQ(c.peakGain[m], 0.0);
        EXPECT_EQ(c.quality[m], kBaseQuality);
        EXPECT_EQ(c.centreHz[m], kLayout.centre[m]);
    }
    EXPECT_NEAR(kBaseQuality, 19.9, 1e-12);
}

TEST(CorrectionDesign, TargetIsTheMicrophoneLimitedTo20dBAboveThePickup)
{
    const BandSpectrum pickup = pickupCurve();
    BandSpectrum microphone = pickup;
    microphone[100] = pickup[100] * 31.62;  // +30 dB
    microphone[101] = pickup[101] * 9.0;
    microphone[102] = pickup[102] * 0.01;
    const BandSpectrum target = targetCurve(microphone, pickup);
    EXPECT_EQ(target[100], pickup[100] / 0.1);
    EXPECT_EQ(target[101], microphone[101]);
    EXPECT_EQ(target[102], microphone[102]);
    EXPECT_EQ(target[0], pickup[0]);
}

TEST(CorrectionDesign, A30dBBandSettlesNearThe20dBLimit)
{
    // A notch of -30 dB in the pickup where the microphone is smooth.
    MeasurementAnalysis a;
    a.microphone = pickupCurve();
    a.pickup = a.microphone;
    a.pickup[100] *= 0.0316;
    CorrectionSet c;
    const DesignResult r = designCorrection(a, kLayout, c);
    ASSERT_TRUE(r.withinTolerance);
    EXPECT_EQ(r.target[100], a.pickup[100] / 0.1);
    EXPECT_NEAR(r.predicted[100] / a.pickup[100], 10.0, 0.1);
    EXPECT_NEAR(r.predicted[90] / a.pickup[90], 1.0, 0.01);
    EXPECT_GT(c.peakGain[100], 5.0);
    EXPECT_LE(largestRemainingError(r, c, a.pickup), kTolerance);
}

TEST(CorrectionDesign, ADeepCutStopsAtTheGainFloorAndTheLoopAtItsLimit)
{
    MeasurementAnalysis a;
    a.pickup = pickupCurve();
    a.microphone = a.pickup;
    a.microphone[60] *= 1e-5;
    CorrectionSet c;
    DesignOptions options;
    options.passLimit = 3000;
    const DesignResult r = designCorrection(a, kLayout, c, options);
    EXPECT_EQ(r.passes, 3000);
    EXPECT_FALSE(r.withinTolerance);
    EXPECT_EQ(c.peakGain[60], kGainFloor);
    EXPECT_DOUBLE_EQ(c.quality[60], 9.95995);
    for (int m = 0; m < kBandCount; ++m)
        EXPECT_GE(c.peakGain[m], kGainFloor) << m;
    EXPECT_NEAR(r.largestError, largestRemainingError(r, c, a.pickup), 1e-12);
    EXPECT_GT(r.largestError, 0.5);
}

TEST(CorrectionDesign, EveryBandIsWithinToleranceAfterTheLoop)
{
    const MeasurementAnalysis a = gentleMeasurement();
    CorrectionSet c;
    const DesignResult r = designCorrection(a, kLayout, c);
    ASSERT_TRUE(r.withinTolerance);
    EXPECT_GT(r.passes, 10);
    EXPECT_EQ(c.outputGain, 1.25);
    EXPECT_LE(r.largestError, kTolerance);
    EXPECT_LE(largestRemainingError(r, c, a.pickup), kTolerance);
}

TEST(CorrectionDesign, QualityFollowsTheGain)
{
    const MeasurementAnalysis a = gentleMeasurement();
    CorrectionSet c;
    designCorrection(a, kLayout, c);
    for (int m = 0; m < kBandCount; ++m)
        EXPECT_EQ(c.quality[m], (c.peakGain[m] * 0.5 + 1.0) * kBaseQuality) << m;
}

void expectSameAsPlainLoop(const MeasurementAnalysis& a, int passLimit)
{
    CorrectionSet c;
    DesignOptions options;
    options.passLimit = passLimit;
    const DesignResult fast = designCorrection(a, kLayout, c, options);
    const reference::PlainDesign plain = reference::plainDesign(a.microphone, a.pickup, passLimit);
    EXPECT_EQ(fast.passes, plain.passes);
    for (int m = 0; m < kBandCount; ++m) {
        EXPECT_NEAR(c.peakGain[m], plain.gain[m], 1e-9) << m;
        EXPECT_NEAR(c.quality[m], plain.quality[m], 1e-9) << m;
        EXPECT_NEAR(fast.predicted[m], plain.predicted[m], 1e-12) << m;
    }
}

TEST(CorrectionDesign, FastPassesMatchThePlainLoopWhenTheToleranceStopsThem)
{
    expectSameAsPlainLoop(gentleMeasurement(), kPassLimit);
}

TEST(CorrectionDesign, FastPassesMatchThePlainLoopAtThePassLimit)
{
    MeasurementAnalysis a = gentleMeasurement();
    a.microphone[30] *= 1e-4;
    a.microphone[150] *= 20.0;
    expectSameAsPlainLoop(a, 1500);
}

TEST(CorrectionDesign, ReportsProgressWhileItRuns)
{
    MeasurementAnalysis a = gentleMeasurement();
    a.microphone[60] *= 1e-5;
    CorrectionSet c;
    DesignOptions options;
    options.passLimit = 250;
    options.progressInterval = 100;
    std::vector<int> seen;
    options.progress = [&](const DesignProgress& p) { seen.push_back(p.passes); };
    designCorrection(a, kLayout, c, options);
    EXPECT_EQ(seen, (std::vector<int>{0, 100, 200}));
}

}  // namespace
}  // namespace kestrava::test

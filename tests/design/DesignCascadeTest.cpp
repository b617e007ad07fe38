// The design's predicted band curve against the engine's running cascade.
#include "design/CorrectionDesign.h"
#include "engine/CorrectionFilter.h"
#include "DesignTestSpectra.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace kestrava::design;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

// |product of the sections' transfer functions| at omega, from the
// coefficients the filter derived: each section adds
// feedForward (1 - z^-2) / (1 + feedback1 z^-1 + feedback2 z^-2) of its input.
double cascadeMagnitude(const CascadeArrays& c, double omega)
{
    const std::complex<double> z1 = std::polar(1.0, -omega);
    const std::complex<double> z2 = z1 * z1;
    std::complex<double> response = 1.0;
    for (int i = 0; i < c.sectionCount; ++i)
        response *= 1.0 + c.feedForward[i] * (1.0 - z2) / (1.0 + c.feedback1[i] * z1 + c.feedback2[i] * z2);
    return std::abs(response);
}

void expectPredictionMatchesTheCascade(const MeasurementAnalysis& a)
{
    const BandLayout layout = BandLayout::standard();
    CorrectionSet correction;
    const DesignResult r = designCorrection(a, layout, correction);
    MeasurementFilter filter;
    filter.setCorrection(correction);
    for (int j = 0; j < kBandCount; ++j) {
        const double omega = 6.283185307179586 * layout.centre[j] / 48000.0;
        const double h = r.predicted[j] / a.pickup[j];
        EXPECT_NEAR(cascadeMagnitude(filter.arrays(), omega) / h, 1.0, 1e-9) << j;
    }
}

TEST(DesignCascade, PredictionIsTheCascadeMagnitudeAtEveryCentre)
{
    expectPredictionMatchesTheCascade(gentleMeasurement());
}

TEST(DesignCascade, PredictionHoldsForAStrongBoost)
{
    MeasurementAnalysis a;
    a.microphone = pickupCurve();
    a.pickup = a.microphone;
    a.pickup[100] *= 0.0316;
    expectPredictionMatchesTheCascade(a);
}

TEST(DesignCascade, IdenticalCurvesGiveATransparentCorrection)
{
    MeasurementAnalysis a = identicalMeasurement();
    CorrectionSet correction;
    designCorrection(a, BandLayout::standard(), correction);
    MeasurementFilter filter;
    filter.setCorrection(correction);
    const double input[] = {1.0e9, -3.0e8, 0.0, 12345.0, -2147483647.0, 7.0};
    for (double x : input)
        EXPECT_EQ(filter.processSample(x), x);
}

}  // namespace
}  // namespace kestrava::test

#include "design/CorrectionCurves.h"

#include "engine/CorrectionFilter.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace kestrava::design {

namespace {

// Each section adds b (1 - z^-2) / (1 + a1 z^-1 + a2 z^-2) to its input.
double responseOf(const engine::CascadeArrays& cascade, double hz)
{
    const double omega = 2.0 * std::numbers::pi * hz / engine::MeasurementFilter::kMeasurementRate;
    const std::complex<double> z1 = std::polar(1.0, -omega);
    const std::complex<double> z2 = z1 * z1;
    std::complex<double> h = 1.0;
    for (int i = 0; i < cascade.sectionCount; ++i) {
        const std::complex<double> section = 1.0 + cascade.feedForward[i] * (1.0 - z2)
                                                       / (1.0 + cascade.feedback1[i] * z1 + cascade.feedback2[i] * z2);
        h *= section;
    }
    return std::abs(h);
}

}  // namespace

double levelDb(double level)
{
    return level > 0.0 ? std::max(20.0 * std::log10(level), kCurveFloorDb) : kCurveFloorDb;
}

double cascadeResponse(const engine::CorrectionSet& correction, double hz)
{
    engine::MeasurementFilter filter;
    filter.setCorrection(correction);
    return responseOf(filter.arrays(), hz);
}

CorrectionCurves designCurves(const BandLayout& layout, const MeasurementAnalysis& analysis,
                              const DesignResult& result, const engine::CorrectionSet& correction)
{
    CorrectionCurves curves = correctionCurves(layout, correction);
    curves.measured = true;
    for (int j = 0; j < kBandCount; ++j) {
        curves.microphoneDb[j] = levelDb(analysis.microphone[j]);
        curves.pickupDb[j] = levelDb(analysis.pickup[j]);
        curves.targetDb[j] = levelDb(result.target[j]);
        curves.correctedDb[j] = levelDb(analysis.pickup[j]) + curves.correctedDb[j];
    }
    return curves;
}

CorrectionCurves correctionCurves(const BandLayout& layout, const engine::CorrectionSet& correction)
{
    engine::MeasurementFilter filter;
    filter.setCorrection(correction);
    CorrectionCurves curves;
    for (int j = 0; j < kBandCount; ++j) {
        curves.hz[j] = layout.centre[j];
        curves.correctedDb[j] = levelDb(responseOf(filter.arrays(), layout.centre[j]));
    }
    return curves;
}

}  // namespace kestrava::design

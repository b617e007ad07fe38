// The curves a correction is shown with, in the tool's report and in the
// measurement window alike: the microphone's, the pickup's and the target
// band curves of a design and the corrected pickup (the pickup's curve
// times the cascade's own response at the band centres), in dB at the 199
// band centres. A loaded correction, with no recording behind it, has only
// its cascade's response.
//
// Any thread but an audio thread; plain arithmetic, nothing allocated.
#pragma once

#include "design/BandAnalysis.h"
#include "design/CorrectionDesign.h"
#include "engine/CorrectionSet.h"

namespace kestrava::design {

// Levels at or below this are drawn at this floor.
inline constexpr double kCurveFloorDb = -200.0;

struct CorrectionCurves {
    std::array<double, kBandCount> hz{};
    // Only when the curves come from a recording.
    bool measured = false;
    BandSpectrum microphoneDb{};
    BandSpectrum pickupDb{};
    BandSpectrum targetDb{};
    // The corrected pickup after a design; the cascade's response alone for
    // a loaded correction.
    BandSpectrum correctedDb{};
};

double levelDb(double level);

// The magnitude of the measurement program's cascade (at 48,000 Hz, without
// the output gain) at `hz`.
double cascadeResponse(const engine::CorrectionSet& correction, double hz);

CorrectionCurves designCurves(const BandLayout& layout, const MeasurementAnalysis& analysis,
                              const DesignResult& result, const engine::CorrectionSet& correction);

CorrectionCurves correctionCurves(const BandLayout& layout, const engine::CorrectionSet& correction);

}  // namespace kestrava::design

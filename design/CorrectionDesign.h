// Fits the 199 band sections so that the pickup's band curve, passed through
// the cascade, matches the target curve (the microphone's, limited to +20 dB
// above the pickup) within 1 % in every band, or stops after 1,000,000 passes
// with the values of the last pass.
//
// Runs on the thread that analyses a measurement (never an audio thread) and
// may keep a second core busy for the duration of the call. Allocates only
// that helper thread; the caller hands the result to the filter.
#pragma once

#include "design/AveragedAnalysis.h"
#include "engine/CorrectionSet.h"

#include <functional>

namespace kestrava::design {

inline constexpr double kBoostLimit = 0.1;
inline constexpr double kStepSize = 0.01;
inline constexpr double kTolerance = 0.01;
inline constexpr double kGainFloor = engine::kMinPeakGain;
inline constexpr int kPassLimit = 1'000'000;
inline constexpr double kBaseQuality = kBandCount * kBoostLimit;

// target[j] = P2[j] / A where the microphone exceeds that, else P1[j].
BandSpectrum targetCurve(const BandSpectrum& microphone, const BandSpectrum& pickup);

struct DesignProgress {
    int passes = 0;
    double largestError = 0.0;
};

struct DesignOptions {
    int passLimit = kPassLimit;
    // Called every progressInterval passes while the loop runs.
    int progressInterval = 10'000;
    std::function<void(const DesignProgress&)> progress;
    // Cores the passes may use: 0 for all there are (at most two), 1 to stay
    // on the calling thread. The result is the same either way.
    int cores = 0;
    // The analysis that turns the recordings into band curves.
    AnalysisMethod analysis = AnalysisMethod::Long;
};

struct DesignResult {
    int passes = 0;
    bool withinTolerance = false;
    // Largest |target / pred - 1| for the section values in the correction.
    double largestError = 0.0;
    BandSpectrum target{};
    // The pickup's band curve through the designed cascade.
    BandSpectrum predicted{};
};

// Fills `correction` completely: 199 sections at the band centres with the
// fitted quality and peakGain, and the analysis' outputGain.
DesignResult designCorrection(const MeasurementAnalysis& analysis, const BandLayout& layout,
                              engine::CorrectionSet& correction, const DesignOptions& options = {});

}  // namespace kestrava::design

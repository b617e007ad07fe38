#include "design/BandAnalysis.h"

#include "design/FourierTransform.h"
#include "engine/CorrectionSet.h"

#include <cmath>

namespace kestrava::design {

double bandLevels(const double* re, const double* im, const BandLayout& layout,
                  BandSpectrum& spectrum)
{
    return normalisedBandLevels(layout, spectrum, [&](int k) { return re[k] * re[k] + im[k] * im[k]; });
}

AnalysisStatus analyseMeasurement(CaptureBuffer& microphone, CaptureBuffer& pickup,
                                  const BandLayout& layout, MeasurementAnalysis& result)
{
    AnalysisStatus status = AnalysisStatus::OutOfMemory;
    if (forwardTransform(microphone.re(), microphone.im())) {
        const double m1 = bandLevels(microphone.re(), microphone.im(), layout, result.microphone);
        microphone.release();
        if (forwardTransform(pickup.re(), pickup.im())) {
            const double m2 = bandLevels(pickup.re(), pickup.im(), layout, result.pickup);
            result.silentMicrophone = m1 == 0.0;
            result.silentPickup = m2 == 0.0;
            if (result.silentMicrophone || result.silentPickup) {
                status = AnalysisStatus::Silent;
            } else {
                result.outputGain = m1 / m2;
                status = result.outputGain > engine::kMaxOutputGain ? AnalysisStatus::PickupTooQuiet
                                                                    : AnalysisStatus::Ok;
            }
        }
    }
    microphone.release();
    pickup.release();
    return status;
}

}  // namespace kestrava::design

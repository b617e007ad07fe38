#include "design/AveragedAnalysis.h"

#include "design/Parallel.h"
#include "design/PortableTrig.h"
#include "design/SegmentTransform.h"

#include <cmath>
#include <memory>
#include <new>

namespace kestrava::design {

namespace {

constexpr int kBins = kSegmentSize / 2 + 1;
constexpr int kSegments = (kTransformSize - kSegmentSize) / kSegmentHop + 1;
// Long-transform bins per segment bin: the bands keep their long-bin edges.
constexpr int kBinRatioLog2 = kTransformLog2 - kSegmentLog2;
constexpr double kBinRatio = 1 << kBinRatioLog2;

struct Shared {
    detail::SegmentTables tables;
    double window[kSegmentSize];

    Shared()
    {
        constexpr double kTwoPi = 6.283185307179586;
        for (int n = 0; n < kSegmentSize; ++n)
            window[n] = 0.5 - 0.5 * engine::portableCos(kTwoPi * n / kSegmentSize);
    }
};

// Scratch and summed powers of one half of the segments.
struct Half {
    double re[kSegmentSize];
    double im[kSegmentSize];
    double microphone[kBins];
    double pickup[kBins];
};

// Both channels share one complex transform per segment (microphone real,
// pickup imaginary); their spectra are separated by the conjugate symmetry
// of a real signal's transform.
void sumSegments(const double* microphone, const double* pickup, int first, int last, const Shared& shared,
                 Half& half)
{
    for (int segment = first; segment < last; ++segment) {
        const double* mic = microphone + segment * kSegmentHop;
        const double* pick = pickup + segment * kSegmentHop;
        for (int n = 0; n < kSegmentSize; ++n) {
            half.re[n] = shared.window[n] * mic[n];
            half.im[n] = shared.window[n] * pick[n];
        }
        detail::segmentTransform(half.re, half.im, shared.tables);
        for (int k = 0; k < kBins; ++k) {
            const int mirror = (kSegmentSize - k) & (kSegmentSize - 1);
            const double sumRe = half.re[k] + half.re[mirror];
            const double sumIm = half.im[k] - half.im[mirror];
            const double differenceRe = half.re[k] - half.re[mirror];
            const double differenceIm = half.im[k] + half.im[mirror];
            half.microphone[k] += 0.25 * (sumRe * sumRe + sumIm * sumIm);
            half.pickup[k] += 0.25 * (differenceRe * differenceRe + differenceIm * differenceIm);
        }
    }
}

// The band levels of an averaged power spectrum over the long analysis' bin
// edges, the power read between segment bins by linear interpolation;
// normalised and returned as bandLevels does.
double averagedBandLevels(const double* power, const BandLayout& layout, BandSpectrum& spectrum)
{
    return normalisedBandLevels(layout, spectrum, [&](int k) {
        const int below = k >> kBinRatioLog2;
        const double fraction = (k & ((1 << kBinRatioLog2) - 1)) / kBinRatio;
        return power[below] + fraction * (power[below + 1] - power[below]);
    });
}

}  // namespace

bool parseAnalysisMethod(std::string_view text, AnalysisMethod& method)
{
    if (text == "long")
        method = AnalysisMethod::Long;
    else if (text == "averaged")
        method = AnalysisMethod::Averaged;
    else
        return false;
    return true;
}

const char* analysisMethodName(AnalysisMethod method)
{
    return method == AnalysisMethod::Averaged ? "averaged" : "long";
}

AnalysisStatus analyseMeasurementAveraged(CaptureBuffer& microphone, CaptureBuffer& pickup,
                                          const BandLayout& layout, MeasurementAnalysis& result)
{
    const std::unique_ptr<Shared> shared(new (std::nothrow) Shared());
    const std::unique_ptr<Half[]> halves(new (std::nothrow) Half[2]());
    if (!shared || !halves) {
        microphone.release();
        pickup.release();
        return AnalysisStatus::OutOfMemory;
    }
    // The segments fall into two fixed halves summed apart, so the sums are
    // the same bits on one core as on two.
    constexpr int kFirstOfUpperHalf = kSegments / 2;
    detail::splitAcrossCores(2, detail::availableCores(), [&](int begin, int end, int) {
        for (int h = begin; h < end; ++h) {
            sumSegments(microphone.re(), pickup.re(), h == 0 ? 0 : kFirstOfUpperHalf,
                        h == 0 ? kFirstOfUpperHalf : kSegments, *shared, halves[h]);
        }
    });
    microphone.release();
    pickup.release();
    for (int k = 0; k < kBins; ++k) {
        halves[0].microphone[k] += halves[1].microphone[k];
        halves[0].pickup[k] += halves[1].pickup[k];
    }
    const double m1 = averagedBandLevels(halves[0].microphone, layout, result.microphone);
    const double m2 = averagedBandLevels(halves[0].pickup, layout, result.pickup);
    result.silentMicrophone = m1 == 0.0;
    result.silentPickup = m2 == 0.0;
    if (result.silentMicrophone || result.silentPickup)
        return AnalysisStatus::Silent;
    result.outputGain = m1 / m2;
    return AnalysisStatus::Ok;
}

AnalysisStatus analyseMeasurement(CaptureBuffer& microphone, CaptureBuffer& pickup, const BandLayout& layout,
                                  MeasurementAnalysis& result, AnalysisMethod method)
{
    if (method == AnalysisMethod::Averaged)
        return analyseMeasurementAveraged(microphone, pickup, layout, result);
    return analyseMeasurement(microphone, pickup, layout, result);
}

}  // namespace kestrava::design

// The averaged analysis, an alternative to the single long transform for
// takes recorded with hum, a room and a noisy microphone: the take is cut
// into Hann-windowed 65,536-point segments with 50 % overlap whose power
// spectra are averaged, then reduced to the same bands, band levels and
// output gain as the long analysis. The window keeps a hum and the take's
// cut ends from leaking into distant bands.
//
// Runs on the thread that analyses a measurement and may borrow a second
// core for the duration of the call; allocates its working storage per
// call and reports when it cannot. Never call it from an audio thread.
#pragma once

#include "design/BandAnalysis.h"

#include <string_view>

namespace kestrava::design {

enum class AnalysisMethod { Long, Averaged };

inline constexpr int kSegmentLog2 = 16;
inline constexpr int kSegmentSize = 1 << kSegmentLog2;
inline constexpr int kSegmentHop = kSegmentSize / 2;

// "long" or "averaged"; false for anything else.
bool parseAnalysisMethod(std::string_view text, AnalysisMethod& method);
const char* analysisMethodName(AnalysisMethod method);

// The averaged analysis of the re halves of both buffers (kTransformSize
// samples each). Releases both buffers whatever the outcome; the statuses
// mean what they mean for the long analysis.
AnalysisStatus analyseMeasurementAveraged(CaptureBuffer& microphone, CaptureBuffer& pickup,
                                          const BandLayout& layout, MeasurementAnalysis& result);

// The long or the averaged analysis, as `method` says.
AnalysisStatus analyseMeasurement(CaptureBuffer& microphone, CaptureBuffer& pickup, const BandLayout& layout,
                                  MeasurementAnalysis& result, AnalysisMethod method);

}  // namespace kestrava::design

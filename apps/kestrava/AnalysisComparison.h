// How well each analysis serves a take: the correction is designed from the
// first 1,048,576 samples of a generated take, then the microphone and the
// pickup through that correction are compared, band by band, on the next
// 1,048,576 samples, which the design never saw. Each side is read through
// one Hann-windowed long transform, so neither analysis is judged by its own
// yardstick; the bands below 40 Hz, where the instrument plays nothing and
// every correction stops at its +20 dB limit, are left out.
// Tool thread only; it allocates the takes and the capture buffers.
#pragma once

#include "apps/kestrava/DemoTake.h"
#include "apps/kestrava/Tool.h"
#include "design/AveragedAnalysis.h"

namespace kestrava::tool {

inline constexpr double kComparedFromHz = 40.0;

struct HeldOutError {
    // Over the bands from kComparedFromHz: the RMS and the largest of the
    // level differences.
    double rmsDb = 0.0;
    double largestDb = 0.0;
};

// The held-out error of a correction designed with `method` from the scene's
// take; false after telling why the design failed.
bool heldOutError(DemoScene scene, design::AnalysisMethod method, ToolContext& context, HeldOutError& error);

}  // namespace kestrava::tool

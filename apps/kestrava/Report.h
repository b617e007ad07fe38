// The design report: an SVG picture of the microphone, pickup and target
// band curves and of the corrected pickup (design/CorrectionCurves.h), in dB over a
// logarithmic frequency axis from 20 Hz to 20 kHz, with the number of passes
// and the largest remaining band error. Pure text generation.
#pragma once

#include "apps/kestrava/DesignFlow.h"

#include <string>

namespace kestrava::tool {

std::string designReportSvg(const measure::DesignOutcome& outcome);

}  // namespace kestrava::tool

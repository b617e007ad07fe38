// Runs one recorded channel through a correction as the plug-in does: the
// correction filter at the recording's own rate and, when on, the Air
// network, to a left and a right output. Tool thread only.
#pragma once

#include "engine/CorrectionSet.h"

#include <vector>

namespace kestrava::tool {

struct RenderedStereo {
    std::vector<double> left;
    std::vector<double> right;
};

RenderedStereo renderThroughCorrection(const engine::CorrectionSet& correction, double sampleRate,
                                       const std::vector<double>& input, bool air);

}  // namespace kestrava::tool

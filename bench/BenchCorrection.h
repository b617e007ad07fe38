// The 199-section correction the benchmarks run: shaped like a design's
// result, with centres spread over the audio band.
#pragma once

#include "engine/CorrectionSet.h"

#include <cmath>

namespace kestrava::bench {

inline engine::CorrectionSet typicalCorrection()
{
    engine::CorrectionSet set;
    set.sectionCount = 199;
    set.outputGain = 0.8;
    for (int i = 0; i < 199; ++i) {
        set.centreHz[i] = 20.35 * std::pow(1.0353, i);
        set.quality[i] = 4.0 + 2.0 * std::sin(0.3 * i);
        set.peakGain[i] = 0.5 * std::sin(0.17 * i);
    }
    return set;
}

}  // namespace kestrava::bench

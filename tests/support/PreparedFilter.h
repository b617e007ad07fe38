// The plug-in's correction filter made ready for one correction at one sample
// rate, as the engine tests start from it. Test threads only.
#pragma once

#include "engine/CorrectionFilter.h"
#include "engine/CorrectionSet.h"

namespace kestrava::test {

inline engine::CorrectionFilter preparedFilter(const engine::CorrectionSet& set, double sampleRate)
{
    engine::CorrectionFilter filter;
    filter.setSampleRate(sampleRate);
    filter.setCorrection(set);
    return filter;
}

}  // namespace kestrava::test

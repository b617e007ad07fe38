// A correction of a few band sections written out in a test, for streams
// that run the processed mode. Test threads only.
#pragma once

#include "engine/CorrectionSet.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace kestrava::test {

struct BandSection {
    double centreHz;
    double quality;
    double peakGain;
};

inline engine::CorrectionSet smallCorrection(double outputGain, std::initializer_list<BandSection> sections)
{
    engine::CorrectionSet set;
    set.outputGain = outputGain;
    std::size_t next = 0;
    for (const BandSection& section : sections) {
        set.centreHz[next] = section.centreHz;
        set.quality[next] = section.quality;
        set.peakGain[next] = section.peakGain;
        ++next;
    }
    set.sectionCount = static_cast<std::int32_t>(next);
    return set;
}

}  // namespace kestrava::test

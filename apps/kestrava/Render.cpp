#include "apps/kestrava/Render.h"

#include "engine/AirAmbience.h"
#include "engine/CorrectionFilter.h"

#include <algorithm>
#include <memory>

namespace kestrava::tool {

RenderedStereo renderThroughCorrection(const CorrectionSet& correction, double sampleRate,
                                       const std::vector<double>& input, bool air)
{
    // The filter and the network hold their lines inside the object: too
    // large for the stack.
    const auto filter = std::make_unique<CorrectionFilter>();
    const auto ambience = std::make_unique<AirAmbience>();
    filter->setSampleRate(sampleRate);
    filter->setCorrection(correction);
    ambience->prepare(sampleRate);

    RenderedStereo out;
    out.left.resize(input.size());
    out.right.resize(input.size());
    constexpr int kBlock = 4096;
    double block[kBlock];
    for (std::size_t start = 0; start < input.size(); start += kBlock) {
        const int n = static_cast<int>(std::min<std::size_t>(kBlock, input.size() - start));
        filter->processBlock(input.data() + start, block, n);
        for (int i = 0; i < n; ++i) {
            double left = block[i];
            double right = block[i];
            if (air) {
                const StereoSample s = ambience->processSample(block[i]);
                left = s.left;
                right = s.right;
            }
            out.left[start + i] = left;
            out.right[start + i] = right;
        }
    }
    return out;
}

}  // namespace kestrava::tool

#include "apps/kestrava/Render.h"

#include "engine/ProcessingChain.h"

#include <algorithm>
#include <memory>

namespace kestrava::tool {

using engine::AirSetting;

RenderedStereo renderThroughCorrection(const engine::CorrectionSet& correction, double sampleRate,
                                       const std::vector<double>& input, bool air)
{
    // The chain holds the Air lines inside the object: too large for the
    // stack.
    const auto chain = std::make_unique<engine::PluginChain>();
    chain->prepare(correction, sampleRate);
    chain->beginBlock();

    RenderedStereo out;
    out.left.resize(input.size());
    out.right.resize(input.size());
    const AirSetting setting = air ? AirSetting::On : AirSetting::Off;
    constexpr std::size_t kBlock = 4096;
    for (std::size_t start = 0; start < input.size(); start += kBlock) {
        const int n = static_cast<int>(std::min(kBlock, input.size() - start));
        chain->process(input.data() + start, out.left.data() + start, out.right.data() + start, n, setting);
    }
    return out;
}

}  // namespace kestrava::tool

#include "design/BandLayout.h"

#include "design/CaptureBuffer.h"
#include "design/PortableTrig.h"

namespace kestrava::design {

BandLayout BandLayout::standard()
{
    BandLayout layout;
    const double n = kBandCount;
    for (int l = 0; l < kBandCount; ++l)
        layout.centre[l] = 20.0 * detail::portableThousandTo((l + 0.5) / n);
    for (int l = 0; l <= kBandCount; ++l)
        layout.edge[l] = static_cast<int>(20.0 * detail::portableThousandTo(l / n) * kTransformSize / kAnalysisRate);
    return layout;
}

}  // namespace kestrava::design

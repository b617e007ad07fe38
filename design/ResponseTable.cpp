#include "design/ResponseTable.h"

#include "design/CaptureBuffer.h"
#include "design/PortableTrig.h"

namespace kestrava::design {

ResponseTable::ResponseTable()
{
    constexpr double twoPi = 6.283185307179586;
    const BandLayout layout = BandLayout::standard();
    std::array<double, kBandCount> omega{};
    for (int l = 0; l < kBandCount; ++l)
        omega[l] = twoPi * layout.centre[l] / kAnalysisRate;
    for (int j = 0; j < kBandCount; ++j) {
        for (int m = 0; m < kBandCount; ++m) {
            const double ratio = (engine::portableCos(omega[j]) - engine::portableCos(omega[m])) /
                                 (omega[m] * detail::portableSin(omega[j]));
            values_[j * kResponseStride + m] = ratio * ratio;
        }
    }
}

const ResponseTable& ResponseTable::instance()
{
    static const ResponseTable table;
    return table;
}

}  // namespace kestrava::design

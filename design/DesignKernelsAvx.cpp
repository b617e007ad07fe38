// The design kernels for 4-double vector registers (compiled with the matching
// target flags; only called where the processor has them).
#define KESTRAVA_DESIGN_LANES 4
#include "design/DesignKernels.inl"

namespace kestrava::detail {

DesignKernels designKernelsAvx()
{
    return {&bandResponses, &batchTransform};
}

}  // namespace kestrava::detail

// The design kernels for 2-double vector registers (compiled with the matching
// target flags; only called where the processor has them).
#define KESTRAVA_DESIGN_LANES 2
#include "design/DesignKernels.inl"

namespace kestrava::detail {

DesignKernels designKernelsSse2()
{
    return {&bandResponses, &batchTransform};
}

}  // namespace kestrava::detail

// The design kernels for 8-double vector registers (compiled with the matching
// target flags; only called where the processor has them).
#define KESTRAVA_DESIGN_LANES 8
#include "design/DesignKernels.inl"

namespace kestrava::detail {

DesignKernels designKernelsAvx512()
{
    return {&bandResponses, &batchTransform};
}

}  // namespace kestrava::detail

// Picks the widest kernels the processor supports, once per process.
#include "design/DesignKernels.h"

namespace kestrava::detail {

const DesignKernels& designKernels()
{
    static const DesignKernels chosen = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f"))
            return designKernelsAvx512();
        if (__builtin_cpu_supports("avx2"))
            return designKernelsAvx();
        return designKernelsSse2();
    }();
    return chosen;
}

}  // namespace kestrava::detail

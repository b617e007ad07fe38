// Runs the band sections of a cascade over a whole block, in place.
// Internal to the engine: the filter calls the runner of the active
// instruction set (engine/InstructionSet.h). Runners never allocate, lock or
// call out.
#pragma once

#include "engine/CorrectionFilter.h"
#include "engine/InstructionSet.h"

namespace kestrava::engine::detail {

using CascadeRunner = void (*)(CascadeArrays& cascade, double* signal, int n);

// One runner per instruction set, each compiled with that set's flags.
namespace sse2 {
template <bool Flush>
void runCascade(CascadeArrays& cascade, double* signal, int n);
}
namespace avx2 {
template <bool Flush>
void runCascade(CascadeArrays& cascade, double* signal, int n);
}
namespace avx512 {
template <bool Flush>
void runCascade(CascadeArrays& cascade, double* signal, int n);
}

template <bool Flush>
CascadeRunner cascadeRunner()
{
    return simd::forActiveSet<CascadeRunner>(&sse2::runCascade<Flush>, &avx2::runCascade<Flush>,
                                              &avx512::runCascade<Flush>);
}

// One section over a block, sample after sample: the reference recursion.
template <bool Flush>
inline void runSection(CascadeArrays& c, int i, double* signal, int n)
{
    const double ff = c.feedForward[i];
    const double fb1 = c.feedback1[i];
    const double fb2 = c.feedback2[i];
    double z1 = c.z1[i];
    double z2 = c.z2[i];
    for (int t = 0; t < n; ++t) {
        const double x = signal[t];
        const double v = -(ff * x);
        double y = z1 - v;
        if constexpr (Flush) {
            if (y < 1e-100 && y > -1e-100) {
                y = 0.0;
            }
        }
        z1 = z2 - fb1 * y;
        z2 = v - fb2 * y;
        signal[t] = y + x;
    }
    c.z1[i] = z1;
    c.z2[i] = z2;
}

}  // namespace kestrava::engine::detail

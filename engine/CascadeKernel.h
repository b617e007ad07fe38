// Runs the band sections of a cascade over a whole block, in place.
// Internal to the engine: the filter picks the fastest runner the processor
// supports once, at start-up. Runners never allocate, lock or call out.
#pragma once

#include "engine/CorrectionFilter.h"

namespace kestrava::detail {

using CascadeRunner = void (*)(CascadeArrays& cascade, double* signal, int n);

// The fastest runner for this processor, chosen once per process.
template <bool Flush>
CascadeRunner bestCascadeRunner();

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

// Declared per instruction set; each is compiled in its own file with the
// matching target flags.
template <bool Flush>
void runCascadeSse2(CascadeArrays& cascade, double* signal, int n);
template <bool Flush>
void runCascadeAvx(CascadeArrays& cascade, double* signal, int n);
template <bool Flush>
void runCascadeAvx512(CascadeArrays& cascade, double* signal, int n);

}  // namespace kestrava::detail

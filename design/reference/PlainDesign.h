// The analysis transform and the design loop written out literally, one
// operation after another, as the yardstick that the fast versions are
// tested and timed against. Linked only into tests and benchmarks, never
// into a product; allocates freely and is slow on purpose.
#pragma once

#include "design/BandLayout.h"

#include <array>

namespace kestrava::design::reference {

// Tables of sin and cos (the latter as sin(x + pi/2)), 20 stages with the
// bit-reversed twiddle index of each block, then the bit-reversal reorder.
void plainTransform(double* re, double* im);

struct PlainDesign {
    int passes = 0;
    std::array<double, kBandCount> gain{};
    std::array<double, kBandCount> quality{};
    std::array<double, kBandCount> predicted{};
};

// The iteration with a division per term and one running product per band.
PlainDesign plainDesign(const BandSpectrum& microphone, const BandSpectrum& pickup, int passLimit);

}  // namespace kestrava::design::reference

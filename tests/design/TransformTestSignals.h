// Test signals for the 2^20-point transform and a measure of how far two
// transforms lie apart.
#pragma once

#include "design/CaptureBuffer.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace kestrava::test {

struct ComplexSignal {
    std::vector<double> re = std::vector<double>(design::kTransformSize);
    std::vector<double> im = std::vector<double>(design::kTransformSize);
};

// Uniform noise on both halves, as a recording never has, so that every
// butterfly path carries imaginary parts too.
inline ComplexSignal randomSignal(unsigned seed)
{
    ComplexSignal s;
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    for (int n = 0; n < design::kTransformSize; ++n) {
        s.re[n] = d(rng);
        s.im[n] = d(rng);
    }
    return s;
}

// Two tones at recording scale, one on a bin and one between bins, with the
// imaginary half zero as in a capture buffer. The phases are reduced to one
// turn first: some C libraries are very slow for large arguments.
inline ComplexSignal tonalSignal()
{
    ComplexSignal s;
    const double twoPi = 6.283185307179586;
    for (int n = 0; n < design::kTransformSize; ++n) {
        const double onBin = static_cast<double>((21845LL * n) % design::kTransformSize) / design::kTransformSize;
        const double cycles = 1234.567 * n / design::kTransformSize;
        const double between = cycles - std::floor(cycles);
        s.re[n] = 1.0e9 * std::sin(twoPi * onBin) + 3.0e8 * std::cos(twoPi * between);
    }
    return s;
}

// Largest |a[k] - b[k]| over the largest |b[k]|.
inline double relativeDistance(const ComplexSignal& a, const ComplexSignal& b)
{
    double largestDifference = 0.0;
    double largestMagnitude = 0.0;
    for (int k = 0; k < design::kTransformSize; ++k) {
        largestDifference = std::max(largestDifference, std::hypot(a.re[k] - b.re[k], a.im[k] - b.im[k]));
        largestMagnitude = std::max(largestMagnitude, std::hypot(b.re[k], b.im[k]));
    }
    return largestDifference / largestMagnitude;
}

}  // namespace kestrava::test

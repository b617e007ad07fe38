// The two hot loops of the design library, compiled once per instruction
// set (2-, 4- and 8-double vectors); the active set's variant runs
// (engine/InstructionSet.h). Every variant runs the same operations on the same
// operands in every logical lane, so the choice changes the speed, never
// the bits. Internal to the design library; nothing here allocates.
#pragma once

#include "engine/InstructionSet.h"

namespace kestrava::design::detail {

// Logical lanes of the band products and of the batched transform.
inline constexpr int kProductLanes = 8;
inline constexpr int kTransformSide = 1024;
inline constexpr int kTransformLanes = 16;

struct DesignKernels {
    // h[j] = sqrt(product over m of (T[j][m] + c1[m]) / (T[j][m] + c2[m]))
    // for begin <= j < end; rows of `table` are `stride` doubles apart and
    // stride is a multiple of kProductLanes.
    void (*bandResponses)(const double* table, int stride, const double* c1, const double* c2,
                          double* h, int begin, int end);
    // Decimation-in-frequency 1024-point transforms of kTransformLanes
    // interleaved sequences (element n of lane v at n * lanes + v), with
    // e^(-2 pi i k / 1024) = cosSide[k] - i sinSide[k]; frequency k ends at
    // the bit-reversed position of k.
    void (*batchTransform)(double* re, double* im, const double* cosSide, const double* sinSide);
};

namespace sse2 {
DesignKernels designKernels();
}
namespace avx2 {
DesignKernels designKernels();
}
namespace avx512 {
DesignKernels designKernels();
}

inline DesignKernels designKernels()
{
    return engine::simd::forActiveSet(&sse2::designKernels, &avx2::designKernels, &avx512::designKernels)();
}

}  // namespace kestrava::design::detail

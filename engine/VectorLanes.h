// Lanes of doubles for the vector kernels of the engine and the design
// library: the vector type and the few operations the kernels share (load,
// store, broadcast, lane select, a one-lane shift). Included only by kernels
// that kestrava_vector_variants compiles once per instruction set, which
// defines KESTRAVA_VECTOR_LANES (doubles per vector). Everything here has
// internal linkage, so code compiled for one instruction set never stands
// in for another's.
//
// Needs GCC 12 or later, or Clang 14 or later: GNU vector extensions,
// __builtin_shufflevector and extended asm. Pure arithmetic on registers and the caller's
// memory: safe on the audio thread.
#pragma once

#include <cstring>

#if !defined(KESTRAVA_VECTOR_LANES)
#error "compiled through kestrava_vector_variants only"
#endif

namespace kestrava::engine::simd {
namespace {

constexpr int kLanes = KESTRAVA_VECTOR_LANES;
using Vec = double __attribute__((vector_size(kLanes * sizeof(double))));
using Bits = long long __attribute__((vector_size(kLanes * sizeof(double))));

inline Vec load(const double* p)
{
    Vec v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline void store(double* p, Vec v)
{
    std::memcpy(p, &v, sizeof v);
}

inline Vec broadcast(double d)
{
    return Vec{} + d;
}

inline Vec select(Bits mask, Vec yes, Vec no)
{
    return (Vec)(((Bits)yes & mask) | ((Bits)no & ~mask));
}

// The value, kept in a register: the compiler cannot fold the load that made
// it into each instruction that uses it, which would read memory once per use.
inline Vec inRegister(Vec v)
{
    asm("" : "+x"(v));
    return v;
}

// Every lane moves up by one; lane 0 takes the top lane of `below`.
inline Vec shiftUp(Vec below, Vec v)
{
#if KESTRAVA_VECTOR_LANES == 2
    return __builtin_shufflevector(below, v, 1, 2);
#elif KESTRAVA_VECTOR_LANES == 4
    return __builtin_shufflevector(below, v, 3, 4, 5, 6);
#else
    return __builtin_shufflevector(below, v, 7, 8, 9, 10, 11, 12, 13, 14);
#endif
}

}  // namespace
}  // namespace kestrava::engine::simd

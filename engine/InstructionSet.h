// Which vector instruction set the kernels run on. Every kernel is built for
// SSE2, AVX2 and AVX-512 and gives the same bits on each, so the choice only
// changes the speed. By default the widest set the processor and the
// operating system support is used; benchmarks and tests may narrow it.
//
// activeInstructionSet and forActiveSet are lock-free and allocate nothing:
// safe on the audio thread, also on the very first call (no function-local
// statics). useInstructionSet is for start-up, before any processing.
#pragma once

#include <optional>
#include <string_view>

namespace kestrava::engine::simd {

enum class InstructionSet { Sse2, Avx2, Avx512 };

// The widest set this processor and operating system support.
InstructionSet widestSupportedSet();

// The set the kernels use now.
InstructionSet activeInstructionSet();

// Makes the kernels use `wanted`, or the widest supported set narrower than
// it; returns the set now in use.
InstructionSet useInstructionSet(InstructionSet wanted);

// "sse2", "avx2", "avx512".
const char* instructionSetName(InstructionSet set);
std::optional<InstructionSet> instructionSetNamed(std::string_view name);

// The one of three variants that belongs to the active set.
template <class Variant>
Variant forActiveSet(Variant sse2, Variant avx2, Variant avx512)
{
    switch (activeInstructionSet()) {
    case InstructionSet::Avx512: return avx512;
    case InstructionSet::Avx2: return avx2;
    case InstructionSet::Sse2: break;
    }
    return sse2;
}

}  // namespace kestrava::engine::simd

// The benchmarks' --instruction-set=sse2|avx2|avx512 option: runs the vector
// kernels on that set (or the widest supported set narrower than it), so the
// figures of a narrower processor can be measured on a wider one. Prints
// the set in use either way.
#pragma once

#include "engine/InstructionSet.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace kestrava::bench {

// Takes the option out of argv; false when its value is not a set's name.
inline bool applyInstructionSetOption(int& argc, char** argv)
{
    constexpr const char* kOption = "--instruction-set=";
    const std::size_t optionLength = std::strlen(kOption);
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kOption, optionLength) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const std::optional<engine::simd::InstructionSet> set =
            engine::simd::instructionSetNamed(argv[i] + optionLength);
        if (!set) {
            std::fprintf(stderr, "%s: unknown instruction set (sse2, avx2 or avx512)\n", argv[i]);
            return false;
        }
        engine::simd::useInstructionSet(*set);
    }
    argc = kept;
    argv[argc] = nullptr;
    std::printf("Vector instruction set: %s (the widest this processor supports: %s)\n\n",
                engine::simd::instructionSetName(engine::simd::activeInstructionSet()),
                engine::simd::instructionSetName(engine::simd::widestSupportedSet()));
    return true;
}

}  // namespace kestrava::bench

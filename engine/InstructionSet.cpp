#include "engine/InstructionSet.h"

#include <algorithm>
#include <atomic>

namespace kestrava::engine::simd {
namespace {

constexpr int kUnset = -1;

// A namespace-scope atomic, constant-initialised: the first caller may be an
// audio thread, and a function-local static's guard may take a lock. Threads
// racing on the first call all store the same value.
std::atomic<int> activeSet{kUnset};

}  // namespace

InstructionSet widestSupportedSet()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f"))
        return InstructionSet::Avx512;
    if (__builtin_cpu_supports("avx2"))
        return InstructionSet::Avx2;
    return InstructionSet::Sse2;
}

InstructionSet activeInstructionSet()
{
    int set = activeSet.load(std::memory_order_relaxed);
    if (set == kUnset) {
        set = static_cast<int>(widestSupportedSet());
        activeSet.store(set, std::memory_order_relaxed);
    }
    return static_cast<InstructionSet>(set);
}

InstructionSet useInstructionSet(InstructionSet wanted)
{
    const InstructionSet set = std::min(wanted, widestSupportedSet());
    activeSet.store(static_cast<int>(set), std::memory_order_relaxed);
    return set;
}

const char* instructionSetName(InstructionSet set)
{
    switch (set) {
    case InstructionSet::Avx512: return "avx512";
    case InstructionSet::Avx2: return "avx2";
    case InstructionSet::Sse2: break;
    }
    return "sse2";
}

std::optional<InstructionSet> instructionSetNamed(std::string_view name)
{
    for (InstructionSet set : {InstructionSet::Sse2, InstructionSet::Avx2, InstructionSet::Avx512}) {
        if (name == instructionSetName(set))
            return set;
    }
    return std::nullopt;
}

}  // namespace kestrava::engine::simd

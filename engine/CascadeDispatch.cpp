// Picks the widest vector runner the processor and the operating system
// support, once per process. Every runner gives the same bits, so the choice
// only changes the speed.
#include "engine/CascadeKernel.h"

#include <atomic>

namespace kestrava::detail {
namespace {

template <bool Flush>
CascadeRunner detectRunner()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) {
        return &runCascadeAvx512<Flush>;
    }
    if (__builtin_cpu_supports("avx2")) {
        return &runCascadeAvx<Flush>;
    }
    return &runCascadeSse2<Flush>;
}

}  // namespace

// An atomic instead of a function-local static: a static's first-use guard
// may take a lock, and the first caller can be an audio thread. Two threads
// racing here both store the same runner.
template <bool Flush>
std::atomic<CascadeRunner> chosenRunner{nullptr};

template <bool Flush>
CascadeRunner bestCascadeRunner()
{
    CascadeRunner runner = chosenRunner<Flush>.load(std::memory_order_relaxed);
    if (runner == nullptr) {
        runner = detectRunner<Flush>();
        chosenRunner<Flush>.store(runner, std::memory_order_relaxed);
    }
    return runner;
}

template CascadeRunner bestCascadeRunner<true>();
template CascadeRunner bestCascadeRunner<false>();

}  // namespace kestrava::detail

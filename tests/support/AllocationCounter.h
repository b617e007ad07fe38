// Counts the allocations made through operator new on the calling thread, so
// a test can prove that a real-time path allocates nothing. Linking
// AllocationCounter.cpp into a test program replaces the global operators.
#pragma once

#include <cstdint>

namespace kestrava::test {

std::uint64_t allocationsOnThisThread();

}  // namespace kestrava::test


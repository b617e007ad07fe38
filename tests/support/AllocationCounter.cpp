#include "tests/support/AllocationCounter.h"

#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

thread_local std::uint64_t allocationCount = 0;

void* allocate(std::size_t size)
{
    ++allocationCount;
    if (void* p = std::malloc(size == 0 ? 1 : size)) {
        return p;
    }
    throw std::bad_alloc();
}

// Over-aligned blocks keep the malloc result just below the aligned address,
// so the same code runs on every C library. Null when memory is short.
void* tryAllocateAligned(std::size_t size, std::align_val_t alignment) noexcept
{
    ++allocationCount;
    const auto align = static_cast<std::size_t>(alignment);
    void* raw = std::malloc(size + align + sizeof(void*));
    if (raw == nullptr) {
        return nullptr;
    }
    const auto start = reinterpret_cast<std::uintptr_t>(raw) + sizeof(void*);
    const std::uintptr_t aligned = (start + align - 1) & ~(std::uintptr_t{align} - 1);
    reinterpret_cast<void**>(aligned)[-1] = raw;
    return reinterpret_cast<void*>(aligned);
}

void* allocateAligned(std::size_t size, std::align_val_t alignment)
{
    if (void* p = tryAllocateAligned(size, alignment)) {
        return p;
    }
    throw std::bad_alloc();
}

void freeAligned(void* p)
{
    if (p != nullptr) {
        std::free(static_cast<void**>(p)[-1]);
    }
}

}  // namespace

namespace kestrava::test {

std::uint64_t allocationsOnThisThread()
{
    return allocationCount;
}

}  // namespace kestrava::test

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    ++allocationCount;
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

void* operator new(std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void* operator new[](std::size_t size, std::align_val_t a) { return allocateAligned(size, a); }
void operator delete(void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t) noexcept { freeAligned(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { freeAligned(p); }
// A library may pair the nothrow aligned forms (std::nothrow on an
// over-aligned type) with the ordinary aligned delete, so they are replaced too.
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return tryAllocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept
{
    return tryAllocateAligned(size, a);
}
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { freeAligned(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { freeAligned(p); }

// Runs the analysis with allocations refused, through replacements of the
// non-throwing operator new that the capture buffers and the transform use.
#include "design/BandAnalysis.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

using namespace kestrava::design;

namespace {

// Non-throwing allocations of at least this many bytes fail.
std::size_t refuseFrom = static_cast<std::size_t>(-1);

void* allocate(std::size_t size) noexcept
{
    if (size >= refuseFrom)
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

struct RefusalScope {
    explicit RefusalScope(std::size_t bytes) { refuseFrom = bytes; }
    ~RefusalScope() { refuseFrom = static_cast<std::size_t>(-1); }
};

}  // namespace

// The whole unaligned family is replaced so that every allocation and
// release goes through malloc and free, as sanitizers require.
void* operator new(std::size_t size)
{
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    return operator new(size);
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

namespace kestrava::test {
namespace {

TEST(AllocationFailure, CaptureBufferThatCannotBeHadSaysSo)
{
    const RefusalScope refuse(1024 * 1024);
    CaptureBuffer buffer;
    EXPECT_FALSE(buffer.allocated());
}

TEST(AllocationFailure, TransformWithoutStorageReportsInsteadOfCrashing)
{
    CaptureBuffer microphone;
    CaptureBuffer pickup;
    ASSERT_TRUE(microphone.allocated());
    ASSERT_TRUE(pickup.allocated());
    microphone.re()[0] = 1.0;
    pickup.re()[0] = 1.0;
    MeasurementAnalysis result;
    AnalysisStatus status;
    {
        const RefusalScope refuse(1);
        status = analyseMeasurement(microphone, pickup, BandLayout::standard(), result);
    }
    EXPECT_EQ(status, AnalysisStatus::OutOfMemory);
    EXPECT_FALSE(microphone.allocated());
    EXPECT_FALSE(pickup.allocated());
    EXPECT_EQ(result.outputGain, 0.0);
}

}  // namespace
}  // namespace kestrava::test

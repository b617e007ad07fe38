// Proves that both processing entries allocate nothing, with a 199-section
// correction loaded and Air on, also in the blocks that pick up a newly
// published filter, counting the allocations of the thread that runs them.
#include "FakeDesktop.h"
#include "TestSupport.h"
#include "tests/support/AllocationCounter.h"

#include "plugin/ADelay.h"

#include <gtest/gtest.h>

#include <memory>

using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

vst2::VstIntPtr host(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return opcode == vst2::audioMasterVersion ? vst2::kVstVersion : 0;
}

TEST(RealtimeTest, CounterSeesAllocations)
{
    const std::uint64_t before = allocationsOnThisThread();
    auto probe = std::make_unique<int>(5);
    EXPECT_EQ(allocationsOnThisThread(), before + 1);
    EXPECT_EQ(*probe, 5);
}

TEST(RealtimeTest, ProcessingAllocatesNothing)
{
    ScratchFolder folder;
    writeCorrection(folder.file("full.alg"), makeCorrection(199, 1.0));
    FakeDesktop desktop;
    auto effect = std::make_unique<ADelay>(host, desktop.services());
    effect->setSampleRate(48000.0f);
    ProgramRecord record{};
    std::snprintf(record.name, sizeof record.name, "full");
    std::snprintf(record.path, sizeof record.path, "%s", folder.file("full.alg").c_str());
    record.input = 1.0f;
    record.air = 0.0f;
    ASSERT_EQ(effect->setChunk(&record, sizeof record, true), 1);
    ASSERT_EQ(effect->getParameter(kAirParameter), 0.0f);

    std::vector<float> f1(4096, 0.25f), f2(4096, -0.25f), g1(4096), g2(4096);
    std::vector<double> d1(4096, 0.25), d2(4096, -0.25), e1(4096), e2(4096);
    float* floatIn[2] = {f1.data(), f2.data()};
    float* floatOut[2] = {g1.data(), g2.data()};
    double* doubleIn[2] = {d1.data(), d2.data()};
    double* doubleOut[2] = {e1.data(), e2.data()};

    for (float rate : {48000.0f, 96000.0f, 44100.0f}) {
        // Publishing a new filter belongs to the user-interface side; the
        // blocks that take it over must not allocate.
        effect->setSampleRate(rate);
        const std::uint64_t before = allocationsOnThisThread();
        for (int block = 0; block < 4; ++block) {
            effect->processReplacing(floatIn, floatOut, 4096);
            effect->processDoubleReplacing(doubleIn, doubleOut, 4096);
        }
        EXPECT_EQ(allocationsOnThisThread(), before) << rate;
    }
    EXPECT_NE(g1[4095], 0.25f);
    EXPECT_NE(e1[4095], 0.25);
}

}  // namespace
}  // namespace kestrava::test

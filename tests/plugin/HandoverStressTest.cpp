// Program changes, sample-rate changes and switch changes from other threads
// while the audio thread processes: every block must run one correction
// whole. Run under the thread sanitizer as well (label tsan).
#include "FakeDesktop.h"
#include "TestSupport.h"

#include "plugin/ADelay.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

using namespace kestrava::engine;
using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

vst2::VstIntPtr host(vst2::AEffect*, vst2::VstInt32 opcode, vst2::VstInt32, vst2::VstIntPtr, void*, float)
{
    return opcode == vst2::audioMasterVersion ? vst2::kVstVersion : 0;
}

// Sections whose gains are all 0 pass the signal unchanged, so a steady
// input of 1 comes out as exactly the output gain; the section counts
// differ so that a half-copied filter would show.
CorrectionSet flatCorrection(int sections, double outputGain)
{
    return makeCorrection(sections, outputGain, 0.0);
}

TEST(HandoverStressTest, EveryBlockRunsOneCorrectionWhole)
{
    ScratchFolder folder;
    writeCorrection(folder.file("two.alg"), flatCorrection(199, 2.0));
    writeCorrection(folder.file("three.alg"), flatCorrection(37, 3.0));

    FakeDesktop desktop;
    auto effect = std::make_unique<ADelay>(host, desktop.services());
    std::vector<ProgramRecord> records(16);
    void* data = nullptr;
    effect->getChunk(&data, false);
    std::memcpy(records.data(), data, sizeof(ProgramRecord) * 16);
    std::snprintf(records[1].path, sizeof records[1].path, "%s", folder.file("two.alg").c_str());
    std::snprintf(records[2].path, sizeof records[2].path, "%s", folder.file("three.alg").c_str());
    for (ProgramRecord& record : records)
        record.air = 1.0f;
    ASSERT_EQ(effect->setChunk(records.data(), 16 * sizeof(ProgramRecord), false), 1);
    effect->setProgram(1);

    std::atomic<bool> done{false};
    std::thread programs([&] {
        const float rates[] = {44100.0f, 48000.0f, 96000.0f};
        for (int change = 0; change < 300; ++change) {
            effect->setProgram(1 + change % 2);
            if (change % 7 == 0)
                effect->setSampleRate(rates[change % 3]);
        }
        done.store(true);
    });
    std::thread switches([&] {
        for (int change = 0; !done.load(); ++change)
            effect->setParameter(kInputParameter, static_cast<float>(change % 2));
    });

    std::vector<double> in1(256, 1.0), in2(256, 1.0), out1(256), out2(256);
    double* inputs[2] = {in1.data(), in2.data()};
    double* outputs[2] = {out1.data(), out2.data()};
    long blocks = 0;
    while (!done.load() || blocks < 10) {
        effect->processDoubleReplacing(inputs, outputs, 256);
        ++blocks;
        ASSERT_TRUE(out1[0] == 2.0 || out1[0] == 3.0) << out1[0];
        for (int i = 0; i < 256; ++i) {
            ASSERT_EQ(out1[i], out1[0]) << "block " << blocks << " frame " << i;
            ASSERT_EQ(out2[i], out1[0]);
        }
    }
    programs.join();
    switches.join();
    EXPECT_TRUE(desktop.messages.shown.empty());
}

}  // namespace
}  // namespace kestrava::test

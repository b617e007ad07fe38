// The LV2 plug-in in a lilv host, loaded from the build folder: it sounds
// bit for bit like the VST 2.4 library for the same correction, switches,
// rate and input; its state brings the file and switches back in another
// instance, also after the session folder moved; and a file set while it
// runs is loaded by the worker and takes over between two blocks, with no
// block lost, mixed or allocated for on the audio thread.
#include "Lv2Host.h"
#include "PluginLibrary.h"
#include "TestSupport.h"

#include "plugin/ProgramRecord.h"
#include "plugin/Vst2.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

namespace kestrava::test {
namespace {

using namespace plugin::vst2;

Lv2World& world()
{
    static Lv2World instance(SONALVE_LV2_BUNDLE);
    return instance;
}

PluginLibrary& vst2Library()
{
    static PluginLibrary instance(SONALVE_LIBRARY);
    return instance;
}

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

std::vector<float> floatNoise(std::size_t count, unsigned seed)
{
    const std::vector<double> samples = noise(count, seed);
    return {samples.begin(), samples.end()};
}

class Lv2Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(world().plugin(), nullptr) << "no plug-in in " << SONALVE_LV2_BUNDLE;
        ASSERT_TRUE(vst2Library().loaded()) << vst2Library().error();
        writeCorrection(folder.file("cello.alg"), makeCorrection(199, 1.1));
        writeCorrection(folder.file("viola.alg"), makeCorrection(150, 0.7, -0.4));
    }

    std::unique_ptr<Lv2Instance> lv2(double rate, const std::string& file, float input, float air)
    {
        auto instance = std::make_unique<Lv2Instance>(world(), rate);
        EXPECT_TRUE(instance->loaded());
        instance->input_ = input;
        instance->air_ = air;
        instance->setCorrection(file);
        EXPECT_TRUE(instance->waitForCorrection(file));
        return instance;
    }

    ScratchFolder folder;
};

struct Setting {
    float input;
    bool airOn;
    float rate;
    std::size_t block;
};

class Lv2MatchesVst2 : public Lv2Test, public ::testing::WithParamInterface<Setting> {};

TEST_P(Lv2MatchesVst2, BitForBit)
{
    const Setting s = GetParam();
    const std::vector<float> in1 = floatNoise(6000, 3), in2 = floatNoise(6000, 4);

    AEffect* effect = vst2Library().entry("VSTPluginMain")(quietHost);
    ASSERT_NE(effect, nullptr);
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, s.rate);
    plugin::ProgramRecord record{};
    std::snprintf(record.path, sizeof record.path, "%s", folder.file("cello.alg").c_str());
    record.input = s.input;
    record.air = s.airOn ? 0.0f : 1.0f;
    ASSERT_EQ(effect->dispatcher(effect, effSetChunk, 1, sizeof record, &record, 0.0f), 1);
    std::vector<float> a1(in1), a2(in2), vst1(in1.size()), vst2(in1.size());
    for (std::size_t start = 0; start < in1.size(); start += s.block) {
        const auto frames = static_cast<VstInt32>(std::min(s.block, in1.size() - start));
        float* inputs[2] = {&a1[start], &a2[start]};
        float* outputs[2] = {&vst1[start], &vst2[start]};
        effect->processReplacing(effect, inputs, outputs, frames);
    }
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);

    const auto instance = lv2(s.rate, folder.file("cello.alg"), s.input, s.airOn ? 1.0f : 0.0f);
    const auto [lv2Left, lv2Right] = instance->process(in1, in2, s.block);
    EXPECT_EQ(lv2Left, vst1);
    EXPECT_EQ(lv2Right, vst2);
    EXPECT_NE(lv2Left, in2);
}

INSTANTIATE_TEST_SUITE_P(Settings, Lv2MatchesVst2,
                         ::testing::Values(Setting{1.0f, true, 48000.0f, 512}, Setting{0.0f, false, 44100.0f, 64},
                                           Setting{1.0f, false, 96000.0f, 1000}, Setting{0.0f, true, 22050.0f, 1}),
                         [](const ::testing::TestParamInfo<Setting>& info) {
                             const Setting& s = info.param;
                             return std::string(s.input == 0.0f ? "Left" : "Right") + (s.airOn ? "AirOn" : "AirOff")
                                    + std::to_string(static_cast<int>(s.rate)) + "HzBlock" + std::to_string(s.block);
                         });

TEST_F(Lv2Test, StateBringsTheFileAndSwitchesBackInAMovedSession)
{
    const auto saved = lv2(48000.0, folder.file("viola.alg"), 0.0f, 0.0f);
    const std::string session = folder.file("session");
    std::filesystem::create_directories(session);
    saved->saveState(session);
    std::filesystem::rename(session, folder.file("moved"));

    Lv2Instance restored(world(), 48000.0);
    ASSERT_TRUE(restored.restoreState(folder.file("moved") + "/state.ttl"));
    EXPECT_EQ(restored.input_, 0.0f);
    EXPECT_EQ(restored.air_, 0.0f);
    restored.run(nullptr, nullptr, nullptr, nullptr, 0);
    EXPECT_EQ(std::filesystem::path(restored.announced()).filename(), "viola.alg");

    const std::vector<float> in1 = floatNoise(3000, 5), in2 = floatNoise(3000, 6);
    EXPECT_EQ(restored.process(in1, in2, 256), saved->process(in1, in2, 256));
}

TEST_F(Lv2Test, FileSetWhileRunningTakesOverBetweenBlocksThroughTheWorker)
{
    const auto instance = lv2(48000.0, folder.file("cello.alg"), 1.0f, 0.0f);
    Reference before(makeCorrection(199, 1.1), 48000.0);
    std::unique_ptr<Reference> after;
    instance->setCorrection(folder.file("viola.alg"));

    constexpr std::uint32_t kBlock = 128;
    std::vector<float> silent(kBlock, 0.0f), out1(kBlock), out2(kBlock);
    for (unsigned seed = 100; seed < 400 && instance->announced() != folder.file("viola.alg"); ++seed) {
        std::vector<float> in = floatNoise(kBlock, seed);
        instance->run(silent.data(), in.data(), out1.data(), out2.data(), kBlock);
        EXPECT_EQ(instance->runAllocations(), 0u);
        // Each block runs the old correction or, from one block on, the
        // new one from cleared sections: never a mixture, never silence.
        std::vector<float> old(kBlock);
        for (std::uint32_t i = 0; i < kBlock; ++i)
            old[i] = static_cast<float>(before.frame(in[i], false).left);
        if (after == nullptr && out1 != old)
            after = std::make_unique<Reference>(makeCorrection(150, 0.7, -0.4), 48000.0);
        if (after != nullptr) {
            for (std::uint32_t i = 0; i < kBlock; ++i)
                ASSERT_EQ(out1[i], static_cast<float>(after->frame(in[i], false).left)) << seed << " " << i;
        }
        EXPECT_EQ(out1, out2);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(instance->announced(), folder.file("viola.alg"));
    EXPECT_NE(after, nullptr);
}

}  // namespace
}  // namespace kestrava::test

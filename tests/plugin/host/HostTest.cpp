// The project's own VST 2.4 host: loads the built Sonalve library through
// its exported entry, drives it only through the AEffect record (dispatcher,
// parameter and processing entries) and records every host callback it
// receives. Runs natively against Sonalve.so and under Wine against
// Sonalve.dll.
#include "SonalveLibrary.h"

#include "plugin/ProgramRecord.h"
#include "plugin/Vst2.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

using namespace kestrava::engine;
using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

using namespace vst2;

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

std::vector<HostCall> hostCalls;
VstIntPtr versionAnswer = kVstVersion;

VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    hostCalls.push_back({effect, opcode, index, value, ptr, opt});
    return opcode == audioMasterVersion ? versionAnswer : 0;
}

class HostTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library().loaded()) << library().error();
        hostCalls.clear();
        versionAnswer = kVstVersion;
        VstPluginMainProc entry = library().entry("VSTPluginMain");
        ASSERT_NE(entry, nullptr);
        effect_ = entry(recordingHost);
        ASSERT_NE(effect_, nullptr);
    }

    void TearDown() override
    {
        if (effect_ != nullptr) {
            EXPECT_EQ(dispatch(effClose), 1);
        }
        // The effect asks its host for nothing but the version.
        for (const HostCall& call : hostCalls)
            EXPECT_EQ(call.opcode, audioMasterVersion);
    }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    std::vector<ProgramRecord> bank()
    {
        void* data = nullptr;
        const VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
        EXPECT_EQ(size, 16 * 1056);
        std::vector<ProgramRecord> records(16);
        std::memcpy(records.data(), data, 16 * sizeof(ProgramRecord));
        return records;
    }

    ProgramRecord preset()
    {
        void* data = nullptr;
        EXPECT_EQ(dispatch(effGetChunk, 1, 0, &data), 1056);
        ProgramRecord record;
        std::memcpy(&record, data, sizeof record);
        return record;
    }

    bool restoreBank(std::vector<ProgramRecord>& records)
    {
        return dispatch(effSetChunk, 0, static_cast<VstIntPtr>(records.size() * sizeof(ProgramRecord)),
                        records.data())
               == 1;
    }

    // Puts `path` with the given switches into program `program` of the bank
    // and restores the bank.
    void nameFileInProgram(int program, const std::string& path, float input, float air)
    {
        std::vector<ProgramRecord> records = bank();
        std::snprintf(records[program].path, sizeof records[program].path, "%s", path.c_str());
        records[program].input = input;
        records[program].air = air;
        ASSERT_TRUE(restoreBank(records));
    }

    template <class Sample>
    void process(std::vector<Sample>& in1, std::vector<Sample>& in2, std::vector<Sample>& out1,
                 std::vector<Sample>& out2, int blockSize)
    {
        for (std::size_t start = 0; start < in1.size(); start += blockSize) {
            const int frames = static_cast<int>(std::min<std::size_t>(blockSize, in1.size() - start));
            Sample* inputs[2] = {in1.data() + start, in2.data() + start};
            Sample* outputs[2] = {out1.data() + start, out2.data() + start};
            if constexpr (std::is_same_v<Sample, float>)
                effect_->processReplacing(effect_, inputs, outputs, frames);
            else
                effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
        }
    }

    AEffect* effect_ = nullptr;
};

std::string text(const char* buffer)
{
    return std::string(buffer);
}

TEST_F(HostTest, RecordCarriesTheDescriptor)
{
    EXPECT_EQ(effect_->magic, 0x56737450);
    EXPECT_EQ(effect_->numPrograms, 16);
    EXPECT_EQ(effect_->numParams, 22);
    EXPECT_EQ(effect_->numInputs, 2);
    EXPECT_EQ(effect_->numOutputs, 2);
    EXPECT_EQ(effect_->flags, 0x1031);
    EXPECT_EQ(effect_->initialDelay, 0);
    EXPECT_EQ(effect_->realQualities, 0);
    EXPECT_EQ(effect_->offQualities, 0);
    EXPECT_EQ(effect_->ioRatio, 1.0f);
    EXPECT_NE(effect_->object, nullptr);
    EXPECT_EQ(effect_->user, nullptr);
    EXPECT_EQ(effect_->uniqueID, 0x4B737476);
    EXPECT_EQ(effect_->version, 1);
    EXPECT_NE(effect_->process, nullptr);
    EXPECT_NE(effect_->setParameter, nullptr);
    EXPECT_NE(effect_->getParameter, nullptr);
    EXPECT_NE(effect_->processReplacing, nullptr);
    EXPECT_NE(effect_->processDoubleReplacing, nullptr);

    ASSERT_EQ(hostCalls.size(), 1u);
    EXPECT_EQ(hostCalls[0].opcode, audioMasterVersion);
    EXPECT_EQ(hostCalls[0].effect, nullptr);
    EXPECT_EQ(hostCalls[0].index, 0);
    EXPECT_EQ(hostCalls[0].value, 0);
    EXPECT_EQ(hostCalls[0].ptr, nullptr);
    EXPECT_EQ(hostCalls[0].opt, 0.0f);
}

TEST_F(HostTest, DescriptorAnswers)
{
    char buffer[80];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(dispatch(effGetEffectName, 0, 0, buffer), 1);
    EXPECT_EQ(text(buffer), "Sonalve");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(dispatch(effGetProductString, 0, 0, buffer), 1);
    EXPECT_EQ(text(buffer), "Sonalve");
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(dispatch(effGetVendorString, 0, 0, buffer), 1);
    EXPECT_GT(std::strlen(buffer), 0u);
    EXPECT_LE(std::strlen(buffer), 63u);
    EXPECT_EQ(dispatch(effGetVendorVersion), 1380);
    EXPECT_EQ(dispatch(effGetPlugCategory), 1);
    EXPECT_EQ(dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(dispatch(effIdentify), 0x4E764566);
}

TEST_F(HostTest, DispatcherDefaults)
{
    char canDo[] = "receiveVstMidiEvent";
    EXPECT_EQ(dispatch(effCanDo, 0, 0, canDo), 0);
    char sendMidi[] = "sendVstMidiEvent";
    EXPECT_EQ(dispatch(effCanDo, 0, 0, sendMidi), 0);
    EXPECT_EQ(dispatch(effOpen), 0);
    EXPECT_EQ(dispatch(effGetTailSize), 0);
    EXPECT_EQ(dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(dispatch(effSetTotalSampleToProcess, 0, 4321), 4321);
    EXPECT_EQ(dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(dispatch(effSetBlockSize, 0, 512), 0);
    EXPECT_EQ(dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(dispatch(effMainsChanged, 0, 0), 0);

    void* input = &canDo;
    void* output = &sendMidi;
    EXPECT_EQ(dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);

    // Opcodes the effect does not serve answer 0, the deprecated ones too.
    const VstInt32 unserved[] = {effProcessEvents, effString2Parameter, effGetInputProperties,
                                 effGetOutputProperties, effOfflineNotify, effOfflinePrepare, effOfflineRun,
                                 effProcessVarIo, effSetSpeakerArrangement, effSetBypass, effVendorSpecific,
                                 effGetParameterProperties, effGetMidiProgramName, effGetMidiProgramCategory,
                                 effHasMidiProgramsChanged, effGetMidiKeyName, effBeginSetProgram,
                                 effEndSetProgram, effShellGetNextPlugin, effStartProcess, effStopProcess,
                                 effSetPanLaw, effBeginLoadBank, effBeginLoadProgram, effSetProcessPrecision,
                                 effGetNumMidiInputChannels, effGetNumMidiOutputChannels, 9, 16, 17, 18, 20,
                                 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 1000};
    for (VstInt32 opcode : unserved)
        EXPECT_EQ(dispatch(opcode), 0) << "opcode " << opcode;
}

TEST_F(HostTest, EditorRectangleBeforeAndAfterOpening)
{
    ERect* rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 123);
    EXPECT_EQ(rect->right, 250);

    // A parent that is not a window is refused, harmlessly; the real
    // windows are the editor window test's.
    int parentWindow = 0;
    EXPECT_EQ(dispatch(effEditOpen, 0, 0, &parentWindow), 0);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    EXPECT_EQ(dispatch(effEditClose), 0);
    EXPECT_EQ(dispatch(effEditIdle), 0);
    rect = nullptr;
    EXPECT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 250);
    EXPECT_EQ(rect->bottom - rect->top, 123);
}

TEST_F(HostTest, EveryParameterHasEmptyTextsAndCanBeAutomated)
{
    for (VstInt32 index = 0; index < 22; ++index) {
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay}) {
            char buffer[64];
            std::memset(buffer, 'x', sizeof buffer);
            EXPECT_EQ(dispatch(opcode, index, 0, buffer), 0);
            EXPECT_EQ(buffer[0], '\0') << "opcode " << opcode << " index " << index;
        }
        EXPECT_EQ(dispatch(effCanBeAutomated, index), 1) << index;
        const float expected = index == 17 ? 1.0f : 0.0f;
        EXPECT_EQ(effect_->getParameter(effect_, index), expected) << index;
    }
}

TEST_F(HostTest, SwitchParametersAreHeldToTheirRange)
{
    constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
    constexpr float kInf = std::numeric_limits<float>::infinity();
    // Each value is set on both switches after a known 0.25; what is kept.
    const std::vector<std::pair<float, float>> cases = {
        {0.75f, 0.75f}, {-1.0f, 0.0f}, {2.0f, 1.0f}, {kInf, 1.0f}, {-kInf, 0.0f}, {kNaN, 0.25f}, {-0.0f, 0.0f}};
    for (const auto& [value, kept] : cases) {
        for (VstInt32 index : {17, 18}) {
            effect_->setParameter(effect_, index, 0.25f);
            effect_->setParameter(effect_, index, value);
            EXPECT_EQ(effect_->getParameter(effect_, index), kept) << index << " " << value;
        }
        const ProgramRecord record = preset();
        EXPECT_EQ(std::bit_cast<std::uint32_t>(record.input), std::bit_cast<std::uint32_t>(kept)) << value;
        EXPECT_EQ(std::bit_cast<std::uint32_t>(record.air), std::bit_cast<std::uint32_t>(kept)) << value;
    }
    effect_->setParameter(effect_, 5, 0.7f);
    EXPECT_EQ(effect_->getParameter(effect_, 5), 0.0f);
}

TEST_F(HostTest, FreshBankHoldsTheDefaultPrograms)
{
    const std::vector<ProgramRecord> records = bank();
    for (int p = 0; p < 16; ++p) {
        EXPECT_EQ(text(records[p].name), "program " + std::to_string(p));
        EXPECT_EQ(text(records[p].path), "None");
        EXPECT_EQ(records[p].input, 1.0f);
        EXPECT_EQ(records[p].air, 0.0f);
    }
    char name[32];
    dispatch(effGetProgramName, 0, 0, name);
    EXPECT_EQ(text(name), "program 0");
}

TEST_F(HostTest, PresetChunkFollowsTheCurrentProgram)
{
    dispatch(effSetProgram, 0, 5);
    effect_->setParameter(effect_, 18, 1.0f);
    const ProgramRecord record = preset();
    EXPECT_EQ(text(record.name), "program 5");
    EXPECT_EQ(record.air, 1.0f);
    EXPECT_EQ(bank()[5].air, 1.0f);
    EXPECT_EQ(bank()[4].air, 0.0f);
}

TEST_F(HostTest, BankChunkGoesOutAndComesBackIn)
{
    dispatch(effSetProgram, 0, 2);
    effect_->setParameter(effect_, 17, 0.0f);
    char name[] = "Rosewood";
    dispatch(effSetProgramName, 0, 0, name);
    std::vector<ProgramRecord> saved = bank();

    // A second instance restores what the first one saved.
    AEffect* first = effect_;
    effect_ = library().entry("VSTPluginMain")(recordingHost);
    ASSERT_NE(effect_, nullptr);
    dispatch(effSetProgram, 0, 2);
    EXPECT_TRUE(restoreBank(saved));
    EXPECT_EQ(std::memcmp(bank().data(), saved.data(), saved.size() * sizeof(ProgramRecord)), 0);
    char restoredName[32];
    dispatch(effGetProgramName, 0, 0, restoredName);
    EXPECT_EQ(text(restoredName), "Rosewood");
    EXPECT_EQ(effect_->getParameter(effect_, 17), 0.0f);
    EXPECT_EQ(first->dispatcher(first, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(HostTest, ChunksOfTheWrongSizeAreRefused)
{
    std::vector<ProgramRecord> records = bank();
    std::strcpy(records[0].name, "changed");
    std::vector<std::uint8_t> bytes(16 * sizeof(ProgramRecord) + 1);
    std::memcpy(bytes.data(), records.data(), 16 * sizeof(ProgramRecord));
    EXPECT_EQ(dispatch(effSetChunk, 0, 16897, bytes.data()), 0);
    EXPECT_EQ(dispatch(effSetChunk, 0, 16895, bytes.data()), 0);
    EXPECT_EQ(dispatch(effSetChunk, 1, 1055, bytes.data()), 0);
    EXPECT_EQ(dispatch(effSetChunk, 1, 1057, bytes.data()), 0);
    EXPECT_EQ(text(bank()[0].name), "program 0");

    EXPECT_EQ(dispatch(effSetChunk, 1, 1056, bytes.data()), 1);
    EXPECT_EQ(text(bank()[0].name), "changed");
}

TEST_F(HostTest, ProgramsAndTheirNames)
{
    EXPECT_EQ(dispatch(effGetProgram), 0);
    dispatch(effSetProgram, 0, 3);
    EXPECT_EQ(dispatch(effGetProgram), 3);
    dispatch(effSetProgram, 0, 16);
    dispatch(effSetProgram, 0, -1);
    EXPECT_EQ(dispatch(effGetProgram), 3);

    char longName[] = "abcdefghijklmnopqrstuvwxyz1234";
    dispatch(effSetProgramName, 0, 0, longName);
    char name[64];
    std::memset(name, 'x', sizeof name);
    dispatch(effGetProgramName, 0, 0, name);
    EXPECT_EQ(text(name), "abcdefghijklmnopqrstuvw");
    EXPECT_EQ(text(bank()[3].path), "None");

    for (VstInt32 index = 0; index < 16; ++index) {
        std::memset(name, 'x', sizeof name);
        EXPECT_EQ(dispatch(effGetProgramNameIndexed, index, 0, name), 1);
        EXPECT_EQ(text(name), index == 3 ? "abcdefghijklmnopqrstuvw" : "program " + std::to_string(index));
    }
    EXPECT_EQ(dispatch(effGetProgramNameIndexed, 16, 0, name), 0);
}

TEST_F(HostTest, VersionAnswerZeroCreatesNothing)
{
    versionAnswer = 0;
    EXPECT_EQ(library().entry("VSTPluginMain")(recordingHost), nullptr);
    EXPECT_EQ(library().entry("main")(recordingHost), nullptr);
}

TEST_F(HostTest, MainIsTheSameEntry)
{
    VstPluginMainProc alias = library().entry("main");
    ASSERT_NE(alias, nullptr);
    AEffect* second = alias(recordingHost);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, effect_);
    EXPECT_EQ(second->uniqueID, effect_->uniqueID);
    EXPECT_EQ(second->flags, effect_->flags);
    EXPECT_EQ(second->dispatcher(second, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST_F(HostTest, PassThroughIsBitExactInBothPrecisions)
{
    std::vector<double> source = noise(3000, 7, 4.0);
    source[10] = std::numeric_limits<double>::quiet_NaN();
    source[11] = std::numeric_limits<double>::infinity();
    source[12] = -0.0;
    source[13] = 1e-310;
    source[14] = std::numeric_limits<float>::denorm_min();

    std::vector<double> in1(source), in2(source.rbegin(), source.rend());
    std::vector<double> out1(in1.size()), out2(in1.size());
    effect_->setParameter(effect_, 18, 0.0f);
    process(in1, in2, out1, out2, 512);
    EXPECT_EQ(std::memcmp(out1.data(), in1.data(), in1.size() * sizeof(double)), 0);
    EXPECT_EQ(std::memcmp(out2.data(), in2.data(), in2.size() * sizeof(double)), 0);

    std::vector<float> f1(in1.begin(), in1.end()), f2(in2.begin(), in2.end());
    std::vector<float> g1(f1.size()), g2(f1.size());
    process(f1, f2, g1, g2, 333);
    EXPECT_EQ(std::memcmp(g1.data(), f1.data(), f1.size() * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(g2.data(), f2.data(), f2.size() * sizeof(float)), 0);
}

TEST_F(HostTest, ZeroFramesTouchNothing)
{
    std::vector<float> in1(8, 0.5f), in2(8, 0.25f), out1(8, 7.0f), out2(8, 9.0f);
    float* inputs[2] = {in1.data(), in2.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    effect_->processReplacing(effect_, inputs, outputs, 0);
    effect_->processReplacing(effect_, inputs, outputs, -4);
    EXPECT_EQ(out1, std::vector<float>(8, 7.0f));
    EXPECT_EQ(out2, std::vector<float>(8, 9.0f));
}

struct Routing {
    float input;
    float air;
    int blockSize;
};

class LoadedCorrection : public HostTest, public ::testing::WithParamInterface<Routing> {};

TEST_P(LoadedCorrection, ProcessesTheSelectedInputInBothPrecisions)
{
    const Routing routing = GetParam();
    ScratchFolder folder;
    const CorrectionSet set = makeCorrection(199, 1.3);
    writeCorrection(folder.file("guitar.alg"), set);

    const std::vector<double> left = noise(2500, 11), right = noise(2500, 12);
    const bool useLeft = routing.input == 0.0f;
    const bool airOn = routing.air == 0.0f;

    {
        dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        nameFileInProgram(0, folder.file("guitar.alg"), routing.input, routing.air);
        auto reference = std::make_unique<Reference>(set, 48000.0);
        std::vector<double> in1(left), in2(right), out1(left.size()), out2(left.size());
        process(in1, in2, out1, out2, routing.blockSize);
        for (std::size_t i = 0; i < left.size(); ++i) {
            const StereoSample expected = reference->frame(useLeft ? left[i] : right[i], airOn);
            ASSERT_EQ(out1[i], expected.left) << i;
            ASSERT_EQ(out2[i], expected.right) << i;
        }
    }
    {
        // A fresh instance for single precision, so both start from the
        // same state.
        ASSERT_EQ(dispatch(effClose), 1);
        effect_ = library().entry("VSTPluginMain")(recordingHost);
        ASSERT_NE(effect_, nullptr);
        dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        nameFileInProgram(0, folder.file("guitar.alg"), routing.input, routing.air);
        auto reference = std::make_unique<Reference>(set, 48000.0);
        std::vector<float> in1(left.begin(), left.end()), in2(right.begin(), right.end());
        std::vector<float> out1(left.size()), out2(left.size());
        process(in1, in2, out1, out2, routing.blockSize);
        for (std::size_t i = 0; i < left.size(); ++i) {
            const double x = useLeft ? in1[i] : in2[i];
            const StereoSample expected = reference->frame(x, airOn);
            ASSERT_EQ(out1[i], static_cast<float>(expected.left)) << i;
            ASSERT_EQ(out2[i], static_cast<float>(expected.right)) << i;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Routings, LoadedCorrection,
                         ::testing::Values(Routing{0.0f, 0.0f, 512}, Routing{1.0f, 0.0f, 1},
                                           Routing{0.0f, 1.0f, 300}, Routing{1.0f, 1.0f, 64},
                                           Routing{std::numeric_limits<float>::quiet_NaN(), 0.0f, 2500}),
                         [](const ::testing::TestParamInfo<Routing>& info) {
                             const Routing& r = info.param;
                             const std::string input = r.input == 0.0f ? "Left" : r.input == 1.0f ? "Right" : "NaN";
                             return "Input" + input + (r.air == 0.0f ? "AirOn" : "AirOff") + "Block"
                                    + std::to_string(r.blockSize);
                         });

TEST_F(HostTest, SampleRateChangeReDerivesFilterAndAir)
{
    ScratchFolder folder;
    const CorrectionSet set = makeCorrection(199, 0.9);
    writeCorrection(folder.file("mandolin.alg"), set);
    const std::vector<double> signal = noise(6000, 21);

    dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    nameFileInProgram(0, folder.file("mandolin.alg"), 1.0f, 0.0f);
    auto reference = std::make_unique<Reference>(set, 96000.0);

    std::vector<double> silent(3000, 0.0), in2(signal.begin(), signal.begin() + 3000);
    std::vector<double> out1(3000), out2(3000);
    process(silent, in2, out1, out2, 256);
    for (std::size_t i = 0; i < 3000; ++i) {
        const StereoSample expected = reference->frame(in2[i], true);
        ASSERT_EQ(out1[i], expected.left) << i;
        ASSERT_EQ(out2[i], expected.right) << i;
    }

    // 44,100 Hz: the correction stays, its sections start cleared, and the
    // Air memory runs on with the new lengths.
    dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    reference->filter.setSampleRate(44100.0);
    reference->air.prepare(44100.0);
    std::vector<double> rest(signal.begin() + 3000, signal.end());
    process(silent, rest, out1, out2, 256);
    for (std::size_t i = 0; i < 3000; ++i) {
        const StereoSample expected = reference->frame(rest[i], true);
        ASSERT_EQ(out1[i], expected.left) << i;
        ASSERT_EQ(out2[i], expected.right) << i;
    }
}

TEST_F(HostTest, ProgramChangeReadsTheNamedFileAndFallsBackWhenItIsGone)
{
    ScratchFolder folder;
    const CorrectionSet set = makeCorrection(40, 2.0);
    writeCorrection(folder.file("violin.alg"), set);
    nameFileInProgram(4, folder.file("violin.alg"), 0.0f, 1.0f);

    // Program 0 is still current and names no file: pass-through.
    std::vector<double> in1 = noise(1000, 31), in2 = noise(1000, 32), out1(1000), out2(1000);
    process(in1, in2, out1, out2, 128);
    EXPECT_EQ(out1, in1);
    EXPECT_EQ(out2, in2);

    dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(effect_->getParameter(effect_, 17), 0.0f);
    EXPECT_EQ(effect_->getParameter(effect_, 18), 1.0f);
    auto reference = std::make_unique<Reference>(set, 44100.0);
    process(in1, in2, out1, out2, 128);
    for (std::size_t i = 0; i < in1.size(); ++i) {
        const StereoSample expected = reference->frame(in1[i], false);
        ASSERT_EQ(out1[i], expected.left) << i;
        ASSERT_EQ(out2[i], expected.right) << i;
    }

    std::filesystem::remove(folder.file("violin.alg"));
    dispatch(effSetProgram, 0, 4);
    EXPECT_EQ(text(preset().path), "None");
    process(in1, in2, out1, out2, 128);
    EXPECT_EQ(out1, in1);
    EXPECT_EQ(out2, in2);
}

#if !defined(_WIN32)
TEST_F(HostTest, LoadParameterWithoutADesktopChangesNothing)
{
    // The host runs without a display, so no file chooser can start.
    EXPECT_TRUE(std::filesystem::is_directory(scratchHome().path() / "Documents" / "Kestrava Sonalve"));
    const std::vector<ProgramRecord> before = bank();
    effect_->setParameter(effect_, 19, 1.0f);
    effect_->setParameter(effect_, 19, 0.0f);
    EXPECT_EQ(effect_->getParameter(effect_, 19), 0.0f);
    EXPECT_EQ(std::memcmp(bank().data(), before.data(), before.size() * sizeof(ProgramRecord)), 0);
}
#endif

TEST_F(HostTest, CloseAnswersOne)
{
    EXPECT_EQ(dispatch(effClose), 1);
    effect_ = nullptr;
}

}  // namespace
}  // namespace kestrava::test

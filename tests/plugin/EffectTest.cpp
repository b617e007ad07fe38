// The Sonalve effect in process, with fake desktop services: the data
// folder, the correction-file chooser, program and chunk rules, the editor
// refresh flag, automation reports and the mends for unterminated chunk
// texts and damaged files.
#include "FakeDesktop.h"
#include "TestSupport.h"

#include "editor/NativeEditorServices.h"
#include "formats/vst2/Vst2Editor.h"
#include "plugin/ADelay.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace kestrava::editor;
using namespace kestrava::engine;
using namespace kestrava::platform;
using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

using namespace vst2;

struct HostCall {
    VstInt32 opcode;
    VstInt32 index;
    float opt;
    float parameterAtCall;
};

std::vector<HostCall> hostCalls;

VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    const float parameter = effect != nullptr ? effect->getParameter(effect, index) : 0.0f;
    hostCalls.push_back({opcode, index, opt, parameter});
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

class EffectTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        hostCalls.clear();
        effect = std::make_unique<ADelay>(recordingHost, desktop.services());
        effect->setEditor(std::make_unique<formats::Vst2Editor>(effect.get(), nativeEditorServices()));
    }

    ProgramRecord& preset()
    {
        void* data = nullptr;
        EXPECT_EQ(effect->getChunk(&data, true), 1056);
        return *static_cast<ProgramRecord*>(data);
    }

    void nameFile(const std::string& path)
    {
        ProgramRecord record = preset();
        std::snprintf(record.path, sizeof record.path, "%s", path.c_str());
        ASSERT_EQ(effect->setChunk(&record, sizeof record, true), 1);
    }

    // Runs `frames` of noise through input 2 and returns both outputs.
    std::pair<std::vector<double>, std::vector<double>> run(const std::vector<double>& signal)
    {
        std::vector<double> in1(signal.size(), 0.0), in2(signal), out1(signal.size()), out2(signal.size());
        double* inputs[2] = {in1.data(), in2.data()};
        double* outputs[2] = {out1.data(), out2.data()};
        effect->processDoubleReplacing(inputs, outputs, static_cast<VstInt32>(signal.size()));
        return {out1, out2};
    }

    void expectReference(const std::vector<double>& signal, Reference& reference, bool airOn)
    {
        const auto [left, right] = run(signal);
        for (std::size_t i = 0; i < signal.size(); ++i) {
            const StereoSample expected = reference.frame(signal[i], airOn);
            ASSERT_EQ(left[i], expected.left) << i;
            ASSERT_EQ(right[i], expected.right) << i;
        }
    }

    FakeDesktop desktop;
    ScratchFolder folder;
    std::unique_ptr<ADelay> effect;
};

TEST_F(EffectTest, EditorObjectExistsBeforeAnyWindow)
{
    AEffEditor* editor = effect->getEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_NE(effect->getAeffect()->flags & effFlagsHasEditor, 0);
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 123);
    EXPECT_EQ(rect->right, 250);
    EXPECT_FALSE(editor->isOpen());

    // Something that is not a window cannot take the panel; the real
    // windows are the editor window test's.
    int parentWindow = 0;
    EXPECT_EQ(effect->dispatcher(effEditOpen, 0, 0, &parentWindow, 0.0f), 0);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(editor->isOpen());
    EXPECT_EQ(effect->dispatcher(effSetEditKnobMode, 0, 2, nullptr, 0.0f), 1);
    EXPECT_EQ(editor->knobMode(), 2);
}

TEST_F(EffectTest, DataFolderIsPreparedInTheDocumentsFolder)
{
    EXPECT_STREQ(effect->correctionFolder(), "/home/player/Documents/Kestrava Sonalve/");
    ASSERT_EQ(desktop.shell.created.size(), 1u);
    EXPECT_EQ(desktop.shell.created[0], "/home/player/Documents/Kestrava Sonalve/");
    EXPECT_TRUE(desktop.messages.shown.empty());
}

TEST_F(EffectTest, ExistingDataFolderIsLeftAlone)
{
    std::filesystem::create_directories(folder.path() / "Kestrava Sonalve");
    FakeDesktop other;
    other.shell.documents = folder.path().string();
    ADelay second(recordingHost, other.services());
    EXPECT_EQ(std::string(second.correctionFolder()), folder.path().string() + "/Kestrava Sonalve/");
    EXPECT_TRUE(other.shell.created.empty());
}

TEST_F(EffectTest, MissingDocumentsFolderIsReportedAndConstructionGoesOn)
{
    FakeDesktop other;
    other.shell.documents.reset();
    ADelay second(recordingHost, other.services());
    ASSERT_EQ(other.messages.shown.size(), 1u);
    EXPECT_EQ(other.messages.shown[0].text, "SHGetFolderPath Error.");
    EXPECT_EQ(other.messages.shown[0].caption, "Error");
    EXPECT_EQ(other.messages.shown[0].icon, MessageIcon::Error);
    EXPECT_STREQ(second.correctionFolder(), "/Kestrava Sonalve/");
    EXPECT_EQ(second.getProgram(), 0);
}

TEST_F(EffectTest, ChooserStartsFromTheCurrentPathAndTheDataFolder)
{
    effect->setParameter(kLoadParameter, 1.0f);
    ASSERT_EQ(desktop.fileDialog.requests.size(), 1u);
    const OpenFileRequest& request = desktop.fileDialog.requests[0];
    EXPECT_EQ(request.filterDescription, "DOV file");
    EXPECT_EQ(request.filterPattern, "*.alg");
    EXPECT_EQ(request.initialName, "None");
    EXPECT_EQ(request.initialFolder, "/home/player/Documents/Kestrava Sonalve/");
    EXPECT_EQ(request.defaultExtension, "alg");
}

TEST_F(EffectTest, CancelledChooserChangesNothing)
{
    effect->setParameter(kLoadParameter, 0.0f);
    EXPECT_EQ(desktop.fileDialog.requests.size(), 1u);
    EXPECT_EQ(effect->correctionPath(), "None");
    EXPECT_FALSE(effect->editorRefreshPending());
    EXPECT_EQ(effect->getParameter(kLoadParameter), 0.0f);
}

TEST_F(EffectTest, ChosenFileBecomesTheCorrectionOfTheCurrentProgram)
{
    const CorrectionSet set = makeCorrection(199, 1.1);
    writeCorrection(folder.file("cello.alg"), set);
    effect->setProgram(6);
    effect->clearEditorRefresh();
    desktop.fileDialog.answers.push_back(folder.file("cello.alg"));

    // Any value opens the chooser, 0.0 included.
    effect->setParameter(kLoadParameter, 0.0f);
    EXPECT_EQ(effect->getParameter(kLoadParameter), 0.0f);
    EXPECT_EQ(effect->correctionPath(), folder.file("cello.alg"));
    EXPECT_STREQ(preset().path, folder.file("cello.alg").c_str());
    EXPECT_TRUE(effect->editorRefreshPending());
    EXPECT_TRUE(desktop.messages.shown.empty());

    auto reference = std::make_unique<Reference>(set, 44100.0);
    expectReference(noise(700, 3), *reference, true);

    // The next chooser starts from the loaded file.
    effect->setParameter(kLoadParameter, 1.0f);
    EXPECT_EQ(desktop.fileDialog.requests.back().initialName, folder.file("cello.alg"));
}

TEST_F(EffectTest, DamagedOrMissingChosenFileIsReportedAndChangesNothing)
{
    writeDamaged(folder.file("notes.alg"));
    desktop.fileDialog.answers.push_back(folder.file("notes.alg"));
    desktop.fileDialog.answers.push_back(folder.file("absent.alg"));

    effect->setParameter(kLoadParameter, 1.0f);
    effect->setParameter(kLoadParameter, 1.0f);
    ASSERT_EQ(desktop.messages.shown.size(), 2u);
    EXPECT_EQ(desktop.messages.shown[0].text, "ALG file is damaged.");
    EXPECT_EQ(desktop.messages.shown[1].text, "CreateFile Error1.");
    for (const ShownMessage& message : desktop.messages.shown) {
        EXPECT_EQ(message.caption, "Error");
        EXPECT_EQ(message.icon, MessageIcon::Error);
    }
    EXPECT_EQ(effect->correctionPath(), "None");
    EXPECT_STREQ(preset().path, "None");
    EXPECT_FALSE(effect->editorRefreshPending());
    const std::vector<double> signal = noise(300, 4);
    EXPECT_EQ(run(signal).second, signal);
}

TEST_F(EffectTest, AutomatedChangeIsAppliedBeforeTheHostHearsOfIt)
{
    effect->setParameterAutomated(kInputParameter, 0.0f);
    ASSERT_EQ(hostCalls.size(), 1u);
    EXPECT_EQ(hostCalls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(hostCalls[0].index, kInputParameter);
    EXPECT_EQ(hostCalls[0].opt, 0.0f);
    EXPECT_EQ(hostCalls[0].parameterAtCall, 0.0f);

    // Cancelling the chooser still tells the host of parameter 19.
    effect->setParameterAutomated(kLoadParameter, 1.0f);
    ASSERT_EQ(hostCalls.size(), 2u);
    EXPECT_EQ(hostCalls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(hostCalls[1].index, kLoadParameter);
    EXPECT_EQ(hostCalls[1].opt, 1.0f);

    // A plain parameter change from the host is not reported back.
    effect->setParameter(kAirParameter, 1.0f);
    EXPECT_EQ(hostCalls.size(), 2u);
}

TEST_F(EffectTest, EditCallbacksReachTheHost)
{
    effect->beginEdit(18);
    effect->masterIdle();
    effect->endEdit(18);
    ASSERT_EQ(hostCalls.size(), 3u);
    EXPECT_EQ(hostCalls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(hostCalls[0].index, 18);
    EXPECT_EQ(hostCalls[1].opcode, audioMasterIdle);
    EXPECT_EQ(hostCalls[2].opcode, audioMasterEndEdit);
    EXPECT_EQ(hostCalls[2].index, 18);
}

TEST_F(EffectTest, EditorRefreshFollowsProgramChangesOnly)
{
    EXPECT_FALSE(effect->editorRefreshPending());
    effect->setParameter(kInputParameter, 0.0f);
    effect->setParameter(kAirParameter, 1.0f);
    EXPECT_FALSE(effect->editorRefreshPending());
    effect->setProgram(16);
    effect->setProgram(-1);
    EXPECT_FALSE(effect->editorRefreshPending());
    EXPECT_EQ(effect->getProgram(), 0);

    effect->setProgram(1);
    EXPECT_TRUE(effect->editorRefreshPending());
    effect->clearEditorRefresh();

    ProgramRecord record = preset();
    EXPECT_EQ(effect->setChunk(&record, 1055, true), 0);
    EXPECT_FALSE(effect->editorRefreshPending());
    EXPECT_EQ(effect->setChunk(&record, 1056, true), 1);
    EXPECT_TRUE(effect->editorRefreshPending());
}

TEST_F(EffectTest, ChunkHandedBackAsItIsRestoresTheSamePrograms)
{
    effect->setParameter(kAirParameter, 1.0f);
    void* data = nullptr;
    const VstInt32 size = effect->getChunk(&data, false);
    std::vector<std::uint8_t> saved(static_cast<const std::uint8_t*>(data),
                                    static_cast<const std::uint8_t*>(data) + size);
    EXPECT_EQ(effect->setChunk(data, size, false), 1);
    effect->getChunk(&data, false);
    EXPECT_EQ(std::memcmp(data, saved.data(), saved.size()), 0);
}

TEST_F(EffectTest, UnterminatedNameIsReadSafely)
{
    ProgramRecord record = preset();
    std::memset(record.name, 'A', sizeof record.name);
    ASSERT_EQ(effect->setChunk(&record, sizeof record, true), 1);

    char buffer[40];
    std::memset(buffer, 'x', sizeof buffer);
    effect->getProgramName(buffer);
    EXPECT_EQ(std::string(buffer), std::string(24, 'A'));
    EXPECT_EQ(buffer[25], 'x');

    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_TRUE(effect->getProgramNameIndexed(0, 0, buffer));
    EXPECT_EQ(std::string(buffer), std::string(24, 'A'));
    EXPECT_EQ(buffer[25], 'x');
}

TEST_F(EffectTest, UnterminatedPathIsReadSafelyAndFallsBackToNone)
{
    std::vector<ProgramRecord> records(16);
    void* data = nullptr;
    effect->getChunk(&data, false);
    std::memcpy(records.data(), data, sizeof(ProgramRecord) * 16);
    std::memset(records[0].path, 'B', sizeof records[0].path);
    std::memset(records[0].name, 'C', sizeof records[0].name);
    ASSERT_EQ(effect->setChunk(records.data(), 16 * sizeof(ProgramRecord), false), 1);
    EXPECT_EQ(effect->correctionPath(), "None");
    EXPECT_STREQ(preset().path, "None");
    EXPECT_TRUE(desktop.messages.shown.empty());
}

TEST_F(EffectTest, DamagedFileFromAFreshInstanceRunsDefinedValues)
{
    // No sample rate has been set and no correction read: the filter is
    // the identity and Air runs with its 44,100 Hz lengths.
    writeDamaged(folder.file("broken.alg"));
    nameFile(folder.file("broken.alg"));
    ASSERT_EQ(desktop.messages.shown.size(), 1u);
    EXPECT_EQ(desktop.messages.shown[0].text, "ALG file is damaged.");
    EXPECT_EQ(effect->correctionPath(), folder.file("broken.alg"));

    CorrectionSet identity;
    auto reference = std::make_unique<Reference>(identity, 44100.0);
    std::vector<double> impulse(2000, 0.0);
    impulse[0] = 1.0;
    expectReference(impulse, *reference, true);
}

TEST_F(EffectTest, FailedReadKeepsTheRunningCorrectionAndItsState)
{
    const CorrectionSet set = makeCorrection(120, 0.7);
    writeCorrection(folder.file("harp.alg"), set);
    writeDamaged(folder.file("broken.alg"));
    nameFile(folder.file("harp.alg"));
    auto reference = std::make_unique<Reference>(set, 44100.0);
    expectReference(noise(500, 5), *reference, true);

    // Program 0 (now naming harp.alg) to program 1 without a file: plain
    // pass-through that leaves the filter alone.
    effect->setProgram(1);
    const std::vector<double> between = noise(200, 6);
    EXPECT_EQ(run(between).second, between);

    // Program 1 named a damaged file: the message, the path kept, and the
    // correction runs on from where it stopped.
    nameFile(folder.file("broken.alg"));
    EXPECT_EQ(desktop.messages.shown.back().text, "ALG file is damaged.");
    EXPECT_EQ(effect->correctionPath(), folder.file("broken.alg"));
    expectReference(noise(500, 7), *reference, true);
}

TEST_F(EffectTest, ReselectingAProgramReadsItsFileAgain)
{
    const CorrectionSet first = makeCorrection(80, 1.0);
    const CorrectionSet second = makeCorrection(150, 0.6, -0.5);
    writeCorrection(folder.file("oud.alg"), first);
    nameFile(folder.file("oud.alg"));
    auto reference = std::make_unique<Reference>(first, 44100.0);
    expectReference(noise(400, 9), *reference, true);

    // The file changed on disk; selecting the same program reads it anew
    // and starts its sections cleared, while Air runs on.
    writeCorrection(folder.file("oud.alg"), second);
    effect->setProgram(0);
    reference->filter.setCorrection(second);
    expectReference(noise(400, 10), *reference, true);
}

TEST_F(EffectTest, SwitchesTellZeroFromAnyOtherValue)
{
    const CorrectionSet set = makeCorrection(0, 1.0);
    writeCorrection(folder.file("flat.alg"), set);
    nameFile(folder.file("flat.alg"));
    effect->setParameter(kAirParameter, 0.5f);
    effect->setParameter(kInputParameter, std::numeric_limits<float>::quiet_NaN());

    // N = 0, gain 1, Air off: both outputs are exactly the selected input.
    std::vector<float> in1 = {0.1f, 0.2f, 0.3f}, in2 = {-0.5f, 0.25f, 1e-30f}, out1(3), out2(3);
    float* inputs[2] = {in1.data(), in2.data()};
    float* outputs[2] = {out1.data(), out2.data()};
    effect->processReplacing(inputs, outputs, 3);
    EXPECT_EQ(out1, in2);
    EXPECT_EQ(out2, in2);

    effect->setParameter(kInputParameter, -0.0f);
    effect->processReplacing(inputs, outputs, 3);
    EXPECT_EQ(out1, in1);
    EXPECT_EQ(out2, in1);
}

TEST_F(EffectTest, InPlaceProcessingReadsEachInputBeforeItIsOverwritten)
{
    const CorrectionSet set = makeCorrection(60, 1.2);
    writeCorrection(folder.file("bass.alg"), set);
    nameFile(folder.file("bass.alg"));
    effect->setParameter(kInputParameter, 0.0f);

    const std::vector<double> signal = noise(1000, 8);
    std::vector<double> left(signal), right(1000, 9.0);
    double* channels[2] = {left.data(), right.data()};
    effect->processDoubleReplacing(channels, channels, 1000);

    auto reference = std::make_unique<Reference>(set, 44100.0);
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const StereoSample expected = reference->frame(signal[i], true);
        ASSERT_EQ(left[i], expected.left) << i;
        ASSERT_EQ(right[i], expected.right) << i;
    }
}

}  // namespace
}  // namespace kestrava::test

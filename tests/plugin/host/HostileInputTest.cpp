// What a misbehaving host or a hostile project can hand the effect, through
// the project's own host: samples that are not finite, sample rates that
// cannot be run, chunks of the wrong size or without data, and programs that
// name something other than a correction file. After each attack the effect
// must still answer, and a finite signal must come out finite again; where
// the attack must change nothing, the output equals that of an instance that
// was never attacked. ctest gives every case its own time limit, so a hang
// is a failure.
#include "SonalveLibrary.h"

#include "plugin/ProgramRecord.h"
#include "plugin/Vst2.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

using namespace kestrava::engine;
using namespace kestrava::plugin;

namespace kestrava::test {
namespace {

using namespace vst2;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr int kBlock = 512;

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// One instance at 48,000 Hz running a 199-section correction with Air on
// from its second input.
class Hosted {
public:
    explicit Hosted(const std::string& correctionPath)
    {
        effect_ = library().entry("VSTPluginMain")(quietHost);
        dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
        EXPECT_EQ(namePath(correctionPath), 1);
    }
    ~Hosted() { dispatch(effClose); }
    Hosted(const Hosted&) = delete;
    Hosted& operator=(const Hosted&) = delete;

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
    }

    // Restores the current program as a preset naming `path`.
    VstIntPtr namePath(const std::string& path)
    {
        ProgramRecord record{};
        std::snprintf(record.name, sizeof record.name, "hostile");
        std::snprintf(record.path, sizeof record.path, "%s", path.c_str());
        record.input = 1.0f;
        record.air = 0.0f;
        return dispatch(effSetChunk, 1, sizeof record, &record);
    }

    template <class Sample>
    std::vector<Sample> run(const std::vector<Sample>& signal)
    {
        std::vector<Sample> silent(signal.size(), Sample{}), in(signal), left(signal.size()), right(signal.size());
        for (std::size_t start = 0; start < signal.size(); start += kBlock) {
            const int frames = static_cast<int>(std::min<std::size_t>(kBlock, signal.size() - start));
            Sample* inputs[2] = {silent.data() + start, in.data() + start};
            Sample* outputs[2] = {left.data() + start, right.data() + start};
            if constexpr (std::is_same_v<Sample, float>)
                effect_->processReplacing(effect_, inputs, outputs, frames);
            else
                effect_->processDoubleReplacing(effect_, inputs, outputs, frames);
        }
        left.insert(left.end(), right.begin(), right.end());
        return left;
    }

    AEffect* effect_ = nullptr;
};

std::vector<double> withBurst(double value)
{
    std::vector<double> signal = noise(3 * kBlock, 41);
    for (std::size_t i = 700; i < 740; ++i)
        signal[i] = (i % 2 == 0) ? value : -value;
    return signal;
}

template <class Sample>
bool allFinite(const std::vector<Sample>& samples)
{
    return std::all_of(samples.begin(), samples.end(), [](Sample s) { return std::isfinite(s); });
}

enum class Expect {
    // The attack's own output and everything after it are finite.
    FiniteThroughout,
    // The output after the attack is finite again.
    FiniteAfterwards,
    // The output after the attack equals that of an instance never attacked.
    Unchanged,
};

struct HostileCase {
    std::string name;
    Expect expect;
    std::function<void(Hosted&, const ScratchFolder&)> attack;
};

void sampleRate(Hosted& hosted, float rate)
{
    hosted.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

std::vector<HostileCase> hostileCases()
{
    std::vector<HostileCase> cases = {
        {"NaNSamples", Expect::FiniteThroughout, [](Hosted& h, const ScratchFolder&) {
             EXPECT_TRUE(allFinite(h.run(withBurst(kNaN))));
         }},
        {"InfiniteSamples", Expect::FiniteThroughout, [](Hosted& h, const ScratchFolder&) {
             EXPECT_TRUE(allFinite(h.run(withBurst(kInf))));
         }},
        {"InfiniteSingleSamples", Expect::FiniteThroughout, [](Hosted& h, const ScratchFolder&) {
             const std::vector<double> burst = withBurst(kInf);
             EXPECT_TRUE(allFinite(h.run(std::vector<float>(burst.begin(), burst.end()))));
         }},
        {"SingleSamplesNearTheFloatLimit", Expect::FiniteThroughout, [](Hosted& h, const ScratchFolder&) {
             const std::vector<double> burst = withBurst(std::numeric_limits<float>::max());
             EXPECT_TRUE(allFinite(h.run(std::vector<float>(burst.begin(), burst.end()))));
         }},
        {"SwitchesSetToNaN", Expect::Unchanged, [](Hosted& h, const ScratchFolder&) {
             h.effect_->setParameter(h.effect_, 17, std::numeric_limits<float>::quiet_NaN());
             h.effect_->setParameter(h.effect_, 18, std::numeric_limits<float>::quiet_NaN());
             void* chunk = nullptr;
             ASSERT_EQ(h.dispatch(effGetChunk, 1, 0, &chunk), VstIntPtr{sizeof(ProgramRecord)});
             const auto* record = static_cast<const ProgramRecord*>(chunk);
             EXPECT_EQ(record->input, 1.0f);
             EXPECT_EQ(record->air, 0.0f);
         }},
        {"SamplesThatOverflowTheFilter", Expect::FiniteAfterwards, [](Hosted& h, const ScratchFolder&) {
             h.run(withBurst(1e307));
         }},
        {"SampleRateZero", Expect::Unchanged, [](Hosted& h, const ScratchFolder&) { sampleRate(h, 0.0f); }},
        {"SampleRateNegative", Expect::Unchanged, [](Hosted& h, const ScratchFolder&) { sampleRate(h, -48000.0f); }},
        {"SampleRateNaN", Expect::Unchanged,
         [](Hosted& h, const ScratchFolder&) { sampleRate(h, std::numeric_limits<float>::quiet_NaN()); }},
        {"SampleRateInfinite", Expect::Unchanged,
         [](Hosted& h, const ScratchFolder&) { sampleRate(h, std::numeric_limits<float>::infinity()); }},
        {"SampleRateHuge", Expect::FiniteThroughout, [](Hosted& h, const ScratchFolder&) {
             sampleRate(h, std::numeric_limits<float>::max());
             EXPECT_TRUE(allFinite(h.run(noise(kBlock, 43))));
         }},
        {"ChunkWithoutData", Expect::Unchanged, [](Hosted& h, const ScratchFolder&) {
             EXPECT_EQ(h.dispatch(effSetChunk, 1, sizeof(ProgramRecord), nullptr), 0);
             EXPECT_EQ(h.dispatch(effSetChunk, 0, 16 * sizeof(ProgramRecord), nullptr), 0);
         }},
        {"ChunkOfWrongSize", Expect::Unchanged, [](Hosted& h, const ScratchFolder&) {
             std::vector<char> bytes(17 * sizeof(ProgramRecord), 'x');
             for (VstIntPtr size : {VstIntPtr{-1}, VstIntPtr{0}, VstIntPtr{1055}, VstIntPtr{1057},
                                    VstIntPtr{16 * 1056 + 1}, std::numeric_limits<VstIntPtr>::min()}) {
                 EXPECT_EQ(h.dispatch(effSetChunk, 1, size, bytes.data()), 0) << size;
                 EXPECT_EQ(h.dispatch(effSetChunk, 0, size, bytes.data()), 0) << size;
             }
         }},
        {"BankOfUnterminatedTexts", Expect::FiniteAfterwards, [](Hosted& h, const ScratchFolder&) {
             std::vector<unsigned char> bytes(16 * sizeof(ProgramRecord), 0xff);
             EXPECT_EQ(h.dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bytes.size()), bytes.data()), 1);
             char name[kProgramNameSize + 1];
             for (int p = 0; p < 16; ++p) {
                 EXPECT_EQ(h.dispatch(effGetProgramNameIndexed, p, 0, name), 1);
                 EXPECT_EQ(std::strlen(name), 24u);
             }
         }},
#if !defined(_WIN32)
        // The cases below make the effect show a message, which only the
        // Linux build can do without a user to close it.
        {"ProgramNamesAFolder", Expect::Unchanged,
         [](Hosted& h, const ScratchFolder& folder) { EXPECT_EQ(h.namePath(folder.path().string()), 1); }},
        {"ProgramNamesANamedPipe", Expect::Unchanged,
         [](Hosted& h, const ScratchFolder& folder) {
             ASSERT_EQ(mkfifo(folder.file("pipe.alg").c_str(), 0600), 0);
             EXPECT_EQ(h.namePath(folder.file("pipe.alg")), 1);
         }},
        {"ProgramNamesADevice", Expect::Unchanged,
         [](Hosted& h, const ScratchFolder&) { EXPECT_EQ(h.namePath("/dev/zero"), 1); }},
        {"ProgramNamesAFileOfValuesThatCannotRun", Expect::Unchanged,
         [](Hosted& h, const ScratchFolder& folder) {
             for (const auto& [name, spoil] : std::vector<std::pair<std::string, void (*)(CorrectionSet&)>>{
                      {"nan-centre.alg", [](CorrectionSet& s) { s.centreHz[5] = kNaN; }},
                      {"zero-quality.alg", [](CorrectionSet& s) { s.quality[7] = 0.0; }},
                      {"negative-centre.alg", [](CorrectionSet& s) { s.centreHz[0] = -100.0; }},
                      {"infinite-gain.alg", [](CorrectionSet& s) { s.outputGain = kInf; }}}) {
                 CorrectionSet set = makeCorrection(20, 1.0);
                 spoil(set);
                 writeCorrection(folder.file(name), set);
                 EXPECT_EQ(h.namePath(folder.file(name)), 1) << name;
             }
         }},
#endif
    };
    return cases;
}

class HostileInput : public ::testing::TestWithParam<HostileCase> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(library().loaded()) << library().error();
        writeCorrection(folder.file("cello.alg"), makeCorrection(199, 1.1));
    }

    ScratchFolder folder;
};

TEST_P(HostileInput, EffectAnswersAndRecovers)
{
    const HostileCase& hostile = GetParam();
    const std::vector<double> before = noise(2 * kBlock, 44), after = noise(4 * kBlock, 45);

    Hosted attacked(folder.file("cello.alg"));
    attacked.run(before);
    hostile.attack(attacked, folder);
    const std::vector<double> output = attacked.run(after);
    EXPECT_TRUE(allFinite(output));

    if (hostile.expect == Expect::Unchanged) {
        Hosted undisturbed(folder.file("cello.alg"));
        undisturbed.run(before);
        EXPECT_EQ(output, undisturbed.run(after));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HostileInput, ::testing::ValuesIn(hostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

}  // namespace
}  // namespace kestrava::test

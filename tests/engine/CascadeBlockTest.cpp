#include "engine/CascadeKernel.h"
#include "engine/CorrectionFilter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

using namespace kestrava::engine;

namespace kestrava::test {
namespace {

class Lcg {
public:
    explicit Lcg(unsigned seed) : state_(seed) {}
    double uniform()
    {
        state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state_ >> 11) / 9007199254740992.0;
    }

private:
    unsigned long long state_;
};

CorrectionSet randomCorrection(int n, unsigned seed)
{
    Lcg rng(seed);
    CorrectionSet set;
    set.sectionCount = n;
    set.outputGain = 0.25 + rng.uniform();
    for (int i = 0; i < n; ++i) {
        set.centreHz[i] = 20.0 * std::pow(1000.0, rng.uniform());
        set.quality[i] = 0.5 + 20.0 * rng.uniform();
        set.peakGain[i] = -0.999 + 4.0 * rng.uniform();
    }
    return set;
}

// Noise, then a decay into silence long enough for the flush to act, a
// stretch of exact zeros, signed zeros, subnormals and a few loud samples.
std::vector<double> awkwardSignal(int length, unsigned seed)
{
    Lcg rng(seed);
    std::vector<double> signal(length);
    for (int t = 0; t < length; ++t) {
        const double noise = rng.uniform() - 0.5;
        if (t < length / 4) {
            signal[t] = noise;
        } else if (t < length / 2) {
            signal[t] = noise * std::pow(1e-30, (t - length / 4) / 64.0);
        } else {
            signal[t] = 0.0;
        }
    }
    signal[length / 2 + 3] = -0.0;
    signal[length / 2 + 5] = std::numeric_limits<double>::denorm_min();
    signal[length - 7] = 1.0e6;
    signal[length - 6] = -0.0;
    return signal;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <class Filter>
void expectBlocksMatchSamples(const Filter& start, const std::vector<double>& input,
                              const std::vector<int>& blockSizes, bool inPlace)
{
    Filter reference = start;
    Filter blocked = start;
    std::vector<double> out(input.size());
    std::size_t pos = 0;
    std::size_t which = 0;
    while (pos < input.size()) {
        const int n = static_cast<int>(
            std::min<std::size_t>(blockSizes[which++ % blockSizes.size()], input.size() - pos));
        if (inPlace) {
            std::copy(input.begin() + pos, input.begin() + pos + n, out.begin() + pos);
            blocked.processBlock(out.data() + pos, out.data() + pos, n);
        } else {
            blocked.processBlock(input.data() + pos, out.data() + pos, n);
        }
        pos += n;
    }
    for (std::size_t t = 0; t < input.size(); ++t) {
        const double expected = reference.processSample(input[t]);
        ASSERT_TRUE(sameBits(out[t], expected))
            << "sample " << t << ": block " << out[t] << ", per sample " << expected;
    }
    const int n = reference.arrays().sectionCount;
    for (int i = 0; i < n; ++i) {
        ASSERT_TRUE(sameBits(blocked.arrays().z1[i], reference.arrays().z1[i])) << "z1 of " << i;
        ASSERT_TRUE(sameBits(blocked.arrays().z2[i], reference.arrays().z2[i])) << "z2 of " << i;
    }
}

TEST(CascadeBlock, PluginBlocksGiveTheSameBitsAsSamplesForEveryCountAndBlockSize)
{
    const std::vector<int> counts = {0, 1, 2, 3, 5, 8, 9, 16, 31, 32, 33, 63, 64, 65, 199, 200};
    const std::vector<std::vector<int>> blockings = {
        {1}, {2, 3, 5}, {31, 32, 33}, {64}, {100, 7, 512}, {4096}};
    for (int n : counts) {
        for (const auto& sizes : blockings) {
            SCOPED_TRACE(::testing::Message() << "sections " << n << ", first block " << sizes[0]);
            CorrectionFilter filter;
            filter.setSampleRate(44100.0);
            filter.setCorrection(randomCorrection(n, 7 + n));
            expectBlocksMatchSamples(filter, awkwardSignal(6000, n), sizes, n % 2 == 0);
        }
    }
}

TEST(CascadeBlock, MeasurementBlocksGiveTheSameBitsAsSamples)
{
    for (int n : {1, 7, 40, 199}) {
        SCOPED_TRACE(::testing::Message() << "sections " << n);
        MeasurementFilter filter;
        filter.setCorrection(randomCorrection(n, 99 + n));
        filter.setVolume(3.0);
        std::vector<double> input = awkwardSignal(5000, 3 * n);
        for (double& x : input) {
            x *= 2147483647.0;
        }
        expectBlocksMatchSamples(filter, input, {256, 1, 77}, false);
    }
}

// Short blocks keep a layout of the coefficients from block to block: a new
// correction of another length, or another instruction set, must not run on
// the old layout.
TEST(CascadeBlock, ShortBlocksFollowANewCorrectionAndAnotherInstructionSet)
{
    const simd::InstructionSet widest = simd::widestSupportedSet();
    CorrectionFilter blocked;
    blocked.setSampleRate(48000.0);
    blocked.setCorrection(randomCorrection(199, 5));
    std::vector<double> signal = awkwardSignal(256, 5);
    blocked.processBlock(signal.data(), signal.data(), 32);
    struct Change {
        int sections;  // 0: the correction stays
        simd::InstructionSet set;
    };
    for (const Change change : {Change{150, widest}, Change{0, simd::InstructionSet::Sse2}, Change{0, widest}}) {
        SCOPED_TRACE(::testing::Message() << "sections " << change.sections << ", set "
                                          << simd::instructionSetName(change.set));
        simd::useInstructionSet(change.set);
        if (change.sections > 0)
            blocked.setCorrection(randomCorrection(change.sections, 11 + change.sections));
        expectBlocksMatchSamples(blocked, awkwardSignal(640, change.sections), {32, 16}, true);
        blocked.processBlock(signal.data(), signal.data(), 32);
    }
    simd::useInstructionSet(widest);
}

// Every vector width the processor offers, called directly, against the
// plain recursion section by section.
TEST(CascadeBlock, EveryVectorRunnerMatchesThePlainRecursion)
{
    struct Runner {
        simd::InstructionSet set;
        detail::CascadeRunner run;
    };
    const Runner runners[] = {
        {simd::InstructionSet::Sse2, &detail::sse2::runCascade<true>},
        {simd::InstructionSet::Avx2, &detail::avx2::runCascade<true>},
        {simd::InstructionSet::Avx512, &detail::avx512::runCascade<true>},
    };
    for (const Runner& runner : runners) {
        if (runner.set > simd::widestSupportedSet()) {
            continue;
        }
        for (int n : {1, 6, 13, 40, 199}) {
            SCOPED_TRACE(::testing::Message() << simd::instructionSetName(runner.set) << ", sections " << n);
            CorrectionFilter prepared;
            prepared.setSampleRate(48000.0);
            prepared.setCorrection(randomCorrection(n, 1000 + n));
            CascadeArrays vectorState = prepared.arrays();
            CascadeArrays plainState = prepared.arrays();
            std::vector<double> vectorSignal = awkwardSignal(3000, n);
            std::vector<double> plainSignal = vectorSignal;
            // Long blocks run the sections in groups, short ones in tiles of
            // samples; a block may also end in a partial tile.
            const int blocks[] = {500, 32, 500, 7, 64, 45};
            int start = 0;
            for (int block : blocks) {
                runner.run(vectorState, vectorSignal.data() + start, block);
                for (int i = 0; i < n; ++i) {
                    detail::runSection<true>(plainState, i, plainSignal.data() + start, block);
                }
                start += block;
            }
            for (int t = 0; t < start; ++t) {
                ASSERT_TRUE(sameBits(vectorSignal[t], plainSignal[t])) << "sample " << t;
            }
            for (int i = 0; i < n; ++i) {
                ASSERT_TRUE(sameBits(vectorState.z1[i], plainState.z1[i])) << "z1 of " << i;
                ASSERT_TRUE(sameBits(vectorState.z2[i], plainState.z2[i])) << "z2 of " << i;
            }
        }
    }
}

}  // namespace
}  // namespace kestrava::test

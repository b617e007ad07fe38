#include "design/CorrectionDesign.h"
#include "design/FourierTransform.h"
#include "engine/InstructionSet.h"
#include "DesignTestSpectra.h"
#include "TransformTestSignals.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace kestrava::design;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

using simd::InstructionSet;

struct DesignOutcome {
    CorrectionSet correction;
    DesignResult result;
    ComplexSignal spectrum;
};

DesignOutcome designAndTransformOn(InstructionSet set)
{
    simd::useInstructionSet(set);
    DesignOutcome outcome;
    MeasurementAnalysis analysis = gentleMeasurement();
    analysis.microphone[30] *= 1e-4;
    DesignOptions options;
    options.passLimit = 400;
    options.cores = 1;
    outcome.result = designCorrection(analysis, BandLayout::standard(), outcome.correction, options);
    outcome.spectrum = randomSignal(11);
    EXPECT_TRUE(forwardTransform(outcome.spectrum.re.data(), outcome.spectrum.im.data()));
    return outcome;
}

template <class T>
bool sameBits(const T& a, const T& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool sameBits(const std::vector<double>& a, const std::vector<double>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(double)) == 0;
}

// The band products and the batched transform of every instruction set the
// processor has give the bits of the SSE2 kernels.
TEST(DesignInstructionSets, EverySetDesignsAndTransformsBitForBitAlike)
{
    const InstructionSet widest = simd::widestSupportedSet();
    const DesignOutcome reference = designAndTransformOn(InstructionSet::Sse2);
    for (InstructionSet set : {InstructionSet::Avx2, InstructionSet::Avx512}) {
        if (set > widest)
            continue;
        SCOPED_TRACE(simd::instructionSetName(set));
        const DesignOutcome outcome = designAndTransformOn(set);
        EXPECT_EQ(outcome.result.passes, reference.result.passes);
        EXPECT_TRUE(sameBits(outcome.result.predicted, reference.result.predicted));
        EXPECT_TRUE(sameBits(outcome.correction.peakGain, reference.correction.peakGain));
        EXPECT_TRUE(sameBits(outcome.correction.quality, reference.correction.quality));
        EXPECT_TRUE(sameBits(outcome.spectrum.re, reference.spectrum.re));
        EXPECT_TRUE(sameBits(outcome.spectrum.im, reference.spectrum.im));
    }
    simd::useInstructionSet(widest);
}

}  // namespace
}  // namespace kestrava::test

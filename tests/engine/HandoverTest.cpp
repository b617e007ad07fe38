#include "engine/CorrectionFilter.h"
#include "engine/Handover.h"
#include "tests/support/PreparedFilter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

using namespace kestrava::engine;

namespace kestrava::test {
namespace {

CorrectionSet ladder(int n, double gain, double offset)
{
    CorrectionSet set;
    set.sectionCount = n;
    set.outputGain = gain;
    for (int i = 0; i < n; ++i) {
        set.centreHz[i] = 30.0 * std::pow(1.035, i) + offset;
        set.quality[i] = 3.0 + 0.01 * i;
        set.peakGain[i] = 0.3 * std::sin(0.1 * i + offset);
    }
    return set;
}

bool sameCoefficients(const CascadeArrays& a, const CascadeArrays& b)
{
    return a.sectionCount == b.sectionCount
           && std::memcmp(a.feedForward.data(), b.feedForward.data(), sizeof a.feedForward) == 0
           && std::memcmp(a.feedback1.data(), b.feedback1.data(), sizeof a.feedback1) == 0
           && std::memcmp(a.feedback2.data(), b.feedback2.data(), sizeof a.feedback2) == 0;
}

// A writer keeps replacing the running filter with one of two prepared
// corrections (different counts, gains and rates) while the audio thread
// processes blocks. Every block must run one of the two whole: its
// coefficients are exactly one of them, and its output is exactly what that
// filter gives from the state it started the block with.
TEST(Handover, EveryBlockRunsEitherTheOldOrTheNewFilterWhole)
{
    const CorrectionFilter first = preparedFilter(ladder(199, 0.8, 0.0), 48000.0);
    const CorrectionFilter second = preparedFilter(ladder(120, 1.3, 5.0), 96000.0);
    Handover<CorrectionFilter> handover(first);

    constexpr int kBlocks = 3000;
    constexpr int kBlockLength = 64;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        for (int round = 0; !done.load(std::memory_order_relaxed); ++round) {
            handover.staging() = round % 2 == 0 ? second : first;
            handover.publish();
        }
    });

    std::vector<double> input(kBlockLength);
    std::vector<double> output(kBlockLength);
    int sawFirst = 0;
    int sawSecond = 0;
    for (int block = 0; block < kBlocks; ++block) {
        for (int t = 0; t < kBlockLength; ++t) {
            input[t] = std::sin(0.05 * (block * kBlockLength + t));
        }
        CorrectionFilter& running = handover.acquire();
        CorrectionFilter before = running;
        running.processBlock(input.data(), output.data(), kBlockLength);

        const bool isFirst = sameCoefficients(before.arrays(), first.arrays())
                             && before.outputScale() == first.outputScale();
        const bool isSecond = sameCoefficients(before.arrays(), second.arrays())
                              && before.outputScale() == second.outputScale();
        ASSERT_TRUE(isFirst || isSecond) << "block " << block << " ran a mixed filter";
        sawFirst += isFirst;
        sawSecond += isSecond;
        for (int t = 0; t < kBlockLength; ++t) {
            ASSERT_EQ(output[t], before.processSample(input[t])) << "block " << block;
        }
    }
    done = true;
    writer.join();
    EXPECT_GT(sawFirst, 0);
    EXPECT_GT(sawSecond, 0);
}

TEST(Handover, TheReaderKeepsItsObjectUntilSomethingNewIsPublished)
{
    Handover<int> handover(1);
    EXPECT_EQ(handover.acquire(), 1);
    handover.acquire() = 5;
    EXPECT_EQ(handover.acquire(), 5);

    handover.staging() = 7;
    handover.publish();
    handover.staging() = 8;
    handover.publish();
    EXPECT_EQ(handover.acquire(), 8);
    EXPECT_EQ(handover.acquire(), 8);
}

}  // namespace
}  // namespace kestrava::test

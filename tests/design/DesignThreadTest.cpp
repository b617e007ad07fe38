// The design's passes on one and on two cores: the helper thread's hand-over
// of every pass (also checked by the thread sanitizer) and identical results.
#include "design/CorrectionDesign.h"
#include "DesignTestSpectra.h"

#include <gtest/gtest.h>

using namespace kestrava::design;
using namespace kestrava::engine;

namespace kestrava::test {
namespace {

TEST(DesignThreads, TwoCoresGiveExactlyTheResultOfOne)
{
    MeasurementAnalysis a = gentleMeasurement();
    a.microphone[40] *= 1e-4;  // never converges: every pass runs
    const BandLayout layout = BandLayout::standard();
    DesignOptions options;
    options.passLimit = 300;  // covers the timing of both ways
    options.cores = 1;
    CorrectionSet alone;
    const DesignResult aloneResult = designCorrection(a, layout, alone, options);
    options.cores = 2;
    for (int run = 0; run < 3; ++run) {
        CorrectionSet shared;
        const DesignResult sharedResult = designCorrection(a, layout, shared, options);
        EXPECT_EQ(sharedResult.passes, aloneResult.passes);
        EXPECT_EQ(shared, alone);
        EXPECT_EQ(sharedResult.predicted, aloneResult.predicted);
    }
}

}  // namespace
}  // namespace kestrava::test

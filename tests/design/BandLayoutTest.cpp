#include "design/BandLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrava::design;

namespace kestrava::test {
namespace {

TEST(BandLayout, CentresHaveTheirTellingValues)
{
    const BandLayout layout = BandLayout::standard();
    EXPECT_NEAR(layout.centre[0], 20.350, 0.0005);
    EXPECT_NEAR(layout.centre[99], 632.456, 0.0005);
    EXPECT_NEAR(layout.centre[198], 19655.872, 0.0005);
}

TEST(BandLayout, SuccessiveCentresDifferByTheSameFactor)
{
    const BandLayout layout = BandLayout::standard();
    for (int l = 1; l < kBandCount; ++l)
        EXPECT_NEAR(layout.centre[l] / layout.centre[l - 1], 1.035322, 5e-7) << l;
}

TEST(BandLayout, EdgesRunFrom436To436906)
{
    const BandLayout layout = BandLayout::standard();
    EXPECT_EQ(layout.edge[0], 436);
    EXPECT_EQ(layout.edge[kBandCount], 436906);
    EXPECT_EQ(layout.edge[1] - layout.edge[0], 16);
    EXPECT_EQ(layout.edge[1], 452);
    EXPECT_EQ(layout.edge[kBandCount] - layout.edge[kBandCount - 1], 14906);
}

TEST(BandLayout, EveryBandHoldsItsCentre)
{
    const BandLayout layout = BandLayout::standard();
    for (int l = 0; l < kBandCount; ++l) {
        const double centreBin = layout.centre[l] * 1048576.0 / 48000.0;
        EXPECT_LT(layout.edge[l], layout.edge[l + 1]) << l;
        EXPECT_LE(layout.edge[l], centreBin) << l;
        EXPECT_LT(centreBin, layout.edge[l + 1]) << l;
    }
}

}  // namespace
}  // namespace kestrava::test

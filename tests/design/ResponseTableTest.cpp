#include "design/ResponseTable.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrava::design;

namespace kestrava::test {
namespace {

void expectRelativelyNear(double actual, double expected, double relative)
{
    EXPECT_NEAR(actual, expected, std::fabs(expected) * relative);
}

TEST(ResponseTable, HasItsTellingValues)
{
    const ResponseTable& t = ResponseTable::instance();
    for (int j = 0; j < kBandCount; ++j)
        EXPECT_EQ(t.at(j, j), 0.0) << j;
    expectRelativelyNear(t.at(0, 1), 0.00120543, 5e-6);
    expectRelativelyNear(t.at(1, 0), 0.00120543, 5e-6);
    expectRelativelyNear(t.at(0, 100), 258.015, 2e-6);
    expectRelativelyNear(t.at(100, 0), 258.647, 2e-6);
    expectRelativelyNear(t.at(0, 198), 72277.3, 1e-6);
    expectRelativelyNear(t.at(198, 0), 1650083.7, 1e-7);
}

TEST(ResponseTable, PaddingColumnIsZero)
{
    const ResponseTable& t = ResponseTable::instance();
    for (int j = 0; j < kBandCount; ++j)
        EXPECT_EQ(t.row(j)[kResponseStride - 1], 0.0) << j;
}

TEST(ResponseTable, LaneProductsOfARowCannotOverflow)
{
    // The design multiplies the factors T + c (c < 1) of every eighth
    // column into one lane before dividing; the largest such product must
    // stay far below the double range.
    const ResponseTable& t = ResponseTable::instance();
    double largestLog10 = 0.0;
    for (int j = 0; j < kBandCount; ++j) {
        for (int lane = 0; lane < 8; ++lane) {
            double log10Product = 0.0;
            for (int m = lane; m < kResponseStride; m += 8)
                log10Product += std::log10(t.row(j)[m] + 1.0);
            largestLog10 = std::max(largestLog10, log10Product);
        }
    }
    EXPECT_LT(largestLog10, 250.0);
}

}  // namespace
}  // namespace kestrava::test

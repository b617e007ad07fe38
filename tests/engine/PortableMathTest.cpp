#include "engine/PortableMath.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrava::engine;

namespace kestrava::test {
namespace {

// Distance in units of the last place.
double ulps(double value, double reference)
{
    return std::fabs(value - reference) / (std::nextafter(std::fabs(reference), INFINITY) - std::fabs(reference));
}

TEST(PortableMath, CosineIsWithinOneUnitInTheLastPlace)
{
    for (double x = -50.0; x <= 50.0; x += 0.000913) {
        ASSERT_LE(ulps(portableCos(x), std::cos(x)), 1.0) << x;
    }
    for (double hz = 10.0; hz < 24000.0; hz *= 1.01) {
        const double w = (6.283185307179586 / 48000.0) * hz;
        ASSERT_LE(ulps(portableCos(w), std::cos(w)), 1.0) << hz;
    }
    EXPECT_EQ(portableCos(0.0), 1.0);
    EXPECT_TRUE(std::isnan(portableCos(INFINITY)));
}

TEST(PortableMath, ExponentialIsWithinOneUnitInTheLastPlace)
{
    for (double x = -700.0; x <= 700.0; x += 0.0731) {
        ASSERT_LE(ulps(portableExp(x), std::exp(x)), 1.0) << x;
    }
    for (double x = -1.0; x <= 1.0; x += 0.00013) {
        ASSERT_LE(ulps(portableExp(x), std::exp(x)), 1.0) << x;
    }
    EXPECT_EQ(portableExp(0.0), 1.0);
    EXPECT_EQ(portableExp(1000.0), INFINITY);
    EXPECT_EQ(portableExp(-1000.0), 0.0);
}

}  // namespace
}  // namespace kestrava::test

#include "design/FourierTransform.h"
#include "design/reference/PlainDesign.h"
#include "TransformTestSignals.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace kestrava::design;

namespace kestrava::test {
namespace {


void expectMatchesPlainTransform(const ComplexSignal& input)
{
    ComplexSignal fast = input;
    ComplexSignal plain = input;
    ASSERT_TRUE(forwardTransform(fast.re.data(), fast.im.data()));
    reference::plainTransform(plain.re.data(), plain.im.data());
    EXPECT_LT(relativeDistance(fast, plain), 1e-13);
}

TEST(FourierTransform, MatchesThePlainAlgorithmOnRandomInput)
{
    expectMatchesPlainTransform(randomSignal(7));
}

TEST(FourierTransform, MatchesThePlainAlgorithmOnTonalInput)
{
    expectMatchesPlainTransform(tonalSignal());
}

TEST(FourierTransform, ImpulseAtOriginGivesAFlatSpectrum)
{
    ComplexSignal s;
    s.re[0] = 1.0;
    ASSERT_TRUE(forwardTransform(s.re.data(), s.im.data()));
    for (int k = 0; k < kTransformSize; ++k) {
        ASSERT_EQ(s.re[k], 1.0) << k;
        ASSERT_EQ(s.im[k], 0.0) << k;
    }
}

TEST(FourierTransform, DelayedImpulseGivesTheExpectedPhase)
{
    // x[n] = delta(n - d) has X[k] = e^(-2 pi i d k / F): checks the sign
    // convention and the order of the output bins.
    ComplexSignal s;
    const int d = 12345;
    s.re[d] = 1.0;
    ASSERT_TRUE(forwardTransform(s.re.data(), s.im.data()));
    const double twoPi = 6.283185307179586;
    for (int k : {0, 1, 2, 1000, 21845, 524288, 1048575}) {
        const double angle = twoPi * static_cast<double>((static_cast<long long>(d) * k) % kTransformSize) / kTransformSize;
        EXPECT_NEAR(s.re[k], std::cos(angle), 1e-12) << k;
        EXPECT_NEAR(s.im[k], -std::sin(angle), 1e-12) << k;
    }
}

}  // namespace
}  // namespace kestrava::test

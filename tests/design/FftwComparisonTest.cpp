#include "design/FourierTransform.h"
#include "TransformTestSignals.h"

#include <fftw3.h>
#include <gtest/gtest.h>

using namespace kestrava::design;

namespace kestrava::test {
namespace {


ComplexSignal fftwTransform(const ComplexSignal& input)
{
    fftw_complex* data = fftw_alloc_complex(kTransformSize);
    const fftw_plan plan = fftw_plan_dft_1d(kTransformSize, data, data, FFTW_FORWARD, FFTW_ESTIMATE);
    for (int n = 0; n < kTransformSize; ++n) {
        data[n][0] = input.re[n];
        data[n][1] = input.im[n];
    }
    fftw_execute(plan);
    ComplexSignal out;
    for (int k = 0; k < kTransformSize; ++k) {
        out.re[k] = data[k][0];
        out.im[k] = data[k][1];
    }
    fftw_destroy_plan(plan);
    fftw_free(data);
    return out;
}

void expectMatchesFftw(const ComplexSignal& input)
{
    ComplexSignal fast = input;
    ASSERT_TRUE(forwardTransform(fast.re.data(), fast.im.data()));
    EXPECT_LT(relativeDistance(fast, fftwTransform(input)), 1e-13);
}

TEST(FourierTransformAgainstFftw, RandomInput)
{
    expectMatchesFftw(randomSignal(11));
}

TEST(FourierTransformAgainstFftw, TonalInput)
{
    expectMatchesFftw(tonalSignal());
}

}  // namespace
}  // namespace kestrava::test

#include "design/ImpulseExport.h"
#include "engine/CorrectionFilter.h"
#include "tests/support/SmallCorrection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace kestrava::design;

namespace kestrava::test {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// A typical correction: a body boost, a cut in the quack, a little air, and
// a resonant low section that a short response cannot hold.
engine::CorrectionSet correction()
{
    return smallCorrection(0.7, {{150.0, 4.0, 1.0}, {800.0, 3.0, -0.5}, {2800.0, 2.0, -0.6},
                                 {9000.0, 1.5, 0.4}, {62.0, 12.0, 1.5}});
}

// The test's own transform of a response at one frequency.
double magnitudeAt(const std::vector<double>& ir, double hz, double rate)
{
    std::complex<double> sum = 0.0;
    for (std::size_t n = 0; n < ir.size(); ++n)
        sum += ir[n] * std::polar(1.0, -kTwoPi * hz * static_cast<double>(n) / rate);
    return std::abs(sum);
}

// The cascade's gain at one frequency as a sine through the running filter
// shows it once settled, read with a Hann-weighted correlation.
double sineGain(const engine::CorrectionSet& set, double hz, double rate)
{
    engine::CorrectionFilter filter;
    filter.setCorrection(set, rate);
    const int settle = static_cast<int>(rate);
    const int measured = static_cast<int>(rate);
    std::complex<double> sum = 0.0;
    double weights = 0.0;
    for (int n = 0; n < settle + measured; ++n) {
        const double phase = kTwoPi * hz * n / rate;
        const double y = filter.processSample(std::sin(phase));
        if (n >= settle) {
            const double w = 0.5 - 0.5 * std::cos(kTwoPi * (n - settle) / measured);
            sum += w * y * std::polar(1.0, -phase);
            weights += w;
        }
    }
    return 2.0 * std::abs(sum) / weights;
}

TEST(ImpulseExport, FollowsTheCascadeAtEveryRate)
{
    const engine::CorrectionSet set = correction();
    for (double rate : kImpulseRates) {
        SCOPED_TRACE(rate);
        // Long enough to hold everything: the gains a sine meets, read from
        // the response with the test's own transform.
        const ImpulseResponse full = exportImpulseResponse(set, rate, 65536, ImpulseFormat::Float32);
        for (double hz : {62.0, 100.0, 150.0, 800.0, 2800.0, 9000.0, 15000.0}) {
            EXPECT_NEAR(20.0 * std::log10(magnitudeAt(full.samples, hz, rate) / sineGain(set, hz, rate)), 0.0, 0.05)
                << hz << " Hz";
        }
        EXPECT_LE(impulseErrorDb(set, rate, full.samples, full.gain, 30.0, rate / 2), 0.05);
        EXPECT_EQ(full.suggestedTaps, -1);

        // The default length holds the top, not the resonant low section,
        // and says which length would.
        const ImpulseResponse shortIr = exportImpulseResponse(set, rate, 2048, ImpulseFormat::Int24);
        EXPECT_LE(shortIr.fidelity.aboveDb, 0.5);
        EXPECT_GT(shortIr.fidelity.lowDb, kImpulseToleranceDb);
        ASSERT_GT(shortIr.suggestedTaps, 2048);
        EXPECT_LE(exportImpulseResponse(set, rate, shortIr.suggestedTaps, ImpulseFormat::Int24).fidelity.lowDb,
                  kImpulseToleranceDb);
        EXPECT_GT(exportImpulseResponse(set, rate, shortIr.suggestedTaps / 2, ImpulseFormat::Int24).fidelity.lowDb,
                  kImpulseToleranceDb);
    }
}

TEST(ImpulseExport, IntegerFormatsPeakJustBelowFullScaleOnTheirGrid)
{
    const engine::CorrectionSet set = correction();
    const std::vector<double> raw = cascadeImpulse(set, 48000.0, 4096);
    for (const auto& [format, bits] : {std::pair{ImpulseFormat::Int16, 16}, std::pair{ImpulseFormat::Int24, 24}}) {
        const ImpulseResponse r = exportImpulseResponse(set, 48000.0, 4096, format);
        double peak = 0.0;
        for (std::size_t n = 0; n < r.samples.size(); ++n) {
            const double steps = r.samples[n] * std::ldexp(1.0, bits - 1);
            ASSERT_EQ(steps, std::nearbyint(steps));
            EXPECT_NEAR(r.samples[n], raw[n] * r.gain, std::ldexp(1.0, -bits));
            peak = std::max(peak, std::fabs(r.samples[n]));
        }
        EXPECT_NEAR(peak, kImpulsePeak, std::ldexp(1.0, -bits));
    }
}

TEST(ImpulseExport, DescribesTheFidelityWithGroupedFigures)
{
    ImpulseResponse r;
    r.samples.resize(2048);
    r.fidelity = {0.3, 2.1};
    r.suggestedTaps = 4096;
    EXPECT_EQ(describeImpulseFidelity(r),
              "2,048 taps at 48,000 Hz hold the correction within 0.3 dB above 100 Hz, 2.1 dB below: "
              "use 4,096 taps for the low end");
}

}  // namespace
}  // namespace kestrava::test

// The curves a correction is shown with: the cascade's response at a
// frequency is what the running filter does to a sine there, measured
// here from its impulse response.
#include "design/CorrectionCurves.h"

#include "engine/CorrectionFilter.h"

#include <gtest/gtest.h>

#include <complex>
#include <numbers>
#include <vector>

namespace kestrava::test {
namespace {

struct Section {
    double hz;
    double quality;
    double peakGain;
};

double measuredResponse(const engine::CorrectionSet& set, double hz)
{
    engine::MeasurementFilter filter;
    filter.setCorrection(set);
    std::complex<double> sum = 0.0;
    const double omega = 2.0 * std::numbers::pi * hz / 48000.0;
    for (int n = 0; n < 1 << 18; ++n)
        sum += filter.processSample(n == 0 ? 1.0 : 0.0) * std::polar(1.0, -omega * n);
    return std::abs(sum);
}

TEST(CorrectionCurves, CascadeResponseIsTheFiltersOwn)
{
    const std::vector<std::vector<Section>> corrections = {
        {},
        {{1000.0, 2.0, 1.0}},
        {{80.0, 19.9, 0.5}, {2500.0, 8.0, -0.6}, {12000.0, 30.0, 2.0}},
    };
    for (const std::vector<Section>& sections : corrections) {
        engine::CorrectionSet set;
        set.sectionCount = static_cast<int>(sections.size());
        set.outputGain = 1.0;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            set.centreHz[i] = sections[i].hz;
            set.quality[i] = sections[i].quality;
            set.peakGain[i] = sections[i].peakGain;
        }
        for (const double hz : {31.5, 80.0, 1000.0, 2500.0, 12000.0, 19000.0})
            EXPECT_NEAR(design::cascadeResponse(set, hz), measuredResponse(set, hz), 1e-6)
                << sections.size() << " sections at " << hz << " Hz";
        // The loaded correction's curve is that response in dB.
        const design::CorrectionCurves curves = design::correctionCurves(design::BandLayout::standard(), set);
        EXPECT_FALSE(curves.measured);
        EXPECT_NEAR(curves.correctedDb[100], 20.0 * std::log10(measuredResponse(set, curves.hz[100])), 1e-6);
    }
}

}  // namespace
}  // namespace kestrava::test

#include "design/BandAnalysis.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

using namespace kestrava::design;

namespace kestrava::test {
namespace {

constexpr double kTwoPi = 6.283185307179586;

// Coloured noise at recording scale: a one-pole low-pass over white noise.
void fillNoise(CaptureBuffer& buffer, unsigned seed, double scale = 1.0)
{
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> d(-1000000, 1000000);
    double state = 0.0;
    for (int n = 0; n < kTransformSize; ++n) {
        state = 0.9 * state + d(rng) * 100.0;
        buffer.re()[n] = state * scale;
    }
}

struct Measurement {
    CaptureBuffer microphone;
    CaptureBuffer pickup;
    MeasurementAnalysis result;
    AnalysisStatus analyse() { return analyseMeasurement(microphone, pickup, BandLayout::standard(), result); }
};

TEST(BandAnalysis, IdenticalRecordingsGiveIdenticalSpectraAndUnitGain)
{
    Measurement m;
    fillNoise(m.microphone, 1);
    fillNoise(m.pickup, 1);
    ASSERT_EQ(m.analyse(), AnalysisStatus::Ok);
    EXPECT_EQ(m.result.microphone, m.result.pickup);
    EXPECT_EQ(m.result.outputGain, 1.0);
}

TEST(BandAnalysis, DoublingThePickupHalvesTheOutputGain)
{
    Measurement m;
    fillNoise(m.microphone, 2);
    fillNoise(m.pickup, 2, 2.0);
    ASSERT_EQ(m.analyse(), AnalysisStatus::Ok);
    EXPECT_EQ(m.result.outputGain, 0.5);
    EXPECT_EQ(m.result.pickup, m.result.microphone);
}

TEST(BandAnalysis, WhiteSignalGivesEqualBandLevels)
{
    // An impulse has the same magnitude in every bin: a level that summed
    // instead of averaging the bins would favour the wide high bands.
    Measurement m;
    m.microphone.re()[0] = 1.0e9;
    m.pickup.re()[0] = 3.0e8;
    ASSERT_EQ(m.analyse(), AnalysisStatus::Ok);
    for (int l = 0; l < kBandCount; ++l) {
        EXPECT_NEAR(m.result.microphone[l], 1.0, 1e-12) << l;
        EXPECT_NEAR(m.result.pickup[l], 1.0, 1e-12) << l;
    }
    EXPECT_DOUBLE_EQ(m.result.outputGain, 1.0e9 / 3.0e8);
}

TEST(BandAnalysis, ToneAt1kHzFillsItsOwnBand)
{
    Measurement m;
    for (int n = 0; n < kTransformSize; ++n) {
        m.microphone.re()[n] = 1.0e9 * std::sin(kTwoPi * 1000.0 * n / 48000.0);
        m.pickup.re()[n] = 1.0e9 * std::sin(kTwoPi * 1000.0 * n / 48000.0);
    }
    ASSERT_EQ(m.analyse(), AnalysisStatus::Ok);
    const BandLayout layout = BandLayout::standard();
    const int toneBin = static_cast<int>(1000.0 * kTransformSize / 48000.0);
    int band = 0;
    while (layout.edge[band + 1] <= toneBin)
        ++band;
    EXPECT_EQ(m.result.microphone[band], 1.0);
    // Only the rectangular window's leakage reaches the neighbours.
    EXPECT_LT(m.result.microphone[band - 1], 0.05);
    EXPECT_LT(m.result.microphone[band + 1], 0.05);
    EXPECT_LT(m.result.microphone[band - 2], 0.01);
    EXPECT_LT(m.result.microphone[band + 2], 0.01);
    for (int l = 0; l < kBandCount; ++l) {
        if (l != band) {
            EXPECT_LT(m.result.microphone[l], m.result.microphone[band]) << l;
        }
    }
}

TEST(BandAnalysis, LoudestBandIsExactlyOne)
{
    Measurement m;
    fillNoise(m.microphone, 3);
    fillNoise(m.pickup, 4);
    ASSERT_EQ(m.analyse(), AnalysisStatus::Ok);
    for (const BandSpectrum* s : {&m.result.microphone, &m.result.pickup}) {
        double largest = 0.0;
        for (double level : *s) {
            EXPECT_GT(level, 0.0);
            largest = std::max(largest, level);
        }
        EXPECT_EQ(largest, 1.0);
    }
}

TEST(BandAnalysis, ReleasesBothBuffers)
{
    Measurement m;
    fillNoise(m.microphone, 5);
    fillNoise(m.pickup, 6);
    ASSERT_EQ(m.analyse(), AnalysisStatus::Ok);
    EXPECT_FALSE(m.microphone.allocated());
    EXPECT_FALSE(m.pickup.allocated());
}

// A silent side is reported, never turned into a zero or infinite gain, and
// both buffers are released all the same.
struct SilentSideCase {
    const char* name;
    bool microphoneSilent;
};

void PrintTo(const SilentSideCase& c, std::ostream* os)
{
    *os << c.name;
}

class SilentSide : public ::testing::TestWithParam<SilentSideCase> {};

TEST_P(SilentSide, IsReportedWithoutAGain)
{
    const bool micSilent = GetParam().microphoneSilent;
    Measurement m;
    fillNoise(micSilent ? m.pickup : m.microphone, micSilent ? 7 : 8);
    ASSERT_EQ(m.analyse(), AnalysisStatus::Silent);
    EXPECT_EQ(m.result.silentMicrophone, micSilent);
    EXPECT_EQ(m.result.silentPickup, !micSilent);
    EXPECT_TRUE(std::isfinite(m.result.outputGain));
    EXPECT_EQ(m.result.outputGain, 0.0);
    for (double level : micSilent ? m.result.microphone : m.result.pickup)
        EXPECT_EQ(level, 0.0);
    EXPECT_FALSE(m.microphone.allocated());
    EXPECT_FALSE(m.pickup.allocated());
}

INSTANTIATE_TEST_SUITE_P(BandAnalysis, SilentSide,
                         ::testing::Values(SilentSideCase{"Microphone", true}, SilentSideCase{"Pickup", false}),
                         [](const ::testing::TestParamInfo<SilentSideCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(BandAnalysis, OffsetWithoutSoundCountsAsSilent)
{
    // A constant offset lands in bin 0 alone, below the first band.
    Measurement m;
    fillNoise(m.microphone, 9);
    for (int n = 0; n < kTransformSize; ++n)
        m.pickup.re()[n] = 5.0e8;
    ASSERT_EQ(m.analyse(), AnalysisStatus::Silent);
    EXPECT_TRUE(m.result.silentPickup);
}

}  // namespace
}  // namespace kestrava::test

#include "engine/AirAmbience.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace kestrava::engine;

namespace kestrava::test {
namespace {

TEST(AirTuning, LengthsForEveryRateOfTheTable)
{
    struct Row {
        double fs;
        std::array<std::int32_t, 8> lengths;
    };
    const Row rows[] = {
        {44100.0, {557, 185, 61, 20, 6, 460, 1010, 1745}},
        {48000.0, {606, 201, 66, 21, 6, 501, 1099, 1899}},
        {88200.0, {1115, 371, 123, 40, 13, 920, 2020, 3491}},
        {96000.0, {1213, 404, 134, 44, 14, 1002, 2199, 3799}},
        {176400.0, {2230, 743, 247, 82, 27, 1841, 4041, 6982}},
        {192000.0, {2427, 808, 269, 89, 29, 2004, 4398, 7599}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(AirTuning::forSampleRate(row.fs).lineLength, row.lengths) << row.fs << " Hz";
    }
}

TEST(AirTuning, SmootherAt48kIsTheMeasurementValueAndRatesAboveTheCapacityAreLimited)
{
    EXPECT_EQ(AirTuning::measurement().smoothCoef, 0.23033458750676017);
    EXPECT_EQ(AirTuning::forSampleRate(48000.0).smoothCoef, AirTuning::measurement().smoothCoef);
    EXPECT_EQ(AirTuning::measurement().lineLength,
              (std::array<std::int32_t, 8>{607, 202, 67, 22, 7, 501, 1100, 1900}));

    const AirTuning high = AirTuning::forSampleRate(384000.0);
    EXPECT_EQ(high.lineLength[7], AirAmbience::kDelayCapacity);
    EXPECT_EQ(high.lineLength[6], AirAmbience::kAllpassCapacity);
    EXPECT_EQ(high.lineLength[0], 4855);
}

template <class Air>
void expectImpulseEchoes(Air& air, int rightAt, int leftAt)
{
    const StereoSample first = air.processSample(1.0);
    EXPECT_EQ(first.left, 1.0);
    EXPECT_EQ(first.right, 1.0);
    for (int t = 1; t <= leftAt; ++t) {
        const StereoSample out = air.processSample(0.0);
        if (t < rightAt) {
            ASSERT_EQ(out.right, 0.0) << "sample " << t;
        } else if (t == rightAt) {
            EXPECT_NEAR(out.right, -0.025 * std::pow(0.7, 6), 1e-15);
            EXPECT_NEAR(out.right, -0.002941225, 1e-9);
        }
        if (t < leftAt) {
            ASSERT_EQ(out.left, 0.0) << "sample " << t;
        } else {
            EXPECT_NEAR(out.left, -0.05 * std::pow(0.7, 7), 1e-15);
            EXPECT_NEAR(out.left, -0.004117715, 1e-9);
        }
    }
}

TEST(AirAmbience, ImpulseEchoesAtThePluginsLengthsAt48k)
{
    auto air = std::make_unique<AirAmbience>();
    air->prepare(48000.0);
    expectImpulseEchoes(*air, 1099, 1899);
}

TEST(AirAmbience, ImpulseEchoesOneSampleLaterInTheMeasurementVariant)
{
    auto air = std::make_unique<MeasurementAirAmbience>();
    expectImpulseEchoes(*air, 1100, 1900);
}

TEST(AirAmbience, SilenceStaysExactlyZero)
{
    auto air = std::make_unique<AirAmbience>();
    air->prepare(44100.0);
    for (int t = 0; t < 20000; ++t) {
        const StereoSample out = air->processSample(0.0);
        ASSERT_EQ(out.left, 0.0);
        ASSERT_EQ(out.right, 0.0);
    }
}

TEST(AirAmbience, LoweringTheRateWithPositionsBeyondTheNewLengthsStaysInsideTheLines)
{
    auto air = std::make_unique<AirAmbience>();
    air->prepare(192000.0);
    for (int t = 0; t < 7000; ++t) {
        air->processSample(t % 100 == 0 ? 1.0 : 0.0);
    }
    ASSERT_GE(air->lineIndex(7), 1745);
    air->prepare(44100.0);
    const AirTuning& tuning = air->tuning();
    for (int t = 0; t < 2000; ++t) {
        air->processSample(0.0);
        for (int k = 0; k < 8; ++k) {
            ASSERT_LT(air->lineIndex(k), tuning.lineLength[k]) << "line " << k << " at " << t;
        }
    }
}

}  // namespace
}  // namespace kestrava::test

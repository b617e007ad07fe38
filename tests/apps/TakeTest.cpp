#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Take.h"
#include "tests/support/ScratchFolder.h"
#include "tests/support/WavBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace kestrava::audio;

namespace kestrava::test {
namespace {

using namespace tool;

WavData decode(const WavFormat& format, const std::vector<std::vector<double>>& channels)
{
    const ScratchFolder scratch;
    const std::string path = scratch.file("take.wav");
    writeFile(path, buildWav(format, channels));
    WavData audio;
    std::string error;
    EXPECT_TRUE(readAudioFile(path, audio, error)) << error;
    return audio;
}

std::vector<double> values(const WavData& audio, int channel = 0)
{
    const std::vector<double>& samples = audio.channels[channel];
    return captureValues(samples, samples.size(), deviceSampleType(audio.bitsPerSample, audio.floatingPoint));
}

bool clipsAt(const WavData& audio, std::size_t i)
{
    const std::vector<double> one = {audio.channels[0][i]};
    return clips(one, 1, deviceSampleType(audio.bitsPerSample, audio.floatingPoint));
}

TEST(Take, IntegerSamplesAreLeftAlignedInto32Bits)
{
    EXPECT_EQ(values(decode({16}, {{0x1234, -2, 32767, -32768}})),
              (std::vector<double>{0x12340000, -2 * 65536, 0x7FFF0000, -2147483648.0}));
    EXPECT_EQ(values(decode({24}, {{0x123456, -3}})), (std::vector<double>{0x12345600, -3 * 256}));
    EXPECT_EQ(values(decode({32}, {{2147483647.0, -123456789.0}})),
              (std::vector<double>{2147483647.0, -123456789.0}));
}

TEST(Take, FloatSamplesAreScaledBy32766AndTruncated)
{
    EXPECT_EQ(values(decode({32, true}, {{1.0, -0.5, 0.25, 0.1}})),
              (std::vector<double>{32766.0, -16383.0, 8191.0, 3276.0}));
    EXPECT_EQ(values(decode({64, true}, {{0.25, -0.999999}})), (std::vector<double>{8191.0, -32765.0}));
    // Far beyond full scale the value is held inside the 32-bit range.
    EXPECT_EQ(captureValues({1.0e6}, 1, ASIOSTFloat64LSB), (std::vector<double>{2147483647.0}));
}

TEST(Take, ValuesBetweenIntegerStepsAreRoundedToTheNearest)
{
    // As after a rate conversion of a 16-bit take.
    const double step = 1.0 / 32768.0;
    EXPECT_EQ(captureValues({10.4 * step, -10.6 * step, 2.0}, 3, ASIOSTInt16LSB),
              (std::vector<double>{10 * 65536.0, -11 * 65536.0, 32767 * 65536.0}));
}

TEST(Take, FullScaleIsTheMeasurementsClippingThreshold)
{
    const WavData a16 = decode({16}, {{32767, -32767, -32768, 32766}});
    EXPECT_TRUE(clipsAt(a16, 0));
    EXPECT_TRUE(clipsAt(a16, 1));
    EXPECT_TRUE(clipsAt(a16, 2));
    EXPECT_FALSE(clipsAt(a16, 3));
    const WavData a24 = decode({24}, {{0x7FFF00, 0x7FFEFF}});
    EXPECT_TRUE(clipsAt(a24, 0));
    EXPECT_FALSE(clipsAt(a24, 1));
    EXPECT_TRUE(clips({-1.0}, 1, ASIOSTFloat32LSB));
    EXPECT_FALSE(clips({0.9999}, 1, ASIOSTFloat32LSB));
    EXPECT_TRUE(clips({0.1, 0.2, 1.0}, 3, ASIOSTFloat64LSB));
    EXPECT_FALSE(clips({0.1, 0.2, 1.0}, 2, ASIOSTFloat64LSB));
}

TEST(Take, EachFormatStandsForItsDeviceSampleType)
{
    EXPECT_EQ(deviceSampleType(16, false), ASIOSTInt16LSB);
    EXPECT_EQ(deviceSampleType(24, false), ASIOSTInt24LSB);
    EXPECT_EQ(deviceSampleType(32, false), ASIOSTInt32LSB);
    EXPECT_EQ(deviceSampleType(8, false), ASIOSTInt32LSB);
    EXPECT_EQ(deviceSampleType(32, true), ASIOSTFloat32LSB);
    EXPECT_EQ(deviceSampleType(64, true), ASIOSTFloat64LSB);
    // An 8-bit sample left-aligned in 32 bits keeps its value.
    EXPECT_EQ(captureValues({-1.0, 5.0 / 128.0}, 2, deviceSampleType(8, false)),
              (std::vector<double>{-2147483648.0, 5.0 * 16777216.0}));
}

TEST(Take, ExtensibleHeaderAndChannelsAreRead)
{
    const WavData a = decode({24, false, true, 44100}, {{1, 2, 3}, {-1, -2, -3}});
    EXPECT_EQ(a.sampleRate, 44100.0);
    ASSERT_EQ(a.channels.size(), 2u);
    EXPECT_EQ(a.frames(), 3u);
    EXPECT_EQ(values(a, 1), (std::vector<double>{-256, -512, -768}));
}

}  // namespace
}  // namespace kestrava::test

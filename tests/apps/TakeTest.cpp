#include "apps/kestrava/AudioFile.h"
#include "apps/kestrava/Take.h"
#include "WavBuilder.h"

#include <gtest/gtest.h>

namespace kestrava::tool {
namespace {

using testing::buildWav;
using testing::WavFormat;

AudioData decode(const WavFormat& format, const std::vector<std::vector<double>>& channels)
{
    AudioData audio;
    std::string error;
    EXPECT_TRUE(decodeWav(buildWav(format, channels), 1 << 20, audio, error)) << error;
    return audio;
}

TEST(Take, IntegerSamplesAreLeftAlignedInto32Bits)
{
    const AudioData a16 = decode({16}, {{0x1234, -2, 32767, -32768}});
    EXPECT_EQ(a16.kind, SampleKind::Integer);
    EXPECT_EQ(captureValue(a16.channels[0][0], a16.kind), 0x12340000);
    EXPECT_EQ(captureValue(a16.channels[0][1], a16.kind), -2 * 65536);
    EXPECT_EQ(captureValue(a16.channels[0][2], a16.kind), 0x7FFF0000);
    EXPECT_EQ(captureValue(a16.channels[0][3], a16.kind), -2147483648.0);

    const AudioData a24 = decode({24}, {{0x123456, -3}});
    EXPECT_EQ(captureValue(a24.channels[0][0], a24.kind), 0x12345600);
    EXPECT_EQ(captureValue(a24.channels[0][1], a24.kind), -3 * 256);

    const AudioData a32 = decode({32}, {{2147483647.0, -123456789.0}});
    EXPECT_EQ(captureValue(a32.channels[0][0], a32.kind), 2147483647.0);
    EXPECT_EQ(captureValue(a32.channels[0][1], a32.kind), -123456789.0);

    const AudioData a8 = decode({8}, {{-128, 5}});
    EXPECT_EQ(captureValue(a8.channels[0][0], a8.kind), -2147483648.0);
    EXPECT_EQ(captureValue(a8.channels[0][1], a8.kind), 5.0 * 16777216.0);
}

TEST(Take, FloatSamplesAreScaledBy32766AndTruncated)
{
    const AudioData f32 = decode({32, true}, {{1.0, -0.5, 0.25, 0.1}});
    EXPECT_EQ(f32.kind, SampleKind::Float32);
    EXPECT_EQ(captureValue(f32.channels[0][0], f32.kind), 32766.0);
    EXPECT_EQ(captureValue(f32.channels[0][1], f32.kind), -16383.0);
    EXPECT_EQ(captureValue(f32.channels[0][2], f32.kind), 8191.0);
    EXPECT_EQ(captureValue(f32.channels[0][3], f32.kind), 3276.0);

    const AudioData f64 = decode({64, true}, {{0.25, -0.999999}});
    EXPECT_EQ(f64.kind, SampleKind::Float64);
    EXPECT_EQ(captureValue(f64.channels[0][0], f64.kind), 8191.0);
    EXPECT_EQ(captureValue(f64.channels[0][1], f64.kind), -32765.0);
    // Far beyond full scale the value is held inside the 32-bit range.
    EXPECT_EQ(captureValue(1.0e6, SampleKind::Float64), 2147483647.0);
}

TEST(Take, FullScaleIsTheMeasurementsClippingThreshold)
{
    const AudioData a16 = decode({16}, {{32767, -32767, -32768, 32766}});
    EXPECT_TRUE(atFullScale(a16.channels[0][0], a16.kind));
    EXPECT_TRUE(atFullScale(a16.channels[0][1], a16.kind));
    EXPECT_TRUE(atFullScale(a16.channels[0][2], a16.kind));
    EXPECT_FALSE(atFullScale(a16.channels[0][3], a16.kind));
    const AudioData a24 = decode({24}, {{0x7FFF00, 0x7FFEFF}});
    EXPECT_TRUE(atFullScale(a24.channels[0][0], a24.kind));
    EXPECT_FALSE(atFullScale(a24.channels[0][1], a24.kind));
    EXPECT_TRUE(atFullScale(-1.0, SampleKind::Float32));
    EXPECT_FALSE(atFullScale(0.99999, SampleKind::Float32));
    EXPECT_TRUE(clips({0.1, 0.2, 1.0}, 3, SampleKind::Float64));
    EXPECT_FALSE(clips({0.1, 0.2, 1.0}, 2, SampleKind::Float64));
}

TEST(Take, ExtensibleHeaderAndChannelsAreRead)
{
    const AudioData a = decode({24, false, true, 44100}, {{1, 2, 3}, {-1, -2, -3}});
    EXPECT_EQ(a.sampleRate, 44100.0);
    ASSERT_EQ(a.channels.size(), 2u);
    EXPECT_EQ(a.fileFrames, 3);
    EXPECT_EQ(captureValue(a.channels[1][2], a.kind), -3 * 256);
}

TEST(Take, DamagedWavIsRefusedWithAReason)
{
    AudioData audio;
    std::string error;
    const std::vector<std::uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_FALSE(decodeWav(text, 100, audio, error));
    EXPECT_EQ(error, "not a WAV file");
    std::vector<std::uint8_t> wav = buildWav({16}, {{1, 2}});
    wav[20] = 7;  // an unknown format code
    EXPECT_FALSE(decodeWav(wav, 100, audio, error));
    EXPECT_NE(error.find("unsupported"), std::string::npos);
    wav = buildWav({16}, {{1, 2}});
    wav.resize(30);  // cut inside the format chunk
    EXPECT_FALSE(decodeWav(wav, 100, audio, error));
}

}  // namespace
}  // namespace kestrava::tool

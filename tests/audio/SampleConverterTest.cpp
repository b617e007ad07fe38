#include "audio/SampleConverter.h"

#include "support/PassThroughClient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

using namespace kestrava::audio;

namespace kestrava::test {
namespace {

using Bytes = std::vector<unsigned char>;

std::int32_t in(ASIOSampleType type, Bytes bytes)
{
    std::int32_t x = 0x5A5A5A5A;
    EXPECT_TRUE(SampleConverter::toBlock(type, bytes.data(), &x, 1));
    return x;
}

Bytes out(ASIOSampleType type, std::int32_t x)
{
    Bytes bytes(static_cast<std::size_t>(SampleConverter::bytesPerSample(type)), 0xEE);
    EXPECT_TRUE(SampleConverter::fromBlock(type, &x, bytes.data(), 1));
    return bytes;
}

Bytes littleEndianFloat(float f)
{
    const auto u = std::bit_cast<std::uint32_t>(f);
    return {static_cast<unsigned char>(u), static_cast<unsigned char>(u >> 8), static_cast<unsigned char>(u >> 16),
            static_cast<unsigned char>(u >> 24)};
}

Bytes bigEndianDouble(double d)
{
    const auto u = std::bit_cast<std::uint64_t>(d);
    Bytes b(8);
    for (int k = 0; k < 8; ++k) {
        b[static_cast<std::size_t>(k)] = static_cast<unsigned char>(u >> (56 - 8 * k));
    }
    return b;
}

float floatFrom(const Bytes& b)
{
    std::uint32_t u = 0;
    for (int k = 3; k >= 0; --k) {
        u = (u << 8) | b[static_cast<std::size_t>(k)];
    }
    return std::bit_cast<float>(u);
}

const std::array<ASIOSampleType, 18> kAllTypes = {
    ASIOSTInt16MSB,   ASIOSTInt24MSB,   ASIOSTInt32MSB,   ASIOSTFloat32MSB, ASIOSTFloat64MSB, ASIOSTInt32MSB16,
    ASIOSTInt32MSB18, ASIOSTInt32MSB20, ASIOSTInt32MSB24, ASIOSTInt16LSB,   ASIOSTInt24LSB,   ASIOSTInt32LSB,
    ASIOSTFloat32LSB, ASIOSTFloat64LSB, ASIOSTInt32LSB16, ASIOSTInt32LSB18, ASIOSTInt32LSB20, ASIOSTInt32LSB24};

TEST(SampleConverter, Int16LittleEndian)
{
    EXPECT_EQ(in(ASIOSTInt16LSB, {0x00, 0x80}), -2147483647 - 1);
    EXPECT_EQ(in(ASIOSTInt16LSB, {0xFF, 0x7F}), 2147418112);
    EXPECT_EQ(out(ASIOSTInt16LSB, -1), (Bytes{0xFF, 0xFF}));
    EXPECT_EQ(out(ASIOSTInt16LSB, 65535), (Bytes{0x00, 0x00}));
    EXPECT_EQ(out(ASIOSTInt16LSB, 0x12345678), (Bytes{0x34, 0x12}));
}

TEST(SampleConverter, Int16BigEndian)
{
    EXPECT_EQ(in(ASIOSTInt16MSB, {0x80, 0x00}), -2147483647 - 1);
    EXPECT_EQ(in(ASIOSTInt16MSB, {0x7F, 0xFF}), 2147418112);
    EXPECT_EQ(out(ASIOSTInt16MSB, 0x12345678), (Bytes{0x12, 0x34}));
}

TEST(SampleConverter, Int24BothByteOrders)
{
    EXPECT_EQ(in(ASIOSTInt24LSB, {0x56, 0x34, 0x12}), 0x12345600);
    EXPECT_EQ(out(ASIOSTInt24LSB, 0x12345678), (Bytes{0x56, 0x34, 0x12}));
    EXPECT_EQ(in(ASIOSTInt24MSB, {0x12, 0x34, 0x56}), 0x12345600);
    EXPECT_EQ(out(ASIOSTInt24MSB, 0x12345678), (Bytes{0x12, 0x34, 0x56}));
    EXPECT_EQ(in(ASIOSTInt24LSB, {0x00, 0x00, 0x80}), -2147483647 - 1);
    // Outputs keep the upper bits, rounding toward minus infinity.
    EXPECT_EQ(out(ASIOSTInt24LSB, -1), (Bytes{0xFF, 0xFF, 0xFF}));
}

TEST(SampleConverter, Int32BothByteOrders)
{
    EXPECT_EQ(in(ASIOSTInt32LSB, {0x78, 0x56, 0x34, 0x12}), 0x12345678);
    EXPECT_EQ(in(ASIOSTInt32MSB, {0x12, 0x34, 0x56, 0x78}), 0x12345678);
    EXPECT_EQ(out(ASIOSTInt32LSB, -2), (Bytes{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(out(ASIOSTInt32MSB, 0x12345678), (Bytes{0x12, 0x34, 0x56, 0x78}));
}

TEST(SampleConverter, EighteenBitBigEndianContainer)
{
    EXPECT_EQ(in(ASIOSTInt32MSB18, {0x00, 0x01, 0xFF, 0xFF}), 0x7FFFC000);
    EXPECT_EQ(out(ASIOSTInt32MSB18, 0x7FFFC000), (Bytes{0x00, 0x01, 0xFF, 0xFF}));
}

TEST(SampleConverter, ContainersKeepOnlyTheirSignificantBits)
{
    // Bits above the 16 significant ones are discarded by the shift.
    EXPECT_EQ(in(ASIOSTInt32LSB16, {0x34, 0x12, 0xAB, 0xCD}), 0x12340000);
    EXPECT_EQ(in(ASIOSTInt32LSB20, {0x00, 0x00, 0x08, 0x00}), -2147483647 - 1);
    EXPECT_EQ(in(ASIOSTInt32LSB24, {0x56, 0x34, 0x12, 0x77}), 0x12345600);
    EXPECT_EQ(in(ASIOSTInt32MSB24, {0x77, 0x12, 0x34, 0x56}), 0x12345600);
    EXPECT_EQ(in(ASIOSTInt32MSB16, {0xFF, 0xFF, 0x80, 0x00}), -2147483647 - 1);
    EXPECT_EQ(in(ASIOSTInt32MSB20, {0x00, 0x07, 0xFF, 0xFF}), 0x7FFFF000);
    // Outputs are sign-extended into the container.
    EXPECT_EQ(out(ASIOSTInt32LSB16, -65536), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(out(ASIOSTInt32LSB18, 0x7FFFC000), (Bytes{0xFF, 0xFF, 0x01, 0x00}));
    EXPECT_EQ(out(ASIOSTInt32LSB20, -2147483647 - 1), (Bytes{0x00, 0x00, 0xF8, 0xFF}));
    EXPECT_EQ(out(ASIOSTInt32LSB24, 0x12345678), (Bytes{0x56, 0x34, 0x12, 0x00}));
    EXPECT_EQ(out(ASIOSTInt32MSB24, -256), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(out(ASIOSTInt32MSB16, 0x12345678), (Bytes{0x00, 0x00, 0x12, 0x34}));
    EXPECT_EQ(out(ASIOSTInt32MSB20, 0x12345678), (Bytes{0x00, 0x01, 0x23, 0x45}));
}

TEST(SampleConverter, Float32LittleEndian)
{
    EXPECT_EQ(in(ASIOSTFloat32LSB, littleEndianFloat(1.0f)), 32766);
    EXPECT_EQ(in(ASIOSTFloat32LSB, littleEndianFloat(-0.5f)), -16383);
    EXPECT_EQ(floatFrom(out(ASIOSTFloat32LSB, 32767)), 1.0f);
    EXPECT_EQ(floatFrom(out(ASIOSTFloat32LSB, -16383)), -16383.0f / 32767.0f);
}

TEST(SampleConverter, Float32BigEndianIsTheByteSwappedLittleEndian)
{
    Bytes big = littleEndianFloat(-0.25f);
    std::reverse(big.begin(), big.end());
    EXPECT_EQ(in(ASIOSTFloat32MSB, big), -8191);
    Bytes written = out(ASIOSTFloat32MSB, 32767);
    std::reverse(written.begin(), written.end());
    EXPECT_EQ(floatFrom(written), 1.0f);
}

TEST(SampleConverter, Float64BigEndianQuarterBecomes8191)
{
    EXPECT_EQ(in(ASIOSTFloat64MSB, bigEndianDouble(0.25)), 8191);
    EXPECT_EQ(out(ASIOSTFloat64MSB, 32767), bigEndianDouble(1.0));
    // Narrowed to single precision before the division.
    EXPECT_EQ(out(ASIOSTFloat64MSB, 16777217), bigEndianDouble(16777216.0 / 32767.0));
}

TEST(SampleConverter, Float64LittleEndian)
{
    Bytes b = bigEndianDouble(-1.0);
    std::reverse(b.begin(), b.end());
    EXPECT_EQ(in(ASIOSTFloat64LSB, b), -32766);
    Bytes written = out(ASIOSTFloat64LSB, -32767);
    std::reverse(written.begin(), written.end());
    EXPECT_EQ(written, bigEndianDouble(-1.0));
}

TEST(SampleConverter, FloatingPointInputBeyondTheIntegerRangeIsClamped)
{
    EXPECT_EQ(in(ASIOSTFloat32LSB, littleEndianFloat(70000.0f)), 2147483647);
    EXPECT_EQ(in(ASIOSTFloat32LSB, littleEndianFloat(-1e30f)), -2147483647);
    EXPECT_EQ(in(ASIOSTFloat32LSB, littleEndianFloat(std::numeric_limits<float>::infinity())), 2147483647);
    EXPECT_EQ(in(ASIOSTFloat32LSB, littleEndianFloat(std::numeric_limits<float>::quiet_NaN())), 0);
    EXPECT_EQ(in(ASIOSTFloat64MSB, bigEndianDouble(-65541.0)), -2147483647);
    EXPECT_EQ(in(ASIOSTFloat64MSB, bigEndianDouble(-65540.0)), -2147483640);
    EXPECT_EQ(in(ASIOSTFloat64MSB, bigEndianDouble(65537.0)), 2147385342);
}

TEST(SampleConverter, UnitSamplesBeyondTheFloatRangeAreHeldWithinIt)
{
    constexpr float kMax = std::numeric_limits<float>::max();
    const std::vector<std::pair<double, float>> cases = {
        {1e300, kMax}, {-1e39, -kMax}, {std::numeric_limits<double>::quiet_NaN(), 0.0f}, {0.5, 0.5f}};
    for (const auto& [unit, expected] : cases) {
        Bytes bytes(4, 0xEE);
        ASSERT_TRUE(SampleConverter::fromUnit(ASIOSTFloat32LSB, &unit, bytes.data(), 1));
        EXPECT_EQ(floatFrom(bytes), expected) << unit;
    }
}

TEST(SampleConverter, BlocksOfSeveralSamples)
{
    const std::int32_t values[] = {0, 0x7FFF0000, -2147483647 - 1, 0x00010000, -0x00010000};
    for (ASIOSampleType type : kAllTypes) {
        if (type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB || type == ASIOSTFloat64LSB ||
            type == ASIOSTFloat64MSB) {
            continue;
        }
        Bytes device(static_cast<std::size_t>(5 * SampleConverter::bytesPerSample(type)));
        ASSERT_TRUE(SampleConverter::fromBlock(type, values, device.data(), 5));
        std::int32_t back[5] = {};
        ASSERT_TRUE(SampleConverter::toBlock(type, device.data(), back, 5));
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(back[i], values[i]) << "type " << type << " sample " << i;
        }
    }
}

TEST(SampleConverter, FullScaleOfEachFormat)
{
    for (ASIOSampleType type : kAllTypes) {
        const bool floating = type == ASIOSTFloat32LSB || type == ASIOSTFloat32MSB ||
                              type == ASIOSTFloat64LSB || type == ASIOSTFloat64MSB;
        EXPECT_TRUE(SampleConverter::isSupported(type)) << type;
        EXPECT_EQ(SampleConverter::fullScale(type), floating ? 32766 : 0x7FFF0000) << type;
    }
    // The largest positive sample of every integer format reaches it.
    EXPECT_GE(in(ASIOSTInt16LSB, {0xFF, 0x7F}), SampleConverter::fullScale(ASIOSTInt16LSB));
    EXPECT_GE(in(ASIOSTInt24MSB, {0x7F, 0xFF, 0xFF}), SampleConverter::fullScale(ASIOSTInt24MSB));
    EXPECT_GE(in(ASIOSTInt32LSB18, {0xFF, 0xFF, 0x01, 0x00}), SampleConverter::fullScale(ASIOSTInt32LSB18));
    EXPECT_GE(in(ASIOSTFloat32LSB, littleEndianFloat(1.0f)), SampleConverter::fullScale(ASIOSTFloat32LSB));
    // The float just below 1.0 stays below it.
    EXPECT_LT(in(ASIOSTFloat32LSB, littleEndianFloat(std::nextafter(1.0f, 0.0f))), 32766);
}

TEST(SampleConverter, UnsupportedTypesTouchNothing)
{
    for (ASIOSampleType type : {5, 6, 7, 12, 13, 14, 15, 21, 22, 23, 28, 32, 33, 40, -1}) {
        EXPECT_FALSE(SampleConverter::isSupported(type));
        EXPECT_EQ(SampleConverter::fullScale(type), 0);
        std::int32_t block[2] = {11, 22};
        Bytes device(16, 0xAB);
        EXPECT_FALSE(SampleConverter::toBlock(type, device.data(), block, 2));
        EXPECT_FALSE(SampleConverter::fromBlock(type, block, device.data(), 2));
        EXPECT_EQ(block[0], 11);
        EXPECT_EQ(block[1], 22);
        EXPECT_EQ(device, Bytes(16, 0xAB));
    }
}

// Raises the right output so that it tells from the pickup input.
constexpr std::int32_t kPickupOffset = 0x10000;

struct DeviceBuffers {
    explicit DeviceBuffers(int bytes) : storage(8, Bytes(static_cast<std::size_t>(bytes), 0xCC))
    {
        for (int c = 0; c < 4; ++c) {
            infos[c] = {c < 2 ? ASIOTrue : ASIOFalse, c % 2, {storage[2 * c].data(), storage[2 * c + 1].data()}};
        }
    }
    Bytes& buffer(int channel, int half) { return storage[static_cast<std::size_t>(2 * channel + half)]; }
    std::vector<Bytes> storage;
    std::array<ASIOBufferInfo, 4> infos{};
};

TEST(SampleConverterHandler, ConvertsTheHalfGivenByTheIndex)
{
    DeviceBuffers device(3 * 2);
    device.buffer(0, 1) = {0x01, 0x00, 0x00, 0x02, 0x00, 0x00};
    device.buffer(1, 1) = {0x00, 0x00, 0x01, 0xFF, 0xFF, 0xFF};
    PassThroughClient client(kPickupOffset);
    SampleConverter converter;
    converter.configure(device.infos.data(), ASIOSTInt24LSB, 2, &client, nullptr, false);
    converter.handleBuffer(1);
    EXPECT_EQ(client.calls.load(), 1);
    EXPECT_EQ(client.blocks.blockLength, 2);
    EXPECT_EQ(client.blocks.micIn[0], 0x100);
    EXPECT_EQ(client.blocks.pickupIn[1], -256);
    EXPECT_EQ(device.buffer(2, 1), (Bytes{0x01, 0x00, 0x00, 0x02, 0x00, 0x00}));
    EXPECT_EQ(device.buffer(3, 1), (Bytes{0x00, 0x01, 0x01, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(device.buffer(2, 0), Bytes(6, 0xCC));
    EXPECT_EQ(device.buffer(3, 0), Bytes(6, 0xCC));
}

TEST(SampleConverterHandler, UnsupportedTypeNeverCallsTheProcessor)
{
    DeviceBuffers device(16);
    PassThroughClient client(kPickupOffset);
    SampleConverter converter;
    converter.configure(device.infos.data(), 21, 4, &client, nullptr, false);
    converter.handleBuffer(0);
    converter.handleBuffer(1);
    EXPECT_EQ(client.calls.load(), 0);
    for (const Bytes& b : device.storage) {
        EXPECT_EQ(b, Bytes(16, 0xCC));
    }
}

TEST(SampleConverterHandler, EmptyBlockStillCallsTheProcessor)
{
    DeviceBuffers device(8);
    PassThroughClient client(kPickupOffset);
    SampleConverter converter;
    converter.configure(device.infos.data(), ASIOSTInt32LSB, 0, &client, nullptr, false);
    converter.handleBuffer(0);
    EXPECT_EQ(client.calls.load(), 1);
    EXPECT_EQ(device.buffer(2, 0), Bytes(8, 0xCC));
}

}  // namespace
}  // namespace kestrava::test

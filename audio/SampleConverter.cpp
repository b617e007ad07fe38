#include "audio/SampleConverter.h"

#include "audio/ByteOrder.h"
#include "engine/FloatSample.h"

#include <bit>
#include <cmath>
#include <cstring>

namespace kestrava::audio {

namespace {

constexpr float kFloatInScale = 32766.0f;
constexpr float kFloatOutScale = 32767.0f;
constexpr double kDoubleInScale = 32766.0;
constexpr double kDoubleOutScale = 32767.0;
constexpr std::int32_t kIntegerFullScale = 0x7FFF0000;
// 1.0 before scaling.
constexpr std::int32_t kFloatFullScale = 32766;

std::uint32_t load32(const unsigned char* p, bool bigEndian)
{
    return static_cast<std::uint32_t>(loadBytes(p, 4, bigEndian));
}

void store32(unsigned char* p, std::uint32_t v, bool bigEndian)
{
    storeBytes(p, v, 4, bigEndian);
}

// Products beyond the 32-bit range have no conversion of their own; they are
// held at the exact full-scale value so that recording still sees them.
std::int32_t clampScaled(double product)
{
    if (product >= 2147483647.0) {
        return 2147483647;
    }
    if (product <= -2147483647.0) {
        return -2147483647;
    }
    if (std::isnan(product)) {
        return 0;
    }
    return static_cast<std::int32_t>(product);
}

struct Format {
    enum Kind { Int16, Int24, Int32, Container, Float32, Float64, Unsupported };
    Kind kind;
    bool bigEndian;
    int shift;  // left alignment of a right-aligned container
};

Format formatOf(ASIOSampleType type)
{
    switch (type) {
    case ASIOSTInt16LSB: return {Format::Int16, false, 16};
    case ASIOSTInt24LSB: return {Format::Int24, false, 8};
    case ASIOSTInt32LSB: return {Format::Int32, false, 0};
    case ASIOSTFloat32LSB: return {Format::Float32, false, 0};
    case ASIOSTFloat64LSB: return {Format::Float64, false, 0};
    case ASIOSTInt32LSB16: return {Format::Container, false, 16};
    case ASIOSTInt32LSB18: return {Format::Container, false, 14};
    case ASIOSTInt32LSB20: return {Format::Container, false, 12};
    case ASIOSTInt32LSB24: return {Format::Container, false, 8};
    case ASIOSTInt16MSB: return {Format::Int16, true, 16};
    case ASIOSTInt24MSB: return {Format::Int24, true, 8};
    case ASIOSTInt32MSB: return {Format::Int32, true, 0};
    case ASIOSTFloat32MSB: return {Format::Float32, true, 0};
    case ASIOSTFloat64MSB: return {Format::Float64, true, 0};
    case ASIOSTInt32MSB16: return {Format::Container, true, 16};
    case ASIOSTInt32MSB18: return {Format::Container, true, 14};
    case ASIOSTInt32MSB20: return {Format::Container, true, 12};
    case ASIOSTInt32MSB24: return {Format::Container, true, 8};
    default: return {Format::Unsupported, false, 0};
    }
}

}  // namespace

bool SampleConverter::isSupported(ASIOSampleType type)
{
    return formatOf(type).kind != Format::Unsupported;
}

std::int32_t SampleConverter::fullScale(ASIOSampleType type)
{
    switch (formatOf(type).kind) {
    case Format::Unsupported: return 0;
    case Format::Float32:
    case Format::Float64: return kFloatFullScale;
    default: return kIntegerFullScale;
    }
}

int SampleConverter::bytesPerSample(ASIOSampleType type)
{
    switch (formatOf(type).kind) {
    case Format::Int16: return 2;
    case Format::Int24: return 3;
    case Format::Float64: return 8;
    case Format::Unsupported: return 0;
    default: return 4;
    }
}

bool SampleConverter::toBlock(ASIOSampleType type, const void* device, std::int32_t* block, std::int32_t n)
{
    const Format f = formatOf(type);
    const auto* p = static_cast<const unsigned char*>(device);
    switch (f.kind) {
    case Format::Int16:
        for (std::int32_t i = 0; i < n; ++i, p += 2) {
            const unsigned hi = f.bigEndian ? p[0] : p[1];
            const unsigned lo = f.bigEndian ? p[1] : p[0];
            block[i] = static_cast<std::int32_t>((std::uint32_t{hi} << 24) | (std::uint32_t{lo} << 16));
        }
        return true;
    case Format::Int24:
        for (std::int32_t i = 0; i < n; ++i, p += 3) {
            const unsigned b2 = f.bigEndian ? p[0] : p[2];
            const unsigned b1 = p[1];
            const unsigned b0 = f.bigEndian ? p[2] : p[0];
            block[i] = static_cast<std::int32_t>((std::uint32_t{b2} << 24) | (std::uint32_t{b1} << 16) |
                                                 (std::uint32_t{b0} << 8));
        }
        return true;
    case Format::Int32:
        if (!f.bigEndian) {
            if (n > 0) {
                std::memcpy(block, device, static_cast<std::size_t>(n) * 4);
            }
            return true;
        }
        for (std::int32_t i = 0; i < n; ++i, p += 4) {
            block[i] = static_cast<std::int32_t>(load32(p, true));
        }
        return true;
    case Format::Container:
        for (std::int32_t i = 0; i < n; ++i, p += 4) {
            block[i] = static_cast<std::int32_t>(load32(p, f.bigEndian) << f.shift);
        }
        return true;
    case Format::Float32:
        for (std::int32_t i = 0; i < n; ++i, p += 4) {
            const float s = std::bit_cast<float>(load32(p, f.bigEndian));
            const float product = s * kFloatInScale;
            block[i] = clampScaled(static_cast<double>(product));
        }
        return true;
    case Format::Float64:
        for (std::int32_t i = 0; i < n; ++i, p += 8) {
            const double s = std::bit_cast<double>(loadBytes(p, 8, f.bigEndian));
            block[i] = clampScaled(s * kDoubleInScale);
        }
        return true;
    case Format::Unsupported:
        break;
    }
    return false;
}

bool SampleConverter::fromBlock(ASIOSampleType type, const std::int32_t* block, void* device, std::int32_t n)
{
    const Format f = formatOf(type);
    auto* p = static_cast<unsigned char*>(device);
    switch (f.kind) {
    case Format::Int16:
        for (std::int32_t i = 0; i < n; ++i, p += 2) {
            const auto v = static_cast<std::uint32_t>(block[i]);
            p[f.bigEndian ? 0 : 1] = static_cast<unsigned char>(v >> 24);
            p[f.bigEndian ? 1 : 0] = static_cast<unsigned char>(v >> 16);
        }
        return true;
    case Format::Int24:
        for (std::int32_t i = 0; i < n; ++i, p += 3) {
            const auto v = static_cast<std::uint32_t>(block[i]);
            p[f.bigEndian ? 0 : 2] = static_cast<unsigned char>(v >> 24);
            p[1] = static_cast<unsigned char>(v >> 16);
            p[f.bigEndian ? 2 : 0] = static_cast<unsigned char>(v >> 8);
        }
        return true;
    case Format::Int32:
        if (!f.bigEndian) {
            if (n > 0) {
                std::memcpy(device, block, static_cast<std::size_t>(n) * 4);
            }
            return true;
        }
        for (std::int32_t i = 0; i < n; ++i, p += 4) {
            store32(p, static_cast<std::uint32_t>(block[i]), true);
        }
        return true;
    case Format::Container:
        for (std::int32_t i = 0; i < n; ++i, p += 4) {
            store32(p, static_cast<std::uint32_t>(block[i] >> f.shift), f.bigEndian);
        }
        return true;
    case Format::Float32:
        for (std::int32_t i = 0; i < n; ++i, p += 4) {
            const float s = static_cast<float>(block[i]) / kFloatOutScale;
            store32(p, std::bit_cast<std::uint32_t>(s), f.bigEndian);
        }
        return true;
    case Format::Float64:
        for (std::int32_t i = 0; i < n; ++i, p += 8) {
            const double s = static_cast<double>(static_cast<float>(block[i])) / kDoubleOutScale;
            storeBytes(p, std::bit_cast<std::uint64_t>(s), 8, f.bigEndian);
        }
        return true;
    case Format::Unsupported:
        break;
    }
    return false;
}

namespace {

constexpr double kUnitScale = 2147483648.0;

std::int32_t unitToInteger(double v)
{
    if (std::isnan(v)) {
        return 0;
    }
    const double scaled = std::nearbyint(v * kUnitScale);
    return static_cast<std::int32_t>(std::fmin(std::fmax(scaled, -kUnitScale), kUnitScale - 1.0));
}

}  // namespace

bool SampleConverter::fromUnit(ASIOSampleType type, const double* unit, void* device, std::int32_t n)
{
    const Format f = formatOf(type);
    auto* p = static_cast<unsigned char*>(device);
    const int bytes = bytesPerSample(type);
    for (std::int32_t i = 0; i < n; ++i, p += bytes) {
        if (f.kind == Format::Float32) {
            store32(p, std::bit_cast<std::uint32_t>(engine::toFloatSample(unit[i])), f.bigEndian);
        } else if (f.kind == Format::Float64) {
            storeBytes(p, std::bit_cast<std::uint64_t>(unit[i]), 8, f.bigEndian);
        } else {
            const std::int32_t block = unitToInteger(unit[i]);
            if (!fromBlock(type, &block, p, 1)) {
                return false;
            }
        }
    }
    return f.kind != Format::Unsupported;
}

bool SampleConverter::toUnit(ASIOSampleType type, const void* device, double* unit, std::int32_t n)
{
    const Format f = formatOf(type);
    const auto* p = static_cast<const unsigned char*>(device);
    const int bytes = bytesPerSample(type);
    for (std::int32_t i = 0; i < n; ++i, p += bytes) {
        if (f.kind == Format::Float32) {
            unit[i] = std::bit_cast<float>(load32(p, f.bigEndian));
        } else if (f.kind == Format::Float64) {
            unit[i] = std::bit_cast<double>(loadBytes(p, 8, f.bigEndian));
        } else {
            std::int32_t block = 0;
            if (!toBlock(type, p, &block, 1)) {
                return false;
            }
            unit[i] = block / kUnitScale;
        }
    }
    return f.kind != Format::Unsupported;
}

void SampleConverter::configure(const ASIOBufferInfo* buffers, ASIOSampleType type, std::int32_t blockLength,
                                BlockClient* client, IASIO* driver, bool postOutputReady)
{
    for (int c = 0; c < 4; ++c) {
        buffers_[c] = {buffers[c].buffers[0], buffers[c].buffers[1]};
    }
    type_ = type;
    blockLength_ = blockLength;
    client_ = client;
    driver_ = driver;
    postOutputReady_ = postOutputReady;
}

void SampleConverter::handleBuffer(std::int32_t index)
{
    if (client_ != nullptr && isSupported(type_)) {
        StreamBlocks& blocks = client_->streamBlocks();
        const int half = index & 1;
        blocks.blockLength = blockLength_;
        toBlock(type_, buffers_[0][half], blocks.micIn.data(), blockLength_);
        toBlock(type_, buffers_[1][half], blocks.pickupIn.data(), blockLength_);
        client_->processBlock();
        fromBlock(type_, blocks.leftOut.data(), buffers_[2][half], blockLength_);
        fromBlock(type_, blocks.rightOut.data(), buffers_[3][half], blockLength_);
    }
    if (postOutputReady_ && driver_ != nullptr) {
        driver_->outputReady();
    }
}

}  // namespace kestrava::audio

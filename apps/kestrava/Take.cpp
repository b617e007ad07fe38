#include "apps/kestrava/Take.h"

#include "audio/SampleConverter.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace kestrava::tool {

using audio::ASIOSampleType;
using audio::SampleConverter;

namespace {

constexpr std::size_t kChunk = 4096;

// Little-endian device bytes of one sample.
void encode(double v, ASIOSampleType type, unsigned char* out)
{
    if (type == audio::ASIOSTFloat32LSB) {
        const float f = static_cast<float>(v);
        std::memcpy(out, &f, 4);
        return;
    }
    if (type == audio::ASIOSTFloat64LSB) {
        std::memcpy(out, &v, 8);
        return;
    }
    const int bytes = SampleConverter::bytesPerSample(type);
    const double steps = std::ldexp(1.0, 8 * bytes - 1);
    const double s = std::clamp(std::nearbyint(v * steps), -steps, steps - 1.0);
    const auto u = static_cast<std::uint32_t>(static_cast<std::int32_t>(s));
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<unsigned char>(u >> (8 * i));
}

// Runs samples [0, count) through the converter, a chunk at a time.
template <class Visit>
void convert(const std::vector<double>& samples, std::size_t count, ASIOSampleType type, Visit visit)
{
    const int bytes = SampleConverter::bytesPerSample(type);
    std::vector<unsigned char> device(kChunk * bytes);
    std::vector<std::int32_t> block(kChunk);
    count = std::min(count, samples.size());
    for (std::size_t start = 0; start < count; start += kChunk) {
        const std::size_t n = std::min(kChunk, count - start);
        for (std::size_t i = 0; i < n; ++i)
            encode(samples[start + i], type, device.data() + i * bytes);
        SampleConverter::toBlock(type, device.data(), block.data(), static_cast<std::int32_t>(n));
        for (std::size_t i = 0; i < n; ++i)
            visit(start + i, block[i]);
    }
}

}  // namespace

ASIOSampleType deviceSampleType(int bitsPerSample, bool floatingPoint)
{
    if (floatingPoint)
        return bitsPerSample == 64 ? audio::ASIOSTFloat64LSB : audio::ASIOSTFloat32LSB;
    return bitsPerSample == 16   ? audio::ASIOSTInt16LSB
           : bitsPerSample == 24 ? audio::ASIOSTInt24LSB
                                 : audio::ASIOSTInt32LSB;
}

std::vector<double> captureValues(const std::vector<double>& samples, std::size_t count, ASIOSampleType type)
{
    std::vector<double> values(std::min(count, samples.size()));
    convert(samples, count, type, [&](std::size_t i, std::int32_t v) { values[i] = v; });
    return values;
}

bool clips(const std::vector<double>& samples, std::size_t count, ASIOSampleType type)
{
    const std::int32_t fullScale = SampleConverter::fullScale(type);
    bool clipped = false;
    convert(samples, count, type, [&](std::size_t, std::int32_t v) {
        if (v >= fullScale || v <= -fullScale)
            clipped = true;
    });
    return clipped;
}

}  // namespace kestrava::tool

// Conversion between the driver's sample buffers and the processor's 32-bit
// integer blocks, for the eighteen integer and floating-point ASIO sample
// types in both byte orders, and the buffer-switch handler built on it.
//
// Integer samples are left-aligned so that full scale is +-2^31; floating-
// point samples are scaled by 32,766 on the way in (clamped to
// +-2147483647) and divided by 32,767 on the way out.
//
// Everything here runs on the driver's callback thread except configure,
// which the stream calls before start. Nothing allocates, locks or blocks.
#pragma once

#include "audio/Asio.h"
#include "audio/StreamBlocks.h"

#include <array>
#include <cstdint>

namespace kestrava::audio {

class SampleConverter {
public:
    static bool isSupported(ASIOSampleType type);

    // The block value at which a sample of this type is at its own full scale
    // (see BlockClient::setFullScale); 0 for an unsupported type.
    static std::int32_t fullScale(ASIOSampleType type);

    // Bytes per device sample; 0 for an unsupported type.
    static int bytesPerSample(ASIOSampleType type);

    // Device samples to block values. Returns false, touching nothing, for an
    // unsupported type.
    static bool toBlock(ASIOSampleType type, const void* device, std::int32_t* block, std::int32_t n);

    // Block values to device samples. Returns false, touching nothing, for an
    // unsupported type.
    static bool fromBlock(ASIOSampleType type, const std::int32_t* block, void* device, std::int32_t n);

    // Unit-scaled samples (full scale +-1.0, as a sound file holds them) to
    // device samples and back: floating-point types carry the value itself,
    // integer types the value times 2^31, rounded to nearest and held inside
    // the 32-bit range (not a number becomes 0). Return false, touching
    // nothing, for an unsupported type.
    static bool fromUnit(ASIOSampleType type, const double* unit, void* device, std::int32_t n);
    static bool toUnit(ASIOSampleType type, const void* device, double* unit, std::int32_t n);

    // The stream's four buffers in the order microphone, pickup, left, right;
    // the sample type of the microphone channel selects the conversion for all.
    void configure(const ASIOBufferInfo* buffers, ASIOSampleType type, std::int32_t blockLength,
                   BlockClient* client, IASIO* driver, bool postOutputReady);

    // Converts the inputs of half `index`, runs the processor once, converts
    // the outputs back and, when the driver wants it, calls outputReady.
    void handleBuffer(std::int32_t index);

private:
    std::array<std::array<void*, 2>, 4> buffers_{};
    ASIOSampleType type_ = -1;
    std::int32_t blockLength_ = 0;
    BlockClient* client_ = nullptr;
    IASIO* driver_ = nullptr;
    bool postOutputReady_ = false;
};

}  // namespace kestrava::audio

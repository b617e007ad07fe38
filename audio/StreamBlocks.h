// The four integer blocks between the sample converter and its client (the
// measurement's block processor), and the interface through which the
// converter drives that client: the audio layer owns it, its clients
// implement it.
//
// Both are used on the driver's callback thread only: the converter fills
// micIn, pickupIn and blockLength, calls processBlock, then reads leftOut and
// rightOut. Nothing here allocates, locks or blocks; the arrays are fixed
// storage inside their owner.
#pragma once

#include <array>
#include <cstdint>

namespace kestrava::audio {

inline constexpr std::int32_t kMaxBlockLength = 4096;

struct StreamBlocks {
    std::array<std::int32_t, kMaxBlockLength> micIn{};
    std::array<std::int32_t, kMaxBlockLength> pickupIn{};
    std::array<std::int32_t, kMaxBlockLength> leftOut{};
    std::array<std::int32_t, kMaxBlockLength> rightOut{};
    std::int32_t blockLength = 0;
};

// What the converter needs of the processor. processBlock runs on the
// driver's thread and must not allocate, lock or block. setFullScale is called
// on the controlling thread before a stream starts, with the block value at
// which a sample of the device's format is at its own full scale.
class BlockClient {
public:
    virtual ~BlockClient() = default;
    virtual StreamBlocks& streamBlocks() = 0;
    virtual void processBlock() = 0;
    virtual void setFullScale(std::int32_t fullScale) = 0;
};

}  // namespace kestrava::audio

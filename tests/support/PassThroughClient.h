// A block processor for the device-layer tests: counts its calls, passes the
// microphone to the left output and the pickup, raised by `pickupOffset`, to
// the right, and keeps the full scale the stream gave it. processBlock runs
// on the driver's thread and allocates nothing; read the fields after the
// stream has stopped.
#pragma once

#include "measure/BlockProcessor.h"

#include <atomic>
#include <cstdint>

namespace kestrava::test {

class PassThroughClient final : public audio::BlockClient {
public:
    explicit PassThroughClient(std::int32_t offset = 0) : pickupOffset(offset) {}

    audio::StreamBlocks& streamBlocks() override { return blocks; }
    void processBlock() override
    {
        ++calls;
        for (std::int32_t i = 0; i < blocks.blockLength; ++i) {
            blocks.leftOut[i] = blocks.micIn[i];
            blocks.rightOut[i] = blocks.pickupIn[i] + pickupOffset;
        }
    }
    void setFullScale(std::int32_t value) override { fullScale = value; }

    audio::StreamBlocks blocks;
    const std::int32_t pickupOffset;
    std::atomic<int> calls{0};
    std::int32_t fullScale = 0;
};

}  // namespace kestrava::test

// The base of every driver this project implements itself: COM-style
// reference counting, one clock source, the error text, the answers such a
// driver gives alike (no control panel, no extensions, no posted outputs, one
// buffer size, a buffer of latency each way) and the double buffers:
// createBuffers with its channel checks, the two halves of every channel,
// which channels are active, and disposeBuffers. A backend says how many
// channels it has, its buffer size, sample type and channel names, and moves
// the halves on its own clock (a thread of its own, a server's callback).
//
// Controlling-thread operations. Between start and stop the backend's
// callback thread reads and writes the halves, and only the halves.
#pragma once

#include "audio/Asio.h"
#include "audio/DriverCatalog.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrava {

class SoftwareDriver : public IASIO {
public:
    std::int32_t QueryInterface(const AsioGuid& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    std::int32_t getDriverVersion() override;
    void getErrorMessage(char* string) override;
    ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) override;
    ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) override;
    ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                            std::int32_t* granularity) override;
    ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) override;
    ASIOError setClockSource(std::int32_t reference) override;
    ASIOError getChannelInfo(ASIOChannelInfo* info) override;
    ASIOError createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                            ASIOCallbacks* callbacks) override;
    ASIOError disposeBuffers() override;
    ASIOError controlPanel() override;
    ASIOError future(std::int32_t selector, void* opt) override;
    ASIOError outputReady() override;

protected:
    explicit SoftwareDriver(const char* clockName) : clockName_(clockName) {}
    // Deleted through Release only, as a COM object is.
    virtual ~SoftwareDriver() = default;

    // One channel the host asked for, with its two halves of device samples.
    struct BufferedChannel {
        bool isInput;
        std::int32_t number;
        std::vector<unsigned char> halves[2];
    };

    // The channel counts; false while the driver cannot tell (not ready).
    virtual bool channelCounts(std::int32_t& inputs, std::int32_t& outputs) = 0;
    // The one buffer size; 0 while the driver cannot tell.
    virtual std::int32_t onlyBufferSize() = 0;
    virtual ASIOSampleType sampleType() = 0;
    virtual void channelName(bool isInput, std::int32_t channel, char* name, std::size_t size) = 0;
    virtual bool acceptsBufferSize(std::int32_t frames) { return frames == onlyBufferSize(); }
    // After createBuffers has made the halves, and after disposeBuffers has
    // stopped the stream and let them go.
    virtual void buffersCreated() {}
    virtual void buffersDisposed() {}

    bool isActive(bool isInput, std::int32_t channel) const;

    // A frame count and a time in nanoseconds as the driver records hold them.
    static void samplePositionOf(std::uint64_t frames, std::uint64_t nanoseconds, ASIOSamples* position,
                                 ASIOTimeStamp* timeStamp);

    std::string error_;
    std::vector<BufferedChannel> channels_;
    ASIOCallbacks callbacks_{};
    // Frames per half of the buffers in use.
    std::int32_t bufferFrames_ = 0;

private:
    const char* clockName_;
    std::atomic<std::uint32_t> references_{1};
};

// The catalog entry that creates a Driver with these options on each load.
template <class Driver, class Options>
DriverEntry softwareDriverEntry(const char* name, const Options& options)
{
    return {name, [options]() -> IASIO* { return new Driver(options); }};
}

}  // namespace kestrava

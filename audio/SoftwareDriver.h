// The base of every driver this project implements itself. It answers every
// IASIO operation from what the backend tells of itself (its format, once
// open) and keeps what such drivers share: COM-style reference counting, one
// clock source, the error text, no control panel, no extensions, no posted
// outputs, one buffer size with a buffer of latency each way, the sample
// position, and the double buffers (createBuffers with its channel checks,
// the two halves of every channel, which channels are active,
// disposeBuffers). Until the backend is open every device operation answers
// ASE_NotPresent.
//
// A backend opens whatever it runs on, says its format, and starts and stops
// its own clock (a thread of its own, a server's callback) that moves the
// halves, calls the host's bufferSwitch and advances the position.
//
// Controlling-thread operations. Between start and stop the backend's
// callback thread reads and writes the halves, and only the halves, and
// advances the position.
#pragma once

#include "audio/Asio.h"
#include "audio/DriverCatalog.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrava::audio {

class SoftwareDriver : public IASIO {
public:
    std::int32_t QueryInterface(const AsioGuid& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    ASIOBool init(void* sysHandle) override;
    void getDriverName(char* name) override;
    std::int32_t getDriverVersion() override;
    void getErrorMessage(char* string) override;
    ASIOError start() override;
    ASIOError stop() override;
    ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) override;
    ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) override;
    ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                            std::int32_t* granularity) override;
    ASIOError canSampleRate(ASIOSampleRate rate) override;
    ASIOError getSampleRate(ASIOSampleRate* rate) override;
    ASIOError setSampleRate(ASIOSampleRate rate) override;
    ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) override;
    ASIOError setClockSource(std::int32_t reference) override;
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp) override;
    ASIOError getChannelInfo(ASIOChannelInfo* info) override;
    ASIOError createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                            ASIOCallbacks* callbacks) override;
    ASIOError disposeBuffers() override;
    ASIOError controlPanel() override;
    ASIOError future(std::int32_t selector, void* opt) override;
    ASIOError outputReady() override;

protected:
    SoftwareDriver(std::string name, const char* clockName) : name_(std::move(name)), clockName_(clockName) {}
    // Deleted through Release only, as a COM object is.
    virtual ~SoftwareDriver() = default;

    // What an open driver has: its channels, named by a prefix and the
    // channel's number from 1, its one buffer size, its sample type and the
    // one sample rate it runs at.
    struct Format {
        std::int32_t inputs;
        std::int32_t outputs;
        const char* inputPrefix;
        const char* outputPrefix;
        std::int32_t bufferSize;
        ASIOSampleType sampleType;
        ASIOSampleRate sampleRate;
    };

    // One channel the host asked for, with its two halves of device samples.
    struct BufferedChannel {
        bool isInput;
        std::int32_t number;
        std::vector<unsigned char> halves[2];
    };

    // Opens what the driver runs on (again, at a later init); false with
    // error_ set.
    virtual bool open() = 0;
    // Nothing until the driver is open.
    virtual std::optional<Format> format() = 0;
    // Called with buffers made; the host's callbacks may come from now on.
    virtual ASIOError startClock() = 0;
    // Returns once no callback runs any more.
    virtual ASIOError stopClock() = 0;
    virtual bool acceptsBufferSize(std::int32_t frames);
    // After createBuffers has made the halves, and after disposeBuffers has
    // stopped the clock and let them go.
    virtual void buffersCreated() {}
    virtual void buffersDisposed() {}
    // The system time of the latest buffer at `frames` frames; by default
    // the time those frames last at the sample rate.
    virtual std::uint64_t nanosecondsAt(std::uint64_t frames, ASIOSampleRate rate);

    bool isActive(bool isInput, std::int32_t channel) const;
    // disposeBuffers without asking whether the driver is open, for the
    // destructors.
    void releaseBuffers();
    // The callback thread counts the frames it has passed on.
    void advancePosition(std::int64_t frames) { position_.fetch_add(frames, std::memory_order_relaxed); }
    std::int64_t position() const { return position_.load(std::memory_order_relaxed); }

    std::string error_;
    std::vector<BufferedChannel> channels_;
    ASIOCallbacks callbacks_{};
    // Frames per half of the buffers in use.
    std::int32_t bufferFrames_ = 0;

private:
    const std::string name_;
    const char* clockName_;
    std::atomic<std::uint32_t> references_{1};
    std::atomic<std::int64_t> position_{0};
};

// The catalog entry that creates a Driver with these options on each load.
template <class Driver, class Options>
DriverEntry softwareDriverEntry(const char* name, const Options& options)
{
    return {name, [options]() -> IASIO* { return new Driver(options); }};
}

}  // namespace kestrava::audio

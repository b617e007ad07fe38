// A scripted driver with the IASIO operations for the device-layer tests. It
// runs the host callbacks on a thread of its own, feeds its inputs from a
// generator, captures what the host writes to its outputs, can fail any call
// by name, and keeps a log that outlives the object (which ends itself in
// Release, as a COM object does).
#pragma once

#include "audio/SoftwareDriver.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kestrava::testing {

struct FakeDriverScript {
    std::string driverName = "Fake Driver";
    std::int32_t version = 7;
    std::int32_t inputs = 2;
    std::int32_t outputs = 2;
    std::int32_t minSize = 64;
    std::int32_t maxSize = 8192;
    std::int32_t preferredSize = 256;
    std::int32_t granularity = -1;
    double sampleRate = 48000.0;
    bool acceptsSampleRateChange = true;
    ASIOSampleType sampleType = ASIOSTInt32LSB;
    ASIOError outputReadyResult = ASE_OK;
    // Buffers to run after start; the thread then idles until stop.
    int buffersToRun = 4;
    // Calls bufferSwitchTimeInfo instead of bufferSwitch.
    bool usesTimeInfo = false;
    // Operation name to error code; "init" fails by returning false. The
    // answer of outputReady is outputReadyResult.
    std::map<std::string, ASIOError> failures;
    // Block value of an input channel at a frame; written in the driver's
    // sample type before each callback.
    std::function<std::int32_t(std::int32_t channel, std::int64_t frame)> input =
        [](std::int32_t channel, std::int64_t frame) {
            return static_cast<std::int32_t>((channel + 1) * 65536 * (frame % 1000 - 500));
        };
};

struct FakeDriverLog {
    std::atomic<int> liveInstances{0};
    std::atomic<int> created{0};
    std::atomic<bool> buffersAllocated{false};
    std::atomic<int> buffersDone{0};
    std::atomic<int> outputReadyCalls{0};
    std::atomic<int> controlPanelCalls{0};
    std::atomic<int> initCalls{0};
    std::atomic<int> setSampleRateCalls{0};
    std::atomic<std::uint64_t> callbackAllocations{0};
    std::mutex mutex;
    std::vector<std::string> calls;
    // Output channel number to the block values the host wrote, in order.
    std::map<std::int32_t, std::vector<std::int32_t>> outputs;

    bool called(const std::string& name);
    // Waits up to ten seconds for the scripted buffers to run.
    bool waitForBuffers(int count);
};

// Answers every operation the script sets, logs it, and fails it when the
// script says so; the buffers and the channel checks are the base's.
class FakeDriver final : public SoftwareDriver {
public:
    FakeDriver(FakeDriverScript script, std::shared_ptr<FakeDriverLog> log);

    // The script's answers; every call is logged, and fails where the
    // script says so.
    std::int32_t getDriverVersion() override;
    ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                            std::int32_t* granularity) override;
    ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) override;
    ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) override;
    ASIOError getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp) override;
    ASIOError setSampleRate(ASIOSampleRate rate) override;
    ASIOError outputReady() override;
    ASIOError controlPanel() override;
    ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) override;
    ASIOError canSampleRate(ASIOSampleRate rate) override;
    ASIOError getSampleRate(ASIOSampleRate* rate) override;
    ASIOError setClockSource(std::int32_t reference) override;
    ASIOError getChannelInfo(ASIOChannelInfo* info) override;
    ASIOError createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                            ASIOCallbacks* callbacks) override;
    ASIOError disposeBuffers() override;

private:
    ~FakeDriver() override;
    bool open() override;
    std::optional<Format> format() override;
    ASIOError startClock() override;
    ASIOError stopClock() override;
    // Any size: the fake leaves checking sizes to the code under test.
    bool acceptsBufferSize(std::int32_t) override { return true; }
    ASIOError scripted(const char* name);
    void run();

    FakeDriverScript script_;
    std::shared_ptr<FakeDriverLog> log_;
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> samplePosition_{0};
    ASIOError samplePositionResult_ = ASE_OK;
    std::thread thread_;
};

// A driver entry for the catalog that creates a FakeDriver on each load.
inline std::function<IASIO*()> fakeDriverFactory(const FakeDriverScript& script,
                                                 const std::shared_ptr<FakeDriverLog>& log)
{
    return [script, log]() -> IASIO* { return new FakeDriver(script, log); };
}

}  // namespace kestrava::testing

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

namespace kestrava::test {

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
    audio::ASIOSampleType sampleType = audio::ASIOSTInt32LSB;
    audio::ASIOError outputReadyResult = audio::ASE_OK;
    // Buffers to run after start; the thread then idles until stop.
    int buffersToRun = 4;
    // After its buffers, asks the host for a reset, as a driver whose device
    // went away does.
    bool requestsReset = false;
    // Calls bufferSwitchTimeInfo instead of bufferSwitch.
    bool usesTimeInfo = false;
    // Operation name to error code; "init" fails by returning false. The
    // answer of outputReady is outputReadyResult.
    std::map<std::string, audio::ASIOError> failures;
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
class FakeDriver final : public audio::SoftwareDriver {
public:
    FakeDriver(FakeDriverScript script, std::shared_ptr<FakeDriverLog> log);

    // The script's answers; every call is logged, and fails where the
    // script says so.
    std::int32_t getDriverVersion() override;
    audio::ASIOError getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                   std::int32_t* granularity) override;
    audio::ASIOError getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency) override;
    audio::ASIOError getClockSources(audio::ASIOClockSource* clocks, std::int32_t* numSources) override;
    audio::ASIOError getSamplePosition(audio::ASIOSamples* position, audio::ASIOTimeStamp* timeStamp) override;
    audio::ASIOError setSampleRate(audio::ASIOSampleRate rate) override;
    audio::ASIOError outputReady() override;
    audio::ASIOError controlPanel() override;
    audio::ASIOError getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels) override;
    audio::ASIOError canSampleRate(audio::ASIOSampleRate rate) override;
    audio::ASIOError getSampleRate(audio::ASIOSampleRate* rate) override;
    audio::ASIOError setClockSource(std::int32_t reference) override;
    audio::ASIOError getChannelInfo(audio::ASIOChannelInfo* info) override;
    audio::ASIOError createBuffers(audio::ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                   audio::ASIOCallbacks* callbacks) override;
    audio::ASIOError disposeBuffers() override;

private:
    ~FakeDriver() override;
    bool open() override;
    std::optional<Format> format() override;
    audio::ASIOError startClock() override;
    audio::ASIOError stopClock() override;
    // Any size: the fake leaves checking sizes to the code under test.
    bool acceptsBufferSize(std::int32_t) override { return true; }
    audio::ASIOError scripted(const char* name);
    void run();

    FakeDriverScript script_;
    std::shared_ptr<FakeDriverLog> log_;
    std::atomic<bool> running_{false};
    std::atomic<std::int64_t> samplePosition_{0};
    audio::ASIOError samplePositionResult_ = audio::ASE_OK;
    std::thread thread_;
};

// A driver entry for the catalog that creates a FakeDriver on each load.
inline std::function<audio::IASIO*()> fakeDriverFactory(const FakeDriverScript& script,
                                                        const std::shared_ptr<FakeDriverLog>& log)
{
    return [script, log]() -> audio::IASIO* { return new FakeDriver(script, log); };
}

}  // namespace kestrava::test

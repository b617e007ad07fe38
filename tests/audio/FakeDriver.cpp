#include "FakeDriver.h"

#include "tests/support/AllocationCounter.h"
#include "audio/SampleConverter.h"

#include <algorithm>
#include <chrono>
#include <cstring>

using namespace kestrava::audio;

namespace kestrava::test {

bool FakeDriverLog::called(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex);
    return std::find(calls.begin(), calls.end(), name) != calls.end();
}

bool FakeDriverLog::waitForBuffers(int count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (buffersDone.load() < count) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

FakeDriver::FakeDriver(FakeDriverScript script, std::shared_ptr<FakeDriverLog> log)
    : SoftwareDriver(script.driverName, "Fake clock"), script_(std::move(script)), log_(std::move(log))
{
    error_ = "Fake hardware is not connected";
    ++log_->liveInstances;
    ++log_->created;
    if (const auto found = script_.failures.find("getSamplePosition"); found != script_.failures.end()) {
        samplePositionResult_ = found->second;
    }
}

FakeDriver::~FakeDriver()
{
    stopClock();
    --log_->liveInstances;
}

ASIOError FakeDriver::scripted(const char* name)
{
    std::lock_guard<std::mutex> lock(log_->mutex);
    log_->calls.emplace_back(name);
    const auto found = script_.failures.find(name);
    return found == script_.failures.end() ? ASE_OK : found->second;
}

bool FakeDriver::open()
{
    ++log_->initCalls;
    return scripted("init") == ASE_OK;
}

std::optional<SoftwareDriver::Format> FakeDriver::format()
{
    return Format{script_.inputs, script_.outputs, "In ", "Out ", script_.preferredSize, script_.sampleType,
                  script_.sampleRate};
}

std::int32_t FakeDriver::getDriverVersion()
{
    return script_.version;
}

ASIOError FakeDriver::startClock()
{
    if (const ASIOError e = scripted("start"); e != ASE_OK) {
        return e;
    }
    if (channels_.empty()) {
        return ASE_InvalidMode;
    }
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return ASE_OK;
}

ASIOError FakeDriver::stopClock()
{
    running_ = false;
    if (thread_.joinable()) {
        thread_.join();
    }
    return ASE_OK;
}

void FakeDriver::run()
{
    const int bytes = SampleConverter::bytesPerSample(script_.sampleType);
    std::vector<std::int32_t> values(static_cast<std::size_t>(bufferFrames_));
    std::int32_t index = 0;
    for (int buffer = 0; buffer < script_.buffersToRun && running_; ++buffer) {
        const std::int64_t frame0 = samplePosition_.load();
        for (BufferedChannel& channel : channels_) {
            if (channel.isInput) {
                for (std::int32_t i = 0; i < bufferFrames_; ++i) {
                    values[static_cast<std::size_t>(i)] = script_.input(channel.number, frame0 + i);
                }
                SampleConverter::fromBlock(script_.sampleType, values.data(), channel.halves[index].data(),
                                           bufferFrames_);
            } else {
                std::fill(channel.halves[index].begin(), channel.halves[index].end(), 0xCC);
            }
        }
        const std::uint64_t before = allocationsOnThisThread();
        if (script_.usesTimeInfo) {
            ASIOTime time{};
            callbacks_.bufferSwitchTimeInfo(&time, index, ASIOFalse);
        } else {
            callbacks_.bufferSwitch(index, ASIOFalse);
        }
        log_->callbackAllocations += allocationsOnThisThread() - before;
        {
            std::lock_guard<std::mutex> lock(log_->mutex);
            for (BufferedChannel& channel : channels_) {
                if (!channel.isInput && bytes > 0) {
                    std::vector<std::int32_t>& out = log_->outputs[channel.number];
                    const std::size_t at = out.size();
                    out.resize(at + static_cast<std::size_t>(bufferFrames_));
                    SampleConverter::toBlock(script_.sampleType, channel.halves[index].data(), out.data() + at,
                                             bufferFrames_);
                }
            }
        }
        samplePosition_ += bufferFrames_;
        index = 1 - index;
        ++log_->buffersDone;
    }
    if (script_.requestsReset && running_) {
        callbacks_.asioMessage(kAsioResetRequest, 0, nullptr, nullptr);
    }
}

ASIOError FakeDriver::getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels)
{
    *numInputChannels = script_.inputs;
    *numOutputChannels = script_.outputs;
    return scripted("getChannels");
}

ASIOError FakeDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency)
{
    *inputLatency = script_.preferredSize;
    *outputLatency = 2 * script_.preferredSize;
    return scripted("getLatencies");
}

ASIOError FakeDriver::getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                    std::int32_t* granularity)
{
    *minSize = script_.minSize;
    *maxSize = script_.maxSize;
    *preferredSize = script_.preferredSize;
    *granularity = script_.granularity;
    return scripted("getBufferSize");
}

ASIOError FakeDriver::canSampleRate(ASIOSampleRate)
{
    return scripted("canSampleRate");
}

ASIOError FakeDriver::getSampleRate(ASIOSampleRate* rate)
{
    *rate = script_.sampleRate;
    return scripted("getSampleRate");
}

ASIOError FakeDriver::setSampleRate(ASIOSampleRate rate)
{
    ++log_->setSampleRateCalls;
    if (const ASIOError e = scripted("setSampleRate"); e != ASE_OK) {
        return e;
    }
    if (!script_.acceptsSampleRateChange) {
        return ASE_NoClock;
    }
    script_.sampleRate = rate;
    return ASE_OK;
}

ASIOError FakeDriver::getClockSources(ASIOClockSource*, std::int32_t* numSources)
{
    *numSources = 0;
    return scripted("getClockSources");
}

ASIOError FakeDriver::setClockSource(std::int32_t)
{
    return scripted("setClockSource");
}

ASIOError FakeDriver::getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp)
{
    const auto frames = static_cast<std::uint64_t>(samplePosition_.load());
    position->hi = static_cast<std::uint32_t>(frames >> 32);
    position->lo = static_cast<std::uint32_t>(frames);
    timeStamp->hi = 0;
    timeStamp->lo = 0;
    // Not logged: it is called from the callback thread, which must not
    // allocate.
    return samplePositionResult_;
}

ASIOError FakeDriver::getChannelInfo(ASIOChannelInfo* info)
{
    if (const ASIOError e = scripted("getChannelInfo"); e != ASE_OK) {
        return e;
    }
    return SoftwareDriver::getChannelInfo(info);
}

ASIOError FakeDriver::createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                    ASIOCallbacks* callbacks)
{
    if (const ASIOError e = scripted("createBuffers"); e != ASE_OK) {
        return e;
    }
    const ASIOError result = SoftwareDriver::createBuffers(infos, numChannels, bufferSize, callbacks);
    if (result == ASE_OK) {
        // Filled with a pattern no conversion produces, so a half the host
        // never wrote shows.
        for (BufferedChannel& channel : channels_) {
            for (std::vector<unsigned char>& half : channel.halves) {
                std::fill(half.begin(), half.end(), 0xCC);
            }
        }
        log_->buffersAllocated = true;
    }
    return result;
}

ASIOError FakeDriver::disposeBuffers()
{
    SoftwareDriver::disposeBuffers();
    log_->buffersAllocated = false;
    return scripted("disposeBuffers");
}

ASIOError FakeDriver::controlPanel()
{
    ++log_->controlPanelCalls;
    return scripted("controlPanel");
}

ASIOError FakeDriver::outputReady()
{
    ++log_->outputReadyCalls;
    return script_.outputReadyResult;
}

}  // namespace kestrava::test

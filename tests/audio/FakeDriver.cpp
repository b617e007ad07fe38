#include "FakeDriver.h"

#include "tests/support/AllocationCounter.h"
#include "audio/SampleConverter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace kestrava::testing {

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
    : script_(std::move(script)), log_(std::move(log))
{
    ++log_->liveInstances;
    ++log_->created;
    if (const auto found = script_.failures.find("getSamplePosition"); found != script_.failures.end()) {
        samplePositionResult_ = found->second;
    }
}

FakeDriver::~FakeDriver()
{
    stop();
    --log_->liveInstances;
}

ASIOError FakeDriver::scripted(const char* name)
{
    std::lock_guard<std::mutex> lock(log_->mutex);
    log_->calls.emplace_back(name);
    const auto found = script_.failures.find(name);
    return found == script_.failures.end() ? ASE_OK : found->second;
}

std::int32_t FakeDriver::QueryInterface(const AsioGuid&, void** object)
{
    *object = nullptr;
    return -1;
}

std::uint32_t FakeDriver::AddRef()
{
    return ++references_;
}

std::uint32_t FakeDriver::Release()
{
    const std::uint32_t left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

ASIOBool FakeDriver::init(void*)
{
    ++log_->initCalls;
    return scripted("init") == ASE_OK ? ASIOTrue : ASIOFalse;
}

void FakeDriver::getDriverName(char* name)
{
    std::snprintf(name, 32, "%s", script_.driverName.c_str());
}

std::int32_t FakeDriver::getDriverVersion()
{
    return script_.version;
}

void FakeDriver::getErrorMessage(char* string)
{
    std::snprintf(string, 124, "%s", "Fake hardware is not connected");
}

ASIOError FakeDriver::start()
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

ASIOError FakeDriver::stop()
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
    std::vector<std::int32_t> values(static_cast<std::size_t>(bufferSize_));
    std::int32_t index = 0;
    for (int buffer = 0; buffer < script_.buffersToRun && running_; ++buffer) {
        const std::int64_t frame0 = samplePosition_.load();
        for (Channel& channel : channels_) {
            if (channel.isInput == ASIOTrue) {
                for (std::int32_t i = 0; i < bufferSize_; ++i) {
                    values[static_cast<std::size_t>(i)] = script_.input(channel.number, frame0 + i);
                }
                SampleConverter::fromBlock(script_.sampleType, values.data(), channel.halves[index].data(),
                                           bufferSize_);
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
            for (Channel& channel : channels_) {
                if (channel.isInput == ASIOFalse && bytes > 0) {
                    std::vector<std::int32_t>& out = log_->outputs[channel.number];
                    const std::size_t at = out.size();
                    out.resize(at + static_cast<std::size_t>(bufferSize_));
                    SampleConverter::toBlock(script_.sampleType, channel.halves[index].data(), out.data() + at,
                                             bufferSize_);
                }
            }
        }
        samplePosition_ += bufferSize_;
        index = 1 - index;
        ++log_->buffersDone;
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
    const std::int32_t count = info->isInput == ASIOTrue ? script_.inputs : script_.outputs;
    if (info->channel < 0 || info->channel >= count) {
        return ASE_InvalidParameter;
    }
    info->channelGroup = 0;
    info->type = script_.sampleType;
    info->isActive = ASIOFalse;
    for (const Channel& channel : channels_) {
        if (channel.isInput == info->isInput && channel.number == info->channel) {
            info->isActive = ASIOTrue;
        }
    }
    std::snprintf(info->name, sizeof info->name, "%s %d", info->isInput == ASIOTrue ? "In" : "Out",
                  info->channel + 1);
    return ASE_OK;
}

ASIOError FakeDriver::createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                    ASIOCallbacks* callbacks)
{
    if (const ASIOError e = scripted("createBuffers"); e != ASE_OK) {
        return e;
    }
    for (std::int32_t c = 0; c < numChannels; ++c) {
        const std::int32_t count = infos[c].isInput == ASIOTrue ? script_.inputs : script_.outputs;
        if (infos[c].channelNum < 0 || infos[c].channelNum >= count) {
            channels_.clear();
            return ASE_InvalidParameter;
        }
        const auto bytes = static_cast<std::size_t>(bufferSize) *
                           static_cast<std::size_t>(std::max(1, SampleConverter::bytesPerSample(script_.sampleType)));
        Channel channel{infos[c].isInput, infos[c].channelNum, {}};
        channel.halves[0].assign(bytes, 0xCC);
        channel.halves[1].assign(bytes, 0xCC);
        channels_.push_back(std::move(channel));
    }
    for (std::int32_t c = 0; c < numChannels; ++c) {
        infos[c].buffers[0] = channels_[static_cast<std::size_t>(c)].halves[0].data();
        infos[c].buffers[1] = channels_[static_cast<std::size_t>(c)].halves[1].data();
    }
    callbacks_ = *callbacks;
    bufferSize_ = bufferSize;
    log_->buffersAllocated = true;
    return ASE_OK;
}

ASIOError FakeDriver::disposeBuffers()
{
    stop();
    channels_.clear();
    log_->buffersAllocated = false;
    return scripted("disposeBuffers");
}

ASIOError FakeDriver::controlPanel()
{
    ++log_->controlPanelCalls;
    return scripted("controlPanel");
}

ASIOError FakeDriver::future(std::int32_t, void*)
{
    return ASE_InvalidParameter;
}

ASIOError FakeDriver::outputReady()
{
    ++log_->outputReadyCalls;
    return script_.outputReadyResult;
}

}  // namespace kestrava::testing

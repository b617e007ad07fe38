#include "audio/StreamSetup.h"

#include <atomic>

namespace kestrava::audio {

namespace {

// The one stream the context-free driver callbacks reach. Set just before the
// driver is started and cleared once it has stopped.
std::atomic<StreamSetup*> activeStream{nullptr};

constexpr std::int32_t kMaxPreferredSize = kMaxBlockLength;
constexpr ASIOSampleRate kLowestAcceptedRate = 47520.0;
constexpr ASIOSampleRate kHighestAcceptedRate = 48480.0;

}  // namespace

void reportStreamError(StreamError error, platform::Messages& messages)
{
    if (error == StreamError::BufferTooLarge)
        messages.show(kBufferTooLargeText, kBufferTooLargeCaption, platform::MessageIcon::Information);
    else if (error == StreamError::SampleRateLocked)
        messages.show(kSampleRateLockedText, kSampleRateLockedCaption, platform::MessageIcon::Information);
}

StreamSetup::StreamSetup(DriverSource& source, BlockClient& client) : source_(source), client_(client) {}

StreamSetup::~StreamSetup()
{
    if (running_) {
        stopStream();
    }
}

DriverCatalog& StreamSetup::catalog()
{
    if (!catalog_) {
        catalog_ = std::make_unique<DriverCatalog>(source_);
    }
    return *catalog_;
}

IASIO* StreamSetup::driver() const
{
    return catalog_ ? catalog_->driver() : nullptr;
}

void StreamSetup::releaseDriver()
{
    if (catalog_) {
        catalog_->clearDriver();
        catalog_->releaseCurrentDriver();
    }
}

StreamStart StreamSetup::startStream(const StreamConfiguration& configuration)
{
    DriverCatalog& drivers = catalog();
    if (!drivers.loadDriverByName(configuration.driverName)) {
        return {StreamError::DriverFailed};
    }
    ASIODriverInfo info{};
    if (drivers.initDriver(info) != ASE_OK) {
        releaseDriver();
        return {StreamError::DriverFailed};
    }
    if (const StreamError refused = checkStreamFormat(); refused != StreamError::None) {
        releaseDriver();
        return {refused};
    }
    callbacks_ = {&StreamSetup::bufferSwitch, &StreamSetup::sampleRateDidChange, &StreamSetup::asioMessage,
                  &StreamSetup::bufferSwitchTimeInfo};
    if (createStreamBuffers(configuration.channels) != ASE_OK) {
        // Buffers the driver did create are given back, not left to the
        // release.
        if (buffersCreated_) {
            driver()->disposeBuffers();
            buffersCreated_ = false;
        }
        releaseDriver();
        return {StreamError::DriverFailed};
    }
    client_.setFullScale(SampleConverter::fullScale(channelInfos_[0].type));
    converter_.configure(bufferInfos_.data(), channelInfos_[0].type, preferredSize_, &client_, driver(),
                         postOutputReady_);
    callbackDriver_ = driver();
    resetRequested_.store(false, std::memory_order_release);
    activeStream.store(this);
    if (driver()->start() == ASE_OK) {
        running_ = true;
        return {};
    }
    activeStream.store(nullptr);
    callbackDriver_ = nullptr;
    driver()->disposeBuffers();
    buffersCreated_ = false;
    releaseDriver();
    return {StreamError::DriverFailed};
}

void StreamSetup::stopStream()
{
    if (IASIO* d = driver()) {
        d->stop();
    }
    StreamSetup* self = this;
    activeStream.compare_exchange_strong(self, nullptr);
    callbackDriver_ = nullptr;
    if (IASIO* d = driver()) {
        d->disposeBuffers();
    }
    buffersCreated_ = false;
    running_ = false;
    if (driver() != nullptr) {
        releaseDriver();
    }
}

std::string StreamSetup::driverErrorText() const
{
    IASIO* d = driver();
    if (d == nullptr) {
        return {};
    }
    char text[124] = {};
    d->getErrorMessage(text);
    text[sizeof text - 1] = '\0';
    return text;
}

StreamError StreamSetup::checkStreamFormat()
{
    IASIO* d = driver();
    if (d == nullptr) {
        inputChannels_ = 0;
        outputChannels_ = 0;
        return StreamError::NoDriver;
    }
    if (d->getChannels(&inputChannels_, &outputChannels_) != ASE_OK) {
        return StreamError::NoDriver;
    }
    // Only the preferred size is used; the driver's range is not.
    std::int32_t minSize = 0;
    std::int32_t maxSize = 0;
    std::int32_t granularity = 0;
    if (d->getBufferSize(&minSize, &maxSize, &preferredSize_, &granularity) != ASE_OK) {
        return StreamError::BufferSizeFailed;
    }
    if (preferredSize_ > kMaxPreferredSize) {
        return StreamError::BufferTooLarge;
    }
    if (d->getSampleRate(&sampleRate_) != ASE_OK) {
        return StreamError::SampleRateFailed;
    }
    if (sampleRate_ > kHighestAcceptedRate || sampleRate_ < kLowestAcceptedRate) {
        if (d->setSampleRate(kStreamSampleRate) != ASE_OK) {
            return StreamError::SampleRateLocked;
        }
    }
    postOutputReady_ = d->outputReady() == ASE_OK;
    return StreamError::None;
}

ASIOError StreamSetup::createStreamBuffers(const StreamChannels& channels)
{
    bufferInfos_[0] = {ASIOTrue, channels.micInput, {nullptr, nullptr}};
    bufferInfos_[1] = {ASIOTrue, channels.pickupInput, {nullptr, nullptr}};
    bufferInfos_[2] = {ASIOFalse, channels.leftOutput, {nullptr, nullptr}};
    bufferInfos_[3] = {ASIOFalse, channels.rightOutput, {nullptr, nullptr}};
    IASIO* d = driver();
    if (d == nullptr) {
        return ASE_NotPresent;
    }
    const ASIOError created = d->createBuffers(bufferInfos_.data(), 4, preferredSize_, &callbacks_);
    if (created != ASE_OK) {
        return created;
    }
    buffersCreated_ = true;
    for (std::size_t i = 0; i < 4; ++i) {
        channelInfos_[i] = {};
        channelInfos_[i].channel = bufferInfos_[i].channelNum;
        channelInfos_[i].isInput = bufferInfos_[i].isInput;
        const ASIOError result = d->getChannelInfo(&channelInfos_[i]);
        if (result != ASE_OK) {
            return result;
        }
    }
    return d->getLatencies(&inputLatency_, &outputLatency_);
}

void StreamSetup::bufferSwitch(std::int32_t index, ASIOBool directProcess)
{
    StreamSetup* stream = activeStream.load(std::memory_order_acquire);
    if (stream == nullptr) {
        return;
    }
    ASIOTime time{};
    if (stream->callbackDriver_->getSamplePosition(&time.timeInfo.samplePosition, &time.timeInfo.systemTime) ==
        ASE_OK) {
        time.timeInfo.flags = kSystemTimeValid | kSamplePositionValid;
    }
    bufferSwitchTimeInfo(&time, index, directProcess);
}

ASIOTime* StreamSetup::bufferSwitchTimeInfo(ASIOTime*, std::int32_t index, ASIOBool)
{
    if (StreamSetup* stream = activeStream.load(std::memory_order_acquire)) {
        stream->converter_.handleBuffer(index);
    }
    return nullptr;
}

void StreamSetup::sampleRateDidChange(ASIOSampleRate) {}

std::int32_t StreamSetup::asioMessage(std::int32_t selector, std::int32_t value, void*, double*)
{
    switch (selector) {
    case kAsioSelectorSupported:
        switch (value) {
        case kAsioEngineVersion:
        case kAsioResetRequest:
        case kAsioResyncRequest:
        case kAsioLatenciesChanged:
        case kAsioSupportsTimeInfo:
        case kAsioSupportsTimeCode:
        case kAsioSupportsInputMonitor:
            return 1;
        default:
            return 0;
        }
    case kAsioEngineVersion:
        return 2;
    case kAsioResetRequest:
        // Drivers send it from any of their threads; only the flag is set.
        if (StreamSetup* stream = activeStream.load(std::memory_order_acquire)) {
            stream->resetRequested_.store(true, std::memory_order_release);
        }
        return 1;
    case kAsioResyncRequest:
    case kAsioLatenciesChanged:
    case kAsioSupportsTimeInfo:
        return 1;
    default:
        return 0;
    }
}

}  // namespace kestrava::audio

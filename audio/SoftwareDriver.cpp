#include "audio/SoftwareDriver.h"

#include "audio/SampleConverter.h"

#include <algorithm>
#include <cstdio>

namespace kestrava::audio {

std::int32_t SoftwareDriver::QueryInterface(const AsioGuid&, void** object)
{
    *object = nullptr;
    return -1;
}

std::uint32_t SoftwareDriver::AddRef()
{
    return ++references_;
}

std::uint32_t SoftwareDriver::Release()
{
    const std::uint32_t left = --references_;
    if (left == 0) {
        delete this;
    }
    return left;
}

ASIOBool SoftwareDriver::init(void*)
{
    return open() ? ASIOTrue : ASIOFalse;
}

void SoftwareDriver::getDriverName(char* name)
{
    std::snprintf(name, 32, "%s", name_.c_str());
}

std::int32_t SoftwareDriver::getDriverVersion()
{
    return 1;
}

void SoftwareDriver::getErrorMessage(char* string)
{
    std::snprintf(string, 124, "%s", error_.c_str());
}

ASIOError SoftwareDriver::start()
{
    return format() ? startClock() : ASE_NotPresent;
}

ASIOError SoftwareDriver::stop()
{
    return format() ? stopClock() : ASE_NotPresent;
}

ASIOError SoftwareDriver::getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels)
{
    const std::optional<Format> own = format();
    if (!own) {
        return ASE_NotPresent;
    }
    *numInputChannels = own->inputs;
    *numOutputChannels = own->outputs;
    return ASE_OK;
}

// A buffer comes in, and a buffer goes out, one buffer switch later.
ASIOError SoftwareDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency)
{
    const std::optional<Format> own = format();
    if (!own || own->bufferSize <= 0) {
        return ASE_NotPresent;
    }
    *inputLatency = own->bufferSize;
    *outputLatency = own->bufferSize;
    return ASE_OK;
}

ASIOError SoftwareDriver::getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                        std::int32_t* granularity)
{
    const std::optional<Format> own = format();
    if (!own || own->bufferSize <= 0) {
        return ASE_NotPresent;
    }
    *minSize = own->bufferSize;
    *maxSize = own->bufferSize;
    *preferredSize = own->bufferSize;
    *granularity = 0;
    return ASE_OK;
}

ASIOError SoftwareDriver::canSampleRate(ASIOSampleRate rate)
{
    const std::optional<Format> own = format();
    if (!own) {
        return ASE_NotPresent;
    }
    return rate == own->sampleRate ? ASE_OK : ASE_NoClock;
}

ASIOError SoftwareDriver::getSampleRate(ASIOSampleRate* rate)
{
    const std::optional<Format> own = format();
    if (!own) {
        return ASE_NotPresent;
    }
    *rate = own->sampleRate;
    return ASE_OK;
}

// The rate is the driver's own (the file's, the server's); it cannot be
// changed, only confirmed.
ASIOError SoftwareDriver::setSampleRate(ASIOSampleRate rate)
{
    return canSampleRate(rate);
}

ASIOError SoftwareDriver::getClockSources(ASIOClockSource* clocks, std::int32_t* numSources)
{
    if (!format()) {
        return ASE_NotPresent;
    }
    if (*numSources < 1) {
        return ASE_InvalidParameter;
    }
    clocks[0] = {0, -1, 0, ASIOTrue, {}};
    std::snprintf(clocks[0].name, sizeof clocks[0].name, "%s", clockName_);
    *numSources = 1;
    return ASE_OK;
}

ASIOError SoftwareDriver::setClockSource(std::int32_t reference)
{
    if (!format()) {
        return ASE_NotPresent;
    }
    return reference == 0 ? ASE_OK : ASE_InvalidParameter;
}

ASIOError SoftwareDriver::getSamplePosition(ASIOSamples* position, ASIOTimeStamp* timeStamp)
{
    const std::optional<Format> own = format();
    if (!own) {
        return ASE_NotPresent;
    }
    const auto frames = static_cast<std::uint64_t>(position_.load(std::memory_order_relaxed));
    const std::uint64_t nanoseconds = nanosecondsAt(frames, own->sampleRate);
    position->hi = static_cast<std::uint32_t>(frames >> 32);
    position->lo = static_cast<std::uint32_t>(frames);
    timeStamp->hi = static_cast<std::uint32_t>(nanoseconds >> 32);
    timeStamp->lo = static_cast<std::uint32_t>(nanoseconds);
    return ASE_OK;
}

std::uint64_t SoftwareDriver::nanosecondsAt(std::uint64_t frames, ASIOSampleRate rate)
{
    const double seconds = static_cast<double>(frames) / rate;
    return static_cast<std::uint64_t>(seconds * 1e9);
}

ASIOError SoftwareDriver::getChannelInfo(ASIOChannelInfo* info)
{
    const std::optional<Format> own = format();
    if (!own) {
        return ASE_NotPresent;
    }
    const bool input = info->isInput == ASIOTrue;
    if (info->channel < 0 || info->channel >= (input ? own->inputs : own->outputs)) {
        return ASE_InvalidParameter;
    }
    info->isActive = isActive(input, info->channel) ? ASIOTrue : ASIOFalse;
    info->channelGroup = 0;
    info->type = own->sampleType;
    std::snprintf(info->name, sizeof info->name, "%s%d", input ? own->inputPrefix : own->outputPrefix,
                  info->channel + 1);
    return ASE_OK;
}

bool SoftwareDriver::acceptsBufferSize(std::int32_t frames)
{
    const std::optional<Format> own = format();
    return own && frames == own->bufferSize;
}

ASIOError SoftwareDriver::createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                        ASIOCallbacks* callbacks)
{
    const std::optional<Format> own = format();
    if (!own) {
        return ASE_NotPresent;
    }
    // Buffers exist for as long as a stream can run, so this also refuses a
    // running stream.
    if (!channels_.empty() || !acceptsBufferSize(bufferSize)) {
        return ASE_InvalidMode;
    }
    for (std::int32_t c = 0; c < numChannels; ++c) {
        const bool input = infos[c].isInput == ASIOTrue;
        if (infos[c].channelNum < 0 || infos[c].channelNum >= (input ? own->inputs : own->outputs)) {
            return ASE_InvalidParameter;
        }
    }
    const auto bytes = static_cast<std::size_t>(bufferSize) *
                       static_cast<std::size_t>(std::max(1, SampleConverter::bytesPerSample(own->sampleType)));
    channels_.resize(static_cast<std::size_t>(numChannels));
    for (std::int32_t c = 0; c < numChannels; ++c) {
        BufferedChannel& channel = channels_[static_cast<std::size_t>(c)];
        channel.isInput = infos[c].isInput == ASIOTrue;
        channel.number = infos[c].channelNum;
        for (int half = 0; half < 2; ++half) {
            channel.halves[half].assign(bytes, 0);
            infos[c].buffers[half] = channel.halves[half].data();
        }
    }
    callbacks_ = *callbacks;
    bufferFrames_ = bufferSize;
    position_ = 0;
    buffersCreated();
    return ASE_OK;
}

ASIOError SoftwareDriver::disposeBuffers()
{
    if (!format()) {
        return ASE_NotPresent;
    }
    releaseBuffers();
    return ASE_OK;
}

void SoftwareDriver::releaseBuffers()
{
    stopClock();
    channels_.clear();
    buffersDisposed();
}

bool SoftwareDriver::isActive(bool isInput, std::int32_t channel) const
{
    return std::any_of(channels_.begin(), channels_.end(), [&](const BufferedChannel& c) {
        return c.isInput == isInput && c.number == channel;
    });
}

ASIOError SoftwareDriver::controlPanel()
{
    return ASE_OK;
}

ASIOError SoftwareDriver::future(std::int32_t, void*)
{
    return ASE_InvalidParameter;
}

// Outputs need no posting: they leave with the buffer switch that wrote them.
ASIOError SoftwareDriver::outputReady()
{
    return ASE_NotPresent;
}

}  // namespace kestrava::audio

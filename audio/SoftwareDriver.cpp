#include "audio/SoftwareDriver.h"

#include "audio/SampleConverter.h"

#include <algorithm>
#include <cstdio>

namespace kestrava {

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

std::int32_t SoftwareDriver::getDriverVersion()
{
    return 1;
}

void SoftwareDriver::getErrorMessage(char* string)
{
    std::snprintf(string, 124, "%s", error_.c_str());
}

ASIOError SoftwareDriver::getChannels(std::int32_t* numInputChannels, std::int32_t* numOutputChannels)
{
    return channelCounts(*numInputChannels, *numOutputChannels) ? ASE_OK : ASE_NotPresent;
}

// A buffer comes in, and a buffer goes out, one buffer switch later.
ASIOError SoftwareDriver::getLatencies(std::int32_t* inputLatency, std::int32_t* outputLatency)
{
    const std::int32_t size = onlyBufferSize();
    if (size <= 0) {
        return ASE_NotPresent;
    }
    *inputLatency = size;
    *outputLatency = size;
    return ASE_OK;
}

ASIOError SoftwareDriver::getBufferSize(std::int32_t* minSize, std::int32_t* maxSize, std::int32_t* preferredSize,
                                        std::int32_t* granularity)
{
    const std::int32_t size = onlyBufferSize();
    if (size <= 0) {
        return ASE_NotPresent;
    }
    *minSize = size;
    *maxSize = size;
    *preferredSize = size;
    *granularity = 0;
    return ASE_OK;
}

ASIOError SoftwareDriver::getClockSources(ASIOClockSource* clocks, std::int32_t* numSources)
{
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
    return reference == 0 ? ASE_OK : ASE_InvalidParameter;
}

ASIOError SoftwareDriver::getChannelInfo(ASIOChannelInfo* info)
{
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    if (!channelCounts(inputs, outputs)) {
        return ASE_NotPresent;
    }
    const bool input = info->isInput == ASIOTrue;
    if (info->channel < 0 || info->channel >= (input ? inputs : outputs)) {
        return ASE_InvalidParameter;
    }
    info->isActive = isActive(input, info->channel) ? ASIOTrue : ASIOFalse;
    info->channelGroup = 0;
    info->type = sampleType();
    channelName(input, info->channel, info->name, sizeof info->name);
    return ASE_OK;
}

ASIOError SoftwareDriver::createBuffers(ASIOBufferInfo* infos, std::int32_t numChannels, std::int32_t bufferSize,
                                        ASIOCallbacks* callbacks)
{
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    if (!channelCounts(inputs, outputs)) {
        return ASE_NotPresent;
    }
    // Buffers exist for as long as a stream can run, so this also refuses a
    // running stream.
    if (!channels_.empty() || !acceptsBufferSize(bufferSize)) {
        return ASE_InvalidMode;
    }
    for (std::int32_t c = 0; c < numChannels; ++c) {
        const bool input = infos[c].isInput == ASIOTrue;
        if (infos[c].channelNum < 0 || infos[c].channelNum >= (input ? inputs : outputs)) {
            return ASE_InvalidParameter;
        }
    }
    const auto bytes = static_cast<std::size_t>(bufferSize) *
                       static_cast<std::size_t>(std::max(1, SampleConverter::bytesPerSample(sampleType())));
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
    buffersCreated();
    return ASE_OK;
}

ASIOError SoftwareDriver::disposeBuffers()
{
    stop();
    channels_.clear();
    buffersDisposed();
    return ASE_OK;
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

void SoftwareDriver::samplePositionOf(std::uint64_t frames, std::uint64_t nanoseconds, ASIOSamples* position,
                                      ASIOTimeStamp* timeStamp)
{
    position->hi = static_cast<std::uint32_t>(frames >> 32);
    position->lo = static_cast<std::uint32_t>(frames);
    timeStamp->hi = static_cast<std::uint32_t>(nanoseconds >> 32);
    timeStamp->lo = static_cast<std::uint32_t>(nanoseconds);
}

}  // namespace kestrava

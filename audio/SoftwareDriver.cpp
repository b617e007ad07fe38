#include "audio/SoftwareDriver.h"

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

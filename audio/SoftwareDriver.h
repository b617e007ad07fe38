// The part every driver this project implements itself shares: COM-style
// reference counting, one clock source, the error text, and the operations
// such a driver answers the same way (no control panel, no extensions, no
// posted outputs). A backend derives from it and implements the rest of
// IASIO.
//
// Controlling-thread operations, except samplePositionOf, which only fills
// records and may run anywhere.
#pragma once

#include "audio/Asio.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace kestrava {

class SoftwareDriver : public IASIO {
public:
    std::int32_t QueryInterface(const AsioGuid& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    std::int32_t getDriverVersion() override;
    void getErrorMessage(char* string) override;
    ASIOError getClockSources(ASIOClockSource* clocks, std::int32_t* numSources) override;
    ASIOError setClockSource(std::int32_t reference) override;
    ASIOError controlPanel() override;
    ASIOError future(std::int32_t selector, void* opt) override;
    ASIOError outputReady() override;

protected:
    explicit SoftwareDriver(const char* clockName) : clockName_(clockName) {}
    // Deleted through Release only, as a COM object is.
    virtual ~SoftwareDriver() = default;

    // A frame count and a time in nanoseconds as the driver records hold them.
    static void samplePositionOf(std::uint64_t frames, std::uint64_t nanoseconds, ASIOSamples* position,
                                 ASIOTimeStamp* timeStamp);

    std::string error_;

private:
    const char* clockName_;
    std::atomic<std::uint32_t> references_{1};
};

}  // namespace kestrava

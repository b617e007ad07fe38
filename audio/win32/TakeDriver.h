// The recorded-take ASIO driver as a COM object: the recorded-file driver,
// run with the options its user chose (TakeSettings), behind the IASIO
// vtable any ASIO host calls. Its control panel asks for the take and the
// output file with the system's file dialogs.
//
// Threads as for any ASIO driver: the host calls every operation on its
// controlling thread; the inner driver's own thread calls the host's buffer
// callbacks between start and stop.
#pragma once

#include "audio/Asio.h"

#include <guiddef.h>

#include <atomic>
#include <string>

namespace kestrava {

inline constexpr const char* kTakeDriverDescription = "Kestrava Recorded Take";
inline constexpr const char* kTakeDriverClassText = "{5A1C7E40-3B2D-4F6A-9C81-2E4D6B7A9F13}";
inline constexpr CLSID kTakeDriverClassId = {
    0x5A1C7E40, 0x3B2D, 0x4F6A, {0x9C, 0x81, 0x2E, 0x4D, 0x6B, 0x7A, 0x9F, 0x13}};

// Objects and locks alive in this server; it may be unloaded at 0.
std::atomic<long>& serverReferences();

class TakeDriver final : public IASIO {
public:
    TakeDriver();

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

private:
    ~TakeDriver();

    std::atomic<std::uint32_t> references_{1};
    // The recorded-file driver, made by init from the current settings.
    IASIO* inner_ = nullptr;
    std::string error_;
};

}  // namespace kestrava

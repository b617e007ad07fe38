// The recorded-take ASIO driver as a COM object: the recorded-file driver,
// opened at each init with the options its user chose (TakeSettings), behind
// the IASIO vtable any ASIO host calls. Its control panel asks for the take
// and the output file with the system's file dialogs.
//
// Threads as for any ASIO driver: the host calls every operation on its
// controlling thread; the file driver's own thread calls the host's buffer
// callbacks between start and stop.
#pragma once

#include "audio/file/FileDriver.h"

#include <guiddef.h>

#include <atomic>

namespace kestrava::audio {

inline constexpr const char* kTakeDriverDescription = "Kestrava Recorded Take";
inline constexpr const char* kTakeDriverClassText = "{5A1C7E40-3B2D-4F6A-9C81-2E4D6B7A9F13}";
inline constexpr CLSID kTakeDriverClassId = {
    0x5A1C7E40, 0x3B2D, 0x4F6A, {0x9C, 0x81, 0x2E, 0x4D, 0x6B, 0x7A, 0x9F, 0x13}};

// Objects and locks alive in this server; it may be unloaded at 0.
std::atomic<long>& serverReferences();

class TakeDriver final : public FileDriver {
public:
    TakeDriver();

    // IUnknown and its own class id, as COM asks.
    std::int32_t QueryInterface(const AsioGuid& iid, void** object) override;
    ASIOError controlPanel() override;

private:
    ~TakeDriver() override;
    bool open() override;
};

}  // namespace kestrava::audio

// The ASIO drivers installed on this Windows machine, found the way drivers
// register themselves: every subkey of HKEY_LOCAL_MACHINE\software\asio with
// a "clsid" whose class has an existing in-process server file under
// HKEY_CLASSES_ROOT\clsid. Each entry creates its driver as an in-process
// COM object (the class id is also the interface asked for).
//
// COM is initialised on the calling thread when at least one driver is
// found, and uninitialised once the last entry is gone, that is when the
// catalog that holds them is destroyed. So the catalog, and every driver it
// creates, stays on the thread that listed them: the controlling thread.
// Registry walks may take a moment on machines with many COM classes; never
// call this from a driver callback.
#pragma once

#include "audio/DriverCatalog.h"

#include <vector>

namespace kestrava::audio {

class AsioRegistrySource final : public DriverSource {
public:
    std::vector<DriverEntry> drivers() override;
};

}  // namespace kestrava::audio

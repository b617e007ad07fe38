// The drivers the measurement window lists: on Windows the installed ASIO
// drivers in registry order (the recorded-take ASIO driver among them once
// it is registered), on Linux the JACK server; then, when KESTRAVA_TAKE
// names a WAV take, the project's recorded-file driver, which plays that
// take into its inputs at the real pace (and writes its outputs to
// KESTRAVA_TAKE_OUTPUT when that is set).
//
// Window thread only: the ASIO drivers are COM objects of this thread.
#pragma once

#include "audio/DriverCatalog.h"
#include "audio/file/FileDriver.h"

#include <memory>
#include <optional>

namespace kestrava::calibrix {

std::unique_ptr<audio::DriverSource> calibrixDrivers();

// The recorded-file driver's options from KESTRAVA_TAKE and
// KESTRAVA_TAKE_OUTPUT; nothing when no take is named.
std::optional<audio::FileDriverOptions> takeFromEnvironment();

}  // namespace kestrava::calibrix

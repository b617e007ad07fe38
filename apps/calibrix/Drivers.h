// The drivers the measurement window lists: the installed ASIO drivers in
// registry order (the recorded-take ASIO driver among them once it is
// registered), then, when KESTRAVA_TAKE names a WAV take, the project's
// recorded-file driver, which plays that take into its inputs at the real
// pace (and writes its outputs to KESTRAVA_TAKE_OUTPUT when that is set).
//
// Dialog thread only: the ASIO drivers are COM objects of this thread.
#pragma once

#include "audio/DriverCatalog.h"

#include <memory>

namespace kestrava::calibrix {

std::unique_ptr<audio::DriverSource> calibrixDrivers();

}  // namespace kestrava::calibrix

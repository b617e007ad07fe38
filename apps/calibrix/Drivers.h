// The drivers the measurement window lists. Until the Windows driver
// catalog is in, the project's own recorded-file driver, which plays the
// WAV take named by KESTRAVA_TAKE into its inputs at the real pace (and
// writes its outputs to KESTRAVA_TAKE_OUTPUT when that is set).
//
// Dialog thread only.
#pragma once

#include "audio/DriverCatalog.h"

#include <memory>

namespace kestrava {

std::unique_ptr<DriverSource> calibrixDrivers();

}  // namespace kestrava

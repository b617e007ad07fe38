// A driver's channel names, read as a program lists them when a driver is
// chosen: load and initialise the driver, ask every channel's name, release
// the driver again.
//
// Controlling thread only, like the catalog it goes through.
#pragma once

#include "audio/DriverCatalog.h"

#include <string>
#include <vector>

namespace kestrava::audio {

struct DriverChannels {
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
};

enum class DriverChannelsStatus { Read, NotLoaded, NotInitialised };

// Loads and initialises the driver, reads its channel names and releases it
// again. When it cannot be initialised, `error` holds the driver's text.
DriverChannelsStatus loadDriverChannels(DriverCatalog& catalog, const std::string& name,
                                        DriverChannels& channels, std::string& error);

}  // namespace kestrava::audio

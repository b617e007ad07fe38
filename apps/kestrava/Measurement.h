// The measurement through an audio driver, shared by the drivers, record
// and monitor commands: the drivers the tool offers, the recorded-file
// driver's options, the check of a driver and its channels before a stream
// starts, and Ctrl-C. Tool thread only; the stream's callbacks run on the
// driver's thread and touch none of this.
#pragma once

#include "apps/kestrava/Tool.h"
#include "audio/DriverCatalog.h"
#include "audio/DriverChannels.h"
#include "audio/StreamSetup.h"
#include "audio/file/FileDriver.h"
#include "measure/MeasurementRecorder.h"

#include <memory>
#include <string>
#include <vector>

namespace kestrava::tool {

// The recorded-file driver's options from --input-file, --output-file,
// --buffer-size and --sample-type; false with the reason in `error`.
bool parseFileDriverOptions(const Arguments& a, audio::FileDriverOptions& options, std::string& error);

// The drivers this build offers: JACK and the recorded file on Linux, the
// installed ASIO drivers and the recorded file on Windows.
std::unique_ptr<audio::DriverSource> toolDriverSource(const audio::FileDriverOptions& file);

// Loads and initialises the driver, reads its channel names and releases it
// again, as the measurement program does when a driver is chosen. False with
// the reason in `error`.
bool readDriverChannels(audio::DriverCatalog& catalog, const std::string& name, audio::DriverChannels& channels,
                        std::string& error);

// Takes --driver and the four channel options, checks them against the
// driver from `catalog` and puts them in `chosen`. kExitOk, or an exit code
// after telling why.
int chooseDriver(const Arguments& a, std::string_view command, audio::DriverCatalog& catalog,
                 audio::StreamConfiguration& chosen, ToolContext& context);

// Catches Ctrl-C for as long as it lives, so a command can stop its stream
// and release the driver before it ends.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

    bool interrupted() const;

private:
    void (*previous_)(int);
};

}  // namespace kestrava::tool

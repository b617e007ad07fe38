// The measurement through an audio driver, shared by the drivers, record
// and monitor commands: the drivers the tool offers, the recorded-file
// driver's options, the check of a driver and its channels before a stream
// starts, and Ctrl-C. Tool thread only; the stream's callbacks run on the
// driver's thread and touch none of this.
#pragma once

#include "apps/kestrava/Tool.h"
#include "apps/kestrava/ToolFiles.h"
#include "audio/DriverCatalog.h"
#include "audio/DriverChannels.h"
#include "audio/StreamSetup.h"
#include "audio/file/FileDriver.h"
#include "measure/MeasurementRecorder.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kestrava::tool {

// The recorded-file driver's options from --input-file, --output-file,
// --buffer-size and --sample-type; false with the reason in `error`. The
// driver keeps its outputs for the command (driverOutputs), which writes
// them with its other files only when it succeeds.
bool parseFileDriverOptions(const Arguments& a, audio::FileDriverOptions& options, std::string& error);

// The recorded-file driver's outputs for --output-file, once a stream on it
// has stopped; nothing when none were asked for or the stream never ran.
std::optional<PendingOutput> driverOutputs(const audio::FileDriverOptions& options);

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

// Why the driver stopped serving the running stream, after it asked for a
// reset: its own error text, or a plain word when it gives none. Read before
// the stream is stopped, which releases the driver.
std::string streamLostReason(const audio::StreamSetup& stream, const std::string& driverName);

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

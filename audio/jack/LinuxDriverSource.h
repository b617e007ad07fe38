// The drivers the measurement offers on Linux, in the order they are listed:
// the JACK server, then the recorded-file driver.
//
// Controlling thread only, like the catalog that reads it.
#pragma once

#include "audio/DriverCatalog.h"
#include "audio/file/FileDriver.h"
#include "audio/jack/JackDriver.h"

#include <vector>

namespace kestrava::audio {

class LinuxDriverSource final : public DriverSource {
public:
    LinuxDriverSource(JackDriverOptions jack, FileDriverOptions file)
        : jack_(std::move(jack)), file_(std::move(file))
    {
    }

    std::vector<DriverEntry> drivers() override { return {jackDriverEntry(jack_), fileDriverEntry(file_)}; }

private:
    JackDriverOptions jack_;
    FileDriverOptions file_;
};

}  // namespace kestrava::audio

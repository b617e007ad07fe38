#include "apps/calibrix/Drivers.h"

#include "audio/file/FileDriver.h"
#include "audio/win32/AsioRegistrySource.h"

#include <cstdlib>
#include <optional>

namespace kestrava::calibrix {

using audio::FileDriverOptions;

namespace {

class CalibrixDriverSource final : public audio::DriverSource {
public:
    explicit CalibrixDriverSource(std::optional<FileDriverOptions> take) : take_(std::move(take)) {}

    std::vector<audio::DriverEntry> drivers() override
    {
        std::vector<audio::DriverEntry> entries = asio_.drivers();
        if (take_)
            entries.push_back(audio::fileDriverEntry(*take_));
        return entries;
    }

private:
    audio::AsioRegistrySource asio_;
    std::optional<FileDriverOptions> take_;
};

}  // namespace

std::unique_ptr<audio::DriverSource> calibrixDrivers()
{
    std::optional<FileDriverOptions> take;
    if (const char* path = std::getenv("KESTRAVA_TAKE"); path != nullptr && *path != '\0') {
        take.emplace();
        take->inputPath = path;
        if (const char* output = std::getenv("KESTRAVA_TAKE_OUTPUT"))
            take->outputPath = output;
        take->realTime = true;
    }
    return std::make_unique<CalibrixDriverSource>(std::move(take));
}

}  // namespace kestrava::calibrix

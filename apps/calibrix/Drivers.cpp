#include "apps/calibrix/Drivers.h"

#include "audio/file/FileDriver.h"
#include "audio/win32/AsioRegistrySource.h"

#include <cstdlib>
#include <optional>

namespace kestrava {
namespace {

class CalibrixDriverSource final : public DriverSource {
public:
    explicit CalibrixDriverSource(std::optional<FileDriverOptions> take) : take_(std::move(take)) {}

    std::vector<DriverEntry> drivers() override
    {
        std::vector<DriverEntry> entries = asio_.drivers();
        if (take_)
            entries.push_back(fileDriverEntry(*take_));
        return entries;
    }

private:
    AsioRegistrySource asio_;
    std::optional<FileDriverOptions> take_;
};

}  // namespace

std::unique_ptr<DriverSource> calibrixDrivers()
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

}  // namespace kestrava

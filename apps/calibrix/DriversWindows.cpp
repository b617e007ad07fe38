#include "apps/calibrix/Drivers.h"

#include "audio/win32/AsioRegistrySource.h"

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
    return std::make_unique<CalibrixDriverSource>(takeFromEnvironment());
}

}  // namespace kestrava::calibrix

#include "apps/calibrix/Drivers.h"

#include "audio/jack/JackDriver.h"

namespace kestrava::calibrix {

namespace {

class CalibrixDriverSource final : public audio::DriverSource {
public:
    explicit CalibrixDriverSource(std::optional<audio::FileDriverOptions> take) : take_(std::move(take))
    {
        jack_.clientName = "calibrix";
    }

    std::vector<audio::DriverEntry> drivers() override
    {
        std::vector<audio::DriverEntry> entries{audio::jackDriverEntry(jack_)};
        if (take_)
            entries.push_back(audio::fileDriverEntry(*take_));
        return entries;
    }

private:
    audio::JackDriverOptions jack_;
    std::optional<audio::FileDriverOptions> take_;
};

}  // namespace

std::unique_ptr<audio::DriverSource> calibrixDrivers()
{
    return std::make_unique<CalibrixDriverSource>(takeFromEnvironment());
}

}  // namespace kestrava::calibrix

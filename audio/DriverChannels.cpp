#include "audio/DriverChannels.h"

namespace kestrava::audio {

DriverChannelsStatus loadDriverChannels(DriverCatalog& catalog, const std::string& name,
                                        DriverChannels& channels, std::string& error)
{
    if (!catalog.loadDriverByName(name))
        return DriverChannelsStatus::NotLoaded;
    ASIODriverInfo info{};
    if (catalog.initDriver(info) != ASE_OK) {
        error = info.errorMessage;
        catalog.releaseCurrentDriver();
        return DriverChannelsStatus::NotInitialised;
    }
    std::int32_t inputs = 0;
    std::int32_t outputs = 0;
    catalog.getChannels(inputs, outputs);
    channels = {};
    const auto names = [&](ASIOBool isInput, std::int32_t count, std::vector<std::string>& into) {
        for (std::int32_t c = 0; c < count; ++c) {
            ASIOChannelInfo channel{};
            channel.channel = c;
            channel.isInput = isInput;
            catalog.getChannelInfo(channel);
            channel.name[sizeof channel.name - 1] = '\0';
            into.emplace_back(channel.name);
        }
    };
    names(ASIOTrue, inputs, channels.inputs);
    names(ASIOFalse, outputs, channels.outputs);
    catalog.clearDriver();
    catalog.releaseCurrentDriver();
    return DriverChannelsStatus::Read;
}

}  // namespace kestrava::audio

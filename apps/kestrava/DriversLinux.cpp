// The drivers of a Linux build: the JACK server, then the recorded file.
#include "apps/kestrava/Measurement.h"
#include "audio/jack/LinuxDriverSource.h"

namespace kestrava::tool {

std::unique_ptr<audio::DriverSource> toolDriverSource(const audio::FileDriverOptions& file)
{
    return std::make_unique<audio::LinuxDriverSource>(audio::JackDriverOptions{}, file);
}

}  // namespace kestrava::tool

#include "apps/calibrix/Drivers.h"

#include <cstdlib>

namespace kestrava::calibrix {

std::optional<audio::FileDriverOptions> takeFromEnvironment()
{
    const char* path = std::getenv("KESTRAVA_TAKE");
    if (path == nullptr || *path == '\0')
        return std::nullopt;
    audio::FileDriverOptions take;
    take.inputPath = path;
    if (const char* output = std::getenv("KESTRAVA_TAKE_OUTPUT"))
        take.outputPath = output;
    take.realTime = true;
    return take;
}

}  // namespace kestrava::calibrix

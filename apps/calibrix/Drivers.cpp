#include "apps/calibrix/Drivers.h"

#include "audio/file/FileDriver.h"

#include <cstdlib>

namespace kestrava {

std::unique_ptr<DriverSource> calibrixDrivers()
{
    FileDriverOptions file;
    if (const char* take = std::getenv("KESTRAVA_TAKE"))
        file.inputPath = take;
    if (const char* output = std::getenv("KESTRAVA_TAKE_OUTPUT"))
        file.outputPath = output;
    file.realTime = true;
    return std::make_unique<ListDriverSource>(std::vector<DriverEntry>{fileDriverEntry(file)});
}

}  // namespace kestrava

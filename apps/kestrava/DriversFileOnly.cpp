// Builds without JACK (Windows, until its ASIO catalog exists) offer the
// recorded-file driver alone.
#include "apps/kestrava/Measurement.h"

namespace kestrava::tool {

std::unique_ptr<DriverSource> toolDriverSource(const FileDriverOptions& file)
{
    return std::make_unique<ListDriverSource>(std::vector<DriverEntry>{fileDriverEntry(file)});
}

}  // namespace kestrava::tool

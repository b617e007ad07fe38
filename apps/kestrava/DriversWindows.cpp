// The drivers of a Windows build: the installed ASIO drivers in registry
// order, then the recorded file.
#include "apps/kestrava/Measurement.h"
#include "audio/win32/AsioRegistrySource.h"

namespace kestrava::tool {

using audio::FileDriverOptions;

namespace {

class WindowsDriverSource final : public audio::DriverSource {
public:
    explicit WindowsDriverSource(FileDriverOptions file) : file_(std::move(file)) {}

    std::vector<audio::DriverEntry> drivers() override
    {
        std::vector<audio::DriverEntry> entries = asio_.drivers();
        entries.push_back(audio::fileDriverEntry(file_));
        return entries;
    }

private:
    audio::AsioRegistrySource asio_;
    FileDriverOptions file_;
};

}  // namespace

std::unique_ptr<audio::DriverSource> toolDriverSource(const FileDriverOptions& file)
{
    return std::make_unique<WindowsDriverSource>(file);
}

}  // namespace kestrava::tool

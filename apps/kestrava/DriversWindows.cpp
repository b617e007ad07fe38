// The drivers of a Windows build: the installed ASIO drivers in registry
// order, then the recorded file.
#include "apps/kestrava/Measurement.h"
#include "audio/win32/AsioRegistrySource.h"

namespace kestrava::tool {

namespace {

class WindowsDriverSource final : public DriverSource {
public:
    explicit WindowsDriverSource(FileDriverOptions file) : file_(std::move(file)) {}

    std::vector<DriverEntry> drivers() override
    {
        std::vector<DriverEntry> entries = asio_.drivers();
        entries.push_back(fileDriverEntry(file_));
        return entries;
    }

private:
    AsioRegistrySource asio_;
    FileDriverOptions file_;
};

}  // namespace

std::unique_ptr<DriverSource> toolDriverSource(const FileDriverOptions& file)
{
    return std::make_unique<WindowsDriverSource>(file);
}

}  // namespace kestrava::tool

// A folder of the test's own under the system's temporary folder, removed
// with everything in it when the test ends. CTest runs the cases side by side,
// so every folder has a random name of its own. Test threads only.
#pragma once

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace kestrava::test {

class ScratchFolder {
public:
    ScratchFolder()
    {
        std::random_device entropy;
        path_ = std::filesystem::temp_directory_path()
                / ("kestrava-test-" + std::to_string(entropy()) + "-" + std::to_string(entropy()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

}  // namespace kestrava::test

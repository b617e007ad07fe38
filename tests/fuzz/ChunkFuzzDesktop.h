// Desktop services for the chunk-restore fuzzer: messages are counted, not
// shown; the data folder is the temporary folder; no chooser ever opens; and
// of all paths a chunk may name only one exists, a valid correction file the
// seeds name, so that the fuzzer reaches the file reading without touching
// anything else on the machine. One thread.
#pragma once

#include "corrfile/CorrectionFile.h"
#include "platform/Desktop.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace kestrava::test {

inline std::string knownCorrectionPath()
{
    return (std::filesystem::temp_directory_path() / "sonalve-chunk-fuzz.alg").string();
}

class ChunkFuzzDesktop final : public platform::Messages, public platform::Shell, public platform::FileDialog {
public:
    ChunkFuzzDesktop()
    {
        engine::CorrectionSet set;
        set.sectionCount = 3;
        set.outputGain = 0.8;
        for (int i = 0; i < set.sectionCount; ++i) {
            set.centreHz[i] = 100.0 * (i + 1);
            set.quality[i] = 2.0;
            set.peakGain[i] = 0.3;
        }
        const std::vector<std::uint8_t> image = corrfile::encodeCorrectionFile(set);
        std::ofstream(knownCorrectionPath(), std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }

    platform::DesktopServices services() { return {*this, *this, *this}; }

    void show(const std::string&, const std::string&, platform::MessageIcon) override { ++shown; }
    std::optional<std::string> documentsFolder() override
    {
        return std::filesystem::temp_directory_path().string();
    }
    bool exists(const std::string& path) override { return path == knownCorrectionPath(); }
    void createDirectory(const std::string&) override {}
    platform::DocumentOpenResult openDocument(const std::string&) override
    {
        return platform::DocumentOpenResult::Failed;
    }
    char separator() const override { return '/'; }
    std::optional<std::string> chooseFileToOpen(const platform::OpenFileRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFileToSave(const platform::OpenFileRequest&) override { return std::nullopt; }

    int shown = 0;
};

}  // namespace kestrava::test

// The Sonalve effect as the benchmarks run it: loaded with the typical
// 199-section correction from a file in the temporary folder, with desktop
// services that show no dialog and keep out of the user's folders.
// Benchmark setup only; not on any timed path.
#pragma once

#include "bench/BenchCorrection.h"
#include "corrfile/CorrectionFile.h"
#include "plugin/ADelay.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace kestrava::bench {

class QuietDesktop final : public platform::Messages, public platform::Shell, public platform::FileDialog {
public:
    void show(const std::string& text, const std::string&, platform::MessageIcon) override
    {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
    std::optional<std::string> documentsFolder() override { return std::filesystem::temp_directory_path().string(); }
    bool exists(const std::string& path) override { return std::filesystem::exists(path); }
    void createDirectory(const std::string&) override {}
    platform::DocumentOpenResult openDocument(const std::string&) override
    {
        return platform::DocumentOpenResult::Failed;
    }
    char separator() const override { return '/'; }
    std::optional<std::string> chooseFileToOpen(const platform::OpenFileRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFileToSave(const platform::OpenFileRequest&) override { return std::nullopt; }
};

inline const std::string& correctionFile()
{
    static const std::string path = [] {
        const std::string file = (std::filesystem::temp_directory_path() / "sonalve-bench-199.alg").string();
        const std::vector<std::uint8_t> image = corrfile::encodeCorrectionFile(typicalCorrection());
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
        return file;
    }();
    return path;
}

inline std::unique_ptr<plugin::ADelay> loadedEffect(QuietDesktop& desktop, double sampleRate, bool airOn)
{
    auto effect = std::make_unique<plugin::ADelay>(nullptr, platform::DesktopServices{desktop, desktop, desktop});
    effect->setSampleRate(static_cast<float>(sampleRate));
    plugin::ProgramRecord record{};
    std::snprintf(record.name, sizeof record.name, "bench");
    std::snprintf(record.path, sizeof record.path, "%s", correctionFile().c_str());
    record.input = 1.0f;
    record.air = airOn ? 0.0f : 1.0f;
    effect->setChunk(&record, sizeof record, true);
    return effect;
}

}  // namespace kestrava::bench

#include "audio/win32/TakeSettings.h"

#include "audio/SampleTypeNames.h"

#include <charconv>

namespace kestrava::audio {

FileDriverOptions readTakeSettings(platform::SettingsStore& store, std::string& problem)
{
    FileDriverOptions options;
    problem.clear();
    options.inputPath = store.userString(platform::kTakePathValue).value_or("");
    options.outputPath = store.userString(platform::kTakeOutputPathValue).value_or("");
    if (const std::optional<std::string> size = store.userString(platform::kTakeBufferSizeValue)) {
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(size->data(), size->data() + size->size(), value);
        if (error == std::errc() && end == size->data() + size->size() && value > 0) {
            options.bufferSize = value;
        } else {
            problem = std::string(platform::kTakeBufferSizeValue) + " \"" + *size + "\" is not a buffer size";
        }
    }
    if (const std::optional<std::string> type = store.userString(platform::kTakeSampleTypeValue)) {
        if (const std::optional<ASIOSampleType> known = sampleTypeNamed(*type)) {
            options.sampleType = *known;
        } else {
            problem = std::string(platform::kTakeSampleTypeValue) + " \"" + *type + "\" is not a sample type";
        }
    }
    return options;
}

bool writeTakePaths(platform::SettingsStore& store, const std::string& takePath, const std::string& outputPath)
{
    if (store.openUserSettings() == platform::SettingsKeyState::Failed) {
        return false;
    }
    const bool written =
        store.setUserString(platform::kTakePathValue, takePath) &&
        store.setUserString(platform::kTakeOutputPathValue, outputPath);
    store.closeUserSettings();
    return written;
}

}  // namespace kestrava::audio

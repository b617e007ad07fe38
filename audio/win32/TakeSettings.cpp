#include "audio/win32/TakeSettings.h"

#include "audio/SampleTypeNames.h"

#include <charconv>

namespace kestrava {

FileDriverOptions readTakeSettings(SettingsStore& store, std::string& problem)
{
    FileDriverOptions options;
    problem.clear();
    options.inputPath = store.userString(kTakePathValue).value_or("");
    options.outputPath = store.userString(kTakeOutputPathValue).value_or("");
    if (const std::optional<std::string> size = store.userString(kTakeBufferSizeValue)) {
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(size->data(), size->data() + size->size(), value);
        if (error == std::errc() && end == size->data() + size->size() && value > 0) {
            options.bufferSize = value;
        } else {
            problem = std::string(kTakeBufferSizeValue) + " \"" + *size + "\" is not a buffer size";
        }
    }
    if (const std::optional<std::string> type = store.userString(kTakeSampleTypeValue)) {
        if (const std::optional<ASIOSampleType> known = sampleTypeNamed(*type)) {
            options.sampleType = *known;
        } else {
            problem = std::string(kTakeSampleTypeValue) + " \"" + *type + "\" is not a sample type";
        }
    }
    return options;
}

bool writeTakePaths(SettingsStore& store, const std::string& takePath, const std::string& outputPath)
{
    if (store.openUserSettings() == SettingsKeyState::Failed) {
        return false;
    }
    const bool written =
        store.setUserString(kTakePathValue, takePath) && store.setUserString(kTakeOutputPathValue, outputPath);
    store.closeUserSettings();
    return written;
}

}  // namespace kestrava

#include "audio/win32/TakeSettings.h"

#include "audio/SampleTypeNames.h"
#include "audio/win32/RegistryKey.h"

#include <charconv>

namespace kestrava {

FileDriverOptions readTakeSettings(std::string& problem)
{
    FileDriverOptions options;
    problem.clear();
    const RegistryKey settings = RegistryKey::open(HKEY_CURRENT_USER, kSettingsKey);
    if (!settings) {
        return options;
    }
    options.inputPath = settings.readString(kTakePathValue).value_or("");
    options.outputPath = settings.readString(kTakeOutputPathValue).value_or("");
    if (const std::optional<std::string> size = settings.readString(kTakeBufferSizeValue)) {
        std::int32_t value = 0;
        const auto [end, error] = std::from_chars(size->data(), size->data() + size->size(), value);
        if (error == std::errc() && end == size->data() + size->size() && value > 0) {
            options.bufferSize = value;
        } else {
            problem = std::string(kTakeBufferSizeValue) + " \"" + *size + "\" is not a buffer size";
        }
    }
    if (const std::optional<std::string> type = settings.readString(kTakeSampleTypeValue)) {
        if (const std::optional<ASIOSampleType> known = sampleTypeNamed(*type)) {
            options.sampleType = *known;
        } else {
            problem = std::string(kTakeSampleTypeValue) + " \"" + *type + "\" is not a sample type";
        }
    }
    return options;
}

bool writeTakePaths(const std::string& takePath, const std::string& outputPath)
{
    const RegistryKey settings = RegistryKey::create(HKEY_CURRENT_USER, kSettingsKey);
    return settings && settings.writeString(kTakePathValue, takePath) &&
           settings.writeString(kTakeOutputPathValue, outputPath);
}

}  // namespace kestrava

// The recorded-take driver's per-user values as its tests set them: which
// take it plays, where its outputs go, its sample type and buffer size.
// Test threads only (registry calls).
#pragma once

#include "platform/win32/RegistryKey.h"
#include "audio/win32/TakeSettings.h"

#include <string>

namespace kestrava::test {

inline bool useTake(const std::string& take, const std::string& outputs, const char* sampleType,
                    const char* bufferSize)
{
    const platform::RegistryKey settings = platform::RegistryKey::create(HKEY_CURRENT_USER, platform::kSettingsKeyName);
    return settings.writeString(platform::kTakePathValue, take)
           && settings.writeString(platform::kTakeOutputPathValue, outputs)
           && settings.writeString(platform::kTakeSampleTypeValue, sampleType)
           && settings.writeString(platform::kTakeBufferSizeValue, bufferSize);
}

inline void clearTakeSettings()
{
    const platform::RegistryKey settings = platform::RegistryKey::create(HKEY_CURRENT_USER, platform::kSettingsKeyName);
    for (const char* value : {platform::kTakePathValue, platform::kTakeOutputPathValue, platform::kTakeBufferSizeValue,
                              platform::kTakeSampleTypeValue}) {
        RegDeleteValueA(settings.handle(), value);
    }
}

}  // namespace kestrava::test


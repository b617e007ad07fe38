// The product's settings store: the per-user settings ("Software\Kestrava
// Sonalve" with its "alg_path" value, and the recorded-take driver's) and
// the machine-wide installation entry ("SOFTWARE\Kestrava Sonalve", value
// "Install_Dir") that says where the help lies. Windows keeps both in the
// registry, Linux in XDG configuration files; tests use fakes.
//
// User-interface threads only (it touches the registry or the file system).
#pragma once

#include <optional>
#include <string>

namespace kestrava::platform {

inline constexpr const char* kSettingsKeyName = "Software\\Kestrava Sonalve";
inline constexpr const char* kInstallationKeyName = "SOFTWARE\\Kestrava Sonalve";
inline constexpr const char* kAlgPathValue = "alg_path";
inline constexpr const char* kInstallDirValue = "Install_Dir";
// The recorded-take driver's values beside "alg_path".
inline constexpr const char* kTakePathValue = "take_path";
inline constexpr const char* kTakeOutputPathValue = "take_output_path";
inline constexpr const char* kTakeBufferSizeValue = "take_buffer_size";
inline constexpr const char* kTakeSampleTypeValue = "take_sample_type";

enum class SettingsKeyState { Failed, Created, Opened };

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // Creates the per-user settings, or opens them where they exist; they
    // stay open until closeUserSettings.
    virtual SettingsKeyState openUserSettings() = 0;
    // Sets a string value in the open user settings; false when it failed.
    virtual bool setUserString(const std::string& name, const std::string& value) = 0;
    virtual void closeUserSettings() = 0;
    // A string value of the per-user settings, read without opening or
    // creating them; nothing when they or the value are missing.
    virtual std::optional<std::string> userString(const std::string& name) = 0;

    // Opens the machine-wide installation entry for reading; false when it
    // cannot be opened.
    virtual bool openInstallation() = 0;
    // A string value of the open installation entry; nothing when it cannot
    // be read.
    virtual std::optional<std::string> installationString(const std::string& name) = 0;
    virtual void closeInstallation() = 0;

    // The help document of an installation in that folder, in this
    // platform's layout: "<folder>\Kestrava Sonalve\Help.chm" on Windows,
    // "<folder>/help/index.html" on Linux.
    virtual std::string helpDocument(const std::string& installFolder) const = 0;
    // What the user is told when that document is missing.
    virtual std::string helpMissingText(const std::string& document) const = 0;
};

}  // namespace kestrava::platform

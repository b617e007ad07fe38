// The settings store on Windows: the per-user key under HKEY_CURRENT_USER,
// the installation entry under HKEY_LOCAL_MACHINE.
#include "platform/Desktop.h"
#include "platform/ProductSettings.h"
#include "platform/win32/RegistryKey.h"

#include <windows.h>

#include <array>

namespace kestrava::platform {
namespace {

class RegistrySettingsStore final : public SettingsStore {
public:
    SettingsKeyState openUserSettings() override
    {
        DWORD disposition = 0;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyName, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &user_, &disposition)
            != ERROR_SUCCESS) {
            user_ = nullptr;
            return SettingsKeyState::Failed;
        }
        return disposition == REG_CREATED_NEW_KEY ? SettingsKeyState::Created : SettingsKeyState::Opened;
    }

    // The stored size counts the terminating zero.
    bool setUserString(const std::string& name, const std::string& value) override
    {
        return user_ != nullptr
               && RegSetValueExA(user_, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>(value.size() + 1))
                      == ERROR_SUCCESS;
    }

    void closeUserSettings() override { close(user_); }

    std::optional<std::string> userString(const std::string& name) override
    {
        const RegistryKey settings = RegistryKey::open(HKEY_CURRENT_USER, kSettingsKeyName);
        if (!settings)
            return std::nullopt;
        return settings.readString(name.c_str());
    }

    bool openInstallation() override
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kInstallationKeyName, 0, KEY_READ, &installation_) != ERROR_SUCCESS) {
            installation_ = nullptr;
            return false;
        }
        return true;
    }

    std::optional<std::string> installationString(const std::string& name) override
    {
        if (installation_ == nullptr)
            return std::nullopt;
        std::array<char, MAX_PATH> value{};
        DWORD size = static_cast<DWORD>(value.size() - 1);
        DWORD type = 0;
        if (RegQueryValueExA(installation_, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                             &size)
                != ERROR_SUCCESS
            || type != REG_SZ)
            return std::nullopt;
        return std::string(value.data());
    }

    void closeInstallation() override { close(installation_); }

    std::string helpDocument(const std::string& installFolder) const override
    {
        return installFolder + "\\" + kProductFolderName + "\\Help.chm";
    }

    std::string helpMissingText(const std::string&) const override { return kHelpNotFoundText; }

private:
    static void close(HKEY& key)
    {
        if (key != nullptr)
            RegCloseKey(key);
        key = nullptr;
    }

    HKEY user_ = nullptr;
    HKEY installation_ = nullptr;
};

}  // namespace

SettingsStore& settingsStore()
{
    static RegistrySettingsStore store;
    return store;
}

}  // namespace kestrava::platform

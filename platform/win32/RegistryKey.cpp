#include "platform/win32/RegistryKey.h"

#include <utility>
#include <vector>

namespace kestrava::platform {

RegistryKey::~RegistryKey()
{
    if (key_ != nullptr) {
        RegCloseKey(key_);
    }
}

RegistryKey::RegistryKey(RegistryKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept
{
    if (this != &other) {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
        key_ = std::exchange(other.key_, nullptr);
    }
    return *this;
}

RegistryKey RegistryKey::open(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(parent, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    return RegistryKey(key);
}

RegistryKey RegistryKey::create(HKEY parent, const std::string& path)
{
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_READ | KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS) {
        return {};
    }
    return RegistryKey(key);
}

std::optional<std::string> RegistryKey::readString(const char* value) const
{
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key_, value, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    // One byte more than stored, so a value written without its terminator
    // still ends inside the buffer.
    std::vector<char> text(size + 1, '\0');
    if (RegQueryValueExA(key_, value, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string result(text.data());
    if (type == REG_EXPAND_SZ) {
        const DWORD needed = ExpandEnvironmentStringsA(result.c_str(), nullptr, 0);
        std::vector<char> expanded(needed + 1, '\0');
        if (needed > 0 && ExpandEnvironmentStringsA(result.c_str(), expanded.data(), needed) != 0) {
            result = expanded.data();
        }
    }
    return result;
}

bool RegistryKey::writeString(const char* value, const std::string& text) const
{
    return RegSetValueExA(key_, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

std::optional<std::string> RegistryKey::subkeyName(DWORD index) const
{
    // Key names are at most 255 characters.
    char name[256] = {};
    if (RegEnumKeyA(key_, index, name, sizeof name) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::string(name);
}

}  // namespace kestrava::platform

// An open registry key that closes itself, with the few reads and writes the
// ASIO driver list and the project's own driver need: string values of any
// length (always returned terminated, whatever the registry holds), subkey
// names by index, and creating and deleting keys.
//
// Controlling thread only; registry calls may block briefly and are never
// made from a driver callback.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace kestrava::platform {

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey();
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    // An empty key (false) when it cannot be opened or created.
    static RegistryKey open(HKEY parent, const std::string& path);
    static RegistryKey create(HKEY parent, const std::string& path);

    explicit operator bool() const { return key_ != nullptr; }
    HKEY handle() const { return key_; }

    // A string value (REG_SZ, or REG_EXPAND_SZ with its variables expanded);
    // nullptr names the key's default value. Nothing when it is missing or
    // not a string.
    std::optional<std::string> readString(const char* value) const;
    bool writeString(const char* value, const std::string& text) const;

    // The name of the subkey at `index`; nothing past the last one.
    std::optional<std::string> subkeyName(DWORD index) const;

private:
    explicit RegistryKey(HKEY key) : key_(key) {}
    HKEY key_ = nullptr;
};

}  // namespace kestrava::platform

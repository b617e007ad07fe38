// A settings store for tests: the user settings and the installation entry
// are maps the test fills, and each step can be made to fail.
#pragma once

#include "platform/SettingsStore.h"

#include <map>
#include <optional>
#include <string>

namespace kestrava::test {

class FakeSettingsStore final : public platform::SettingsStore {
public:
    platform::SettingsKeyState openUserSettings() override
    {
        if (failCreate)
            return platform::SettingsKeyState::Failed;
        open = true;
        if (userExists)
            return platform::SettingsKeyState::Opened;
        userExists = true;
        return platform::SettingsKeyState::Created;
    }
    bool setUserString(const std::string& name, const std::string& value) override
    {
        if (!open || failSet)
            return false;
        user[name] = value;
        return true;
    }
    void closeUserSettings() override { open = false; }
    std::optional<std::string> userString(const std::string& name) override
    {
        if (!userExists || user.count(name) == 0)
            return std::nullopt;
        return user.at(name);
    }

    bool openInstallation() override
    {
        installationOpen = installation.has_value();
        return installationOpen;
    }
    std::optional<std::string> installationString(const std::string& name) override
    {
        if (!installationOpen || installation->count(name) == 0)
            return std::nullopt;
        return installation->at(name);
    }
    void closeInstallation() override { installationOpen = false; }
    std::string helpDocument(const std::string& installFolder) const override
    {
        return installFolder + "\\Kestrava Sonalve\\Help.chm";
    }
    std::string helpMissingText(const std::string&) const override { return "Help.chm is not found"; }

    bool userExists = false;
    bool failCreate = false;
    bool failSet = false;
    bool open = false;
    std::map<std::string, std::string> user;
    std::optional<std::map<std::string, std::string>> installation;
    bool installationOpen = false;
};

}  // namespace kestrava::test

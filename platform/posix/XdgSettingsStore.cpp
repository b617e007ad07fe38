// The settings store on Linux: the per-user settings in
// $XDG_CONFIG_HOME/Kestrava Sonalve/settings.ini, the installation entry in
// "Kestrava Sonalve/installation.ini" under the first folder of
// $XDG_CONFIG_DIRS (normally /etc/xdg) that has one. Both hold "name=value"
// lines. The help pages lie as HTML in "help/" below the installation's
// Install_Dir; without an installation entry the folder the package installs
// them in is assumed, so a missing entry and missing pages are told alike,
// naming the page that was looked for.
#include "platform/Desktop.h"
#include "platform/posix/XdgPaths.h"

#include <filesystem>
#include <fstream>
#include <map>

namespace kestrava::platform {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProductConfigFolder = "Kestrava Sonalve";

using Values = std::map<std::string, std::string>;

Values readValues(std::ifstream& in)
{
    Values values;
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            values[line.substr(0, equals)] = line.substr(equals + 1);
    }
    return values;
}

std::optional<fs::path> userSettingsFile()
{
    const std::optional<std::string> config = userConfigFolder();
    if (!config)
        return std::nullopt;
    return fs::path(*config) / kProductConfigFolder / "settings.ini";
}

class XdgSettingsStore final : public SettingsStore {
public:
    SettingsKeyState openUserSettings() override
    {
        const std::optional<fs::path> file = userSettingsFile();
        if (!file)
            return SettingsKeyState::Failed;
        userFile_ = *file;
        if (std::ifstream existing(userFile_); existing) {
            userValues_ = readValues(existing);
            return SettingsKeyState::Opened;
        }
        std::error_code ignored;
        fs::create_directories(userFile_.parent_path(), ignored);
        userValues_.clear();
        return writeUserValues() ? SettingsKeyState::Created : SettingsKeyState::Failed;
    }

    bool setUserString(const std::string& name, const std::string& value) override
    {
        if (userFile_.empty())
            return false;
        userValues_[name] = value;
        return writeUserValues();
    }

    void closeUserSettings() override
    {
        userFile_.clear();
        userValues_.clear();
    }

    std::optional<std::string> userString(const std::string& name) override
    {
        const std::optional<fs::path> file = userSettingsFile();
        std::ifstream in;
        if (file)
            in.open(*file);
        if (!in)
            return std::nullopt;
        const Values values = readValues(in);
        const auto found = values.find(name);
        if (found == values.end())
            return std::nullopt;
        return found->second;
    }

    bool openInstallation() override
    {
        installation_ = Values{{kInstallDirValue, KESTRAVA_INSTALLED_DOC_DIR}};
        for (const std::string& folder : systemConfigFolders()) {
            std::ifstream in(fs::path(folder) / kProductConfigFolder / "installation.ini");
            if (in) {
                installation_ = readValues(in);
                break;
            }
        }
        return true;
    }

    std::optional<std::string> installationString(const std::string& name) override
    {
        if (!installation_)
            return std::nullopt;
        const auto found = installation_->find(name);
        if (found == installation_->end())
            return std::nullopt;
        return found->second;
    }

    void closeInstallation() override { installation_.reset(); }

    std::string helpDocument(const std::string& installFolder) const override
    {
        return installFolder + "/help/index.html";
    }

    std::string helpMissingText(const std::string& document) const override
    {
        return "Help is not installed: " + document + " is missing";
    }

private:
    // Written aside and renamed over the old file, so a failed write never
    // leaves half a file.
    bool writeUserValues()
    {
        const fs::path aside = userFile_.string() + ".new";
        {
            std::ofstream out(aside, std::ios::trunc);
            for (const auto& [name, value] : userValues_)
                out << name << '=' << value << '\n';
            if (!out.flush())
                return false;
        }
        std::error_code error;
        fs::rename(aside, userFile_, error);
        return !error;
    }

    fs::path userFile_;
    Values userValues_;
    std::optional<Values> installation_;
};

}  // namespace

SettingsStore& settingsStore()
{
    static XdgSettingsStore store;
    return store;
}

}  // namespace kestrava::platform

// The running platform's settings store, shell and help lookup on the real
// system: on Linux in scratch XDG folders with a stand-in xdg-open first on
// PATH, on Windows in Wine's registry. First start, a later start that keeps
// the stored value, and the help found or missing.
#include "platform/Desktop.h"
#include "platform/ProductSettings.h"
#include "tests/support/RecordingMessages.h"
#include "tests/support/ScratchFolder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace kestrava::platform;

namespace kestrava::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> texts(const RecordingMessages& messages)
{
    std::vector<std::string> shown;
    for (const ShownMessage& m : messages.shown)
        shown.push_back(m.text);
    return shown;
}

[[maybe_unused]] std::string contents(const fs::path& file)
{
    std::ifstream in(file);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

class DesktopSettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        install(root_ / "programs");
    }

    void TearDown() override
    {
        removeSettings();
    }

#ifdef _WIN32
    static std::string userValue()
    {
        char value[MAX_PATH] = {};
        DWORD size = sizeof value;
        if (RegGetValueA(HKEY_CURRENT_USER, kSettingsKeyName, kAlgPathValue, RRF_RT_REG_SZ, nullptr, value, &size)
            != ERROR_SUCCESS)
            return "(none)";
        return value;
    }
    static void setUserValue(const char* value)
    {
        RegSetKeyValueA(HKEY_CURRENT_USER, kSettingsKeyName, kAlgPathValue, REG_SZ, value,
                        static_cast<DWORD>(std::strlen(value) + 1));
    }
    void install(const fs::path& folder)
    {
        RegSetKeyValueA(HKEY_LOCAL_MACHINE, kInstallationKeyName, kInstallDirValue, REG_SZ,
                        folder.string().c_str(), static_cast<DWORD>(folder.string().size() + 1));
        installed_ = folder;
    }
    static void removeSettings()
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsKeyName);
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, kInstallationKeyName);
    }
    fs::path helpFile() const { return installed_ / "Kestrava Sonalve" / "Help.chm"; }
    std::vector<std::string> helpMissing() const { return {kHelpNotFoundText}; }
#else
    std::string userValue() const
    {
        const std::string all = contents(root_ / "config" / "Kestrava Sonalve" / "settings.ini");
        const std::size_t at = all.find("alg_path=");
        return at == std::string::npos ? "(none)" : all.substr(at + 9, all.find('\n', at) - at - 9);
    }
    void setUserValue(const char* value) const
    {
        std::ofstream(root_ / "config" / "Kestrava Sonalve" / "settings.ini") << "alg_path=" << value << '\n';
    }
    void install(const fs::path& folder)
    {
        for (const char* name : {"PATH", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS"})
            saved_.emplace_back(name, std::getenv(name) ? std::optional<std::string>(std::getenv(name))
                                                         : std::nullopt);
        fs::create_directories(root_ / "bin");
        fs::create_directories(root_ / "system" / "Kestrava Sonalve");
        std::ofstream(root_ / "system" / "Kestrava Sonalve" / "installation.ini")
            << "Install_Dir=" << folder.string() << '\n';
        const fs::path opener = root_ / "bin" / "xdg-open";
        std::ofstream(opener) << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> \"" << (root_ / "opened").string() << "\"\n";
        fs::permissions(opener, fs::perms::owner_all);
        setenv("PATH", (root_ / "bin").string().append(":/usr/bin:/bin").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
        setenv("XDG_CONFIG_DIRS", ("/nonexistent:" + (root_ / "system").string()).c_str(), 1);
        installed_ = folder;
    }
    void removeSettings()
    {
        for (auto& [name, value] : saved_)
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    fs::path helpFile() const { return installed_ / "help" / "index.html"; }
    std::vector<std::string> helpMissing() const
    {
        return {"Help is not installed: " + helpFile().string() + " is missing"};
    }
    bool viewerSaw(const fs::path& document) const { return contents(root_ / "opened") == document.string() + "\n"; }
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
#endif

    ScratchFolder scratch_;
    const fs::path root_ = scratch_.path();
    fs::path installed_;
};

TEST_F(DesktopSettingsTest, FirstStartWritesNoneAndLaterStartsKeepTheValue)
{
    removeSettings();
    install(installed_);
    RecordingMessages messages;
    prepareSettings(settingsStore(), messages);
    EXPECT_EQ(userValue(), "None");
    setUserValue("C:\\elsewhere");
    prepareSettings(settingsStore(), messages);
    EXPECT_EQ(userValue(), "C:\\elsewhere");
    EXPECT_TRUE(messages.shown.empty()) << messages.shown.front().text;
}

// Reading creates nothing, so the first start still finds new settings.
TEST_F(DesktopSettingsTest, UserStringsAreReadWithoutCreatingTheSettings)
{
    removeSettings();
    install(installed_);
    SettingsStore& store = settingsStore();
    EXPECT_EQ(store.userString(kAlgPathValue), std::nullopt);
    RecordingMessages messages;
    prepareSettings(store, messages);
    EXPECT_EQ(userValue(), "None");
    EXPECT_EQ(store.userString(kAlgPathValue), "None");
    EXPECT_EQ(store.userString(kTakePathValue), std::nullopt);
    ASSERT_EQ(store.openUserSettings(), SettingsKeyState::Opened);
    ASSERT_TRUE(store.setUserString(kTakePathValue, "C:\\takes\\one take.wav"));
    store.closeUserSettings();
    EXPECT_EQ(store.userString(kTakePathValue), "C:\\takes\\one take.wav");
}

TEST_F(DesktopSettingsTest, HelpIsOpenedFromTheInstallationOrReportedMissing)
{
    RecordingMessages messages;
    DesktopServices desktop = desktopServices();
    openHelp(settingsStore(), desktop.shell, messages);
    EXPECT_EQ(texts(messages), helpMissing());

    messages.shown.clear();
    fs::create_directories(helpFile().parent_path());
    std::ofstream(helpFile()) << "help";
    EXPECT_EQ(helpDocumentPath(settingsStore(), messages), helpFile().string());
#ifndef _WIN32
    // Wine would start its help viewer; here the stand-in xdg-open notes
    // what it was given.
    openHelp(settingsStore(), desktop.shell, messages);
    EXPECT_TRUE(viewerSaw(helpFile()));
#endif
    EXPECT_TRUE(messages.shown.empty());

    removeSettings();
#ifndef _WIN32
    setenv("XDG_CONFIG_DIRS", "/nonexistent", 1);
#endif
    openHelp(settingsStore(), desktop.shell, messages);
#ifdef _WIN32
    EXPECT_EQ(texts(messages), (std::vector<std::string>{kInstallationOpenFailedText, kInstallationQueryFailedText,
                                                         kHelpNotFoundText}));
#else
    // No installation entry: the package's own folder is looked in, and the
    // one message names the page that is missing there.
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind("Help is not installed: /", 0), 0u) << messages.shown[0].text;
    EXPECT_NE(messages.shown[0].text.find("/doc/kestrava-sonalve/help/index.html is missing"), std::string::npos);
#endif
}

}  // namespace
}  // namespace kestrava::test

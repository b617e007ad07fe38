// The Linux desktop backends against a stand-in zenity placed first on
// PATH: what the file chooser and the message dialog ask of it, what they
// make of its answers, the fall-back to standard error, and the XDG
// documents folder.
#include "tests/support/ScratchFolder.h"

#include "platform/Desktop.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <algorithm>
#include <optional>

using namespace kestrava::platform;

namespace kestrava::test {
namespace {

class PosixDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* name : {"PATH", "DISPLAY", "WAYLAND_DISPLAY", "HOME", "XDG_CONFIG_HOME"}) {
            const char* current = std::getenv(name);
            saved_.emplace_back(name, current != nullptr ? std::optional<std::string>(current) : std::nullopt);
        }
        // The stand-in records its arguments one per line, prints what the
        // test asks for and exits with the status the test asks for.
        const std::string script = folder.file("zenity");
        std::ofstream(script) << "#!/bin/sh\n"
                                 "for argument in \"$@\"; do printf '%s\\n' \"$argument\"; done > \""
                              << folder.file("arguments") << "\"\n"
                                 "[ -n \"$FAKE_ZENITY_OUTPUT\" ] && printf '%s\\n' \"$FAKE_ZENITY_OUTPUT\"\n"
                                 "exit ${FAKE_ZENITY_STATUS:-0}\n";
        std::filesystem::permissions(script, std::filesystem::perms::owner_all);
        const std::string path = folder.path().string() + ":" + (saved_[0].second ? *saved_[0].second : "/usr/bin:/bin");
        setenv("PATH", path.c_str(), 1);
        setenv("DISPLAY", ":77", 1);
        unsetenv("WAYLAND_DISPLAY");
    }

    void TearDown() override
    {
        for (auto& [name, value] : saved_) {
            if (value)
                setenv(name.c_str(), value->c_str(), 1);
            else
                unsetenv(name.c_str());
        }
        unsetenv("FAKE_ZENITY_OUTPUT");
        unsetenv("FAKE_ZENITY_STATUS");
    }

    std::vector<std::string> arguments()
    {
        std::vector<std::string> lines;
        std::ifstream in(folder.file("arguments"));
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    static OpenFileRequest request()
    {
        return {"DOV file", "*.alg", "None", "/home/player/Documents/Kestrava Sonalve/", "alg"};
    }

    ScratchFolder folder;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

bool contains(const std::vector<std::string>& lines, const std::string& wanted)
{
    return std::find(lines.begin(), lines.end(), wanted) != lines.end();
}

TEST_F(PosixDesktopTest, ChooserAsksForOneFilterInTheDataFolder)
{
    setenv("FAKE_ZENITY_OUTPUT", "/home/player/Documents/Kestrava Sonalve/guitar.alg", 1);
    const std::optional<std::string> chosen = desktopServices().fileDialog.chooseFileToOpen(request());
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, "/home/player/Documents/Kestrava Sonalve/guitar.alg");
    const std::vector<std::string> lines = arguments();
    EXPECT_TRUE(contains(lines, "--file-selection"));
    EXPECT_TRUE(contains(lines, "--filename=/home/player/Documents/Kestrava Sonalve/None"));
    EXPECT_TRUE(contains(lines, "--file-filter=DOV file | *.alg"));
}

TEST_F(PosixDesktopTest, ChooserStartsAtTheLoadedFile)
{
    setenv("FAKE_ZENITY_OUTPUT", "/music/viola.alg", 1);
    OpenFileRequest loaded = request();
    loaded.initialName = "/music/cello.alg";
    desktopServices().fileDialog.chooseFileToOpen(loaded);
    EXPECT_TRUE(contains(arguments(), "--filename=/music/cello.alg"));
}

TEST_F(PosixDesktopTest, CancelledChooserChoosesNothing)
{
    setenv("FAKE_ZENITY_STATUS", "1", 1);
    EXPECT_FALSE(desktopServices().fileDialog.chooseFileToOpen(request()).has_value());
}

TEST_F(PosixDesktopTest, ChooserThatCannotStartChoosesNothing)
{
    setenv("PATH", folder.file("nowhere").c_str(), 1);
    EXPECT_FALSE(desktopServices().fileDialog.chooseFileToOpen(request()).has_value());
}

TEST_F(PosixDesktopTest, ChooserWithoutADisplayIsNotStarted)
{
    unsetenv("DISPLAY");
    setenv("FAKE_ZENITY_OUTPUT", "/music/viola.alg", 1);
    EXPECT_FALSE(desktopServices().fileDialog.chooseFileToOpen(request()).has_value());
    EXPECT_TRUE(arguments().empty());
}

TEST_F(PosixDesktopTest, MessageIsShownAsADesktopDialog)
{
    ::testing::internal::CaptureStderr();
    showError(desktopServices().messages, "CreateFile Error1.");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    const std::vector<std::string> lines = arguments();
    EXPECT_TRUE(contains(lines, "--error"));
    EXPECT_TRUE(contains(lines, "--title=Error"));
    EXPECT_TRUE(contains(lines, "--text=CreateFile Error1."));
    EXPECT_TRUE(contains(lines, "--no-markup"));
}

TEST_F(PosixDesktopTest, InformationUsesTheInformationDialog)
{
    desktopServices().messages.show("Clipping", "Info", MessageIcon::Information);
    EXPECT_TRUE(contains(arguments(), "--info"));
    EXPECT_TRUE(contains(arguments(), "--title=Info"));
}

TEST_F(PosixDesktopTest, MessageGoesToStandardErrorWhenNoDialogStarts)
{
    setenv("FAKE_ZENITY_STATUS", "255", 1);
    ::testing::internal::CaptureStderr();
    showError(desktopServices().messages, "ALG file is damaged.");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: ALG file is damaged.\n");
}

TEST_F(PosixDesktopTest, MessageWithoutADisplayGoesToStandardErrorOnly)
{
    unsetenv("DISPLAY");
    ::testing::internal::CaptureStderr();
    showError(desktopServices().messages, "SHGetFolderPath Error.");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Error: SHGetFolderPath Error.\n");
    EXPECT_TRUE(arguments().empty());
}

TEST_F(PosixDesktopTest, DocumentsFolderComesFromTheUserDirectories)
{
    const std::string home = folder.file("home");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.file("config").c_str(), 1);
    std::filesystem::create_directories(folder.file("config"));
    std::ofstream(folder.file("config/user-dirs.dirs")) << "# written by xdg-user-dirs-update\n"
                                                             "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                             "XDG_DOCUMENTS_DIR=\"$HOME/Papiere\"\n";
    Shell& shell = desktopServices().shell;
    const std::optional<std::string> documents = shell.documentsFolder();
    ASSERT_TRUE(documents.has_value());
    EXPECT_EQ(*documents, home + "/Papiere");
    EXPECT_TRUE(std::filesystem::is_directory(*documents));
}

TEST_F(PosixDesktopTest, DocumentsFolderDefaultsToDocumentsInHome)
{
    const std::string home = folder.file("home");
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", folder.file("empty-config").c_str(), 1);
    const std::optional<std::string> documents = desktopServices().shell.documentsFolder();
    ASSERT_TRUE(documents.has_value());
    EXPECT_EQ(*documents, home + "/Documents");
    EXPECT_TRUE(std::filesystem::is_directory(*documents));
}

TEST_F(PosixDesktopTest, ShellTestsAndCreatesFolders)
{
    Shell& shell = desktopServices().shell;
    const std::string created = folder.file("Kestrava Sonalve") + "/";
    EXPECT_FALSE(shell.exists(created));
    shell.createDirectory(created);
    EXPECT_TRUE(shell.exists(created));
    EXPECT_EQ(shell.separator(), '/');
}

}  // namespace
}  // namespace kestrava::test

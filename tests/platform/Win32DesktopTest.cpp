// The Windows shell backend under Wine: the personal documents folder, and
// testing for and creating folders. The dialogs need a desktop and are
// left to people.
#include "tests/support/ScratchFolder.h"

#include "platform/Desktop.h"

#include <gtest/gtest.h>

using namespace kestrava::platform;

namespace kestrava::test {
namespace {

TEST(Win32DesktopTest, DocumentsFolderExists)
{
    Shell& shell = desktopServices().shell;
    const std::optional<std::string> documents = shell.documentsFolder();
    ASSERT_TRUE(documents.has_value());
    EXPECT_FALSE(documents->empty());
    EXPECT_NE(documents->back(), '\\');
    EXPECT_TRUE(shell.exists(*documents));
    EXPECT_TRUE(std::filesystem::is_directory(*documents));
}

TEST(Win32DesktopTest, ShellTestsAndCreatesFolders)
{
    ScratchFolder folder;
    Shell& shell = desktopServices().shell;
    EXPECT_EQ(shell.separator(), '\\');
    const std::string created = folder.file("Kestrava Sonalve") + "\\";
    EXPECT_FALSE(shell.exists(created));
    shell.createDirectory(created);
    EXPECT_TRUE(shell.exists(created));
    EXPECT_TRUE(std::filesystem::is_directory(folder.file("Kestrava Sonalve")));
}

}  // namespace
}  // namespace kestrava::test

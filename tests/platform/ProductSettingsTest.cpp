// The product's data folder, settings and help lookup over fake seams: what
// is created, what is written, which messages come and in what order, and
// which document the shell is asked to open.
#include "platform/ProductSettings.h"
#include "tests/support/FakeSettingsStore.h"
#include "tests/support/RecordingMessages.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace kestrava::platform;

namespace kestrava::test {
namespace {

class FakeShell final : public Shell {
public:
    std::optional<std::string> documentsFolder() override { return documents; }
    bool exists(const std::string& path) override { return existing.count(path) != 0; }
    void createDirectory(const std::string& path) override { existing[path] = true; }
    DocumentOpenResult openDocument(const std::string& path) override
    {
        opened.push_back(path);
        return exists(path) ? DocumentOpenResult::Opened : answerForMissing;
    }
    char separator() const override { return '\\'; }

    std::optional<std::string> documents = std::string("C:\\Users\\player\\Documents");
    std::map<std::string, bool> existing;
    std::vector<std::string> opened;
    DocumentOpenResult answerForMissing = DocumentOpenResult::NotFound;
};

std::vector<std::string> texts(const RecordingMessages& messages)
{
    std::vector<std::string> shown;
    for (const ShownMessage& m : messages.shown) {
        EXPECT_EQ(m.caption, "Error");
        EXPECT_EQ(m.icon, MessageIcon::Error);
        shown.push_back(m.text);
    }
    return shown;
}

struct SettingsCase {
    const char* name;
    bool userExists;
    bool failCreate;
    bool failSet;
    std::map<std::string, std::string> expectedUser;
    std::vector<std::string> expectedMessages;
};

TEST(ProductSettingsTest, SettingsAreWrittenOnlyWhenCreated)
{
    const std::vector<SettingsCase> cases = {
        {"first start", false, false, false, {{"alg_path", "None"}}, {}},
        {"later start", true, false, false, {{"alg_path", "mine"}}, {}},
        {"cannot create", false, true, false, {}, {"RegCreateKeyEx Error1."}},
        {"cannot set", false, false, true, {}, {"RegSetValueEx Error3."}},
    };
    for (const SettingsCase& c : cases) {
        FakeSettingsStore store;
        store.userExists = c.userExists;
        store.failCreate = c.failCreate;
        store.failSet = c.failSet;
        if (c.userExists)
            store.user["alg_path"] = "mine";
        RecordingMessages messages;
        prepareSettings(store, messages);
        EXPECT_EQ(store.user, c.expectedUser) << c.name;
        EXPECT_EQ(texts(messages), c.expectedMessages) << c.name;
        EXPECT_FALSE(store.open) << c.name << ": the settings stay open";
    }
}

TEST(ProductSettingsTest, DataFolderIsCreatedInTheDocumentsOrWithAnEmptyFolderPart)
{
    FakeShell shell;
    RecordingMessages messages;
    EXPECT_EQ(prepareDataFolder(shell, messages), "C:\\Users\\player\\Documents\\Kestrava Sonalve\\");
    EXPECT_TRUE(shell.existing.count("C:\\Users\\player\\Documents\\Kestrava Sonalve\\"));
    EXPECT_TRUE(messages.shown.empty());

    shell.documents.reset();
    EXPECT_EQ(prepareDataFolder(shell, messages), "\\Kestrava Sonalve\\");
    EXPECT_EQ(texts(messages), std::vector<std::string>{"SHGetFolderPath Error."});
}

struct HelpCase {
    const char* name;
    std::optional<std::map<std::string, std::string>> installation;
    bool helpInstalled;
    DocumentOpenResult answerForMissing;
    std::string expectedDocument;
    std::vector<std::string> expectedMessages;
};

TEST(ProductSettingsTest, HelpIsLookedUpInTheInstallationAtEveryPress)
{
    const std::map<std::string, std::string> installed = {{"Install_Dir", "C:\\Program Files"}};
    const std::vector<HelpCase> cases = {
        {"installed", installed, true, DocumentOpenResult::NotFound,
         "C:\\Program Files\\Kestrava Sonalve\\Help.chm", {}},
        {"help file missing", installed, false, DocumentOpenResult::NotFound,
         "C:\\Program Files\\Kestrava Sonalve\\Help.chm", {"Help.chm is not found"}},
        {"no installation entry", std::nullopt, false, DocumentOpenResult::NotFound,
         "\\Kestrava Sonalve\\Help.chm",
         {"RegOpenKeyEx Error.", "RegQueryValueEx Error1.", "Help.chm is not found"}},
        {"entry without a folder", std::map<std::string, std::string>{}, false, DocumentOpenResult::Failed,
         "\\Kestrava Sonalve\\Help.chm", {"RegQueryValueEx Error1."}},
    };
    for (const HelpCase& c : cases) {
        FakeSettingsStore store;
        store.installation = c.installation;
        FakeShell shell;
        shell.answerForMissing = c.answerForMissing;
        if (c.helpInstalled)
            shell.existing[c.expectedDocument] = true;
        RecordingMessages messages;
        openHelp(store, shell, messages);
        openHelp(store, shell, messages);
        EXPECT_EQ(shell.opened, std::vector<std::string>(2, c.expectedDocument)) << c.name;
        std::vector<std::string> twice = c.expectedMessages;
        twice.insert(twice.end(), c.expectedMessages.begin(), c.expectedMessages.end());
        EXPECT_EQ(texts(messages), twice) << c.name;
        EXPECT_FALSE(store.installationOpen) << c.name;
    }
}

}  // namespace
}  // namespace kestrava::test

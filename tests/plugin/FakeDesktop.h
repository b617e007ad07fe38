// Fakes of the desktop seams for the effect tests: messages are recorded,
// the documents folder is whatever the test says, the file dialog answers
// from a queue and remembers what it was asked.
#pragma once

#include "platform/Desktop.h"
#include "tests/support/RecordingMessages.h"

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kestrava::test {

class FakeShell final : public platform::Shell {
public:
    std::optional<std::string> documentsFolder() override { return documents; }
    // The effect tests use real files for corrections, so existence is the
    // file system's answer; folders the effect created count as well.
    bool exists(const std::string& path) override
    {
        for (const std::string& folder : created)
            if (folder == path)
                return true;
        std::error_code error;
        return std::filesystem::exists(path, error);
    }
    void createDirectory(const std::string& path) override { created.push_back(path); }
    platform::DocumentOpenResult openDocument(const std::string& path) override
    {
        opened.push_back(path);
        return openResult;
    }
    char separator() const override { return '/'; }

    std::optional<std::string> documents = std::string("/home/player/Documents");
    std::vector<std::string> created;
    std::vector<std::string> opened;
    platform::DocumentOpenResult openResult = platform::DocumentOpenResult::Opened;
};

class FakeFileDialog final : public platform::FileDialog {
public:
    std::optional<std::string> chooseFileToOpen(const platform::OpenFileRequest& request) override
    {
        requests.push_back(request);
        if (answers.empty())
            return std::nullopt;
        std::optional<std::string> answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::string> chooseFileToSave(const platform::OpenFileRequest& request) override
    {
        return chooseFileToOpen(request);
    }
    std::deque<std::optional<std::string>> answers;
    std::vector<platform::OpenFileRequest> requests;
};

struct FakeDesktop {
    RecordingMessages messages;
    FakeShell shell;
    FakeFileDialog fileDialog;

    platform::DesktopServices services() { return {messages, shell, fileDialog}; }
};

}  // namespace kestrava::test

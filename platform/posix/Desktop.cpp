// Linux desktop backends: messages and the file dialogs through zenity
// where a desktop can show it, the documents folder from the XDG user
// directories, documents opened with xdg-open. Without zenity, messages show
// in the program's own window when it has one (else on standard error), and
// the file dialogs say what is missing.
#include "platform/Desktop.h"
#include "platform/posix/XdgPaths.h"

#include <spawn.h>
#include <sys/stat.h>
#include <cerrno>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

extern char** environ;

namespace kestrava::platform {
namespace {

bool desktopAvailable()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

constexpr const char* kNoFileChooserText = "No file chooser is installed: install zenity";

// runProgram's answer when the program is not installed (or cannot run).
constexpr int kNotStarted = -2;

// Runs a program found on PATH and waits for it. Its standard output is
// collected when asked for, its standard error is dropped (GTK's warnings
// are of no use to the user). Returns the exit status, kNotStarted, or -1
// when the program did not exit normally.
int runProgram(const std::vector<std::string>& arguments, std::string* output)
{
    int pipeEnds[2] = {-1, -1};
    if (output != nullptr && pipe(pipeEnds) != 0)
        return -1;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    if (output != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
        posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    }

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t child = -1;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);

    if (output != nullptr) {
        close(pipeEnds[1]);
        if (spawned == 0) {
            char buffer[512];
            ssize_t got = 0;
            while ((got = read(pipeEnds[0], buffer, sizeof buffer)) > 0)
                output->append(buffer, static_cast<std::size_t>(got));
        }
        close(pipeEnds[0]);
    }
    if (spawned != 0)
        return kNotStarted;

    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// zenity's dialog answers 0 for "OK" and 1 when closed otherwise.
class ZenityMessages final : public Messages {
public:
    explicit ZenityMessages(Messages* windowMessages) : windowMessages_(windowMessages) {}

    void show(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        if (desktopAvailable()) {
            const int status = runProgram({"zenity", icon == MessageIcon::Error ? "--error" : "--info",
                                           "--no-markup", "--title=" + caption, "--text=" + text},
                                          nullptr);
            if (status == 0 || status == 1)
                return;
            if (windowMessages_ != nullptr) {
                windowMessages_->show(text, caption, icon);
                return;
            }
        }
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    }

private:
    Messages* windowMessages_;
};

class ZenityFileDialog final : public FileDialog {
public:
    explicit ZenityFileDialog(Messages& messages) : messages_(messages) {}

    std::optional<std::string> chooseFileToOpen(const OpenFileRequest& request) override
    {
        return choose(request, {"--title=Load corr. file"});
    }

    std::optional<std::string> chooseFileToSave(const OpenFileRequest& request) override
    {
        return choose(request, {"--title=Save corr. file", "--save", "--confirm-overwrite"});
    }

private:
    std::optional<std::string> choose(const OpenFileRequest& request, std::vector<std::string> how)
    {
        if (!desktopAvailable())
            return std::nullopt;
        // zenity starts in the folder of --filename and preselects its last
        // component; a bare name such as "None" is taken inside the folder.
        const std::string start = !request.initialName.empty() && request.initialName.front() == '/'
                                      ? request.initialName
                                      : request.initialFolder + request.initialName;
        std::vector<std::string> arguments = {"zenity", "--file-selection"};
        arguments.insert(arguments.end(), how.begin(), how.end());
        arguments.push_back("--filename=" + start);
        arguments.push_back("--file-filter=" + request.filterDescription + " | " + request.filterPattern);
        std::string chosen;
        const int status = runProgram(arguments, &chosen);
        if (status == kNotStarted) {
            showError(messages_, kNoFileChooserText);
            return std::nullopt;
        }
        while (!chosen.empty() && (chosen.back() == '\n' || chosen.back() == '\r'))
            chosen.pop_back();
        if (status != 0 || chosen.empty())
            return std::nullopt;
        return chosen;
    }

    Messages& messages_;
};

// XDG_DOCUMENTS_DIR from user-dirs.dirs, with $HOME expanded; the usual
// "~/Documents" when the file does not name one.
std::optional<std::string> xdgDocumentsFolder()
{
    const std::optional<std::string> home = homeFolder();
    if (!home)
        return std::nullopt;

    std::ifstream dirs(*userConfigFolder() + "/user-dirs.dirs");
    const std::string key = "XDG_DOCUMENTS_DIR=";
    for (std::string line; std::getline(dirs, line);) {
        if (line.compare(0, key.size(), key) != 0)
            continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0)
            value = *home + value.substr(5);
        while (value.size() > 1 && value.back() == '/')
            value.pop_back();
        if (!value.empty() && value.front() == '/')
            return value;
    }
    return *home + "/Documents";
}

class XdgShell final : public Shell {
public:
    std::optional<std::string> documentsFolder() override
    {
        std::optional<std::string> folder = xdgDocumentsFolder();
        if (folder) {
            std::error_code ignored;
            std::filesystem::create_directories(*folder, ignored);
        }
        return folder;
    }

    bool exists(const std::string& path) override
    {
        struct stat info{};
        return stat(path.c_str(), &info) == 0;
    }

    void createDirectory(const std::string& path) override { mkdir(path.c_str(), 0777); }

    // xdg-open exits with 2 when the file does not exist.
    DocumentOpenResult openDocument(const std::string& path) override
    {
        if (!exists(path))
            return DocumentOpenResult::NotFound;
        switch (runProgram({"xdg-open", path}, nullptr)) {
        case 0:
            return DocumentOpenResult::Opened;
        case 2:
            return DocumentOpenResult::NotFound;
        default:
            return DocumentOpenResult::Failed;
        }
    }

    char separator() const override { return '/'; }
};

XdgShell& shell()
{
    static XdgShell shell;
    return shell;
}

}  // namespace

DesktopServices desktopServices()
{
    static ZenityMessages messages(nullptr);
    static ZenityFileDialog fileDialog(messages);
    return {messages, shell(), fileDialog};
}

// One program has one toolkit, so the first window messages handed in serve
// for the process.
DesktopServices desktopServices(Messages& windowMessages)
{
    static ZenityMessages messages(&windowMessages);
    static ZenityFileDialog fileDialog(messages);
    return {messages, shell(), fileDialog};
}

}  // namespace kestrava::platform

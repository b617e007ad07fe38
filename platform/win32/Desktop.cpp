// Windows desktop backends: MessageBoxA, the common open and save dialogs,
// the shell's personal documents folder and ShellExecuteA. The messages and
// dialogs have no owner, or the window a program hands them.
#include "platform/Desktop.h"
#include "platform/win32/OwnedDesktop.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <array>
#include <cstdint>

namespace kestrava::platform {
namespace {

class MessageBoxMessages final : public Messages {
public:
    explicit MessageBoxMessages(HWND owner = nullptr) : owner_(owner) {}

    void show(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        MessageBoxA(owner_, text.c_str(), caption.c_str(),
                    MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION));
    }

private:
    HWND owner_;
};

class CommonFileDialog final : public FileDialog {
public:
    explicit CommonFileDialog(HWND owner = nullptr) : owner_(owner) {}

    std::optional<std::string> chooseFileToOpen(const OpenFileRequest& request) override
    {
        return choose(request, MAX_PATH, OFN_FILEMUSTEXIST | OFN_HIDEREADONLY, &GetOpenFileNameA);
    }

    // The save dialog's name field holds up to 256 characters.
    std::optional<std::string> chooseFileToSave(const OpenFileRequest& request) override
    {
        return choose(request, 256, OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY, &GetSaveFileNameA);
    }

private:
    std::optional<std::string> choose(const OpenFileRequest& request, DWORD capacity, DWORD flags,
                                      BOOL(WINAPI* run)(LPOPENFILENAMEA)) const
    {
        // The filter is a list of NUL-separated pairs ending in an empty one.
        std::string filter = request.filterDescription;
        filter.push_back('\0');
        filter += request.filterPattern;
        filter.push_back('\0');

        std::array<char, MAX_PATH> file{};
        request.initialName.copy(file.data(), capacity - 1);

        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = owner_;
        dialog.lpstrFilter = filter.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = capacity;
        dialog.lpstrInitialDir = request.initialFolder.c_str();
        dialog.lpstrDefExt = request.defaultExtension.c_str();
        dialog.Flags = flags;
        if (!run(&dialog))
            return std::nullopt;
        return std::string(file.data());
    }

    HWND owner_;
};

class WindowsShell final : public Shell {
public:
    std::optional<std::string> documentsFolder() override
    {
        std::array<char, MAX_PATH> folder{};
        if (SHGetFolderPathA(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                             folder.data())
            != S_OK)
            return std::nullopt;
        return std::string(folder.data());
    }

    bool exists(const std::string& path) override
    {
        return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    void createDirectory(const std::string& path) override { CreateDirectoryA(path.c_str(), nullptr); }

    // ShellExecuteA answers with a value above 32 on success and 2 when the
    // file does not exist.
    DocumentOpenResult openDocument(const std::string& path) override
    {
        const auto result = reinterpret_cast<std::intptr_t>(
            ShellExecuteA(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
        if (result > 32)
            return DocumentOpenResult::Opened;
        return result == SE_ERR_FNF ? DocumentOpenResult::NotFound : DocumentOpenResult::Failed;
    }

    char separator() const override { return '\\'; }
};

}  // namespace

DesktopServices desktopServices()
{
    static MessageBoxMessages messages;
    static WindowsShell shell;
    static CommonFileDialog fileDialog;
    return {messages, shell, fileDialog};
}

// The system's message box is always there; the program's own window is
// the one it asks for.
DesktopServices desktopServices(Messages& windowMessages)
{
    const DesktopServices own = desktopServices();
    return {windowMessages, own.shell, own.fileDialog};
}

std::unique_ptr<Messages> messagesOwnedBy(HWND owner)
{
    return std::make_unique<MessageBoxMessages>(owner);
}

std::unique_ptr<FileDialog> fileDialogOwnedBy(HWND owner)
{
    return std::make_unique<CommonFileDialog>(owner);
}

}  // namespace kestrava::platform

// Windows desktop backends: MessageBoxA, the common open-file dialog and the
// shell's personal documents folder.
#include "platform/Desktop.h"

#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <array>

namespace kestrava {
namespace {

class MessageBoxMessages final : public Messages {
public:
    void show(const std::string& text, const std::string& caption, MessageIcon icon) override
    {
        MessageBoxA(nullptr, text.c_str(), caption.c_str(),
                    MB_OK | (icon == MessageIcon::Error ? MB_ICONERROR : MB_ICONINFORMATION));
    }
};

class CommonFileDialog final : public FileDialog {
public:
    std::optional<std::string> chooseFileToOpen(const OpenFileRequest& request) override
    {
        // The filter is a list of NUL-separated pairs ending in an empty one.
        std::string filter = request.filterDescription;
        filter.push_back('\0');
        filter += request.filterPattern;
        filter.push_back('\0');

        std::array<char, MAX_PATH> file{};
        request.initialName.copy(file.data(), file.size() - 1);

        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof dialog;
        dialog.hwndOwner = nullptr;
        dialog.lpstrFilter = filter.c_str();
        dialog.nFilterIndex = 1;
        dialog.lpstrFile = file.data();
        dialog.nMaxFile = static_cast<DWORD>(file.size());
        dialog.lpstrInitialDir = request.initialFolder.c_str();
        dialog.lpstrDefExt = request.defaultExtension.c_str();
        dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
        if (!GetOpenFileNameA(&dialog))
            return std::nullopt;
        return std::string(file.data());
    }
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

}  // namespace kestrava

// The system's open-file and save-file dialogs as the programs use them: one
// filter entry, a file name to start with, an initial folder and a default
// extension; the save dialog asks before replacing a file. Each platform has
// its own backend; tests use fakes.
//
// Modal: the call blocks the calling thread until the user has chosen or
// cancelled. Never called from an audio thread.
#pragma once

#include <optional>
#include <string>

namespace kestrava::platform {

struct OpenFileRequest {
    std::string filterDescription;  // "DOV file"
    std::string filterPattern;      // "*.alg"
    std::string initialName;        // what the file-name field starts with
    std::string initialFolder;
    std::string defaultExtension;   // without the dot
};

class FileDialog {
public:
    virtual ~FileDialog() = default;
    // The chosen file's full path, or nothing when the user cancelled or no
    // dialog could be shown.
    virtual std::optional<std::string> chooseFileToOpen(const OpenFileRequest& request) = 0;
    // The same for a file to write; an existing file is chosen only after
    // the user agreed to replace it.
    virtual std::optional<std::string> chooseFileToSave(const OpenFileRequest& request) = 0;
};

}  // namespace kestrava::platform

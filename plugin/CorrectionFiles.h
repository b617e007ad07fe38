// The effect's file actions: the data folder under the user's documents
// (created when missing), the correction-file chooser that starts there, and
// reading a correction file with its failures shown to the user.
//
// User-interface thread only; the chooser is modal and blocks its caller,
// so callers hold no lock across choose().
#pragma once

#include "engine/CorrectionSet.h"
#include "platform/Desktop.h"

#include <array>
#include <optional>
#include <string>

namespace kestrava::plugin {

inline constexpr int kFolderSize = 264;

class CorrectionFiles {
public:
    // Prepares the data folder; without a documents folder the user is told
    // ("SHGetFolderPath Error.") and the folder is relative.
    explicit CorrectionFiles(platform::DesktopServices services);

    const char* folder() const { return folder_.data(); }

    bool exists(const std::string& path) const { return services_.shell.exists(path); }

    // Reads the file at `path` into `set`. On failure the reason has been
    // shown and `set` is unchanged.
    bool read(const std::string& path, engine::CorrectionSet& set) const;

    // Asks the user for a correction file, starting from `currentName` in
    // the data folder. Nothing when the user cancelled.
    std::optional<std::string> choose(const std::string& currentName) const;

private:
    platform::DesktopServices services_;
    std::array<char, kFolderSize> folder_{};
};

}  // namespace kestrava::plugin

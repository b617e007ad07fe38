// The desktop shell services the programs need: the user's documents folder,
// testing for a file, creating a directory and opening a document with the
// desktop's viewer. Each platform has its own backend; tests use fakes.
//
// Called from user-interface threads only (they touch the file system).
#pragma once

#include <optional>
#include <string>

namespace kestrava::platform {

enum class DocumentOpenResult { Opened, NotFound, Failed };

class Shell {
public:
    virtual ~Shell() = default;
    // The user's personal documents folder (created by the system when
    // missing), without a trailing separator; nothing when it cannot be
    // determined.
    virtual std::optional<std::string> documentsFolder() = 0;
    // True when something exists at `path` (its attributes can be read).
    virtual bool exists(const std::string& path) = 0;
    // Creates one directory; the outcome is not reported.
    virtual void createDirectory(const std::string& path) = 0;
    // Opens a document the way the desktop opens it on a double click.
    virtual DocumentOpenResult openDocument(const std::string& path) = 0;
    // The character that separates folder names in a path.
    virtual char separator() const = 0;
};

}  // namespace kestrava::platform

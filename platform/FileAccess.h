// Whole-file reads and writes that hostile paths cannot turn against the
// programs: an input is opened once, only if it is the kind of file the
// caller accepts, and read with a bound; an output is written beside its
// destination and renamed into place, so a failure leaves the old file
// whole. Each platform has its own backend.
//
// For user-interface and tool threads only: these calls block on the disk
// (never on a pipe or device the caller did not accept) and allocate.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kestrava::platform {

enum class FileError {
    None,
    CannotOpen,     // missing, no permission...: `reason` holds the system's text
    NotAFile,       // a directory, a device, or a pipe where only files are accepted
    CannotRead,
    CannotCreate,   // the file beside the destination could not be created
    CannotWrite,
    CannotReplace,  // the finished file could not be renamed over the destination
};

struct FileResult {
    FileError error = FileError::None;
    // What went wrong, in the system's words where the system said it.
    std::string reason;

    explicit operator bool() const { return error == FileError::None; }
};

// What an input may be besides a regular file. Correction files are files
// only; the tool also reads a take from a pipe (a named one, or its standard
// input), which is opened once and may wait for its writer.
enum class InputKinds { RegularFile, FileOrPipe };

// Reads at most `maxBytes` of `path` into `bytes` (what lies beyond is left
// unread).
FileResult readInput(const std::string& path, std::size_t maxBytes, InputKinds accept,
                     std::vector<std::uint8_t>& bytes);

// A file being written beside its destination. Nothing at the destination
// changes until commit(); a staged file that is never committed is removed.
// Several staged files let a command replace all its outputs or none.
class StagedFile {
public:
    StagedFile();
    ~StagedFile();
    StagedFile(StagedFile&&) noexcept;
    StagedFile& operator=(StagedFile&&) noexcept;

    // Writes `bytes` whole into a new file in the destination's folder. A
    // destination that exists but is no regular file is refused.
    FileResult write(const std::string& destination, std::span<const std::uint8_t> bytes);
    // Renames the written file over the destination.
    FileResult commit();

private:
    struct State;
    std::unique_ptr<State> state_;
};

// From now on an interrupt (SIGINT or SIGTERM; Ctrl-C, Ctrl-Break or a
// closed console on Windows) first removes every staged file not yet
// renamed into place, then ends the process as it would have: an
// interrupted save leaves nothing beside its destination. For a program's
// main thread, once, before it writes anything.
void removeStagedFilesOnInterrupt();

// Writes `bytes` as the whole new content of `path`, atomically.
FileResult replaceFile(const std::string& path, std::span<const std::uint8_t> bytes);

}  // namespace kestrava::platform

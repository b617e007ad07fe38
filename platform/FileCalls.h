// The few system calls behind FileAccess, one backend per platform:
// inspecting and opening inputs, creating, replacing and removing files.
// Same threads and rules as FileAccess.h.
#pragma once

#include "platform/FileAccess.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrava::platform::filecalls {

// One read from an open input into `into`, at most `size` bytes: sets `got`
// to what came (0 at the end of the input), or fails.
using ReadSome = std::function<FileResult(std::uint8_t* into, std::size_t size, std::size_t& got)>;

// Reads with `readSome` until the input ends or `maxBytes` have come, in
// chunks, so a long input never asks for its whole size at once. On failure
// `bytes` is left empty.
FileResult readBounded(std::size_t maxBytes, std::vector<std::uint8_t>& bytes, const ReadSome& readSome);

// The path to write to for `destination`: the destination itself, or the
// file a symbolic link there points to (the link stays). Refuses a
// destination that exists and is no regular file.
FileResult resolveDestination(const std::string& destination, std::string& resolved);

// A name in the same folder as `destination` that no other writer uses.
std::string stagingName(const std::string& destination);

// `destination` with `tag` added to its file name, the name shortened first
// where the whole would pass the 255-byte limit of a file name: a
// destination whose name fits always gets a staging name that fits.
// `separators` are the characters that end a folder in a path.
std::string fittedStagingName(const std::string& destination, const std::string& tag, const char* separators);

// The staged files not yet renamed into place, in a fixed table that an
// interrupt handler may walk. rememberStaging returns the path's slot, or -1
// when the table is full or the path too long (that file is then not
// removed on an interrupt). Walking calls only `remove`, with each path.
int rememberStaging(const std::string& path);
void forgetStaging(int slot);
void removeRememberedStagings(void (*remove)(const char* path));

// Creates `path`, which must not exist, and writes `bytes` whole to it and
// to the disk. On failure nothing is left at `path`.
FileResult writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes);

// Renames `from` over `to`, replacing `to` in one step.
FileResult renameOver(const std::string& from, const std::string& to);

void removeFile(const std::string& path);

}  // namespace kestrava::platform::filecalls

// Reading and writing correction files (.alg): a 32-byte header and three
// arrays of doubles, scrambled with a fixed key from byte 4 on.
//
// Runs on user-interface threads only. A failed read leaves the caller's
// correction untouched.
#pragma once

#include "engine/CorrectionSet.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrava {

class Messages;

inline constexpr std::int32_t kCorrectionFileMagic = 2011;
inline constexpr std::array<std::uint8_t, 16> kScrambleKey = {
    0x5c, 0x9e, 0x13, 0xa7, 0x40, 0xf2, 0x6b, 0xd8,
    0x21, 0x8f, 0x3a, 0xc5, 0x77, 0x0e, 0xb4, 0x69};

inline constexpr const char* kDamagedFileText = "ALG file is damaged.";
inline constexpr const char* kReadOpenFailedText = "CreateFile Error1.";
inline constexpr const char* kWriteCreateFailedText = "CreateFile Error.";
inline constexpr const char* kWriteFailedText = "WriteFile Error.";

// Exclusive-or of every byte from offset 4 on with its key byte plus one;
// applying it twice restores the input.
void scrambleCorrectionImage(std::span<std::uint8_t> image);

// The whole file image of a correction, scrambled.
std::vector<std::uint8_t> encodeCorrectionFile(const CorrectionSet& set);

// Decodes a whole file image into `set`. Returns false, leaving `set`
// untouched, when the magic is wrong, the section count is outside 0..200
// or the image is shorter than the count requires.
bool decodeCorrectionFile(std::span<const std::uint8_t> image, CorrectionSet& set);

// Reads the file at `path` into `set`: 0 on success, 1 on failure, with the
// reason shown through `messages` and `set` untouched.
int readCorrectionFile(const std::string& path, CorrectionSet& set, Messages& messages);

// Writes `set` to `path`, replacing any file there. Returns false, with the
// reason shown through `messages`, when the file cannot be created or fully
// written.
bool writeCorrectionFile(const std::string& path, const CorrectionSet& set, Messages& messages);

}  // namespace kestrava

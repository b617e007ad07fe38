// Reading and writing correction files (.alg): a 32-byte header and three
// arrays of doubles, scrambled with a fixed key from byte 4 on.
//
// Runs on user-interface threads only (it reads and writes files and
// allocates). A failed read leaves the caller's correction untouched; a
// failed write leaves the file that was there whole. The codec reports what
// went wrong as a result; readCorrectionFile and writeCorrectionFile also
// show the programs' message for it.
#pragma once

#include "engine/CorrectionSet.h"
#include "platform/FileAccess.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrava::platform {
class Messages;
}  // namespace kestrava::platform

namespace kestrava::corrfile {

inline constexpr std::int32_t kCorrectionFileMagic = 2011;
inline constexpr std::array<std::uint8_t, 16> kScrambleKey = {
    0x5c, 0x9e, 0x13, 0xa7, 0x40, 0xf2, 0x6b, 0xd8,
    0x21, 0x8f, 0x3a, 0xc5, 0x77, 0x0e, 0xb4, 0x69};
// The largest file a correction can need; bytes beyond it are never read.
inline constexpr std::size_t kMaxCorrectionFileBytes = 32 + 24 * static_cast<std::size_t>(engine::kMaxSections);

inline constexpr const char* kDamagedFileText = "ALG file is damaged.";
inline constexpr const char* kReadOpenFailedText = "CreateFile Error1.";
inline constexpr const char* kWriteCreateFailedText = "CreateFile Error.";
inline constexpr const char* kWriteFailedText = "WriteFile Error.";

enum class CorrectionFileStatus {
    Ok,
    CannotOpen,    // the file cannot be opened for reading
    Damaged,       // not a correction, or one that cannot be run
    CannotCreate,  // the new file cannot be created
    CannotWrite,   // the new file cannot be written whole
};

struct CorrectionFileResult {
    CorrectionFileStatus status = CorrectionFileStatus::Ok;
    // Why, for a person: the system's own text, or what is wrong in the file.
    std::string reason;

    explicit operator bool() const { return status == CorrectionFileStatus::Ok; }
};

// The message the programs show for a failed result (caption "Error").
const char* correctionFileMessage(CorrectionFileStatus status);

// Exclusive-or of every byte from offset 4 on with its key byte plus one;
// applying it twice restores the input.
void scrambleCorrectionImage(std::span<std::uint8_t> image);

// The whole file image of a correction, scrambled.
std::vector<std::uint8_t> encodeCorrectionFile(const engine::CorrectionSet& set);

// Why a correction cannot be run, or an empty text when it can: an output
// gain, centre frequency, quality or section gain that is not finite, a
// centre frequency or quality that is not above zero, or a gain no
// measurement gives (an output gain above +60 dB, a section gain outside
// -0.999 to 999). The design's results always pass.
std::string correctionProblem(const engine::CorrectionSet& set);

// Decodes a whole file image into `set`. Damaged, leaving `set` untouched,
// when the magic is wrong, the section count is outside 0..200, the image is
// shorter than the count requires, or correctionProblem finds a value that
// cannot be run.
CorrectionFileResult decodeCorrectionFile(std::span<const std::uint8_t> image, engine::CorrectionSet& set);

// Reads the file at `path` into `set`. Only a regular file is read (what
// is not one is damaged), and at most kMaxCorrectionFileBytes of it.
CorrectionFileResult loadCorrectionFile(const std::string& path, engine::CorrectionSet& set);

// Writes `set` beside `path` and renames it into place.
CorrectionFileResult saveCorrectionFile(const std::string& path, const engine::CorrectionSet& set);

// What a failed save of a correction file image means, for callers that
// stage the image with other files.
CorrectionFileResult correctionSaveResult(const platform::FileResult& written);

// loadCorrectionFile, showing the message of a failure through `messages`:
// 0 on success, 1 on failure.
int readCorrectionFile(const std::string& path, engine::CorrectionSet& set, platform::Messages& messages);

// saveCorrectionFile, showing the message of a failure through `messages`.
bool writeCorrectionFile(const std::string& path, const engine::CorrectionSet& set, platform::Messages& messages);

}  // namespace kestrava::corrfile

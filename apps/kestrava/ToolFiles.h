// The files of one tool command: refusing an output that is one of the
// inputs (or another output), reading a correction file with the file's
// name and the reason after the programs' own message, and writing every
// output beside its destination first and renaming them into place only
// when all are written. Tool thread only.
#pragma once

#include "apps/kestrava/Tool.h"
#include "corrfile/CorrectionFile.h"
#include "platform/FileAccess.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrava::tool {

// Whether two paths name one file: the same file when both exist (however
// they are spelt or linked), the same absolute path otherwise.
bool sameFile(const std::string& a, const std::string& b);

// A usage error (its exit status) when an output is one of the inputs or
// two outputs are one file; nothing when all differ.
std::optional<int> refuseOverlappingFiles(std::string_view command, const std::vector<std::string>& inputs,
                                          const std::vector<std::string>& outputs, ToolContext& context);

// kExitFailure after telling why when an output's folder does not exist:
// for commands that would otherwise learn it only after a recording.
std::optional<int> refuseMissingFolders(std::string_view command, const std::vector<std::string>& outputs,
                                        ToolContext& context);

// Reads a correction file. On failure shows the programs' message and, on
// the next line, the file and why.
bool readCorrection(std::string_view command, const std::string& path, engine::CorrectionSet& set,
                    ToolContext& context);

// One output's destination and content, before it is written.
struct PendingOutput {
    std::string path;
    std::vector<std::uint8_t> bytes;
};

// The outputs of a command. Nothing at any destination changes until all
// are written beside their destinations; then each is renamed into place.
class OutputFiles {
public:
    OutputFiles(std::string_view command, ToolContext& context) : command_(command), context_(context) {}

    void add(std::string path, std::vector<std::uint8_t> bytes);
    // A correction file: a failure also shows the programs' message.
    void addCorrection(std::string path, const engine::CorrectionSet& set);

    // Writes and renames all; false after telling which files were
    // written and which not, and why.
    bool commit();

    // The files now in place, in the order they were added.
    const std::vector<std::string>& written() const { return written_; }

private:
    struct Output {
        std::string path;
        std::vector<std::uint8_t> bytes;
        bool correction = false;
    };

    void reportFailure(const Output& output, const platform::FileResult& result, const char* what);

    std::string command_;
    ToolContext& context_;
    std::vector<Output> outputs_;
    std::vector<std::string> written_;
};

}  // namespace kestrava::tool

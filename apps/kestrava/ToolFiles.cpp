#include "apps/kestrava/ToolFiles.h"

#include <filesystem>

namespace kestrava::tool {

using platform::FileResult;
using platform::MessageIcon;

namespace fs = std::filesystem;

namespace {

// The absolute path with links, "." and ".." resolved as far as it exists.
fs::path normalised(const std::string& path)
{
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error)
        absolute = path;
    const fs::path resolved = fs::weakly_canonical(absolute, error);
    return error ? absolute.lexically_normal() : resolved;
}

}  // namespace

bool sameFile(const std::string& a, const std::string& b)
{
    if (normalised(a) == normalised(b))
        return true;
    // Two names of one file (a hard link); the library answers only for
    // files and folders, which is where this can happen.
    std::error_code error;
    return fs::exists(a, error) && fs::exists(b, error) && fs::equivalent(a, b, error) && !error;
}

std::optional<int> refuseOverlappingFiles(std::string_view command, const std::vector<std::string>& inputs,
                                          const std::vector<std::string>& outputs, ToolContext& context)
{
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (const std::string& input : inputs) {
            if (sameFile(outputs[i], input))
                return usageError(context, command,
                                  "the output " + outputs[i] + " is the input " + input + "; it would be lost");
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (sameFile(outputs[i], outputs[j]))
                return usageError(context, command,
                                  "two outputs are one file (" + outputs[j] + " and " + outputs[i] + ")");
        }
    }
    return std::nullopt;
}

std::optional<int> refuseMissingFolders(std::string_view command, const std::vector<std::string>& outputs,
                                        ToolContext& context)
{
    for (const std::string& output : outputs) {
        const fs::path folder = fs::path(output).parent_path();
        std::error_code error;
        if (!folder.empty() && !fs::is_directory(folder, error)) {
            context.err << "kestrava " << command << ": cannot write " << output << ": the folder " << folder.string()
                        << " does not exist; nothing was recorded\n";
            return kExitFailure;
        }
    }
    return std::nullopt;
}

bool readCorrection(std::string_view command, const std::string& path, engine::CorrectionSet& set, ToolContext& context)
{
    const corrfile::CorrectionFileResult result = corrfile::loadCorrectionFile(path, set);
    if (result)
        return true;
    StreamMessages(context.err).show(corrfile::correctionFileMessage(result.status), "Error", MessageIcon::Error);
    context.err << "kestrava " << command << ": " << path << ": " << result.reason << '\n';
    return false;
}

void OutputFiles::add(std::string path, std::vector<std::uint8_t> bytes)
{
    outputs_.push_back({std::move(path), std::move(bytes), false});
}

void OutputFiles::addCorrection(std::string path, const engine::CorrectionSet& set)
{
    outputs_.push_back({std::move(path), corrfile::encodeCorrectionFile(set), true});
}

void OutputFiles::reportFailure(const Output& output, const FileResult& result, const char* what)
{
    if (output.correction) {
        const corrfile::CorrectionFileResult saved = corrfile::correctionSaveResult(result);
        StreamMessages(context_.err).show(corrfile::correctionFileMessage(saved.status), "Error", MessageIcon::Error);
    }
    context_.err << "kestrava " << command_ << ": cannot " << what << ' ' << output.path << ": " << result.reason
                 << '\n';
    if (written_.empty()) {
        context_.err << "No file was changed.\n";
        return;
    }
    context_.err << "Written:";
    for (const std::string& path : written_)
        context_.err << ' ' << path;
    context_.err << "; not written:";
    for (std::size_t i = written_.size(); i < outputs_.size(); ++i)
        context_.err << ' ' << outputs_[i].path;
    context_.err << '\n';
}

bool OutputFiles::commit()
{
    std::vector<platform::StagedFile> staged(outputs_.size());
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        if (const FileResult result = staged[i].write(outputs_[i].path, outputs_[i].bytes); !result) {
            reportFailure(outputs_[i], result, "write");
            return false;
        }
    }
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        if (const FileResult result = staged[i].commit(); !result) {
            reportFailure(outputs_[i], result, "replace");
            return false;
        }
        written_.push_back(outputs_[i].path);
    }
    return true;
}

}  // namespace kestrava::tool

#include "platform/FileAccess.h"

#include "platform/FileCalls.h"

#include <algorithm>

namespace kestrava::platform {

FileResult filecalls::readBounded(std::size_t maxBytes, std::vector<std::uint8_t>& bytes, const ReadSome& readSome)
{
    bytes.clear();
    constexpr std::size_t kChunk = 1 << 16;
    while (bytes.size() < maxBytes) {
        const std::size_t had = bytes.size();
        bytes.resize(had + std::min(kChunk, maxBytes - had));
        std::size_t got = 0;
        if (FileResult read = readSome(bytes.data() + had, bytes.size() - had, got); !read) {
            bytes.clear();
            return read;
        }
        bytes.resize(had + got);
        if (got == 0)
            break;
    }
    return {};
}

struct StagedFile::State {
    std::string destination;
    std::string staging;
};

StagedFile::StagedFile() = default;
StagedFile::StagedFile(StagedFile&&) noexcept = default;
StagedFile& StagedFile::operator=(StagedFile&&) noexcept = default;

StagedFile::~StagedFile()
{
    if (state_)
        filecalls::removeFile(state_->staging);
}

FileResult StagedFile::write(const std::string& destination, std::span<const std::uint8_t> bytes)
{
    if (state_) {
        filecalls::removeFile(state_->staging);
        state_.reset();
    }
    std::string resolved;
    if (FileResult checked = filecalls::resolveDestination(destination, resolved); !checked)
        return checked;
    std::string staging = filecalls::stagingName(resolved);
    if (FileResult written = filecalls::writeNewFile(staging, bytes); !written)
        return written;
    state_ = std::make_unique<State>(State{std::move(resolved), std::move(staging)});
    return {};
}

FileResult StagedFile::commit()
{
    if (!state_)
        return {FileError::CannotReplace, "nothing was written"};
    FileResult renamed = filecalls::renameOver(state_->staging, state_->destination);
    if (renamed)
        state_.reset();
    return renamed;
}

FileResult replaceFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    StagedFile file;
    if (FileResult written = file.write(path, bytes); !written)
        return written;
    return file.commit();
}

}  // namespace kestrava::platform

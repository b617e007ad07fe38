#include "platform/FileAccess.h"

#include "platform/FileCalls.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace kestrava::platform {

namespace {

constexpr std::size_t kNameLimit = 255;

// The table of staged files lives in a global: an interrupt handler has no
// other way in. A slot is claimed with a compare-exchange, filled, and only
// then published; the handler reads published slots only. Lock-free atomics
// are safe to read in a signal handler.
constexpr int kStagingSlots = 64;
constexpr std::size_t kStagingPathBytes = 4096;
enum SlotState : int { kFree, kBusy, kPublished };

struct StagingSlot {
    std::atomic<int> state{kFree};
    char path[kStagingPathBytes];
};
static_assert(std::atomic<int>::is_always_lock_free);

StagingSlot stagingSlots[kStagingSlots];

}  // namespace

std::string filecalls::fittedStagingName(const std::string& destination, const std::string& tag,
                                         const char* separators)
{
    const std::size_t nameStart = destination.find_last_of(separators) + 1;
    std::string name = destination.substr(nameStart);
    if (name.size() + tag.size() > kNameLimit) {
        std::size_t keep = kNameLimit > tag.size() ? kNameLimit - tag.size() : 0;
        // Never cut a character of a UTF-8 name in half.
        while (keep > 0 && (static_cast<unsigned char>(name[keep]) & 0xC0) == 0x80)
            --keep;
        name.resize(keep);
    }
    return destination.substr(0, nameStart) + name + tag;
}

int filecalls::rememberStaging(const std::string& path)
{
    if (path.size() >= kStagingPathBytes)
        return -1;
    for (int slot = 0; slot < kStagingSlots; ++slot) {
        int expected = kFree;
        if (stagingSlots[slot].state.compare_exchange_strong(expected, kBusy)) {
            std::memcpy(stagingSlots[slot].path, path.c_str(), path.size() + 1);
            stagingSlots[slot].state.store(kPublished);
            return slot;
        }
    }
    return -1;
}

void filecalls::forgetStaging(int slot)
{
    if (slot >= 0 && slot < kStagingSlots)
        stagingSlots[slot].state.store(kFree);
}

void filecalls::removeRememberedStagings(void (*remove)(const char* path))
{
    for (StagingSlot& slot : stagingSlots) {
        if (slot.state.load() == kPublished)
            remove(slot.path);
    }
}

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
    int slot = -1;

    ~State() { filecalls::forgetStaging(slot); }
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
    auto state = std::make_unique<State>();
    state->destination = std::move(resolved);
    state->staging = filecalls::stagingName(state->destination);
    // Remembered before it exists, so an interrupt at any time finds it.
    state->slot = filecalls::rememberStaging(state->staging);
    if (FileResult written = filecalls::writeNewFile(state->staging, bytes); !written)
        return written;
    state_ = std::move(state);
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

// Windows file calls. An input is looked at before it is opened (a folder
// is never opened) and its handle's type checked before anything is read;
// other readers stay allowed while it is open. An output is replaced with
// MoveFileEx, which renames over the old file in one step.
#include "platform/FileCalls.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <utility>

namespace kestrava::platform {
namespace {

std::string systemText(DWORD code)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string reason = length != 0 && text != nullptr ? std::string(text, length)
                                                        : "system error " + std::to_string(code);
    LocalFree(text);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return reason;
}

FileResult failure(FileError error)
{
    return {error, systemText(GetLastError())};
}

class Handle {
public:
    explicit Handle(HANDLE handle) : handle_(handle) {}
    ~Handle()
    {
        if (valid())
            CloseHandle(handle_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    bool close() { return CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE)) != 0; }

private:
    HANDLE handle_;
};

}  // namespace

FileResult readInput(const std::string& path, std::size_t maxBytes, InputKinds accept,
                     std::vector<std::uint8_t>& bytes)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {FileError::NotAFile, "is a folder, not a file"};
    Handle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return failure(FileError::CannotOpen);
    const DWORD type = GetFileType(file.get());
    if (type != FILE_TYPE_DISK && !(type == FILE_TYPE_PIPE && accept == InputKinds::FileOrPipe))
        return {FileError::NotAFile, type == FILE_TYPE_PIPE ? "is a pipe, not a file" : "is a device, not a file"};

    // A pipe whose writer has closed its end reads as the end of the input.
    return filecalls::readBounded(maxBytes, bytes, [&file](std::uint8_t* into, std::size_t size, std::size_t& got) {
        DWORD count = 0;
        if (!ReadFile(file.get(), into, static_cast<DWORD>(size), &count, nullptr)) {
            if (GetLastError() != ERROR_BROKEN_PIPE)
                return failure(FileError::CannotRead);
            count = 0;
        }
        got = count;
        return FileResult{};
    });
}

namespace {

// Runs on a thread the system starts for the console event; the process
// ends when the last handler has declined it.
BOOL WINAPI removeStagingsOnConsoleEvent(DWORD)
{
    filecalls::removeRememberedStagings([](const char* path) { DeleteFileA(path); });
    return FALSE;
}

}  // namespace

void removeStagedFilesOnInterrupt()
{
    SetConsoleCtrlHandler(&removeStagingsOnConsoleEvent, TRUE);
}

namespace filecalls {

FileResult resolveDestination(const std::string& destination, std::string& resolved)
{
    resolved = destination;
    const DWORD attributes = GetFileAttributesA(destination.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return {FileError::NotAFile, "is a folder, not a file"};
    return {};
}

std::string stagingName(const std::string& destination)
{
    static std::atomic<unsigned> counter{0};
    return fittedStagingName(
        destination, ".part-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(counter++), "/\\");
}

FileResult writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    // Shared for deletion: an interrupt removes the file while it is written.
    Handle file(CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return failure(FileError::CannotCreate);
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        DWORD put = 0;
        const auto ask = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        ok = WriteFile(file.get(), bytes.data() + done, ask, &put, nullptr) != 0 && put != 0;
        done += put;
    }
    ok = ok && FlushFileBuffers(file.get()) != 0;
    if (!ok) {
        FileResult failed = failure(FileError::CannotWrite);
        file.close();
        DeleteFileA(path.c_str());
        return failed;
    }
    if (!file.close()) {
        FileResult failed = failure(FileError::CannotWrite);
        DeleteFileA(path.c_str());
        return failed;
    }
    return {};
}

FileResult renameOver(const std::string& from, const std::string& to)
{
    if (!MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return failure(FileError::CannotReplace);
    return {};
}

void removeFile(const std::string& path)
{
    DeleteFileA(path.c_str());
}

}  // namespace filecalls
}  // namespace kestrava::platform

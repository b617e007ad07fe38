// POSIX file calls. Inputs are looked at before they are opened and opened
// without waiting (a device or a pipe nobody writes to would otherwise hold
// the caller); only an accepted pipe is opened to wait for its writer.
#include "platform/FileCalls.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace kestrava::platform {
namespace {

FileResult failure(FileError error)
{
    return {error, std::strerror(errno)};
}

const char* kindText(mode_t mode)
{
    if (S_ISDIR(mode))
        return "is a directory, not a file";
    if (S_ISFIFO(mode))
        return "is a pipe, not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "is a device, not a file";
    return "is not a regular file";
}

bool accepted(mode_t mode, InputKinds accept)
{
    return S_ISREG(mode) || (accept == InputKinds::FileOrPipe && S_ISFIFO(mode));
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

}  // namespace

FileResult readInput(const std::string& path, std::size_t maxBytes, InputKinds accept,
                     std::vector<std::uint8_t>& bytes)
{
    struct stat before {};
    if (::stat(path.c_str(), &before) != 0)
        return failure(FileError::CannotOpen);
    if (!accepted(before.st_mode, accept))
        return {FileError::NotAFile, kindText(before.st_mode)};

    // A pipe is opened to wait for its writer; anything else must not wait.
    const int wait = S_ISFIFO(before.st_mode) ? 0 : O_NONBLOCK;
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | wait));
    if (fd.get() < 0)
        return failure(FileError::CannotOpen);
    struct stat opened {};
    if (::fstat(fd.get(), &opened) != 0)
        return failure(FileError::CannotOpen);
    if (!accepted(opened.st_mode, accept) || (opened.st_mode & S_IFMT) != (before.st_mode & S_IFMT))
        return {FileError::NotAFile, kindText(opened.st_mode)};

    bytes.clear();
    if (S_ISREG(opened.st_mode) && opened.st_size > 0)
        bytes.reserve(std::min<std::size_t>(maxBytes, static_cast<std::size_t>(opened.st_size)));
    return filecalls::readBounded(maxBytes, bytes, [&fd](std::uint8_t* into, std::size_t size, std::size_t& got) {
        ssize_t count = 0;
        do
            count = ::read(fd.get(), into, size);
        while (count < 0 && errno == EINTR);
        if (count < 0)
            return failure(FileError::CannotRead);
        got = static_cast<std::size_t>(count);
        return FileResult{};
    });
}

namespace {

void removeStagingsAndEnd(int signal)
{
    filecalls::removeRememberedStagings([](const char* path) { ::unlink(path); });
    // With the default action back, the signal ends the process as soon as
    // this handler returns.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

}  // namespace

void removeStagedFilesOnInterrupt()
{
    struct sigaction action {};
    action.sa_handler = &removeStagingsAndEnd;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM}) {
        struct sigaction previous {};
        ::sigaction(signal, &action, &previous);
        // A signal the caller's shell ignores (a background job) stays ignored.
        if (previous.sa_handler == SIG_IGN)
            ::sigaction(signal, &previous, nullptr);
    }
}

namespace filecalls {

FileResult resolveDestination(const std::string& destination, std::string& resolved)
{
    resolved = destination;
    struct stat link {};
    if (::lstat(destination.c_str(), &link) != 0)
        return {};
    if (S_ISLNK(link.st_mode)) {
        char target[PATH_MAX];
        if (::realpath(destination.c_str(), target) != nullptr)
            resolved = target;
    }
    struct stat existing {};
    if (::stat(resolved.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))
        return {FileError::NotAFile, kindText(existing.st_mode)};
    return {};
}

std::string stagingName(const std::string& destination)
{
    static std::atomic<unsigned> counter{0};
    return fittedStagingName(destination, ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++),
                             "/");
}

FileResult writeNewFile(const std::string& path, std::span<const std::uint8_t> bytes)
{
    Descriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666));
    if (fd.get() < 0)
        return failure(FileError::CannotCreate);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            FileResult failed = failure(FileError::CannotWrite);
            ::unlink(path.c_str());
            return failed;
        }
        done += static_cast<std::size_t>(put);
    }
    if (::fsync(fd.get()) != 0 || ::close(fd.release()) != 0) {
        FileResult failed = failure(FileError::CannotWrite);
        ::unlink(path.c_str());
        return failed;
    }
    return {};
}

FileResult renameOver(const std::string& from, const std::string& to)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        return failure(FileError::CannotReplace);
    return {};
}

void removeFile(const std::string& path)
{
    ::unlink(path.c_str());
}

}  // namespace filecalls
}  // namespace kestrava::platform

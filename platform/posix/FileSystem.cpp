#include "FileSystem.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#ifdef __APPLE__
#include <cstdint>
#include <mach-o/dyld.h>
#endif

namespace lumo {
namespace {

// A descriptor that is closed on every path out of a copy.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor()
    {
        if (fd_ != -1)
            ::close(fd_);
    }

    int get() const { return fd_; }
    bool isValid() const { return fd_ != -1; }

    // The destination's close is checked: some file systems report lost writes only here.
    bool closeChecked()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

Descriptor openRetrying(const std::string &path, int flags, mode_t mode = 0)
{
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd == -1 && errno == EINTR);
    return Descriptor(fd);
}

template <typename Call>
bool retryingCall(Call call)
{
    int result = -1;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result == 0;
}

bool isRegularFile(int fd, struct stat &status)
{
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

bool writeAll(int fd, const char *data, std::size_t count)
{
    while (count > 0) {
        const ssize_t put = ::write(fd, data, count);
        if (put == -1 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        data += put;
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

bool copyContents(int from, int to)
{
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        const ssize_t got = ::read(from, chunk.data(), chunk.size());
        if (got == -1 && errno == EINTR)
            continue;
        if (got == -1)
            return false;
        if (got == 0)
            return true;
        if (!writeAll(to, chunk.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

// A new or replaced name reaches the disk only with its folder's entry.
bool syncFolderOf(const std::string &path)
{
    const std::string folder = std::filesystem::path(fullPath(path)).parent_path().string();
    Descriptor dir = openRetrying(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!dir.isValid())
        return false;
    if (retryingCall([&] { return ::fsync(dir.get()); }))
        return true;
    // Some file systems cannot sync a folder at all and say so with EINVAL; their entries
    // are as durable as they will get.
    return errno == EINVAL;
}

} // namespace

bool isExistingFile(const std::string &path)
{
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

std::string fullPath(const std::string &path)
{
    if (path.empty())
        return path;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    // Without a current folder (it was removed) the path is named as given: a message
    // about the file is still worth more than a second error.
    if (error)
        return std::filesystem::path(path).lexically_normal().string();
    return absolute.lexically_normal().string();
}

bool copyFileOver(const std::string &source, const std::string &destination)
{
    // O_NONBLOCK keeps a FIFO on either side from hanging the copy; regular files ignore it.
    const Descriptor in = openRetrying(source, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat sourceStatus {};
    if (!in.isValid() || !isRegularFile(in.get(), sourceStatus))
        return false;
    // A source held exclusively by another open is in use, as Windows would find it.
    if (!retryingCall([&] { return ::flock(in.get(), LOCK_SH | LOCK_NB); }))
        return false;

    // Not O_TRUNC: the destination is emptied only once it is known to be free. The
    // exclusive lock also fails when both names lead to the source itself, which
    // truncating would destroy.
    Descriptor out = openRetrying(destination, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NONBLOCK, 0600);
    struct stat destinationStatus {};
    if (!out.isValid() || !isRegularFile(out.get(), destinationStatus))
        return false;
    if (!retryingCall([&] { return ::flock(out.get(), LOCK_EX | LOCK_NB); }))
        return false;
    if (!retryingCall([&] { return ::ftruncate(out.get(), 0); }))
        return false;

    if (!copyContents(in.get(), out.get()))
        return false;
    if (::fchmod(out.get(), sourceStatus.st_mode & 0777) != 0)
        return false;
    if (!retryingCall([&] { return ::fsync(out.get()); }))
        return false;
    if (!out.closeChecked())
        return false;
    return syncFolderOf(destination);
}

std::string_view folderSeparators()
{
    return "/";
}

std::string programPath()
{
#ifdef __APPLE__
    std::uint32_t size = 0;
    _NSGetExecutablePath(nullptr, &size);
    std::string path(size, '\0');
    if (_NSGetExecutablePath(path.data(), &size) != 0)
        throw std::system_error(ENOENT, std::generic_category(), "Cannot find the program file");
    path.resize(path.find('\0'));
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    if (error)
        throw std::system_error(error, "Cannot find the program file");
    return resolved.string();
#else
#if defined(__linux__)
    const char *const link = "/proc/self/exe";
#elif defined(__NetBSD__)
    const char *const link = "/proc/curproc/exe";
#else
    const char *const link = "/proc/curproc/file";
#endif
    std::string path(256, '\0');
    for (;;) {
        const ssize_t length = ::readlink(link, path.data(), path.size());
        if (length == -1)
            throw std::system_error(errno, std::generic_category(), "Cannot find the program file");
        if (static_cast<std::size_t>(length) < path.size()) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
        path.resize(path.size() * 2);
    }
#endif
}

} // namespace lumo

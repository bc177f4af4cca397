#include "FileSystem.h"

#include "Descriptor.h"
#include "ReplacementFile.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <vector>

#ifdef __APPLE__
#include <mach-o/dyld.h>
#endif

namespace lumo {
namespace {

using posix::Descriptor;
using posix::openRetrying;
using posix::retryingCall;

bool isRegularFile(int fd, struct stat &status)
{
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

bool copyContents(int from, ReplacementFile &to)
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
        if (!to.write(chunk.data(), static_cast<std::size_t>(got)))
            return false;
    }
}

// What stands at the backup's name is replaced as a name, never written into. A rename
// would replace a read-only or busy file quietly, where a copy over it is refused, so
// those refusals are checked first.
// - Nothing there, or a link (to anything, or dangling): it may be replaced; what a link
//   leads to stays as it is.
// - A regular file: only one that this process may write, and that no other open holds
//   (BinaryFile's shares are flock locks). held keeps the lock until the replacement is in
//   place, and also refuses a backup name that is the source itself.
// - A folder, FIFO, device or socket: refused and left alone. Someone put it there on
//   purpose, and nothing is ever opened on it, so nothing can block.
bool mayReplaceBackup(const std::string &destination, Descriptor &held)
{
    struct stat named {};
    if (::lstat(destination.c_str(), &named) != 0)
        return errno == ENOENT;
    if (S_ISLNK(named.st_mode))
        return true;
    if (!S_ISREG(named.st_mode))
        return false;
    // O_NONBLOCK and the check of what was opened cover a FIFO put there since the lstat.
    held = openRetrying(destination, O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened {};
    if (!held.isValid() || !isRegularFile(held.get(), opened) || opened.st_ino != named.st_ino
        || opened.st_dev != named.st_dev)
        return false;
    return retryingCall([&] { return ::flock(held.get(), LOCK_EX | LOCK_NB); });
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
    // O_NONBLOCK keeps a FIFO named as the source from hanging the copy; regular files ignore it.
    const Descriptor in = openRetrying(source, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat sourceStatus {};
    if (!in.isValid() || !isRegularFile(in.get(), sourceStatus))
        return false;
    // A source held exclusively by another open is in use, as Windows would find it.
    if (!retryingCall([&] { return ::flock(in.get(), LOCK_SH | LOCK_NB); }))
        return false;

    Descriptor held;
    if (!mayReplaceBackup(destination, held))
        return false;
    ReplacementFile copy(destination, FilePermissions{static_cast<std::uint32_t>(sourceStatus.st_mode & 0777)});
    return copy.isOpen() && copyContents(in.get(), copy) && copy.commit();
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

std::string_view pathSeparators()
{
    return "/";
}

} // namespace lumo

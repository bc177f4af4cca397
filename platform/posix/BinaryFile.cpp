#include "BinaryFile.h"

#include "FileErrors.h"
#include "FileSystem.h"
#include "OpenErrorText.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

static_assert(sizeof(off_t) >= sizeof(std::int64_t), "images need 64-bit file offsets");

namespace lumo {
namespace {

constexpr std::intptr_t closedHandle = -1;

// Windows refuses a conflicting share mode with these words; the operator reads the same
// message on every system.
constexpr const char *sharingViolation =
    "The process cannot access the file because it is being used by another process";

int descriptorOf(std::intptr_t handle)
{
    return static_cast<int>(handle);
}

[[noreturn]] void throwOpenError(const std::string &path, const std::string &reason)
{
    throw FileOpenError(openErrorText(fullPath(path), reason));
}

// What a file that is not a regular file is, in the words of the open error; empty for a
// regular file. Only regular files hold images: a device reads as endless bytes, a FIFO as
// whatever another program sends, and a write to either is lost.
std::string notRegularFileReason(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return std::strerror(EISDIR);
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "Is a device, not a regular file";
    if (S_ISFIFO(mode))
        return "Is a named pipe (FIFO), not a regular file";
    if (S_ISSOCK(mode))
        return "Is a socket, not a regular file";
    return "Is not a regular file";
}

// open() refuses a socket with ENXIO, "No such device or address", which would send the
// operator looking for a missing file; the reason names what is there instead.
std::string reasonOpenFailed(const std::string &path, int error)
{
    struct stat status {};
    if (error == ENXIO && ::stat(path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode))
        return notRegularFileReason(status.st_mode);
    return std::strerror(error);
}

int openExisting(const std::string &path, FileAccess access)
{
    // Never O_CREAT or O_TRUNC: only an existing file is opened, and it is left as it is.
    // O_NONBLOCK keeps a FIFO named as an image from hanging the open until refuseNonRegular
    // turns it away; regular files ignore it.
    const int flags = (access == FileAccess::ReadWrite ? O_RDWR : O_RDONLY) | O_CLOEXEC | O_NOCTTY | O_NONBLOCK;
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags);
    } while (fd == -1 && errno == EINTR);
    if (fd == -1)
        throwOpenError(path, reasonOpenFailed(path, errno));
    return fd;
}

// Links are followed: fstat describes the file that was opened, whatever name led to it.
void refuseNonRegular(int fd, const std::string &path)
{
    struct stat status {};
    std::string reason;
    if (::fstat(fd, &status) == -1)
        reason = std::strerror(errno);
    else
        reason = notRegularFileReason(status.st_mode);
    if (!reason.empty()) {
        ::close(fd);
        throwOpenError(path, reason);
    }
}

// flock locks belong to the open file description, so a second open of the same file
// conflicts with the first even inside one process, as Windows share modes do.
void lockForSharing(int fd, const std::string &path, FileShare share)
{
    const int operation = (share == FileShare::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    int result = -1;
    do {
        result = ::flock(fd, operation);
    } while (result == -1 && errno == EINTR);
    if (result == -1) {
        const int error = errno;
        ::close(fd);
        throwOpenError(path, error == EWOULDBLOCK ? sharingViolation : std::strerror(error));
    }
}

} // namespace

BinaryFile BinaryFile::open(const std::string &path, FileAccess access, FileShare share)
{
    const int fd = openExisting(path, access);
    refuseNonRegular(fd, path);
    lockForSharing(fd, path, share);
    return BinaryFile(fd);
}

BinaryFile::BinaryFile(std::intptr_t handle) : handle_(handle) {}

BinaryFile::BinaryFile(BinaryFile &&other) noexcept : handle_(other.handle_)
{
    other.handle_ = closedHandle;
}

BinaryFile &BinaryFile::operator=(BinaryFile &&other) noexcept
{
    if (this != &other) {
        if (isOpen())
            ::close(descriptorOf(handle_));
        handle_ = other.handle_;
        other.handle_ = closedHandle;
    }
    return *this;
}

BinaryFile::~BinaryFile()
{
    if (isOpen())
        ::close(descriptorOf(handle_));
}

std::int64_t BinaryFile::size() const
{
    struct stat status {};
    if (::fstat(descriptorOf(handle_), &status) == -1)
        throw StreamReadError();
    return status.st_size;
}

void BinaryFile::seek(std::int64_t offset)
{
    if (::lseek(descriptorOf(handle_), static_cast<off_t>(offset), SEEK_SET) == -1)
        throw StreamReadError();
}

std::uint8_t BinaryFile::readByte()
{
    std::uint8_t value = 0;
    read(&value, 1);
    return value;
}

void BinaryFile::read(std::uint8_t *buffer, std::int64_t count)
{
    if (count < 0)
        throw std::invalid_argument("a negative number of bytes cannot be read");
    while (count > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count, SSIZE_MAX));
        const ssize_t got = ::read(descriptorOf(handle_), buffer, chunk);
        if (got == -1 && errno == EINTR)
            continue;
        if (got <= 0)
            throw StreamReadError();
        buffer += got;
        count -= got;
    }
}

void BinaryFile::writeByte(std::uint8_t value)
{
    for (;;) {
        const ssize_t put = ::write(descriptorOf(handle_), &value, 1);
        if (put == 1)
            return;
        if (put == -1 && errno == EINTR)
            continue;
        throw StreamWriteError();
    }
}

void BinaryFile::writeAt(std::int64_t offset, const std::uint8_t *data, std::int64_t count)
{
    if (count < 0 || offset < 0)
        throw std::invalid_argument("a negative offset or number of bytes cannot be written");
    // A short write means the rest did not fit; the next call says why, or writes the rest
    // when a signal cut the first one short.
    while (count > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::int64_t>(count, SSIZE_MAX));
        const ssize_t put = ::pwrite(descriptorOf(handle_), data, chunk, static_cast<off_t>(offset));
        if (put == -1 && errno == EINTR)
            continue;
        if (put <= 0)
            throw StreamWriteError();
        data += put;
        offset += put;
        count -= put;
    }
}

void BinaryFile::flush()
{
    int result = -1;
    do {
        result = ::fsync(descriptorOf(handle_));
    } while (result == -1 && errno == EINTR);
    if (result == -1)
        throw StreamWriteError();
}

void BinaryFile::close()
{
    if (!isOpen())
        return;
    const int fd = descriptorOf(handle_);
    handle_ = closedHandle;
    // Never retried: Linux has released the descriptor even when close reports EINTR, and
    // an interrupted close may have lost the last writes, so it counts as a failure too.
    if (::close(fd) == -1)
        throw StreamWriteError();
}

bool BinaryFile::isOpen() const
{
    return handle_ != closedHandle;
}

} // namespace lumo

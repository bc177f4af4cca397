#include "FileLock.h"

#include "Descriptor.h"

#include <sys/file.h>
#include <sys/stat.h>
#include <thread>

namespace lumo {
namespace {

constexpr std::chrono::milliseconds pollInterval{5};

} // namespace

std::optional<FileLock> FileLock::acquire(const std::string &lockPath, std::chrono::milliseconds wait)
{
    // Read access is enough for flock, so a lock file that another user made still serves.
    // O_NOFOLLOW and O_NONBLOCK: a link, or a FIFO, at the name is refused, not waited on.
    posix::Descriptor fd =
        posix::openRetrying(lockPath, O_RDONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    struct stat status {};
    if (!fd.isValid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    // A blocking flock could not be given up after a time, so a non-blocking one is tried
    // again until the wait runs out.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (posix::retryingCall([&] { return ::flock(fd.get(), LOCK_EX | LOCK_NB); }))
            return FileLock(fd.release());
        if (errno != EWOULDBLOCK || std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(pollInterval);
    }
}

FileLock::FileLock(std::intptr_t handle) : handle_(handle) {}

FileLock::FileLock(FileLock &&other) noexcept : handle_(other.handle_)
{
    other.handle_ = -1;
}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        handle_ = other.handle_;
        other.handle_ = -1;
    }
    return *this;
}

FileLock::~FileLock()
{
    release();
}

// Closing the only descriptor of the open file releases its flock.
void FileLock::release()
{
    if (handle_ != -1)
        ::close(static_cast<int>(handle_));
    handle_ = -1;
}

} // namespace lumo

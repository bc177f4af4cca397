#pragma once

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <string>
#include <sys/types.h>
#include <unistd.h>

namespace lumo::posix {

// A descriptor that is closed on every path out of the function that opened it.
class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    Descriptor(Descriptor &&other) noexcept : fd_(other.release()) {}
    Descriptor &operator=(Descriptor &&other) noexcept
    {
        if (this != &other) {
            reset();
            fd_ = other.release();
        }
        return *this;
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor() { reset(); }

    int get() const { return fd_; }
    bool isValid() const { return fd_ != -1; }
    int release()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

    // Checked where a file was written: some file systems report lost writes only here.
    // Never retried: Linux has released the descriptor even when close reports EINTR.
    bool closeChecked() { return ::close(release()) == 0; }

private:
    void reset()
    {
        if (fd_ != -1)
            ::close(release());
    }

    int fd_ = -1;
};

// Runs a call that reports failure as -1 again for as long as a signal interrupts it.
template <typename Call>
bool retryingCall(Call call)
{
    int result = -1;
    do {
        result = call();
    } while (result == -1 && errno == EINTR);
    return result == 0;
}

inline Descriptor openRetrying(const std::string &path, int flags, mode_t mode = 0)
{
    int fd = -1;
    do {
        fd = ::open(path.c_str(), flags, mode);
    } while (fd == -1 && errno == EINTR);
    return Descriptor(fd);
}

// False when not every byte was written, for instance past a file size limit (EFBIG).
inline bool writeAll(int fd, const void *data, std::size_t count)
{
    const char *bytes = static_cast<const char *>(data);
    while (count > 0) {
        const ssize_t put = ::write(fd, bytes, count);
        if (put == -1 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        bytes += put;
        count -= static_cast<std::size_t>(put);
    }
    return true;
}

} // namespace lumo::posix

#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace lumo {

// An exclusive lock that one process at a time holds on a lock file, to read, change and
// write a shared file without losing another process's change. It is released when the
// object goes; the lock file itself stays, since removing it would race with a process
// that has just opened it.
class FileLock {
public:
    // Takes the lock, creating the lock file when missing, and tries again for up to wait
    // while another process holds it. Nothing when the wait ran out, or when the lock file
    // cannot be made or is not a regular file (a link, a folder or a FIFO at its name).
    static std::optional<FileLock> acquire(const std::string &lockPath, std::chrono::milliseconds wait);

    FileLock(FileLock &&other) noexcept;
    FileLock &operator=(FileLock &&other) noexcept;
    FileLock(const FileLock &) = delete;
    FileLock &operator=(const FileLock &) = delete;
    ~FileLock();

private:
    explicit FileLock(std::intptr_t handle);
    void release();

    std::intptr_t handle_;
};

} // namespace lumo

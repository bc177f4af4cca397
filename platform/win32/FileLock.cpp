#include "FileLock.h"

#include "Handle.h"
#include "WideText.h"

#include <thread>
#include <windows.h>

namespace lumo {
namespace {

constexpr std::chrono::milliseconds pollInterval{5};

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

const std::intptr_t closedHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);

bool lockFirstByte(HANDLE file)
{
    OVERLAPPED at {};
    return LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at) != 0;
}

} // namespace

std::optional<FileLock> FileLock::acquire(const std::string &lockPath, std::chrono::milliseconds wait)
{
    // Read access is enough for LockFileEx, so a read-only lock file still serves. The
    // handle shares everything: the byte lock, not a share mode, keeps the other out.
    win32::Handle file(CreateFileW(toWide(lockPath).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!win32::isDiskFile(file))
        return std::nullopt;
    // A waiting LockFileEx could not be given up after a time, so an immediate one is tried
    // again until the wait runs out.
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (lockFirstByte(file.get()))
            return FileLock(reinterpret_cast<std::intptr_t>(file.release()));
        if (GetLastError() != ERROR_LOCK_VIOLATION || std::chrono::steady_clock::now() >= deadline)
            return std::nullopt;
        std::this_thread::sleep_for(pollInterval);
    }
}

FileLock::FileLock(std::intptr_t handle) : handle_(handle) {}

FileLock::FileLock(FileLock &&other) noexcept : handle_(other.handle_)
{
    other.handle_ = closedHandle;
}

FileLock &FileLock::operator=(FileLock &&other) noexcept
{
    if (this != &other) {
        release();
        handle_ = other.handle_;
        other.handle_ = closedHandle;
    }
    return *this;
}

FileLock::~FileLock()
{
    release();
}

// Unlocked before the close: the system releases a closed handle's locks only in its
// own time.
void FileLock::release()
{
    if (handle_ == closedHandle)
        return;
    OVERLAPPED at {};
    UnlockFileEx(handleOf(handle_), 0, 1, 0, &at);
    CloseHandle(handleOf(handle_));
    handle_ = closedHandle;
}

} // namespace lumo

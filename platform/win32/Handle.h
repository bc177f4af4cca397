#pragma once

#include <windows.h>

namespace lumo::win32 {

// A file handle that is closed on every path out of the function that opened it.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(Handle &&other) noexcept : handle_(other.release()) {}
    Handle &operator=(Handle &&other) noexcept
    {
        if (this != &other) {
            reset();
            handle_ = other.release();
        }
        return *this;
    }
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle() { reset(); }

    HANDLE get() const { return handle_; }
    bool isValid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE release()
    {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    // Checked where a file was written: a lost write may be reported only here.
    bool closeChecked() { return CloseHandle(release()) != 0; }

private:
    void reset()
    {
        if (isValid())
            CloseHandle(release());
    }

    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A handle on a file on a disk, not a console, pipe or device; a folder is refused by the
// open itself, as CreateFileW opens none without FILE_FLAG_BACKUP_SEMANTICS.
inline bool isDiskFile(const Handle &handle)
{
    return handle.isValid() && GetFileType(handle.get()) == FILE_TYPE_DISK;
}

} // namespace lumo::win32

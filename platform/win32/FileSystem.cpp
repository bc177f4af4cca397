#include "FileSystem.h"

#include "WideText.h"

#include <system_error>
#include <windows.h>

namespace lumo {
namespace {

bool flushToDisk(const std::wstring &path)
{
    const HANDLE handle =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool flushed = FlushFileBuffers(handle) != 0;
    const bool closed = CloseHandle(handle) != 0;
    return flushed && closed;
}

} // namespace

bool isExistingFile(const std::string &path)
{
    const std::wstring wide = toWide(path);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    // The attributes describe a link itself; what it leads to, if anything, decides. An open
    // that asks for no access follows the link and is refused by no other program's sharing;
    // backup semantics let it open a folder too.
    const HANDLE handle = CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information {};
    const bool known = GetFileInformationByHandle(handle, &information) != 0;
    CloseHandle(handle);
    return known && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string fullPath(const std::string &path)
{
    if (path.empty())
        return path;
    const std::wstring wide = toWide(path);
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    std::wstring full(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    // A name the system cannot expand is named as given: a message about the file is
    // still worth more than a second error.
    if (length == 0 || length >= needed)
        return path;
    full.resize(length);
    return toUtf8(full);
}

bool copyFileOver(const std::string &source, const std::string &destination)
{
    const std::wstring to = toWide(destination);
    if (!CopyFileW(toWide(source).c_str(), to.c_str(), FALSE))
        return false;
    // The copy carries the source's read-only attribute, and a read-only file cannot be
    // opened for the write access that flushing needs; the attribute is put back after.
    const DWORD attributes = GetFileAttributesW(to.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    const bool readOnly = (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (readOnly) {
        const DWORD writable = attributes & ~FILE_ATTRIBUTE_READONLY;
        if (!SetFileAttributesW(to.c_str(), writable == 0 ? FILE_ATTRIBUTE_NORMAL : writable))
            return false;
    }
    const bool flushed = flushToDisk(to);
    if (readOnly && !SetFileAttributesW(to.c_str(), attributes))
        return false;
    return flushed;
}

std::string_view folderSeparators()
{
    return "\\/:";
}

std::string programPath()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            throw std::system_error(static_cast<int>(GetLastError()), std::system_category(),
                                    "Cannot find the program file");
        if (length < path.size()) {
            path.resize(length);
            return toUtf8(path);
        }
        path.resize(path.size() * 2);
    }
}

} // namespace lumo

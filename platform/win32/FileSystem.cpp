#include "FileSystem.h"

#include "Handle.h"
#include "ReplacementFile.h"
#include "WideText.h"

#include <system_error>
#include <vector>
#include <windows.h>

namespace lumo {
namespace {

using win32::Handle;
using win32::isDiskFile;

bool copyContents(const Handle &from, ReplacementFile &to)
{
    std::vector<char> chunk(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        if (!to.write(chunk.data(), got))
            return false;
    }
}

// What stands at the backup's name is replaced as a name, never written into. The rename
// itself refuses most of what a copy over it would refuse, but not a file that another
// program holds with delete sharing, so the refusals are checked before the copy is made.
// - Nothing there, or a link: it may be replaced; what a link leads to stays as it is.
// - A file: only one that is not read-only and that no other handle holds open, in this
//   program or another; the check opens it unshared, which also refuses the source itself.
//   The check's handle is closed again before the rename, which it would block.
// - A folder: refused and left alone.
bool mayReplaceBackup(const std::wstring &destination)
{
    const DWORD attributes = GetFileAttributesW(destination.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return true;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    const Handle held(CreateFileW(destination.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    return isDiskFile(held);
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
    const Handle target(CreateFileW(wide.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information {};
    return target.isValid() && GetFileInformationByHandle(target.get(), &information) != 0
        && (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
    // Shared for reading only: a source that another program holds for writing, or
    // unshared, is in use.
    const Handle in(CreateFileW(toWide(source).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    BY_HANDLE_FILE_INFORMATION sourceInformation {};
    if (!isDiskFile(in) || !GetFileInformationByHandle(in.get(), &sourceInformation))
        return false;
    if (!mayReplaceBackup(toWide(destination)))
        return false;
    ReplacementFile copy(destination, FilePermissions{sourceInformation.dwFileAttributes & FILE_ATTRIBUTE_READONLY});
    return copy.isOpen() && copyContents(in, copy) && copy.commit();
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

std::string_view pathSeparators()
{
    return "\\/:";
}

} // namespace lumo

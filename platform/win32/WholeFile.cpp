#include "WholeFile.h"

#include "Handle.h"
#include "ReplacementFile.h"
#include "WideText.h"

#include <windows.h>

namespace lumo {
namespace {

using win32::Handle;
using win32::isDiskFile;

// Every other program may go on reading, writing, renaming or replacing the file while it
// is read here: the read holds it for no one.
constexpr DWORD shareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The file that path leads to, through links; the name itself where nothing is there yet.
// A dangling link is then replaced itself.
std::wstring finalName(const std::wstring &path)
{
    const Handle file(CreateFileW(path.c_str(), 0, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.isValid())
        return path;
    std::wstring name(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFinalPathNameByHandleW(file.get(), name.data(), static_cast<DWORD>(name.size()), FILE_NAME_NORMALIZED);
        if (length == 0)
            return path;
        if (length < name.size()) {
            name.resize(length);
            return name;
        }
        name.resize(length);
    }
}

// Nothing there, or a file that may be written; its read-only attribute is refused, as
// the private-profile service refuses to write it.
bool mayReplace(const std::wstring &name)
{
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
    }
    if ((attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        return false;
    // Opening for writing asks the system whether this program may write it and whether
    // another holds it unshared; nothing is written through it.
    const Handle probe(
        CreateFileW(name.c_str(), GENERIC_WRITE, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return isDiskFile(probe);
}

} // namespace

std::optional<std::string> readWholeFile(const std::string &path, std::size_t maxSize)
{
    const Handle file(
        CreateFileW(toWide(path).c_str(), GENERIC_READ, shareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size {};
    if (!isDiskFile(file) || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0
        || static_cast<unsigned long long>(size.QuadPart) > maxSize)
        return std::nullopt;
    // Read to the end, even where the file grew since its size was taken, but never past
    // the limit.
    std::string text;
    char chunk[16 * 1024];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr))
            return std::nullopt;
        if (got == 0)
            return text;
        if (got > maxSize - text.size())
            return std::nullopt;
        text.append(chunk, got);
    }
}

bool mayReplaceFile(const std::string &path)
{
    return mayReplace(finalName(toWide(path)));
}

bool replaceWholeFile(const std::string &path, const std::string &text)
{
    const std::wstring name = finalName(toWide(path));
    if (!mayReplace(name))
        return false;
    // A file that may be replaced is not read-only, and neither is the new one.
    ReplacementFile file(toUtf8(name), std::nullopt);
    return file.isOpen() && file.write(text.data(), text.size()) && file.commit();
}

} // namespace lumo

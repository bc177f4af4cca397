#include "SymbolicLink.h"

#include "TempFolder.h"

#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace lumo::test {

bool makeSymbolicLink(const std::string &target, const std::string &link, LinkTo kind)
{
#ifdef _WIN32
    // libstdc++ makes no links on Windows, so the system is asked directly.
    DWORD flags = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
    if (kind == LinkTo::Folder)
        flags |= SYMBOLIC_LINK_FLAG_DIRECTORY;
    const std::wstring from = pathOf(link).wstring();
    const std::wstring to = pathOf(target).wstring();
    bool made = CreateSymbolicLinkW(from.c_str(), to.c_str(), flags) != 0;
    // Windows before developer mode knew no flag for unprivileged links and refuses it.
    if (!made && GetLastError() == ERROR_INVALID_PARAMETER)
        made = CreateSymbolicLinkW(from.c_str(), to.c_str(), flags & ~SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
    // Wine 8 reports success and makes nothing.
    const DWORD attributes = GetFileAttributesW(from.c_str());
    return made && attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
#else
    if (kind == LinkTo::Folder)
        std::filesystem::create_directory_symlink(pathOf(target), pathOf(link));
    else
        std::filesystem::create_symlink(pathOf(target), pathOf(link));
    return true;
#endif
}

} // namespace lumo::test

#include "WholeFile.h"

#include "Descriptor.h"
#include "ReplacementFile.h"

#include <cstdint>
#include <filesystem>
#include <sys/stat.h>

namespace lumo {
namespace {

using posix::Descriptor;
using posix::openRetrying;

// As many links as the system itself follows before it gives up with ELOOP.
constexpr int linksFollowed = 40;

// The name that the links at path lead to, followed even where the last one dangles;
// nothing for a loop of links or a link that cannot be read.
std::optional<std::string> finalName(const std::string &path)
{
    std::filesystem::path name = path;
    for (int followed = 0; followed <= linksFollowed; ++followed) {
        std::error_code error;
        const std::filesystem::file_status status = std::filesystem::symlink_status(name, error);
        if (!std::filesystem::is_symlink(status))
            return name.string();
        const std::filesystem::path target = std::filesystem::read_symlink(name, error);
        if (error)
            return std::nullopt;
        name = target.is_absolute() ? target : name.parent_path() / target;
    }
    return std::nullopt;
}

// Nothing there, or a regular file that may be written; its permissions for the new file.
bool mayReplace(const std::string &name, std::optional<FilePermissions> &permissions)
{
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0)
        return errno == ENOENT;
    if (!S_ISREG(status.st_mode))
        return false;
    // Opening for writing asks the system itself, as the writer it is, whether the file may
    // be written; nothing is written through it. O_NONBLOCK covers a FIFO put there since.
    const Descriptor probe = openRetrying(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat opened {};
    if (!probe.isValid() || ::fstat(probe.get(), &opened) != 0 || !S_ISREG(opened.st_mode))
        return false;
    permissions = FilePermissions{static_cast<std::uint32_t>(opened.st_mode & 0777)};
    return true;
}

} // namespace

std::optional<std::string> readWholeFile(const std::string &path, std::size_t maxSize)
{
    // O_NONBLOCK: opening a FIFO that has no writer would otherwise wait for one for ever.
    const Descriptor fd = openRetrying(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat status {};
    if (!fd.isValid() || ::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    if (status.st_size < 0 || static_cast<std::uintmax_t>(status.st_size) > maxSize)
        return std::nullopt;
    // Read to the end, even where the file grew since fstat, but never past the limit.
    std::string text;
    char chunk[16 * 1024];
    for (;;) {
        const ssize_t got = ::read(fd.get(), chunk, sizeof chunk);
        if (got == -1 && errno == EINTR)
            continue;
        if (got == -1)
            return std::nullopt;
        if (got == 0)
            return text;
        if (static_cast<std::size_t>(got) > maxSize - text.size())
            return std::nullopt;
        text.append(chunk, static_cast<std::size_t>(got));
    }
}

bool mayReplaceFile(const std::string &path)
{
    const std::optional<std::string> name = finalName(path);
    std::optional<FilePermissions> permissions;
    return name && mayReplace(*name, permissions);
}

bool replaceWholeFile(const std::string &path, const std::string &text)
{
    const std::optional<std::string> name = finalName(path);
    std::optional<FilePermissions> permissions;
    if (!name || !mayReplace(*name, permissions))
        return false;
    ReplacementFile file(*name, permissions);
    return file.isOpen() && file.write(text.data(), text.size()) && file.commit();
}

} // namespace lumo

#include "ReplacementFile.h"

#include "Descriptor.h"

#include <cstdio>
#include <random>
#include <sys/stat.h>

namespace lumo {
namespace {

using posix::Descriptor;
using posix::openRetrying;
using posix::retryingCall;

// Enough to hold a name beside its destination even when the destination's own name is
// as long as a name may be: the rest of the destination's name is not needed to find it.
constexpr std::size_t keptNameBytes = 200;
constexpr int namesTried = 100;

std::string folderOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// ".<name>.<random>" beside the destination: hidden from an ordinary listing, and one that a
// crash leaves behind still says whose it was.
std::string temporaryNameFor(const std::string &destination, std::mt19937 &random)
{
    const std::string folder = folderOf(destination);
    const std::string name = destination.substr(folder.size(), keptNameBytes);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    return folder + "." + name + suffix;
}

// A new or replaced name reaches the disk only with its folder's entry.
bool syncFolder(const std::string &folder)
{
    const Descriptor dir = openRetrying(folder.empty() ? "." : folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (!dir.isValid())
        return false;
    if (retryingCall([&] { return ::fsync(dir.get()); }))
        return true;
    // Some file systems cannot sync a folder at all and say so with EINVAL; their entries
    // are as durable as they will get.
    return errno == EINVAL;
}

} // namespace

ReplacementFile::ReplacementFile(const std::string &destination, std::optional<FilePermissions> permissions)
    : destination_(destination), permissions_(permissions), handle_(-1)
{
    std::random_device seed;
    std::mt19937 random(seed());
    // O_EXCL makes the file new, and with it open() follows no link at that name. A file
    // that gets the system's defaults is created with them, so the umask applies; one that
    // takes over other permissions stays private until it has them.
    const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY;
    const mode_t mode = permissions ? 0600 : 0666;
    for (int attempt = 0; attempt < namesTried; ++attempt) {
        const std::string name = temporaryNameFor(destination, random);
        Descriptor fd = openRetrying(name, flags, mode);
        if (fd.isValid()) {
            temporary_ = name;
            handle_ = fd.release();
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

ReplacementFile::~ReplacementFile()
{
    discard();
}

bool ReplacementFile::isOpen() const
{
    return handle_ != -1;
}

bool ReplacementFile::write(const void *data, std::size_t size)
{
    return isOpen() && posix::writeAll(static_cast<int>(handle_), data, size);
}

bool ReplacementFile::commit()
{
    if (!isOpen())
        return false;
    Descriptor fd(static_cast<int>(handle_));
    handle_ = -1;
    if (permissions_ && !retryingCall([&] { return ::fchmod(fd.get(), static_cast<mode_t>(permissions_->bits)); }))
        return false;
    // fsync, not fdatasync: the permissions and the size belong to what must survive.
    if (!retryingCall([&] { return ::fsync(fd.get()); }))
        return false;
    if (!fd.closeChecked())
        return false;
    if (::rename(temporary_.c_str(), destination_.c_str()) != 0)
        return false;
    temporary_.clear();
    return syncFolder(folderOf(destination_));
}

void ReplacementFile::discard()
{
    if (isOpen())
        ::close(static_cast<int>(handle_));
    handle_ = -1;
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
}

} // namespace lumo

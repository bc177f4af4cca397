#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace lumo {

// Permissions that a replacement takes over from another file: the permission bits on
// POSIX, the read-only attribute on Windows. Only the platform layer reads the value.
struct FilePermissions {
    std::uint32_t bits = 0;
};

// A new file that takes the place of another name in one step, so that a crash, a kill or
// a full disk leaves either the old file under that name or the whole new one, never a
// part. The content goes into a temporary file beside the destination, created anew and
// never through a link; commit() flushes it to the storage device and renames it over the
// destination. Whatever stood at the destination's name is replaced as a name and never
// written into: a link there is replaced itself, a hard link loses this one of its names.
// Until commit() succeeds, the destination is untouched, and the temporary file is removed
// again on every path out (only a crash can leave one behind).
class ReplacementFile {
public:
    // Creates the temporary file. permissions: those to give the new file; without them it
    // gets the system's defaults for a new file. Check isOpen() before writing.
    ReplacementFile(const std::string &destination, std::optional<FilePermissions> permissions);
    ReplacementFile(const ReplacementFile &) = delete;
    ReplacementFile &operator=(const ReplacementFile &) = delete;
    ~ReplacementFile();

    bool isOpen() const;
    // False when not every byte reached the file (a full disk, a file size limit).
    bool write(const void *data, std::size_t size);
    // Flushes and closes the temporary file, renames it over the destination and makes the
    // new name durable. False on any failure, with the destination left as it was. Windows
    // renames over no file that another program has open, so there the rename waits up to
    // two seconds for such a reader to close it.
    bool commit();

private:
    void discard();

    std::string destination_;
    std::string temporary_;
    std::optional<FilePermissions> permissions_;
    std::intptr_t handle_;
};

} // namespace lumo

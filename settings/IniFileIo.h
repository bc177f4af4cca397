#pragma once

#include "IniDocument.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace lumo {

// The settings file holds eighteen short keys, and a text value is read to at most 2047
// characters: a few kilobytes at most, even with what other tools add. A file far larger
// is not one that the program wrote, and the limit keeps a link to an endless or huge file
// (a device such as /dev/zero, a disk image) from filling the memory.
inline constexpr std::size_t iniFileMaxBytes = 1024 * 1024;

// Another copy of the program holds the file's lock for one save, a few milliseconds. The
// wait covers a slow disk, and is short enough that closing the window never hangs on a
// copy that is stuck.
inline constexpr std::chrono::milliseconds iniFileLockWait{2000};

// The whole content of the file, or nothing when it is missing, cannot be read, is larger
// than iniFileMaxBytes or is not a regular file (a folder, FIFO, device or socket).
// Never waits for another program.
std::optional<std::string> readIniFile(const std::string &path);

// Replaces the file's content with text, creating the file when it is missing, by atomic
// replacement: a crash, a kill or a full disk leaves the old content or the new, whole.
// A read-only file is refused as the Windows service refuses it. A link at the name keeps
// leading to the file, which is the one replaced. Throws IniFileError naming the file's
// full path.
void replaceIniFile(const std::string &path, const std::string &text);

// Reads the file, lets change edit it and writes it back, while holding a lock that every
// copy of the program takes for its save, so that two copies closing at once both keep
// the other's sections. The lock is a file beside this one, named after it with ".lock"
// appended. Throws IniFileError naming the file's full path when the file cannot be
// written, when it is there but cannot be read (writing over it blind would lose what else
// it holds), or when another copy held the lock for all of iniFileLockWait.
void updateIniFile(const std::string &path, const std::function<void(IniDocument &)> &change);

} // namespace lumo

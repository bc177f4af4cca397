#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace lumo {

// Small files read and replaced whole, such as a settings file that other copies of the
// program and the operator's editor share. Nothing here ever waits for another program:
// every open is non-blocking and only a regular file is read or replaced.
//
// A link at the name is followed: its file is read, and its file is the one replaced, so
// a link that the operator made keeps leading to the settings. A dangling link leads to
// where the new file is made.

// The whole content of the regular file that path leads to, or nothing when it is missing,
// cannot be read, is larger than maxSize bytes, or is a folder, a FIFO, a device or a socket.
std::optional<std::string> readWholeFile(const std::string &path, std::size_t maxSize);

// True when nothing stands at the name (or where its links lead), or a regular file that
// this process may write and that no other program holds unshared. A read-only file is
// refused here, since the replacement would otherwise take its place quietly.
bool mayReplaceFile(const std::string &path);

// Replaces the file with one that holds text, by atomic replacement (ReplacementFile), so
// a crash, a kill or a full disk leaves the old file or the new one, whole. The new file
// keeps the old one's permissions. False, with the old file as it was, on any failure and
// wherever mayReplaceFile is false.
bool replaceWholeFile(const std::string &path, const std::string &text);

} // namespace lumo

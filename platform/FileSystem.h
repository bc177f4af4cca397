#pragma once

#include <string>
#include <string_view>

namespace lumo {

// True when path names an existing file that is not a folder.
bool isExistingFile(const std::string &path);

// The path made absolute against the current folder, with "." and ".." resolved; the file
// need not exist. Used where an operator message names a file in full.
std::string fullPath(const std::string &path);

// Copies an existing regular file to another name with the source's permissions, by
// atomic replacement (ReplacementFile): the name then holds the old file or the whole copy,
// flushed to the storage device, whatever happens midway. Whatever stood at the name is
// replaced as a name and never written into, so a link there or a second name of another
// file leaves that file as it was. Fails, and changes nothing, when the source is missing,
// not a regular file or held exclusively by another open, or when the destination is a
// file that is read-only, held open by another program, or the source itself, a folder, a
// FIFO, a device or a socket, or when its folder takes no new file.
// Returns false on any failure; the cause is not reported.
bool copyFileOver(const std::string &source, const std::string &destination);

// The full path of the running program file.
std::string programPath();

// The characters that may end the folder part of a path: "/" on POSIX; the backslash, "/" and
// the drive's ":" on Windows.
std::string_view pathSeparators();

} // namespace lumo

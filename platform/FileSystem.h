#pragma once

#include <string>
#include <string_view>

namespace lumo {

// True when path names an existing file that is not a folder.
bool isExistingFile(const std::string &path);

// The path made absolute against the current folder, with "." and ".." resolved; the file
// need not exist. Used where an operator message names a file in full.
std::string fullPath(const std::string &path);

// Copies an existing file over another name, replacing a file already there, keeping the
// source's permissions, and flushes the copy to the storage device before it returns.
// Returns false on any failure; the cause is not reported.
bool copyFileOver(const std::string &source, const std::string &destination);

// The full path of the running program file.
std::string programPath();

// The characters after which a path's folder part ends: "/", and on Windows also "\\" and
// the ":" of a drive.
std::string_view folderSeparators();

} // namespace lumo

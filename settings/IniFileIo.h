#pragma once

#include <optional>
#include <string>

namespace lumo {

// The whole content of the file, or nothing when it is missing or cannot be read.
std::optional<std::string> readIniFile(const std::string &path);

// Replaces the file's content, previousText, with text, creating the file when it is
// missing. The file is written in place, not renamed over, so a read-only file is refused
// as the Windows service refuses it. When the write fails after the file was emptied,
// previousText is put back, so a full disk does not cost the operator the old settings.
// Throws IniFileError naming the file's full path.
void replaceIniFile(const std::string &path, const std::string &previousText, const std::string &text);

} // namespace lumo

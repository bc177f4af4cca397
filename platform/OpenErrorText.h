#pragma once

#include <string>

namespace lumo {

// The text of FileOpenError: Cannot open file "<full path>". <reason>, where the reason is
// the system's description of the failure without its trailing blanks, line breaks and
// full stops, so that the message reads the same on every system.
std::string openErrorText(const std::string &fullPath, const std::string &systemReason);

} // namespace lumo

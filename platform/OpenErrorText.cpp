#include "OpenErrorText.h"

namespace lumo {

std::string openErrorText(const std::string &fullPath, const std::string &systemReason)
{
    const auto end = systemReason.find_last_not_of(" \t\r\n.");
    const std::string reason = end == std::string::npos ? std::string() : systemReason.substr(0, end + 1);
    return "Cannot open file \"" + fullPath + "\". " + reason;
}

} // namespace lumo

#pragma once

#include <stdexcept>
#include <string>

namespace lumo {

// The settings file could not be written: "Unable to write to <full path>". The message
// ends in the path, so the default error box adds its full stop.
class IniFileError : public std::runtime_error {
public:
    explicit IniFileError(const std::string &fullPath)
        : std::runtime_error("Unable to write to " + fullPath)
    {
    }
};

} // namespace lumo

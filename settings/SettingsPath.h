#pragma once

#include <string>
#include <string_view>

namespace lumo {

// "lumo.ini" in the folder of the program file: the program file's path up to and
// including its last separator (one of separators), then the fixed name, so a renamed
// program keeps its settings.
std::string settingsPathBeside(std::string_view programFile, std::string_view separators);

// The settings file beside the running program, computed anew at every call.
std::string settingsFilePath();

} // namespace lumo

#include "SettingsPath.h"

#include "FileSystem.h"

namespace lumo {

std::string settingsPathBeside(std::string_view programFile, std::string_view separators)
{
    const std::size_t last = programFile.find_last_of(separators);
    const std::string_view folder =
        last == std::string_view::npos ? std::string_view{} : programFile.substr(0, last + 1);
    return std::string(folder) + "lumo.ini";
}

std::string settingsFilePath()
{
    return settingsPathBeside(programPath(), folderSeparators());
}

} // namespace lumo

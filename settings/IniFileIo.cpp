#include "IniFileIo.h"

#include "FileLock.h"
#include "FileSystem.h"
#include "IniFileError.h"
#include "WholeFile.h"

namespace lumo {

std::optional<std::string> readIniFile(const std::string &path)
{
    return readWholeFile(path, iniFileMaxBytes);
}

void replaceIniFile(const std::string &path, const std::string &text)
{
    if (!replaceWholeFile(path, text))
        throw IniFileError(fullPath(path));
}

void updateIniFile(const std::string &path, const std::function<void(IniDocument &)> &change)
{
    // Checked before the lock file is made beside it: nothing is created next to a device,
    // a FIFO or a folder at the name, nor next to a file that may not be written anyway.
    if (!mayReplaceFile(path))
        throw IniFileError(fullPath(path));
    const std::optional<FileLock> lock = FileLock::acquire(path + ".lock", iniFileLockWait);
    if (!lock)
        throw IniFileError(fullPath(path));

    const std::optional<std::string> previousText = readIniFile(path);
    if (!previousText && isExistingFile(path))
        throw IniFileError(fullPath(path));
    IniDocument document(previousText.value_or(""));
    change(document);
    replaceIniFile(path, document.text());
}

} // namespace lumo

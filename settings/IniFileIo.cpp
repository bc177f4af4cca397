#include "IniFileIo.h"

#include "FileSystem.h"
#include "IniFileError.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace lumo {

namespace {

// Paths are UTF-8; on Windows the streams need them converted, which a path made from
// char8_t does.
std::filesystem::path streamPath(const std::string &path)
{
    return std::filesystem::path(
        std::u8string_view(reinterpret_cast<const char8_t *>(path.data()), path.size()));
}

bool writeWhole(const std::string &path, const std::string &text)
{
    std::ofstream out(streamPath(path), std::ios::binary | std::ios::trunc);
    if (!out.is_open())
        return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    return !out.fail();
}

} // namespace

std::optional<std::string> readIniFile(const std::string &path)
{
    std::ifstream in(streamPath(path), std::ios::binary);
    if (!in.is_open())
        return std::nullopt;
    // read() turns a failed read, such as of a folder, into badbit instead of throwing.
    std::string text;
    std::array<char, 4096> buffer;
    do {
        in.read(buffer.data(), buffer.size());
        text.append(buffer.data(), static_cast<std::size_t>(in.gcount()));
    } while (in);
    if (in.bad())
        return std::nullopt;
    return text;
}

void replaceIniFile(const std::string &path, const std::string &previousText, const std::string &text)
{
    if (writeWhole(path, text))
        return;
    // The old content fits where the new one did not, as the truncation freed its space.
    // Whether it went back or not, the error below tells the operator that the save failed.
    if (isExistingFile(path))
        writeWhole(path, previousText);
    throw IniFileError(fullPath(path));
}

} // namespace lumo

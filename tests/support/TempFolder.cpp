#include "TempFolder.h"

#ifndef _WIN32
#include "ChildProcess.h"
#endif

#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace lumo::test {

std::filesystem::path pathOf(const std::string &utf8)
{
    return std::filesystem::path(std::u8string_view(reinterpret_cast<const char8_t *>(utf8.data()), utf8.size()));
}

std::string utf8Of(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TempFolder::TempFolder()
{
    // create_directory fails on a name already taken, so two test programs running at
    // once never share a folder.
    const std::filesystem::path base = std::filesystem::temp_directory_path().lexically_normal();
    std::random_device seed;
    std::mt19937 names(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::filesystem::path candidate = base / ("lumo-test-" + std::to_string(names() % 100000000u));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = utf8Of(candidate);
#ifndef _WIN32
            letUnprivilegedChildOwn(path_);
#endif
            return;
        }
        if (error && !std::filesystem::exists(candidate))
            throw std::system_error(error, "cannot make a folder in " + utf8Of(base));
    }
    throw std::runtime_error("no free folder name in " + utf8Of(base));
}

TempFolder::~TempFolder()
{
#ifndef _WIN32
    stopLettingUnprivilegedChildOwn(path_);
#endif
    std::error_code ignored; // a folder left behind in the temporary area harms no later test
    // Read-only files would keep their folder on Windows; the attribute goes first.
    for (auto entry = std::filesystem::recursive_directory_iterator(pathOf(path_), ignored);
         entry != std::filesystem::recursive_directory_iterator(); entry.increment(ignored))
        if (!entry->is_symlink(ignored))
            std::filesystem::permissions(entry->path(), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(pathOf(path_), ignored);
}

std::string TempFolder::file(const std::string &name) const
{
    return utf8Of((pathOf(path_) / pathOf(name)).make_preferred());
}

std::string TempFolder::write(const std::string &name, const std::vector<std::uint8_t> &bytes) const
{
    const std::string target = file(name);
    // A read-only file takes the bytes and stays read-only, as it does for root on POSIX
    // systems; on Windows the attribute would refuse them.
    std::error_code missing;
    const std::filesystem::perms before = std::filesystem::status(pathOf(target), missing).permissions();
    const bool readOnly = !missing && before != std::filesystem::perms::unknown
        && (before & std::filesystem::perms::owner_write) == std::filesystem::perms::none;
    if (readOnly)
        std::filesystem::permissions(pathOf(target), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
    std::ofstream out(pathOf(target), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (readOnly)
        std::filesystem::permissions(pathOf(target), before);
    if (!out)
        throw std::runtime_error("cannot write " + target);
    return target;
}

std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t state = seed * 2654435761u | 1u; // xorshift never leaves 0
    for (auto &byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return bytes;
}

std::vector<std::uint8_t> readBytes(const std::string &path)
{
    // In one read: byte by byte through stream iterators, a debug build with the sanitizers
    // spends a tenth of a second on every image.
    std::ifstream in(pathOf(path), std::ios::binary | std::ios::ate);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(in.tellg()));
    in.seekg(0);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!in)
        throw std::runtime_error("cannot read " + path);
    return bytes;
}

std::set<std::string> namesIn(const std::string &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(pathOf(folder)))
        names.insert(utf8Of(entry.path().filename()));
    return names;
}

int removeAllBut(const std::string &folder, const std::set<std::string> &kept)
{
    int removed = 0;
    for (const std::string &name : namesIn(folder))
        if (!kept.contains(name)) {
            std::filesystem::remove_all(pathOf(folder) / pathOf(name));
            ++removed;
        }
    return removed;
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(pathOf(path), std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

std::string readText(const std::string &path)
{
    const std::vector<std::uint8_t> bytes = readBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void makeReadOnly(const std::string &path)
{
    std::filesystem::permissions(pathOf(path), std::filesystem::perms::owner_read | std::filesystem::perms::group_read
                                                   | std::filesystem::perms::others_read);
}

} // namespace lumo::test

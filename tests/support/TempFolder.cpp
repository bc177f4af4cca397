#include "TempFolder.h"

#include "ChildProcess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace lumo::test {

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "lumo-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp: " + std::string(std::strerror(errno)));
    path_ = pattern;
    letUnprivilegedChildOwn(path_);
}

TempFolder::~TempFolder()
{
    stopLettingUnprivilegedChildOwn(path_);
    std::error_code ignored; // a folder left behind in the temporary area harms no later test
    std::filesystem::remove_all(path_, ignored);
}

std::string TempFolder::file(const std::string &name) const
{
    return path_ + "/" + name;
}

std::string TempFolder::write(const std::string &name, const std::vector<std::uint8_t> &bytes) const
{
    const std::string target = file(name);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
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
    std::ifstream in(path, std::ios::binary | std::ios::ate);
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
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

int removeAllBut(const std::string &folder, const std::set<std::string> &kept)
{
    int removed = 0;
    for (const std::string &name : namesIn(folder))
        if (!kept.contains(name)) {
            std::filesystem::remove_all(std::filesystem::path(folder) / name);
            ++removed;
        }
    return removed;
}

void writeText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
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

} // namespace lumo::test

#pragma once

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace lumo::test {

// Paths in tests are UTF-8 text, as in Lumo itself; std::filesystem takes them through these,
// so that Cyrillic names survive on Windows too, where a narrow path is in the ANSI code page.
std::filesystem::path pathOf(const std::string &utf8);
std::string utf8Of(const std::filesystem::path &path);

// A fresh folder of its own for each test, removed with everything in it at the end. A
// ChildUser::Unprivileged child owns what is in it.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    ~TempFolder();

    const std::string &path() const { return path_; }
    // The path of name inside the folder, with the system's own separators.
    std::string file(const std::string &name) const;
    // Writes the bytes to a file of that name, new or replaced, and returns its path. A
    // read-only file stays read-only.
    std::string write(const std::string &name, const std::vector<std::uint8_t> &bytes) const;

private:
    std::string path_;
};

// Bytes that differ from their neighbours and do not repeat within an image, so that a
// byte read from or written to the wrong offset shows.
std::vector<std::uint8_t> patternBytes(std::size_t count, std::uint32_t seed = 1);

std::vector<std::uint8_t> readBytes(const std::string &path);

// The names in a folder, to show that nothing, such as a temporary file, was left behind.
std::set<std::string> namesIn(const std::string &folder);
// Removes from a folder every entry but the kept ones, such as what a killed process left
// behind, and returns how many it removed.
int removeAllBut(const std::string &folder, const std::set<std::string> &kept);

// Text files by path, for the settings file and other files a test writes by hand.
void writeText(const std::string &path, const std::string &text);
std::string readText(const std::string &path);

// Mode 0444, or on Windows the read-only attribute: no user may write the file, except root
// on POSIX systems and Wine run as root.
void makeReadOnly(const std::string &path);

} // namespace lumo::test

#pragma once

#include "TempFolder.h"

#include <filesystem>
#include <string>

namespace lumo::test {

// Makes a folder the current one for the length of a test.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string &path) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(pathOf(path));
    }
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;
    ~CurrentFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

} // namespace lumo::test

#include "SettingsPath.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace lumo {
namespace {

TEST(SettingsPathTest, PutsLumoIniInTheProgramFilesFolder)
{
    struct Case {
        const char *programFile;
        const char *separators;
        const char *expected;
    };
    const Case cases[] = {
        {"/opt/lumo/bin/lumo", "/", "/opt/lumo/bin/lumo.ini"},
        {"/home/оператор/Lumo 2/renamed", "/", "/home/оператор/Lumo 2/lumo.ini"},
        {"/lumo", "/", "/lumo.ini"},
        {"C:\\Програми\\Lumo\\LUMO.EXE", "\\/:", "C:\\Програми\\Lumo\\lumo.ini"},
        {"C:\\Lumo/bin\\lumo.exe", "\\/:", "C:\\Lumo/bin\\lumo.ini"},
        {"C:/Lumo/lumo.exe", "\\/:", "C:/Lumo/lumo.ini"},
        {"D:lumo.exe", "\\/:", "D:lumo.ini"},
        {"\\\\server\\share\\lumo.exe", "\\/:", "\\\\server\\share\\lumo.ini"},
        {"C:\\Lumo\\lumo.exe", "/", "lumo.ini"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(settingsPathBeside(c.programFile, c.separators), c.expected) << c.programFile;
}

TEST(SettingsPathTest, SettingsFileLiesBesideTheRunningProgram)
{
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(settingsFilePath(), (program.parent_path() / "lumo.ini").string());
}

} // namespace
} // namespace lumo

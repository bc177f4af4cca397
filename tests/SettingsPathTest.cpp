#include "SettingsPath.h"

#include "ChildProcess.h"
#include "FileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace lumo {
namespace {

using test::ChildArguments;
using test::ChildProcess;

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

#ifndef _WIN32
// The link of /proc names the program on Linux; TheProgramAndItsSettingsFileAreFoundInAFolderWithACyrillicName
// checks the same on Windows, where no such link exists.
TEST(SettingsPathTest, SettingsFileLiesBesideTheRunningProgram)
{
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(settingsFilePath(), (program.parent_path() / "lumo.ini").string());
}
#endif

// The running program's own path and its settings file, one a line.
const test::ChildRoutine reportPaths("report-paths", [](ChildProcess &, const ChildArguments &) {
    return programPath() + "\n" + settingsFilePath();
});

TEST(SettingsPathTest, TheProgramAndItsSettingsFileAreFoundInAFolderWithACyrillicName)
{
    const test::TempFolder folder;
    const std::string programFolder = folder.file("Програми Лумо");
    std::filesystem::create_directory(test::pathOf(programFolder));
    const std::filesystem::path self = test::pathOf(programPath());
    const std::string copy = test::utf8Of(test::pathOf(programFolder) / self.filename());
    std::filesystem::copy_file(self, test::pathOf(copy));

    ChildProcess child("report-paths", {}, copy);
    const test::ChildOutcome outcome = child.finish();

    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, copy + "\n" + test::utf8Of(test::pathOf(programFolder) / "lumo.ini"));
}

} // namespace
} // namespace lumo

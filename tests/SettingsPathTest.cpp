#include "SettingsPath.h"

#include "ChildProcess.h"
#include "FileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#ifndef _WIN32
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;
#endif

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

// The running program's own path comes from the system. These tests start a hard link of
// this test program from folders they made, which takes POSIX process calls. On Windows
// TheProgramAndItsSettingsFileAreFoundInAFolderWithACyrillicName starts a copy of the test
// program from a Cyrillic folder; no test there starts one from a path longer than MAX_PATH.
#ifndef _WIN32

// Started with this argument, the test program prints settingsFilePath() and ends.
constexpr const char *printSettingsPath = "--print-settings-path";

// How this test program was started.
std::string testProgramFile;

// Puts this test program at programFile, as a hard link where the file system allows one.
void placeTestProgram(const std::string &programFile)
{
    std::error_code linkError;
    std::filesystem::create_hard_link(testProgramFile, programFile, linkError);
    if (linkError)
        std::filesystem::copy_file(testProgramFile, programFile);
}

// Starts the program with printSettingsPath and returns what it printed.
std::string settingsPathPrintedBy(const std::string &programFile)
{
    int output[2];
    if (::pipe(output) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return {};
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    posix_spawn_file_actions_addclose(&actions, output[1]);
    std::string argument0 = programFile;
    std::string argument1 = printSettingsPath;
    char *arguments[] = {argument0.data(), argument1.data(), nullptr};
    pid_t child = -1;
    const int spawnError = ::posix_spawn(&child, programFile.c_str(), &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(output[1]);
    if (spawnError != 0) {
        ::close(output[0]);
        ADD_FAILURE() << "posix_spawn " << programFile << ": " << std::strerror(spawnError);
        return {};
    }

    std::string printed;
    char chunk[4096];
    for (;;) {
        const ssize_t got = ::read(output[0], chunk, sizeof chunk);
        if (got == -1 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        printed.append(chunk, static_cast<std::size_t>(got));
    }
    ::close(output[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) == -1 && errno == EINTR) {
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
    return printed;
}

TEST(SettingsPathTest, SettingsFileLiesBesideTheRunningProgram)
{
    const test::TempFolder base;
    const std::string folder = base.path() + "/Програми/Lumo 2";
    std::filesystem::create_directories(folder);
    const std::string programFile = folder + "/renamed program";
    placeTestProgram(programFile);

    EXPECT_EQ(settingsPathPrintedBy(programFile), folder + "/lumo.ini");
}

// A program file of a one-byte name in folders below base, its path exactly length bytes
// long. The short name keeps the folder's end, all that the settings path shows of the
// program's path, as close as can be to the path's end.
std::string programFileOfLength(const std::string &base, std::size_t length)
{
    const std::size_t folderLength = length - 2; // then "/" and the name
    std::string folder = base;
    while (folder.size() < folderLength) {
        const std::size_t left = folderLength - folder.size();
        // A folder name of at most 200 bytes, well below the 255 a name may have, and never
        // a last one of no byte at all.
        const std::size_t piece = left <= 201 ? left : std::min<std::size_t>(201, left - 2);
        folder += '/';
        folder.append(piece - 1, 'd');
        std::filesystem::create_directory(folder);
    }
    return folder + "/p";
}

TEST(SettingsPathTest, ProgramPathLongerThanTheFirstBufferIsReadWhole)
{
    // The program's path is read into 256 bytes first, and into twice as many while it
    // fills them. From 258 bytes on, the folder ends past the first 256.
    for (const std::size_t length : {255u, 256u, 257u, 258u, 511u, 512u, 513u, 514u, 1500u}) {
        SCOPED_TRACE("program path of " + std::to_string(length) + " bytes");
        const test::TempFolder base;
        const std::string programFile = programFileOfLength(base.path(), length);
        ASSERT_EQ(programFile.size(), length);
        placeTestProgram(programFile);

        const std::string folder = programFile.substr(0, programFile.size() - 2);
        EXPECT_EQ(settingsPathPrintedBy(programFile), folder + "/lumo.ini");
    }
}

#endif

} // namespace
} // namespace lumo

int main(int argc, char **argv)
{
#ifndef _WIN32
    if (argc == 2 && std::strcmp(argv[1], lumo::printSettingsPath) == 0) {
        ::alarm(10); // a path that is never read whole ends the child, not the test run
        std::cout << lumo::settingsFilePath();
        return 0;
    }
    lumo::testProgramFile = argv[0];
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

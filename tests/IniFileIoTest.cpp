#include "IniFileError.h"
#include "IniFileIo.h"
#include "ChildProcess.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>
#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace lumo {
namespace {

using test::ChildUser;
using test::readText;
using test::TempFolder;
using test::writeText;

#ifndef _WIN32
// What a write in a child did: the error's message, or "written".
std::string replaceReporting(const std::string &path, const std::string &previous, const std::string &text)
{
    try {
        replaceIniFile(path, previous, text);
        return "written";
    } catch (const IniFileError &error) {
        return error.what();
    }
}
#endif

TEST(IniFileIoTest, ReadsEveryByteOrNothing)
{
    TempFolder folder;
    const std::string bytes = std::string("[SYSTEM]\r\nFileIn=C:\\Прошивки\\a.bin\n\0\xFF", 40);
    writeText(folder.file("file.ini"), bytes);
    writeText(folder.file("empty.ini"), "");
    std::filesystem::create_directory(folder.file("folder.ini"));

    EXPECT_EQ(readIniFile(folder.file("file.ini")), bytes);
    EXPECT_EQ(readIniFile(folder.file("empty.ini")), "");
    EXPECT_EQ(readIniFile(folder.file("missing.ini")), std::nullopt);
    EXPECT_EQ(readIniFile(folder.file("folder.ini")), std::nullopt);
}

TEST(IniFileIoTest, ReplacesTheWholeContentOrCreatesTheFile)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    replaceIniFile(path, "", "[SYSTEM]\r\nFileIn=новий\r\n");
    EXPECT_EQ(readText(path), "[SYSTEM]\r\nFileIn=новий\r\n");
    replaceIniFile(path, "[SYSTEM]\r\nFileIn=новий\r\n", "[S]\n");
    EXPECT_EQ(readText(path), "[S]\n");
}

const std::string previousText = "[Other]\r\nKey=kept\r\n";
const std::string newText = previousText + "\r\n[SYSTEM]\r\nFileIn=" + std::string(4000, 'x') + "\r\n";

#ifndef _WIN32
// The read-only attribute of a Windows folder does not keep new files out, and its access
// lists are no part of Lumo; StoredSettingsTest's read-only file is the case there. Windows
// sets a process no file size limit either, and the Windows test leg has no small volume to
// fill.
TEST(IniFileIoTest, AFolderThatTakesNoNewFileIsReportedByTheFilesPath)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    std::filesystem::permissions(folder.path(), std::filesystem::perms(0555));

    const test::ChildOutcome outcome =
        test::runInChild([&] { return replaceReporting(path, "", newText); }, ChildUser::Unprivileged);

    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "Unable to write to " + path);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFileIoTest, AFullDiskLeavesTheOldContentInPlace)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    writeText(path, previousText);

    // The disk fills after the old content was cut away; what was there must come back.
    const test::ChildOutcome outcome = test::runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("setrlimit failed");
        return replaceReporting(path, previousText, newText);
    });

    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "Unable to write to " + path);
    EXPECT_EQ(readText(path), previousText);
}
#endif

} // namespace
} // namespace lumo

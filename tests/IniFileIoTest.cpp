#include "ChildProcess.h"
#include "IniDocument.h"
#include "IniFileError.h"
#include "IniFileIo.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <thread>

#ifndef _WIN32
#include "FileSizeSignal.h"

#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace lumo {
namespace {

using test::namesIn;
using test::readText;
using test::TempFolder;
using test::writeText;

TEST(IniFileIoTest, ReadsEveryByteOrNothing)
{
    TempFolder folder;
    const std::string bytes = std::string("[SYSTEM]\r\nFileIn=C:\\Прошивки\\a.bin\n\0\xFF", 40);
    writeText(folder.file("file.ini"), bytes);
    writeText(folder.file("empty.ini"), "");
    std::filesystem::create_directory(folder.file("folder.ini"));
    writeText(folder.file("largest.ini"), std::string(iniFileMaxBytes, 'x'));
    writeText(folder.file("too large.ini"), std::string(iniFileMaxBytes + 1, 'x'));

    EXPECT_EQ(readIniFile(folder.file("file.ini")), bytes);
    EXPECT_EQ(readIniFile(folder.file("empty.ini")), "");
    EXPECT_EQ(readIniFile(folder.file("missing.ini")), std::nullopt);
    EXPECT_EQ(readIniFile(folder.file("folder.ini")), std::nullopt);
    EXPECT_EQ(readIniFile(folder.file("largest.ini")).value_or("").size(), iniFileMaxBytes);
    EXPECT_EQ(readIniFile(folder.file("too large.ini")), std::nullopt);
}

TEST(IniFileIoTest, ReplacesTheWholeContentOrCreatesTheFile)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    replaceIniFile(path, "[SYSTEM]\r\nFileIn=новий\r\n");
    EXPECT_EQ(readText(path), "[SYSTEM]\r\nFileIn=новий\r\n");
    replaceIniFile(path, "[S]\n");
    EXPECT_EQ(readText(path), "[S]\n");
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"lumo.ini"});
}

TEST(IniFileIoTest, AnUpdateChangesTheCurrentTextAndKeepsTheRest)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    writeText(path, "[Other]\r\nKey=kept\r\n");
    updateIniFile(path, [](IniDocument &document) { document.setValue("SYSTEM", "FileIn", "a.bin"); });
    EXPECT_EQ(readText(path), "[Other]\r\nKey=kept\r\n\r\n[SYSTEM]\r\nFileIn=a.bin\r\n");
    // The lock file stays: removing it would race with another copy that has just opened it.
    EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"lumo.ini", "lumo.ini.lock"}));
}

using test::ChildProcess;

const std::string previousText = "[Other]\r\nKey=kept\r\n";
const std::string newText = previousText + "\r\n[SYSTEM]\r\nFileIn=" + std::string(4000, 'x') + "\r\n";

// Two copies of the program saving at the same moments: each counts its updates of the file
// named first, for writingTime, in the section named second; its last count is its number
// of updates only if no other update was lost over it.
constexpr auto writingTime = std::chrono::milliseconds(1500);

const test::ChildRoutine countUpdates("count-updates", [](ChildProcess &self, const test::ChildArguments &arguments) {
    const std::string &path = arguments.at(0);
    const std::string &section = arguments.at(1);
    self.notifyParent();
    self.awaitParent();
    int updates = 0;
    const auto end = std::chrono::steady_clock::now() + writingTime;
    while (std::chrono::steady_clock::now() < end) {
        updateIniFile(path, [&](IniDocument &document) {
            const int count = std::stoi(document.value(section, "Count").value_or("0"));
            document.setValue(section, "Count", std::to_string(count + 1));
        });
        ++updates;
        // A copy of the program saves at a close, not back to back: the pause lets the
        // other writer in between.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return std::to_string(updates);
});

// Through the locked read, change and write, no save loses the other's change, and a reader
// in between always finds a whole file.
TEST(IniFileIoTest, TwoProcessesUpdatingAtOnceKeepEachOthersSectionsAndReadersSeeWholeFiles)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    writeText(path, previousText);
    ChildProcess first("count-updates", {path, "First"});
    ChildProcess second("count-updates", {path, "Second"});
    ASSERT_TRUE(first.awaitChild());
    ASSERT_TRUE(second.awaitChild());
    first.resumeChild();
    second.resumeChild();

    int reads = 0;
    int lastFirst = 0;
    int lastSecond = 0;
    const auto end = std::chrono::steady_clock::now() + writingTime;
    while (std::chrono::steady_clock::now() < end) {
        const std::optional<std::string> text = readIniFile(path);
        ASSERT_TRUE(text) << "read " << reads << " found no file";
        ASSERT_TRUE(text->ends_with("\r\n")) << *text;
        const IniDocument document(*text);
        ASSERT_EQ(document.value("Other", "Key"), "kept") << *text;
        // A count never goes back, and a section once written is in every later file.
        const int firstCount = std::stoi(document.value("First", "Count").value_or("0"));
        const int secondCount = std::stoi(document.value("Second", "Count").value_or("0"));
        ASSERT_GE(firstCount, lastFirst) << *text;
        ASSERT_GE(secondCount, lastSecond) << *text;
        lastFirst = firstCount;
        lastSecond = secondCount;
        ++reads;
    }
    const test::ChildOutcome firstOutcome = first.finish();
    const test::ChildOutcome secondOutcome = second.finish();
    ASSERT_EQ(firstOutcome.exitCode, 0) << firstOutcome.report;
    ASSERT_EQ(secondOutcome.exitCode, 0) << secondOutcome.report;

    const IniDocument last(readText(path));
    EXPECT_EQ(last.value("Other", "Key"), "kept");
    EXPECT_EQ(last.value("First", "Count"), firstOutcome.report);
    EXPECT_EQ(last.value("Second", "Count"), secondOutcome.report);
    EXPECT_GT(std::stoi(firstOutcome.report), 0);
    EXPECT_GT(std::stoi(secondOutcome.report), 0);
    std::cout << "updates: " << firstOutcome.report << " and " << secondOutcome.report << ", reads between: " << reads
              << "\n";
}

#ifndef _WIN32
// Permission bits, links and file size limits: POSIX only. On Windows, StoredSettingsTest's
// read-only file is the save that the system refuses; the read-only attribute of a Windows
// folder does not keep new files out, and its access lists are no part of Lumo. Windows
// makes symbolic links only with a privilege, and the Wine of the Windows test leg makes
// none. Windows sets a process no file size limit either, and the Windows test leg has no
// small volume to fill.
using test::ChildUser;

// What a write in a child did: the error's message, or "written".
std::string replaceReporting(const std::string &path, const std::string &text)
{
    try {
        replaceIniFile(path, text);
        return "written";
    } catch (const IniFileError &error) {
        return error.what();
    }
}

TEST(IniFileIoTest, TheNewFileKeepsTheOldOnesPermissions)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    writeText(path, previousText);
    std::filesystem::permissions(path, std::filesystem::perms(0640));
    replaceIniFile(path, newText);
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
}

// The operator's link keeps leading to the settings: the file it leads to is replaced,
// and a dangling link gets its file.
TEST(IniFileIoTest, ALinkAtTheNameKeepsLeadingToTheFileThatIsReplaced)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.file("real"));
    const std::string real = folder.file("real/settings.ini");
    writeText(real, previousText);
    const std::string link = folder.file("lumo.ini");
    std::filesystem::create_symlink("real/settings.ini", link);
    std::filesystem::create_symlink(folder.file("real/new.ini"), folder.file("dangling.ini"));

    replaceIniFile(link, newText);
    replaceIniFile(folder.file("dangling.ini"), newText);

    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(std::filesystem::read_symlink(link), "real/settings.ini");
    EXPECT_EQ(readText(real), newText);
    EXPECT_TRUE(std::filesystem::is_symlink(folder.file("dangling.ini")));
    EXPECT_EQ(readText(folder.file("real/new.ini")), newText);
    EXPECT_EQ(namesIn(folder.file("real")), (std::set<std::string>{"new.ini", "settings.ini"}));
}

TEST(IniFileIoTest, AFolderThatTakesNoNewFileIsReportedByTheFilesPath)
{
    if (const std::string &why = test::whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    std::filesystem::permissions(folder.path(), std::filesystem::perms(0555));

    const test::ChildOutcome outcome =
        test::runInChild([&] { return replaceReporting(path, newText); }, ChildUser::Unprivileged);

    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "Unable to write to " + path);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(IniFileIoTest, AFullDiskLeavesTheOldFileWholeAndNoTemporaryFile)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    writeText(path, previousText);

    const test::ChildOutcome outcome = test::runInChild([&] {
        ignoreFileSizeSignal();
        const rlimit limit{1000, 1000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("setrlimit failed");
        return replaceReporting(path, newText);
    });

    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "Unable to write to " + path);
    EXPECT_EQ(readText(path), previousText);
    EXPECT_EQ(namesIn(folder.path()), std::set<std::string>{"lumo.ini"});
}

#endif

} // namespace
} // namespace lumo

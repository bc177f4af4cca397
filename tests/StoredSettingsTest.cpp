#include "IniFileError.h"
#include "IniFileIo.h"
#include "StoredSettings.h"
#include "ChildProcess.h"
#include "CurrentFolder.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include "RandomKills.h"

#include <iostream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace lumo {
namespace {

using test::namesIn;
using test::readText;
using test::TempFolder;
using test::writeText;

StoredSettings checkedButtons(std::initializer_list<int> numbers)
{
    StoredSettings settings;
    for (const int n : numbers)
        settings.checked[static_cast<std::size_t>(n - 1)] = true;
    return settings;
}

// What a save did: the error's message, or "saved".
std::string saveReporting(const std::string &path, const StoredSettings &settings)
{
    try {
        saveSettings(path, settings);
        return "saved";
    } catch (const IniFileError &error) {
        return error.what();
    }
}

TEST(StoredSettingsTest, FirstRunStartsEmptyAndTheCloseCreatesTheFile)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");

    const StoredSettings loaded = loadSettings(path);
    EXPECT_EQ(loaded, StoredSettings{});

    saveSettings(path, loaded);
    EXPECT_EQ(readText(path),
              "[SYSTEM]\r\nFileIn=\r\nFileOut=\r\n"
              "RB1=0\r\nRB2=0\r\nRB3=0\r\nRB4=0\r\nRB5=0\r\nRB6=0\r\nRB7=0\r\nRB8=0\r\n"
              "RB9=0\r\nRB10=0\r\nRB11=0\r\nRB12=0\r\nRB13=0\r\nRB14=0\r\nRB15=0\r\nRB16=0\r\n");
}

TEST(StoredSettingsTest, WritesAllKeysInOrderAndReadsThemBackUnchanged)
{
    StoredSettings cyrillic = checkedButtons({2, 15});
    cyrillic.fileIn = "C:\\Прошивки\\нова 1.bin";
    cyrillic.fileOut = "/home/оператор/прошивки/ecu 10.3.bin";
    StoredSettings quoted = checkedButtons({1, 4});
    quoted.fileIn = "\"C:\\Program Files\\Lumo\\donor.bin\"";
    quoted.fileOut = "say \"x\" and 'y'";
    StoredSettings blanks = checkedButtons({13});
    blanks.fileIn = "   D:\\leading blanks.bin";
    blanks.fileOut = "trailing blank ";
    StoredSettings long3000 = checkedButtons({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
    long3000.fileIn = std::string(3000, 'a');
    long3000.fileOut = "'single quoted'";

    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    // Each save goes over the file that the one before left, as at every close.
    for (const StoredSettings &settings : {cyrillic, quoted, blanks, long3000, StoredSettings{}}) {
        saveSettings(path, settings);
        EXPECT_EQ(loadSettings(path), settings) << settings.fileIn;
    }

    saveSettings(path, cyrillic);
    EXPECT_EQ(readText(path),
              "[SYSTEM]\r\nFileIn=C:\\Прошивки\\нова 1.bin\r\n"
              "FileOut=/home/оператор/прошивки/ecu 10.3.bin\r\n"
              "RB1=0\r\nRB2=1\r\nRB3=0\r\nRB4=0\r\nRB5=0\r\nRB6=0\r\nRB7=0\r\nRB8=0\r\n"
              "RB9=0\r\nRB10=0\r\nRB11=0\r\nRB12=0\r\nRB13=0\r\nRB14=0\r\nRB15=1\r\nRB16=0\r\n");
}

TEST(StoredSettingsTest, AButtonIsCheckedByAWholeNumberOtherThanZero)
{
    struct Case {
        const char *line;
        bool checked;
    };
    const Case cases[] = {
        {"RB7=1", true},         {"RB7=2", true},       {"RB7=-1", true},
        {"RB7=  1  ", true},     {"RB7=+3", true},      {"RB7=\"1\"", true},
        {"RB7=12345678901234567890", true},
        {"RB7=0", false},        {"RB7=00", false},     {"RB7=-0", false},
        {"RB7=", false},         {"RB7=   ", false},    {"", false},
        {"RB7=true", false},     {"RB7=1x", false},     {"RB7=abc", false},
        {"RB7=1 2", false},      {"RB7=0x1", false},    {"RB7=-", false},
        {"RB7=1.0", false},
    };
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    for (const Case &c : cases) {
        writeText(path, std::string("[SYSTEM]\r\nRB6=1\r\n") + c.line + "\r\nRB8=1\r\n");
        const StoredSettings loaded = loadSettings(path);
        EXPECT_EQ(loaded.checked[6], c.checked) << c.line;
        EXPECT_TRUE(loaded.checked[5] && loaded.checked[7]) << c.line;
    }
}

TEST(StoredSettingsTest, AFileEditedTheWindowsWayIsReadAndKeptOnSaving)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    writeText(path,
              "; written by hand\r\n"
              "[System]\r\n"
              "fileIn = \"C:\\Прошивки\\нова 1.bin\"\r\n"
              "FILEOUT\t=\t'D:\\Target\\out.bin'  \r\n"
              "rb2 = 1\r\n"
              "Rb15=-1\r\n"
              "RB16 = 0\r\n"
              "\r\n"
              "[Other tool]\r\n"
              "FileIn=not ours\r\n"
              "RB1=1\r\n");

    StoredSettings expected = checkedButtons({2, 15});
    expected.fileIn = "C:\\Прошивки\\нова 1.bin";
    expected.fileOut = "D:\\Target\\out.bin";
    StoredSettings loaded = loadSettings(path);
    EXPECT_EQ(loaded, expected);

    loaded.fileOut = "E:\\нова\\out.bin";
    loaded.checked[15] = true;
    saveSettings(path, loaded);
    EXPECT_EQ(readText(path),
              "; written by hand\r\n"
              "[System]\r\n"
              "fileIn = C:\\Прошивки\\нова 1.bin\r\n"
              "FILEOUT\t=\tE:\\нова\\out.bin\r\n"
              "rb2 = 1\r\n"
              "Rb15=1\r\n"
              "RB16 = 1\r\n"
              "RB1=0\r\nRB3=0\r\nRB4=0\r\nRB5=0\r\nRB6=0\r\nRB7=0\r\nRB8=0\r\n"
              "RB9=0\r\nRB10=0\r\nRB11=0\r\nRB12=0\r\nRB13=0\r\nRB14=0\r\n"
              "\r\n"
              "[Other tool]\r\n"
              "FileIn=not ours\r\n"
              "RB1=1\r\n");
    EXPECT_EQ(loadSettings(path), loaded);
}

TEST(StoredSettingsTest, AFileThatGivesNothingLoadsTheDefaults)
{
    TempFolder folder;
    std::filesystem::create_directory(folder.file("folder.ini"));
    writeText(folder.file("other.ini"), "[Other]\r\nFileIn=x\r\nRB1=1\r\n");
    writeText(folder.file("binary.ini"), std::string("\0\xFF\x01[SYS\r\nRB1=1", 14));
    for (const char *name : {"missing.ini", "folder.ini", "other.ini", "binary.ini"})
        EXPECT_EQ(loadSettings(folder.file(name)), StoredSettings{}) << name;

#ifndef _WIN32
    if (const std::string &why = test::whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    // Windows has no attribute that keeps a file from being read; only access lists do.
    writeText(folder.file("unreadable.ini"), "[SYSTEM]\r\nFileIn=x\r\nRB1=1\r\n");
    std::filesystem::permissions(folder.file("unreadable.ini"), std::filesystem::perms(0200));
    const test::ChildOutcome unreadable = test::runInChild(
        [&] { return loadSettings(folder.file("unreadable.ini")) == StoredSettings{} ? "defaults" : "values"; },
        test::ChildUser::Unprivileged);
    EXPECT_EQ(unreadable.exitCode, 0) << unreadable.report;
    EXPECT_EQ(unreadable.report, "defaults");
#endif
}

TEST(StoredSettingsTest, AFileThatCannotBeWrittenIsReportedByItsFullPathAndKept)
{
    if (const std::string &why = test::whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    struct Case {
        const char *what;
        std::filesystem::perms mode;
        bool relativePath;
    };
    // On Windows perms 0444 give the read-only attribute.
    std::vector<Case> cases = {
        {"read-only", std::filesystem::perms(0444), false},
        {"read-only, named from its folder", std::filesystem::perms(0444), true},
    };
#ifndef _WIN32
    // Written over blind, the other sections of a file that cannot be read would be lost.
    // Windows has no attribute that keeps a file from being read.
    cases.push_back({"write-only", std::filesystem::perms(0200), false});
#endif
    const std::string content = "[SYSTEM]\r\nFileIn=old\r\n\r\n[Other]\r\nKey=kept\r\n";
    StoredSettings settings = checkedButtons({1});
    settings.fileIn = "new";

    for (const Case &c : cases) {
        TempFolder folder;
        const std::string path = folder.file("lumo.ini");
        writeText(path, content);
        std::filesystem::permissions(path, c.mode);

        const test::ChildOutcome outcome = test::runAsOrdinaryUser([&] {
            std::optional<test::CurrentFolder> current;
            if (c.relativePath)
                current.emplace(folder.path());
            try {
                saveSettings(c.relativePath ? "lumo.ini" : path, settings);
                return std::string("saved");
            } catch (const IniFileError &error) {
                return std::string(error.what());
            }
        });

        EXPECT_EQ(outcome.exitCode, 0) << c.what << ": " << outcome.report;
        EXPECT_EQ(outcome.report, "Unable to write to " + path) << c.what;
        EXPECT_EQ(readText(path), content) << c.what;
    }
}

// Another copy of the program in the middle of its own save of the file named first, where
// it stays until the parent's turn.
const test::ChildRoutine saveUntilTold("save-until-told", [](test::ChildProcess &self,
                                                            const test::ChildArguments &arguments) {
    updateIniFile(arguments.at(0), [&](IniDocument &) {
        self.notifyParent();
        self.awaitParent();
    });
    return std::string("saved");
});

TEST(StoredSettingsTest, ALockHeldByAnotherCopyForLongerThanTheWaitFailsTheSave)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    const std::string content = "[SYSTEM]\r\nFileIn=old\r\n";
    writeText(path, content);

    test::ChildProcess other("save-until-told", {path});
    ASSERT_TRUE(other.awaitChild()) << other.finish().report;
    const auto start = std::chrono::steady_clock::now();
    const std::string report = saveReporting(path, checkedButtons({1}));
    const auto waited = std::chrono::steady_clock::now() - start;
    other.resumeChild();
    const test::ChildOutcome outcome = other.finish();

    EXPECT_EQ(report, "Unable to write to " + path);
    EXPECT_GE(waited, iniFileLockWait);
    EXPECT_LT(waited, iniFileLockWait + std::chrono::seconds(5)) << "the wait is bounded";
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(readText(path), content);
}

#ifndef _WIN32
// Permission bits, devices, FIFOs, sockets and kills: POSIX only. On Windows no test gives
// the settings a device or a pipe, and none kills a save; a folder at the name is among the
// files that give nothing, above.

// Nothing but a regular file is read or replaced, and nothing waits on what is there: the
// load gives the defaults and the save reports the file, each in a child whose alarm ends
// a wait within seconds.
TEST(StoredSettingsTest, ADeviceFifoSocketOrFolderAsTheFileGivesDefaultsAndCannotBeSaved)
{
    TempFolder folder;
    ASSERT_EQ(::mkfifo(folder.file("fifo.ini").c_str(), 0644), 0);
    std::filesystem::create_directory(folder.file("folder.ini"));
    std::filesystem::create_symlink("/dev/zero", folder.file("zero.ini"));
    std::filesystem::create_symlink("fifo.ini", folder.file("link to fifo.ini"));
    std::filesystem::create_symlink("folder.ini", folder.file("link to folder.ini"));
    const int socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const std::string socketPath = folder.file("socket.ini");
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(socketFd, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ::close(socketFd);

    const auto devEntries = [] {
        std::set<std::string> names;
        for (const std::string &name : namesIn("/dev"))
            if (name.find("zero") != std::string::npos || name.find("null") != std::string::npos)
                names.insert(name);
        return names;
    };
    const std::set<std::string> devBefore = devEntries();
    const std::set<std::string> namesBefore = namesIn(folder.path());
    StoredSettings settings = checkedButtons({1, 4});
    settings.fileIn = "donor.bin";

    for (const std::string &path : {std::string("/dev/zero"), std::string("/dev/null"), folder.file("zero.ini"),
                                   folder.file("fifo.ini"), folder.file("link to fifo.ini"), folder.file("folder.ini"),
                                   folder.file("link to folder.ini"), socketPath}) {
        const test::ChildOutcome outcome = test::runInChild([&] {
            ::alarm(10);
            const bool defaults = loadSettings(path) == StoredSettings{};
            return std::string(defaults ? "defaults" : "values") + "; " + saveReporting(path, settings);
        });
        EXPECT_EQ(outcome.exitCode, 0) << path << ": " << outcome.report;
        EXPECT_EQ(outcome.report, "defaults; Unable to write to " + path);
    }
    // Nothing was made beside them: no lock file, no temporary file, not even in /dev.
    EXPECT_EQ(namesIn(folder.path()), namesBefore);
    EXPECT_EQ(devEntries(), devBefore);
    EXPECT_TRUE(std::filesystem::is_fifo(folder.file("fifo.ini")));
    EXPECT_TRUE(std::filesystem::is_empty(folder.file("folder.ini")));
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

// A kill at a random moment of a save, a hundred times: the file always holds the old
// text or the new one, whole.
TEST(StoredSettingsTest, AKillAtAnyMomentOfASaveLeavesTheOldFileOrTheNewOneWhole)
{
    TempFolder folder;
    const std::string path = folder.file("lumo.ini");
    StoredSettings before = checkedButtons({2, 15});
    before.fileIn = "C:\\Прошивки\\стара.bin";
    StoredSettings after = checkedButtons({1, 4});
    after.fileIn = "C:\\Прошивки\\нова.bin";
    after.fileOut = std::string(2000, 'n');

    writeText(path, "[Other]\r\nKey=kept\r\n");
    saveSettings(path, before);
    const std::string oldText = readText(path);
    const auto putOld = [&] { writeText(path, oldText); };
    const auto save = [&] { saveSettings(path, after); };
    // The delays spread over a little more than one save takes here.
    const std::chrono::microseconds saveTime = test::medianDuration(putOld, save);
    const std::string newText = readText(path);
    ASSERT_NE(oldText, newText);

    int keptOld = 0;
    int wroteNew = 0;
    int temporariesLeft = 0;
    constexpr int kills = 100;
    const int endedFirst = test::killAtRandomMoments(kills, 20261212, saveTime * 6 / 5, putOld, save, [&](int round) {
        const std::string text = readText(path);
        if (text == oldText)
            ++keptOld;
        else if (text == newText)
            ++wroteNew;
        else
            ADD_FAILURE() << "round " << round << ": the file holds " << text.size() << " bytes of neither text";
        temporariesLeft += test::removeAllBut(folder.path(), {"lumo.ini", "lumo.ini.lock"});
    });
    std::cout << "a save takes " << saveTime.count() << " us; of " << kills << " kills, " << keptOld
              << " left the old file (before the rename), " << wroteNew << " the new one (" << endedFirst
              << " of them after the save had returned); " << temporariesLeft << " temporary files left behind\n";
    EXPECT_GT(keptOld, 0) << "no kill landed before the rename";
    // A kill never leaves the lock taken: it went with the killed process.
    EXPECT_EQ(saveReporting(path, before), "saved");
}

#endif

} // namespace
} // namespace lumo

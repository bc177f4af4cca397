#include "BinaryFile.h"
#include "FileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifndef _WIN32
#include "ChildProcess.h"
#include "FileSizeSignal.h"
#include "RandomKills.h"

#include <chrono>
#include <iostream>
#include <map>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace lumo;
using namespace lumo::test;

namespace {

constexpr std::size_t imageSize = 300 * 1024 + 7; // not a whole number of copy chunks

} // namespace

TEST(FileSystemTest, CopyFileOverReplacesTheDestinationAndLeavesTheSourceAsItWas)
{
    const TempFolder folder;
    const auto source = patternBytes(imageSize, 1);
    const std::string sourcePath = folder.write("image.bin", source);
    struct Case {
        const char *what;
        std::vector<std::uint8_t> before; // empty: no destination yet
    };
    const Case cases[] = {
        {"new destination", {}},
        {"longer destination", patternBytes(imageSize * 2, 2)},
        {"shorter destination", patternBytes(100, 3)},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.what);
        const std::string destination = folder.file("image.bin.bak");
        std::filesystem::remove(destination);
        if (!row.before.empty())
            folder.write("image.bin.bak", row.before);
        EXPECT_TRUE(copyFileOver(sourcePath, destination));
        EXPECT_EQ(readBytes(destination), source);
        EXPECT_EQ(readBytes(sourcePath), source);
        EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"image.bin", "image.bin.bak"}));
    }
    const std::string empty = folder.write("empty.bin", {});
    EXPECT_TRUE(copyFileOver(empty, folder.file("image.bin.bak")));
    EXPECT_TRUE(readBytes(folder.file("image.bin.bak")).empty());
}

TEST(FileSystemTest, CopyFileOverFailsWithoutHarmWhenEitherSideCannotBeUsed)
{
    const TempFolder folder;
    const auto source = patternBytes(imageSize, 1);
    const auto previous = patternBytes(5000, 2);
    const std::string sourcePath = folder.write("image.bin", source);
    const std::string destination = folder.file("image.bin.bak");
    std::filesystem::create_directory(folder.file("sub"));
    struct Case {
        const char *what;
        std::string from;
        std::string to;
    };
    const Case cases[] = {
        {"missing source", folder.file("missing.bin"), destination},
        {"source is a folder", folder.path(), destination},
        {"destination is a folder", sourcePath, folder.file("sub")},
        {"destination in a missing folder", sourcePath, folder.file("missing/image.bin.bak")},
        {"source over itself", sourcePath, sourcePath},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.what);
        folder.write("image.bin.bak", previous);
        EXPECT_FALSE(copyFileOver(row.from, row.to));
        EXPECT_EQ(readBytes(sourcePath), source);
        EXPECT_EQ(readBytes(destination), previous);
        EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"image.bin", "image.bin.bak", "sub"}));
    }
}

TEST(FileSystemTest, CopyFileOverFailsWhileEitherFileIsHeldOpenExclusively)
{
    const TempFolder folder;
    const auto source = patternBytes(imageSize, 1);
    const auto previous = patternBytes(5000, 2);
    const std::string sourcePath = folder.write("image.bin", source);
    const std::string destination = folder.write("image.bin.bak", previous);

    {
        const BinaryFile held = BinaryFile::open(sourcePath, FileAccess::ReadWrite, FileShare::Exclusive);
        EXPECT_FALSE(copyFileOver(sourcePath, destination)) << "source held";
    }
    {
        const BinaryFile held = BinaryFile::open(destination, FileAccess::ReadOnly, FileShare::SharedReadWrite);
        EXPECT_FALSE(copyFileOver(sourcePath, destination)) << "destination in use";
        EXPECT_EQ(readBytes(destination), previous);
    }
    {
        const BinaryFile reader = BinaryFile::open(sourcePath, FileAccess::ReadOnly, FileShare::SharedReadWrite);
        EXPECT_TRUE(copyFileOver(sourcePath, destination)) << "a shared reader does not stop the copy";
        EXPECT_EQ(readBytes(destination), source);
    }
}

TEST(FileSystemTest, ProgramPathNamesTheRunningTestProgram)
{
    const std::filesystem::path program = programPath();
    EXPECT_TRUE(program.is_absolute()) << program;
    EXPECT_EQ(program.stem(), "FileSystemTest");
    EXPECT_TRUE(isExistingFile(program.string()));
}

#ifndef _WIN32
// Links, FIFOs, permission bits, file size limits and kills: POSIX only.
namespace {

// Makes a folder the current one for the length of a test.
class CurrentFolder {
public:
    explicit CurrentFolder(const std::string &path) : previous_(std::filesystem::current_path())
    {
        std::filesystem::current_path(path);
    }
    CurrentFolder(const CurrentFolder &) = delete;
    CurrentFolder &operator=(const CurrentFolder &) = delete;
    ~CurrentFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

mode_t permissionsOf(const std::string &path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return 0;
    return status.st_mode & 07777;
}

std::string yesNo(bool value)
{
    return value ? "true" : "false";
}

// What each entry of a folder is, as text that shows any change: a file's permissions,
// size and bytes, a link's target, a FIFO, a folder's own entries.
std::map<std::string, std::string> entriesOf(const std::string &folder)
{
    std::map<std::string, std::string> entries;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) {
        const std::string path = entry.path().string();
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0)
            continue;
        std::string &text = entries[entry.path().filename().string()];
        if (S_ISLNK(status.st_mode)) {
            text = "link to " + std::filesystem::read_symlink(path).string();
        } else if (S_ISREG(status.st_mode)) {
            const auto bytes = readBytes(path);
            text = "file " + std::to_string(status.st_mode & 0777) + " of " + std::to_string(bytes.size())
                + " bytes, " + std::to_string(std::hash<std::string>{}(std::string(bytes.begin(), bytes.end())));
        } else if (S_ISDIR(status.st_mode)) {
            text = "folder:";
            for (const auto &[name, inner] : entriesOf(path))
                text += " " + name + " (" + inner + ")";
        } else if (S_ISFIFO(status.st_mode)) {
            text = "FIFO";
        } else {
            text = "other";
        }
    }
    return entries;
}

} // namespace

TEST(FileSystemTest, IsExistingFileIsTrueOnlyForAnExistingFileThatIsNotAFolder)
{
    const TempFolder folder;
    const std::string file = folder.write("image.bin", patternBytes(16));
    std::filesystem::create_symlink(file, folder.file("link-to-file"));
    std::filesystem::create_symlink(folder.path(), folder.file("link-to-folder"));
    std::filesystem::create_symlink(folder.file("gone.bin"), folder.file("dangling"));
    struct Case {
        std::string path;
        bool exists;
    };
    const Case cases[] = {
        {file, true},
        {folder.file("link-to-file"), true},
        {folder.path(), false},
        {folder.file("link-to-folder"), false},
        {folder.file("missing.bin"), false},
        {folder.file("dangling"), false},
        {file + "/inner.bin", false},
        {"", false},
    };
    for (const Case &row : cases)
        EXPECT_EQ(isExistingFile(row.path), row.exists) << row.path;
}

TEST(FileSystemTest, FullPathResolvesAgainstTheCurrentFolderWithoutTouchingTheDisk)
{
    const TempFolder folder;
    const std::string base = folder.path();
    const std::string parent = std::filesystem::path(base).parent_path().string();
    const CurrentFolder current(base);
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"image.bin", base + "/image.bin"},
        {"./image.bin", base + "/image.bin"},
        {"missing/../image.bin", base + "/image.bin"},
        {"a/./b/image.bin", base + "/a/b/image.bin"},
        {"../other/image.bin", parent + "/other/image.bin"},
        {"/abs/./dir/../image.bin", "/abs/image.bin"},
        {"image.bin.bak", base + "/image.bin.bak"},
        {"", ""},
    };
    for (const Case &row : cases)
        EXPECT_EQ(fullPath(row.path), row.expected) << row.path;
    EXPECT_FALSE(std::filesystem::exists(base + "/image.bin"));
}

TEST(FileSystemTest, CopyFileOverGivesTheCopyTheSourcesPermissions)
{
    const TempFolder folder;
    const std::string source = folder.write("image.bin", patternBytes(4096));
    for (const mode_t mode : {0600, 0640, 0444, 0755}) {
        SCOPED_TRACE(mode);
        ASSERT_EQ(::chmod(source.c_str(), mode), 0);
        const std::string fresh = folder.file("fresh.bak");
        std::filesystem::remove(fresh);
        const std::string existing = folder.write("existing.bak", patternBytes(10));
        ASSERT_EQ(::chmod(existing.c_str(), 0666), 0);

        EXPECT_TRUE(copyFileOver(source, fresh));
        EXPECT_TRUE(copyFileOver(source, existing));
        EXPECT_EQ(permissionsOf(fresh), mode);
        EXPECT_EQ(permissionsOf(existing), mode);
    }
}

// Whatever stands at the backup's name is replaced as a name or refused, and is never
// written into: no other file changes, whatever the name leads to.
TEST(FileSystemTest, WhatStandsAtTheBackupsNameIsReplacedAsANameOrRefusedUntouched)
{
    struct Case {
        const char *what;
        void (*prepare)(const TempFolder &folder, const std::string &backup);
        bool heldOpen;  // by an exclusive open in this process while the child copies
        ChildUser user; // Unprivileged where permission bits must apply
        bool backupMade;
    };
    const auto previous = [](const TempFolder &folder, const std::string &) {
        folder.write("target.bin.bak", patternBytes(5000, 2));
    };
    const Case cases[] = {
        {"nothing", [](const TempFolder &, const std::string &) {}, false, ChildUser::Current, true},
        {"a regular file", previous, false, ChildUser::Current, true},
        {"a read-only file",
         [](const TempFolder &folder, const std::string &backup) {
             folder.write("target.bin.bak", patternBytes(5000, 2));
             std::filesystem::permissions(backup, std::filesystem::perms(0444));
         },
         false, ChildUser::Unprivileged, false},
        {"a file held open exclusively", previous, true, ChildUser::Current, false},
        {"a symbolic link to an unrelated file",
         [](const TempFolder &folder, const std::string &backup) {
             std::filesystem::create_symlink(folder.file("other.bin"), backup);
         },
         false, ChildUser::Current, true},
        {"a symbolic link to the target itself",
         [](const TempFolder &, const std::string &backup) { std::filesystem::create_symlink("target.bin", backup); },
         false, ChildUser::Current, true},
        {"a dangling symbolic link",
         [](const TempFolder &folder, const std::string &backup) {
             std::filesystem::create_symlink(folder.file("gone.bin"), backup);
         },
         false, ChildUser::Current, true},
        {"a hard link to an unrelated file",
         [](const TempFolder &folder, const std::string &backup) {
             std::filesystem::create_hard_link(folder.file("other.bin"), backup);
         },
         false, ChildUser::Current, true},
        // The backup would be the target itself: refused like a source copied over itself.
        {"a hard link to the target itself",
         [](const TempFolder &folder, const std::string &backup) {
             std::filesystem::create_hard_link(folder.file("target.bin"), backup);
         },
         false, ChildUser::Current, false},
        {"a folder",
         [](const TempFolder &folder, const std::string &backup) {
             std::filesystem::create_directory(backup);
             folder.write("target.bin.bak/inside.bin", patternBytes(100, 4));
         },
         false, ChildUser::Current, false},
        {"a FIFO", [](const TempFolder &, const std::string &backup) { ASSERT_EQ(::mkfifo(backup.c_str(), 0644), 0); },
         false, ChildUser::Current, false},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.what);
        const TempFolder folder;
        const std::string target = folder.write("target.bin", patternBytes(imageSize, 1));
        folder.write("other.bin", patternBytes(imageSize, 3));
        const std::string backup = folder.file("target.bin.bak");
        row.prepare(folder, backup);
        const std::map<std::string, std::string> before = entriesOf(folder.path());
        std::optional<BinaryFile> held;
        if (row.heldOpen)
            held = BinaryFile::open(backup, FileAccess::ReadWrite, FileShare::Exclusive);

        // The alarm ends a copy that waits on the FIFO, instead of the whole test run.
        const ChildOutcome outcome = runInChild([&] {
            ::alarm(10);
            return yesNo(copyFileOver(target, backup));
        }, row.user);
        held.reset();

        EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
        EXPECT_EQ(outcome.report, yesNo(row.backupMade));
        std::map<std::string, std::string> expected = before;
        if (row.backupMade) {
            expected["target.bin.bak"] = before.at("target.bin");
            // The backup is a file of its own, a name of nothing else.
            struct stat status {};
            ASSERT_EQ(::lstat(backup.c_str(), &status), 0);
            EXPECT_TRUE(S_ISREG(status.st_mode));
            EXPECT_EQ(status.st_nlink, 1u);
        }
        EXPECT_EQ(entriesOf(folder.path()), expected);
    }
}

TEST(FileSystemTest, CopyFileOverFailsForADestinationThatMayNotBeWritten)
{
    if (const std::string &why = whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    const TempFolder folder;
    const auto previous = patternBytes(5000, 2);
    const std::string source = folder.write("image.bin", patternBytes(imageSize, 1));
    const std::string readOnly = folder.write("image.bin.bak", previous);
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    std::filesystem::create_directory(folder.file("locked"));
    ASSERT_EQ(::chmod(folder.file("locked").c_str(), 0555), 0);

    // As root the permission bits would not stop the copy; the child is an ordinary owner.
    const ChildOutcome outcome = runInChild([&] {
        return yesNo(copyFileOver(source, readOnly)) + " " + yesNo(copyFileOver(source, folder.file("locked/image.bin.bak")));
    }, ChildUser::Unprivileged);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "false false");
    EXPECT_EQ(readBytes(readOnly), previous);
    EXPECT_FALSE(std::filesystem::exists(folder.file("locked/image.bin.bak")));
}

TEST(FileSystemTest, CopyFileOverFailsWhenTheCopyDoesNotFitOnTheDiskAndKeepsThePreviousBackup)
{
    const TempFolder folder;
    const std::string source = folder.write("image.bin", patternBytes(imageSize, 1));
    const auto previous = patternBytes(5000, 2);
    const std::string backup = folder.write("image.bin.bak", previous);

    // The file size limit stands for a full disk. Without the signal ignored, the first
    // write past it would end the child with SIGXFSZ.
    const ChildOutcome outcome = runInChild([&] {
        ignoreFileSizeSignal();
        const rlimit limit{imageSize / 3, imageSize / 3};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("setrlimit failed");
        return yesNo(copyFileOver(source, backup));
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "false");
    EXPECT_EQ(readBytes(backup), previous);
    EXPECT_EQ(namesIn(folder.path()), (std::set<std::string>{"image.bin", "image.bin.bak"}));
}

// A kill at a random moment of the copy, a hundred times: the backup's name always holds
// the previous backup or the whole copy, never a part of either.
TEST(FileSystemTest, AKillAtAnyMomentLeavesThePreviousBackupOrTheWholeCopy)
{
    const TempFolder folder;
    const auto target = patternBytes(imageSize, 1);
    const auto previous = patternBytes(imageSize / 2, 2);
    const std::string targetPath = folder.write("target.bin", target);
    const std::string backup = folder.file("target.bin.bak");
    const auto putPrevious = [&] { folder.write("target.bin.bak", previous); };
    const auto copy = [&] {
        if (!copyFileOver(targetPath, backup))
            throw std::runtime_error("the copy failed");
    };

    // The delays spread over a little more than one copy takes here, so that the kills
    // land before, during and after its rename.
    const std::chrono::microseconds copyTime = medianDuration(putPrevious, copy);
    int keptPrevious = 0;
    int copiedWhole = 0;
    int temporariesLeft = 0;
    constexpr int kills = 100;
    const int endedFirst = killAtRandomMoments(kills, 20261211, copyTime * 6 / 5, putPrevious, copy, [&](int round) {
        const auto left = readBytes(backup);
        if (left == previous)
            ++keptPrevious;
        else if (left == target)
            ++copiedWhole;
        else
            ADD_FAILURE() << "round " << round << ": the backup holds " << left.size() << " bytes of neither file";
        // A kill may leave its temporary file behind; the next copy must not depend on it.
        temporariesLeft += removeAllBut(folder.path(), {"target.bin", "target.bin.bak"});
    });
    std::cout << "copy of " << imageSize << " bytes takes " << copyTime.count() << " us; of " << kills
              << " kills, " << keptPrevious << " left the previous backup (before the rename), " << copiedWhole
              << " the whole copy (" << endedFirst << " of them after the copy had returned); " << temporariesLeft
              << " temporary files left behind\n";
    EXPECT_EQ(readBytes(targetPath), target);
    EXPECT_GT(keptPrevious, 0) << "no kill landed before the rename";
}
#endif

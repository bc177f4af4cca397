#include "BinaryFile.h"
#include "ChildProcess.h"
#include "CurrentFolder.h"
#include "FileSystem.h"
#include "SymbolicLink.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
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

std::string yesNo(bool value)
{
    return value ? "true" : "false";
}

bool isWritable(const std::string &path)
{
    const std::filesystem::perms permissions = std::filesystem::status(pathOf(path)).permissions();
    return (permissions & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
}

// Holds the file named first open, for reading or for reading and writing as the second
// argument says, unshared or shared as the third says, until the parent's turn.
const ChildRoutine holdOpen("hold-open", [](ChildProcess &self, const ChildArguments &arguments) {
    const FileAccess access = arguments.at(1) == "read-write" ? FileAccess::ReadWrite : FileAccess::ReadOnly;
    const FileShare share = arguments.at(2) == "exclusive" ? FileShare::Exclusive : FileShare::SharedReadWrite;
    BinaryFile held = BinaryFile::open(arguments.at(0), access, share);
    self.notifyParent();
    self.awaitParent();
    held.close();
    return std::string("released");
});

#ifdef _WIN32
// Windows lets an open share the file's deletion as well, which lets a rename replace it.
const ChildRoutine holdOpenSharingDeletion("hold-open-sharing-deletion", [](ChildProcess &self,
                                                                             const ChildArguments &arguments) {
    const HANDLE held = CreateFileW(pathOf(arguments.at(0)).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held == INVALID_HANDLE_VALUE)
        return "cannot open: error " + std::to_string(GetLastError());
    self.notifyParent();
    self.awaitParent();
    CloseHandle(held);
    return std::string("released");
});
#endif

} // namespace

TEST(FileSystemTest, IsExistingFileIsTrueOnlyForAnExistingFileThatIsNotAFolder)
{
    const TempFolder folder;
    const std::string file = folder.write("image.bin", patternBytes(16));
    struct Case {
        std::string path;
        bool exists;
    };
    std::vector<Case> cases = {
        {file, true},
        {folder.path(), false},
        {folder.file("missing.bin"), false},
        {file + "/inner.bin", false},
        {"", false},
    };
    // A link counts as what it leads to; one that leads nowhere is no file.
    const std::string gone = folder.write("gone.bin", patternBytes(16));
    if (makeSymbolicLink(file, folder.file("link-to-file"))
        && makeSymbolicLink(folder.path(), folder.file("link-to-folder"), LinkTo::Folder)
        && makeSymbolicLink(gone, folder.file("dangling"))) {
        std::filesystem::remove(pathOf(gone));
        cases.insert(cases.end(), {{folder.file("link-to-file"), true},
                                   {folder.file("link-to-folder"), false},
                                   {folder.file("dangling"), false}});
    }
    // Without links (Windows without the privilege, some Wine builds) the other cases run.
    for (const Case &row : cases)
        EXPECT_EQ(isExistingFile(row.path), row.exists) << row.path;
}

TEST(FileSystemTest, FullPathResolvesAgainstTheCurrentFolderWithoutTouchingTheDisk)
{
    const TempFolder folder;
    const std::string base = folder.path();
    const std::string other = utf8Of((pathOf(base).parent_path() / "other/image.bin").make_preferred());
    const CurrentFolder current(base);
#ifdef _WIN32
    const std::string absolute = "C:/abs/./dir/../image.bin";
    const std::string absoluteFull = "C:\\abs\\image.bin";
#else
    const std::string absolute = "/abs/./dir/../image.bin";
    const std::string absoluteFull = "/abs/image.bin";
#endif
    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {"image.bin", folder.file("image.bin")},
        {"./image.bin", folder.file("image.bin")},
        {"missing/../image.bin", folder.file("image.bin")},
        {"a/./b/image.bin", folder.file("a/b/image.bin")},
        {"../other/image.bin", other},
        {absolute, absoluteFull},
        {"image.bin.bak", folder.file("image.bin.bak")},
        {"", ""},
    };
    for (const Case &row : cases)
        EXPECT_EQ(fullPath(row.path), row.expected) << row.path;
    EXPECT_FALSE(std::filesystem::exists(pathOf(folder.file("image.bin"))));
}

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
        std::filesystem::remove(pathOf(destination));
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

TEST(FileSystemTest, CopyFileOverKeepsWhetherTheSourceIsReadOnly)
{
    const TempFolder folder;
    const std::string source = folder.write("image.bin", patternBytes(4096));
    for (const bool readOnly : {true, false}) {
        SCOPED_TRACE(readOnly ? "read-only source" : "writable source");
        if (readOnly)
            makeReadOnly(source);
        else
            std::filesystem::permissions(pathOf(source), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
        const std::string fresh = folder.file("fresh.bak");
        std::filesystem::remove(pathOf(fresh));
        const std::string existing = folder.write("existing.bak", patternBytes(10));

        EXPECT_TRUE(copyFileOver(source, fresh));
        EXPECT_TRUE(copyFileOver(source, existing));
        EXPECT_EQ(isWritable(fresh), !readOnly);
        EXPECT_EQ(isWritable(existing), !readOnly);
        for (const std::string &copy : {fresh, existing})
            std::filesystem::permissions(pathOf(copy), std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add);
    }
}

TEST(FileSystemTest, CopyFileOverFailsWithoutHarmWhenEitherSideCannotBeUsed)
{
    const TempFolder folder;
    const auto source = patternBytes(imageSize, 1);
    const auto previous = patternBytes(5000, 2);
    const std::string sourcePath = folder.write("image.bin", source);
    const std::string destination = folder.file("image.bin.bak");
    std::filesystem::create_directory(pathOf(folder.file("sub")));
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

TEST(FileSystemTest, CopyFileOverFailsAndChangesNothingWhileAnotherProgramHoldsTheDestinationOpen)
{
    const TempFolder folder;
    const auto source = patternBytes(imageSize, 1);
    const auto previous = patternBytes(5000, 2);
    const std::string sourcePath = folder.write("image.bin", source);
    const std::string destination = folder.write("image.bin.bak", previous);
    const std::set<std::string> names = namesIn(folder.path());
    struct Hold {
        std::string routine;
        ChildArguments arguments;
    };
    std::vector<Hold> holds = {
        {"hold-open", {destination, "read", "exclusive"}},
        {"hold-open", {destination, "read-write", "exclusive"}},
        {"hold-open", {destination, "read", "shared"}},
        {"hold-open", {destination, "read-write", "shared"}},
    };
#ifdef _WIN32
    holds.push_back({"hold-open-sharing-deletion", {destination}});
#endif
    for (const Hold &hold : holds) {
        std::string trace = hold.routine;
        for (const std::string &argument : hold.arguments)
            trace += " " + argument;
        SCOPED_TRACE(trace);
        ChildProcess child(hold.routine, hold.arguments);
        ASSERT_TRUE(child.awaitChild()) << child.finish().report;
        EXPECT_FALSE(copyFileOver(sourcePath, destination));
        EXPECT_EQ(namesIn(folder.path()), names);
        child.resumeChild();
        const ChildOutcome outcome = child.finish();
        EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
        EXPECT_EQ(outcome.report, "released");
        EXPECT_EQ(readBytes(destination), previous);
    }
    EXPECT_TRUE(copyFileOver(sourcePath, destination)) << "once the other program lets go";
    EXPECT_EQ(readBytes(destination), source);
}

TEST(FileSystemTest, CopyFileOverFailsForADestinationThatMayNotBeWritten)
{
    if (const std::string &why = whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    const TempFolder folder;
    const auto previous = patternBytes(5000, 2);
    const std::string source = folder.write("image.bin", patternBytes(imageSize, 1));
    const std::string readOnly = folder.write("image.bin.bak", previous);
    makeReadOnly(readOnly);

    // As root the permission bits would not stop the copy; the child is an ordinary owner.
    const ChildOutcome outcome = runAsOrdinaryUser([&] { return yesNo(copyFileOver(source, readOnly)); });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "false");
    EXPECT_EQ(readBytes(readOnly), previous);
}

TEST(FileSystemTest, ProgramPathNamesTheRunningTestProgram)
{
    const std::filesystem::path program = pathOf(programPath());
    EXPECT_TRUE(program.is_absolute()) << program;
    EXPECT_EQ(program.stem(), "FileSystemTest");
    EXPECT_TRUE(isExistingFile(programPath()));
}

#ifndef _WIN32
// Links, FIFOs, permission bits, folders that take no new file, file size limits and kills:
// POSIX only. On Windows the read-only attribute that stands for the mode bits is checked by
// CopyFileOverKeepsWhetherTheSourceIsReadOnly, and a destination that may not be replaced by
// the tests above of a read-only one, one held open by another program and a folder. The
// read-only attribute of a Windows folder does not keep new files out, and its access lists
// are no part of Lumo. Windows sets a process no file size limit, the Windows test leg has no
// small volume to fill, and no test there kills a copy.
namespace {

mode_t permissionsOf(const std::string &path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return 0;
    return status.st_mode & 07777;
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
        // Only the read-only row needs a user whom permission bits stop; the others still run.
        if (row.user == ChildUser::Unprivileged && !whyNoUnprivilegedChild().empty()) {
            std::printf("row \"%s\" skipped: %s\n", row.what, whyNoUnprivilegedChild().c_str());
            continue;
        }
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

TEST(FileSystemTest, CopyFileOverFailsInAFolderThatTakesNoNewFile)
{
    if (const std::string &why = whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    const TempFolder folder;
    const std::string source = folder.write("image.bin", patternBytes(imageSize, 1));
    std::filesystem::create_directory(folder.file("locked"));
    ASSERT_EQ(::chmod(folder.file("locked").c_str(), 0555), 0);

    const ChildOutcome outcome =
        runAsOrdinaryUser([&] { return yesNo(copyFileOver(source, folder.file("locked/image.bin.bak"))); });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "false");
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

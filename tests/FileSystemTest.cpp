#include "BinaryFile.h"
#include "ChildProcess.h"
#include "CurrentFolder.h"
#include "FileSystem.h"
#include "SymbolicLink.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <set>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace lumo;
using namespace lumo::test;

namespace {

constexpr std::size_t imageSize = 300 * 1024 + 7; // not a whole number of copy chunks

#ifndef _WIN32
mode_t permissionsOf(const std::string &path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return 0;
    return status.st_mode & 07777;
}
#endif

std::string yesNo(bool value)
{
    return value ? "true" : "false";
}

std::set<std::string> namesIn(const TempFolder &folder)
{
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(pathOf(folder.path())))
        names.insert(utf8Of(entry.path().filename()));
    return names;
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
        std::filesystem::remove(destination);
        if (!row.before.empty())
            folder.write("image.bin.bak", row.before);
        EXPECT_TRUE(copyFileOver(sourcePath, destination));
        EXPECT_EQ(readBytes(destination), source);
        EXPECT_EQ(readBytes(sourcePath), source);
    }
    const std::string empty = folder.write("empty.bin", {});
    EXPECT_TRUE(copyFileOver(empty, folder.file("image.bin.bak")));
    EXPECT_TRUE(readBytes(folder.file("image.bin.bak")).empty());
}

bool isWritable(const std::string &path)
{
    const std::filesystem::perms permissions = std::filesystem::status(pathOf(path)).permissions();
    return (permissions & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
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

#ifndef _WIN32
// Windows has no mode bits; the read-only attribute that stands for them there is checked by
// CopyFileOverKeepsWhetherTheSourceIsReadOnly.
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
#endif

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
    std::vector<Case> cases = {
        {"missing source", folder.file("missing.bin"), destination},
        {"source is a folder", folder.path(), destination},
        {"destination is a folder", sourcePath, folder.file("sub")},
        {"destination in a missing folder", sourcePath, folder.file("missing/image.bin.bak")},
        {"source over itself", sourcePath, sourcePath},
    };
    // Without links (Windows without the privilege, some Wine builds) the other cases run.
    if (makeSymbolicLink(sourcePath, folder.file("link.bin")))
        cases.push_back({"source over a link to itself", sourcePath, folder.file("link.bin")});
    for (const Case &row : cases) {
        SCOPED_TRACE(row.what);
        folder.write("image.bin.bak", previous);
        EXPECT_FALSE(copyFileOver(row.from, row.to));
        EXPECT_EQ(readBytes(sourcePath), source);
        EXPECT_EQ(readBytes(destination), previous);
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
    const std::set<std::string> names = namesIn(folder);
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
        EXPECT_EQ(namesIn(folder), names);
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

#ifndef _WIN32
// The read-only attribute of a Windows folder does not keep new files out, and its access
// lists are no part of Lumo; the read-only copy above is the case there.
TEST(FileSystemTest, CopyFileOverFailsInAFolderThatTakesNoNewFile)
{
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

// Windows sets a process no file size limit, and the Windows test leg has no small volume
// to fill; there a full disk fails the copy's checked writes like any other write error.
TEST(FileSystemTest, CopyFileOverFailsWhenTheCopyDoesNotFitOnTheDisk)
{
    const TempFolder folder;
    const std::string source = folder.write("image.bin", patternBytes(imageSize, 1));

    // The file size limit stands for a full disk.
    const ChildOutcome outcome = runInChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{imageSize / 3, imageSize / 3};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
            return std::string("setrlimit failed");
        return yesNo(copyFileOver(source, folder.file("image.bin.bak")));
    });
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.report, "false");
}

#endif

TEST(FileSystemTest, ProgramPathNamesTheRunningTestProgram)
{
    const std::filesystem::path program = pathOf(programPath());
    EXPECT_TRUE(program.is_absolute()) << program;
    EXPECT_EQ(program.stem(), "FileSystemTest");
    EXPECT_TRUE(isExistingFile(programPath()));
}

#include "BinaryFile.h"
#include "ChildProcess.h"
#include "FileSystem.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace lumo;
using namespace lumo::test;

namespace {

constexpr std::size_t imageSize = 300 * 1024 + 7; // not a whole number of copy chunks

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

TEST(FileSystemTest, CopyFileOverFailsWithoutHarmWhenEitherSideCannotBeUsed)
{
    const TempFolder folder;
    const auto source = patternBytes(imageSize, 1);
    const auto previous = patternBytes(5000, 2);
    const std::string sourcePath = folder.write("image.bin", source);
    const std::string destination = folder.file("image.bin.bak");
    std::filesystem::create_symlink(sourcePath, folder.file("link.bin"));
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
        {"source over a link to itself", sourcePath, folder.file("link.bin")},
    };
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

TEST(FileSystemTest, ProgramPathNamesTheRunningTestProgram)
{
    const std::filesystem::path program = programPath();
    EXPECT_TRUE(program.is_absolute()) << program;
    EXPECT_EQ(program.filename(), "FileSystemTest");
    EXPECT_TRUE(isExistingFile(program.string()));
}

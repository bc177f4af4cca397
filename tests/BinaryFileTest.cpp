#include "BinaryFile.h"
#include "ChildProcess.h"
#include "CurrentFolder.h"
#include "FileErrors.h"
#include "FileSystem.h"
#include "OpenErrorForm.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace lumo;
using namespace lumo::test;

namespace {

constexpr std::size_t imageSize = 300 * 1024;
const std::string inUse = "The process cannot access the file because it is being used by another process";

// The message of the open error, or "opened" when the open succeeds.
std::string tryOpen(const std::string &path, FileAccess access, FileShare share)
{
    try {
        BinaryFile::open(path, access, share);
        return "opened";
    } catch (const FileOpenError &error) {
        return error.what();
    }
}

const char *nameOf(FileShare share)
{
    return share == FileShare::Exclusive ? "Exclusive" : "SharedReadWrite";
}

// Holds the file named first open for reading and writing, unshared, until the parent's turn.
const ChildRoutine holdExclusively("hold-exclusively", [](ChildProcess &self, const ChildArguments &arguments) {
    BinaryFile held = BinaryFile::open(arguments.at(0), FileAccess::ReadWrite, FileShare::Exclusive);
    self.notifyParent();
    self.awaitParent();
    held.close();
    return std::string("released");
});

// The outcome of an exclusive and then of a shared open for reading and writing, one a line.
const ChildRoutine tryOpens("try-opens", [](ChildProcess &, const ChildArguments &arguments) {
    return tryOpen(arguments.at(0), FileAccess::ReadWrite, FileShare::Exclusive) + "\n"
        + tryOpen(arguments.at(0), FileAccess::ReadWrite, FileShare::SharedReadWrite);
});

std::vector<std::string> linesOf(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    lines.push_back(text.substr(start));
    return lines;
}

} // namespace

TEST(BinaryFileTest, OpenFailuresNameTheFullPathAndTheSystemsReason)
{
    const TempFolder folder;
    const std::string image = folder.write("image.bin", patternBytes(16));
    const std::string missing = folder.file("missing.bin");
    // Named from the folder above, as the temporary folder may lie on another drive than
    // the current folder on Windows.
    const std::filesystem::path tempFolder = pathOf(folder.path());
    const CurrentFolder current(utf8Of(tempFolder.parent_path()));
    const std::string relativeMissing = utf8Of(tempFolder.filename() / "missing.bin");
    struct Case {
        std::string path;
        std::string fullPath;
        std::string posixReason;
    };
    const Case cases[] = {
        {missing, missing, "No such file or directory"},
        {relativeMissing, missing, "No such file or directory"},
        {folder.file("sub/../missing.bin"), missing, "No such file or directory"},
        {folder.file("no-folder/image.bin"), folder.file("no-folder/image.bin"), "No such file or directory"},
        {image + "/inner.bin", folder.file("image.bin/inner.bin"), "Not a directory"},
        {folder.path(), folder.path(), "Is a directory"},
        {"", "", "No such file or directory"},
    };
    for (const Case &row : cases) {
        for (const FileAccess access : {FileAccess::ReadOnly, FileAccess::ReadWrite}) {
            SCOPED_TRACE(row.path + (access == FileAccess::ReadOnly ? " read-only" : " read-write"));
            EXPECT_TRUE(isOpenError(tryOpen(row.path, access, FileShare::Exclusive), row.fullPath, row.posixReason));
        }
    }
    EXPECT_FALSE(std::filesystem::exists(missing)) << "an open must never create the file";
}

TEST(BinaryFileTest, ReadsBytesAtAbsolutePositionsUpToTheEnd)
{
    const TempFolder folder;
    const auto bytes = patternBytes(imageSize);
    BinaryFile file = BinaryFile::open(folder.write("image.bin", bytes), FileAccess::ReadOnly, FileShare::SharedReadWrite);
    EXPECT_EQ(file.size(), static_cast<std::int64_t>(imageSize));

    for (const std::size_t offset : {std::size_t{0}, std::size_t{0xC422}, imageSize / 2, imageSize - 1}) {
        file.seek(static_cast<std::int64_t>(offset));
        EXPECT_EQ(file.readByte(), bytes[offset]) << "offset " << offset;
    }
    EXPECT_THROW(file.readByte(), StreamReadError) << "the last byte has been read";

    // Reading goes on from where the last read stopped.
    file.seek(0x8000);
    EXPECT_EQ(file.readByte(), bytes[0x8000]);
    std::vector<std::uint8_t> region(27008);
    file.read(region.data(), static_cast<std::int64_t>(region.size()));
    EXPECT_TRUE(std::equal(region.begin(), region.end(), bytes.begin() + 0x8001));
}

TEST(BinaryFileTest, ReadingWhereTooFewBytesAreLeftIsAStreamReadError)
{
    const TempFolder folder;
    BinaryFile file = BinaryFile::open(folder.write("image.bin", patternBytes(imageSize)), FileAccess::ReadWrite,
                                       FileShare::Exclusive);
    struct Case {
        std::int64_t position;
        std::int64_t count;
    };
    const std::int64_t size = imageSize;
    for (const Case row : {Case{size, 1}, Case{size - 5, 6}, Case{size + 1000, 1}, Case{0, size + 1}}) {
        SCOPED_TRACE("position " + std::to_string(row.position) + ", count " + std::to_string(row.count));
        std::vector<std::uint8_t> buffer(static_cast<std::size_t>(row.count));
        file.seek(row.position);
        try {
            file.read(buffer.data(), row.count);
            ADD_FAILURE() << "read past the end succeeded";
        } catch (const StreamReadError &error) {
            EXPECT_STREQ(error.what(), "Stream read error");
        }
    }
    EXPECT_THROW(file.seek(-1), StreamReadError);
}

TEST(BinaryFileTest, AByteWrittenAtAPositionIsReadBackAndNoOtherByteChanges)
{
    const TempFolder folder;
    auto expected = patternBytes(imageSize);
    const std::string path = folder.write("image.bin", expected);
    const std::int64_t offset = 0xC422;
    const std::uint8_t value = static_cast<std::uint8_t>(expected[offset] ^ 0x40);

    BinaryFile file = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
    file.seek(offset);
    file.writeByte(value);
    file.seek(offset);
    EXPECT_EQ(file.readByte(), value);
    file.flush();
    file.close();

    expected[offset] = value;
    EXPECT_EQ(readBytes(path), expected);
}

TEST(BinaryFileTest, AByteWrittenPastTheEndGrowsTheFile)
{
    const TempFolder folder;
    auto expected = patternBytes(4096);
    const std::string path = folder.write("short.bin", expected);

    BinaryFile file = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
    file.seek(0x8000);
    file.writeByte(0xA5);
    EXPECT_EQ(file.size(), 0x8001);
    file.close();

    expected.resize(0x8001, 0);
    expected[0x8000] = 0xA5;
    EXPECT_EQ(readBytes(path), expected);
}

TEST(BinaryFileTest, ARunWrittenAtAnOffsetLandsThereWhereverThePositionStands)
{
    const TempFolder folder;
    auto expected = patternBytes(imageSize);
    const std::string path = folder.write("image.bin", expected);
    const auto run = patternBytes(27018, 7);
    const std::int64_t offset = 0x20000;

    BinaryFile file = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
    file.seek(100);
    file.writeAt(offset, run.data(), static_cast<std::int64_t>(run.size()));
    file.writeAt(5, run.data(), 0);
    file.flush();
    file.close();

    std::copy(run.begin(), run.end(), expected.begin() + offset);
    EXPECT_EQ(readBytes(path), expected);
}

TEST(BinaryFileTest, WritingToAFileOpenedReadOnlyIsAStreamWriteError)
{
    const TempFolder folder;
    const auto bytes = patternBytes(4096);
    const std::string path = folder.write("image.bin", bytes);
    BinaryFile file = BinaryFile::open(path, FileAccess::ReadOnly, FileShare::SharedReadWrite);
    file.seek(10);
    try {
        file.writeByte(0);
        ADD_FAILURE() << "a write through a read-only open succeeded";
    } catch (const StreamWriteError &error) {
        EXPECT_STREQ(error.what(), "Stream write error");
    }
    EXPECT_THROW(file.writeAt(10, bytes.data(), 16), StreamWriteError);
    file.close();
    EXPECT_EQ(readBytes(path), bytes);
}

TEST(BinaryFileTest, FlushingAFileOpenedOnlyForReadingSucceedsAndChangesNothing)
{
    const TempFolder folder;
    const auto bytes = patternBytes(4096);
    const std::string path = folder.write("image.bin", bytes);
    for (const FileShare share : {FileShare::Exclusive, FileShare::SharedReadWrite}) {
        SCOPED_TRACE(nameOf(share));
        BinaryFile file = BinaryFile::open(path, FileAccess::ReadOnly, share);
        file.seek(100);
        EXPECT_EQ(file.readByte(), bytes[100]);
        EXPECT_NO_THROW(file.flush());
        EXPECT_NO_THROW(file.close());
    }
    EXPECT_EQ(readBytes(path), bytes);
}

TEST(BinaryFileTest, SharingDecidesWhetherASecondOpenInTheSameProcessSucceeds)
{
    const TempFolder folder;
    const std::string path = folder.write("image.bin", patternBytes(4096));
    struct Case {
        FileShare first;
        FileAccess firstAccess;
        FileShare second;
        FileAccess secondAccess;
        bool secondOpens;
    };
    const Case cases[] = {
        {FileShare::Exclusive, FileAccess::ReadWrite, FileShare::Exclusive, FileAccess::ReadWrite, false},
        {FileShare::Exclusive, FileAccess::ReadWrite, FileShare::SharedReadWrite, FileAccess::ReadWrite, false},
        {FileShare::Exclusive, FileAccess::ReadOnly, FileShare::SharedReadWrite, FileAccess::ReadOnly, false},
        {FileShare::SharedReadWrite, FileAccess::ReadWrite, FileShare::Exclusive, FileAccess::ReadWrite, false},
        {FileShare::SharedReadWrite, FileAccess::ReadOnly, FileShare::Exclusive, FileAccess::ReadOnly, false},
        {FileShare::SharedReadWrite, FileAccess::ReadWrite, FileShare::SharedReadWrite, FileAccess::ReadWrite, true},
        {FileShare::SharedReadWrite, FileAccess::ReadOnly, FileShare::SharedReadWrite, FileAccess::ReadWrite, true},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(std::string(nameOf(row.first)) + " then " + nameOf(row.second));
        BinaryFile first = BinaryFile::open(path, row.firstAccess, row.first);
        if (row.secondOpens)
            EXPECT_EQ(tryOpen(path, row.secondAccess, row.second), "opened");
        else
            EXPECT_TRUE(isOpenError(tryOpen(path, row.secondAccess, row.second), path, inUse));
        first.close();
        EXPECT_EQ(tryOpen(path, row.secondAccess, row.second), "opened") << "closing gives the file free";
    }
}

TEST(BinaryFileTest, ClosingIsHarmlessTwiceAndEveryEndOfAnOpenGivesTheFileFree)
{
    const TempFolder folder;
    const std::string path = folder.write("image.bin", patternBytes(4096));

    BinaryFile file = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
    EXPECT_TRUE(file.isOpen());
    file.close();
    EXPECT_FALSE(file.isOpen());
    EXPECT_NO_THROW(file.close());

    {
        const BinaryFile dropped = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
    }
    EXPECT_EQ(tryOpen(path, FileAccess::ReadWrite, FileShare::Exclusive), "opened") << "after the destructor";

    BinaryFile holder = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
    BinaryFile moved(std::move(holder));
    EXPECT_FALSE(holder.isOpen());
    EXPECT_TRUE(isOpenError(tryOpen(path, FileAccess::ReadOnly, FileShare::SharedReadWrite), path, inUse))
        << "the moved-to object holds the lock";
    moved = BinaryFile::open(folder.write("other.bin", patternBytes(16)), FileAccess::ReadOnly, FileShare::Exclusive);
    EXPECT_EQ(tryOpen(path, FileAccess::ReadWrite, FileShare::Exclusive), "opened") << "after a move assignment";
}

TEST(BinaryFileTest, AnExclusiveOpenInAnotherProcessMakesEveryOpenFail)
{
    const TempFolder folder;
    const std::string path = folder.write("image.bin", patternBytes(imageSize));

    ChildProcess child("hold-exclusively", {path});
    ASSERT_TRUE(child.awaitChild()) << child.finish().report;
    EXPECT_TRUE(isOpenError(tryOpen(path, FileAccess::ReadWrite, FileShare::Exclusive), path, inUse));
    EXPECT_TRUE(isOpenError(tryOpen(path, FileAccess::ReadOnly, FileShare::SharedReadWrite), path, inUse));
    child.resumeChild();
    const ChildOutcome outcome = child.finish();
    EXPECT_EQ(outcome.exitCode, 0);
    EXPECT_EQ(outcome.report, "released");
    EXPECT_EQ(tryOpen(path, FileAccess::ReadWrite, FileShare::Exclusive), "opened");
}

TEST(BinaryFileTest, ASharedOpenInThisProcessMakesAnExclusiveOpenInAnotherFail)
{
    const TempFolder folder;
    const std::string path = folder.write("image.bin", patternBytes(4096));
    const BinaryFile held = BinaryFile::open(path, FileAccess::ReadOnly, FileShare::SharedReadWrite);

    ChildProcess child("try-opens", {path});
    const ChildOutcome outcome = child.finish();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    const std::vector<std::string> opens = linesOf(outcome.report);
    ASSERT_EQ(opens.size(), 2u) << outcome.report;
    EXPECT_TRUE(isOpenError(opens[0], path, inUse));
    EXPECT_EQ(opens[1], "opened");
}

TEST(BinaryFileTest, AReadOnlyFileOpensForReadingButNotForWriting)
{
    if (const std::string &why = whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    const TempFolder folder;
    const auto bytes = patternBytes(imageSize);
    const std::string path = folder.write("image.bin", bytes);
    makeReadOnly(path);

    // As root the permission bits would not stop the open; the child is an ordinary owner.
    const ChildOutcome outcome = runAsOrdinaryUser([&] {
        BinaryFile reader = BinaryFile::open(path, FileAccess::ReadOnly, FileShare::Exclusive);
        reader.seek(1000);
        const std::string read = std::to_string(reader.readByte());
        reader.close();
        return read + "\n" + tryOpen(path, FileAccess::ReadWrite, FileShare::Exclusive);
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    const std::vector<std::string> lines = linesOf(outcome.report);
    ASSERT_EQ(lines.size(), 2u) << outcome.report;
    EXPECT_EQ(lines[0], std::to_string(bytes[1000]));
    EXPECT_TRUE(isOpenError(lines[1], path, "Permission denied"));
    EXPECT_EQ(readBytes(path), bytes);
}

#ifdef _WIN32
// A device name opens like a file on Windows; the open refuses it. Its POSIX counterpart,
// with FIFOs, sockets and links too, follows.
TEST(BinaryFileTest, ADeviceIsRefusedAsNotARegularFile)
{
    for (const FileAccess access : {FileAccess::ReadOnly, FileAccess::ReadWrite}) {
        SCOPED_TRACE(access == FileAccess::ReadOnly ? "read-only" : "read-write");
        EXPECT_EQ(tryOpen("NUL", access, FileShare::Exclusive),
                  "Cannot open file \"" + fullPath("NUL") + "\". Is a device, not a regular file");
    }
}
#else
namespace {

std::string openError(const std::string &fullPath, const std::string &reason)
{
    return "Cannot open file \"" + fullPath + "\". " + reason;
}

} // namespace

// A device, a FIFO, a socket or a folder where an image is expected, named directly or
// through a link. Opened in a child that an alarm ends, so an open that blocks on the FIFO
// fails the test in seconds.
TEST(BinaryFileTest, OnlyARegularFileOpensAndNothingElseBlocksOrOpens)
{
    const TempFolder folder;
    const std::string fifo = folder.file("pipe.bin");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string socketPath = folder.file("socket.bin");
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_NE(listening, -1);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    const std::string image = folder.write("image.bin", patternBytes(16));
    const auto linkTo = [&](const std::string &name, const std::string &target) {
        const std::string link = folder.file(name);
        std::filesystem::create_symlink(target, link);
        return link;
    };
    struct Case {
        std::string path;
        std::string expected;
    };
    const std::string device = "Is a device, not a regular file";
    const std::string pipe = "Is a named pipe (FIFO), not a regular file";
    const std::string socket = "Is a socket, not a regular file";
    const Case cases[] = {
        {"/dev/zero", openError("/dev/zero", device)},
        {fifo, openError(fifo, pipe)},
        {socketPath, openError(socketPath, socket)},
        {folder.path(), openError(folder.path(), "Is a directory")},
        {linkTo("zero link", "/dev/zero"), openError(folder.file("zero link"), device)},
        {linkTo("pipe link", fifo), openError(folder.file("pipe link"), pipe)},
        {linkTo("socket link", socketPath), openError(folder.file("socket link"), socket)},
        {linkTo("folder link", folder.path()), openError(folder.file("folder link"), "Is a directory")},
        {linkTo("image link", image), "opened"},
    };
    for (const Case &row : cases) {
        for (const FileAccess access : {FileAccess::ReadOnly, FileAccess::ReadWrite}) {
            SCOPED_TRACE(row.path + (access == FileAccess::ReadOnly ? " read-only" : " read-write"));
            const ChildOutcome outcome = runInChild([&] {
                ::alarm(10);
                return tryOpen(row.path, access, FileShare::Exclusive);
            });
            EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
            EXPECT_EQ(outcome.report, row.expected);
        }
    }
    ::close(listening);
}

// Windows sets a process no file size limit. There a refused write takes the same WriteFile
// check as the write through a read-only open above.
// The limit stands for a full disk: no byte may be written at or past it.
TEST(BinaryFileTest, WhatTheFileSizeLimitRefusesIsAStreamWriteError)
{
    const TempFolder folder;
    const auto bytes = patternBytes(imageSize);
    const auto run = patternBytes(64, 9);
    const auto half = static_cast<std::int64_t>(imageSize / 2);
    struct Case {
        const char *name;
        std::size_t limit;
        std::function<void(BinaryFile &)> write;
        std::int64_t writtenAt; // the bytes of the run before the limit land here
        std::size_t written;
    };
    const Case cases[] = {
        {"a byte past a file that may not grow", imageSize,
         [&](BinaryFile &file) {
             file.seek(imageSize - 1);
             file.writeByte(run[0]);
             file.writeByte(run[1]);
         },
         static_cast<std::int64_t>(imageSize) - 1, 1},
        // The system writes the part before the limit and refuses the rest.
        {"a run across the limit", imageSize / 2,
         [&](BinaryFile &file) { file.writeAt(half - 16, run.data(), static_cast<std::int64_t>(run.size())); },
         half - 16, 16},
    };
    for (const Case &row : cases) {
        SCOPED_TRACE(row.name);
        const std::string path = folder.write("image.bin", bytes);
        const ChildOutcome outcome = runInChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{row.limit, row.limit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0)
                return std::string("setrlimit failed");
            BinaryFile file = BinaryFile::open(path, FileAccess::ReadWrite, FileShare::Exclusive);
            try {
                row.write(file);
                return std::string("the write past the limit succeeded");
            } catch (const StreamWriteError &error) {
                return std::string(error.what());
            }
        });
        EXPECT_EQ(outcome.exitCode, 0);
        EXPECT_EQ(outcome.report, "Stream write error");
        auto expected = bytes;
        std::copy_n(run.begin(), row.written, expected.begin() + row.writtenAt);
        EXPECT_EQ(readBytes(path), expected);
    }
}

#endif

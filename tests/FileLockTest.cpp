#include "ChildProcess.h"
#include "FileLock.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumo {
namespace {

using namespace std::chrono_literals;
using test::TempFolder;

// A second open of the lock file conflicts with the first even inside one process, as it
// does between two copies of the program.
TEST(FileLockTest, OneHolderAtATimeAndTheNextOneOnceItIsReleased)
{
    const TempFolder folder;
    const std::string path = folder.file("lumo.ini.lock");
    std::optional<FileLock> first = FileLock::acquire(path, 0ms);
    ASSERT_TRUE(first);
    EXPECT_FALSE(FileLock::acquire(path, 100ms)) << "taken while held";
    first.reset();
    EXPECT_TRUE(FileLock::acquire(path, 0ms)) << "free once released";
    EXPECT_TRUE(std::filesystem::is_regular_file(path)) << "the lock file stays";
}

// Takes the lock named first, and lets it go a moment after the parent's turn.
const test::ChildRoutine holdLock("hold-lock", [](test::ChildProcess &self, const test::ChildArguments &arguments) {
    std::optional<FileLock> lock = FileLock::acquire(arguments.at(0), 0ms);
    if (!lock)
        return std::string("not taken");
    self.notifyParent();
    self.awaitParent();
    std::this_thread::sleep_for(200ms);
    lock.reset();
    return std::string("released");
});

// What another process holds is waited for, and taken as soon as that process lets go.
TEST(FileLockTest, AWaitingProcessTakesTheLockWhenTheHolderReleasesIt)
{
    const TempFolder folder;
    const std::string path = folder.file("lumo.ini.lock");
    test::ChildProcess holder("hold-lock", {path});
    ASSERT_TRUE(holder.awaitChild()) << holder.finish().report;
    EXPECT_FALSE(FileLock::acquire(path, 0ms));
    holder.resumeChild();
    EXPECT_TRUE(FileLock::acquire(path, 5s));
    const test::ChildOutcome outcome = holder.finish();
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, "released");
}

#ifndef _WIN32
// A link, a folder or a FIFO at the lock's name is refused at once and left as it was; the
// alarm ends a wait on the FIFO within seconds. Links, FIFOs and the forked child with its
// alarm are POSIX only; on Windows no test puts anything but a file at the lock's name.
TEST(FileLockTest, ALinkFolderOrFifoAtTheNameIsRefused)
{
    const TempFolder folder;
    test::writeText(folder.file("other.txt"), "other");
    std::filesystem::create_symlink(folder.file("other.txt"), folder.file("link.lock"));
    std::filesystem::create_symlink(folder.file("gone.txt"), folder.file("dangling.lock"));
    std::filesystem::create_directory(folder.file("folder.lock"));
    ASSERT_EQ(::mkfifo(folder.file("fifo.lock").c_str(), 0644), 0);
    for (const char *name : {"link.lock", "dangling.lock", "folder.lock", "fifo.lock"}) {
        const test::ChildOutcome outcome = test::runInChild([&] {
            ::alarm(10);
            return std::string(FileLock::acquire(folder.file(name), 100ms) ? "taken" : "refused");
        });
        EXPECT_EQ(outcome.exitCode, 0) << name << ": " << outcome.report;
        EXPECT_EQ(outcome.report, "refused") << name;
    }
    EXPECT_EQ(test::readText(folder.file("other.txt")), "other");
    EXPECT_FALSE(std::filesystem::exists(folder.file("gone.txt")));
}
#endif

} // namespace
} // namespace lumo

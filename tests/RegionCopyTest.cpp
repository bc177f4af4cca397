#include "RegionCopy.h"

#include "BinaryFile.h"
#include "ChildProcess.h"
#include "FirmwareProfile.h"
#include "ImageFiles.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#ifndef _WIN32
#include "FailingCalls.h"

#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#endif

namespace lumo {
namespace {

using enum TFirmwareProfileId;
using test::Bytes;
using test::DialogCall;

// The target as it should be after count bytes of the donor's region went to targetFirst.
Bytes copiedInto(Bytes target, const Bytes &donor, std::int64_t donorFirst, std::int64_t targetFirst,
                 std::int64_t count)
{
    std::copy_n(donor.begin() + donorFirst, count, target.begin() + targetFirst);
    return target;
}

std::int64_t donorLength(const RegionCopyRequest &r)
{
    return std::int64_t{r.donorLast} - r.donorFirst + 1;
}

Bytes shortened(const Bytes &bytes, std::int64_t size)
{
    return Bytes(bytes.begin(), bytes.begin() + size);
}

const std::vector<DialogCall> failedBeforeFirstByte{test::progressCall(0), test::messageCall("Помилка!"),
                                                    test::progressCall(0)};

class RegionCopyTest : public ::testing::Test, protected test::ImageFiles {
protected:
    RegionCopyRequest request(TFirmwareProfileId donorProfile, TFirmwareProfileId targetProfile) const
    {
        const TFirmwareProfile &d = firmwareProfile(donorProfile);
        const TFirmwareProfile &t = firmwareProfile(targetProfile);
        return {donorPath, targetPath, d.regionFirst, d.regionLast, t.regionFirst, t.regionLast};
    }
};

struct PairCase {
    const char *name;
    TFirmwareProfileId donor;
    TFirmwareProfileId target;
    std::int64_t count;
};

const PairCase pairCases[] = {
    {"7.6 mode 1 into 7.6 mode 2", pfMikas76Mode1, pfMikas76Mode2, 27008},
    {"10.3 mode 1 into 10.3+/11.4 mode 2", pfMikas103Mode1, pfMikas114Mode2, 27008},
    {"10.3+/11.4 mode 2 into 10.3 mode 2", pfMikas114Mode2, pfMikas103Mode2, 27008},
    // The ten bytes after the mode 1 region belong to something else and stay.
    {"mode 3 into mode 1", pfMikas114Mode3, pfMikas114Mode1, 27008},
    {"mode 1 into mode 3", pfMikas114Mode1, pfMikas114Mode3, 27008},
    {"mode 3 into mode 4", pfMikas114Mode3, pfMikas114Mode4, 27018},
};

TEST_F(RegionCopyTest, CopiesTheRegionAndNothingElse)
{
    for (const PairCase &c : pairCases) {
        SCOPED_TRACE(c.name);
        save();
        const RegionCopyRequest r = request(c.donor, c.target);

        test::ScriptedDialogs dialogs;
        BackupAndCopyRegion(r, dialogs);

        EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Ok!"});
        EXPECT_EQ(dialogs.pumpCount(), c.count);
        EXPECT_EQ(test::readBytes(targetPath), copiedInto(target, donor, r.donorFirst, r.targetFirst, c.count));
        EXPECT_EQ(test::readBytes(donorPath), donor);
        EXPECT_EQ(test::readBytes(backupPath), target);
    }
}

TEST_F(RegionCopyTest, ProgressAtTheBoundariesThenOkAt100ThenZero)
{
    struct ProgressCase {
        TFirmwareProfileId donor;
        TFirmwareProfileId target;
        std::size_t n;
        std::size_t firstOne;
        std::size_t firstHundred;
    };
    const ProgressCase cases[] = {
        {pfMikas76Mode1, pfMikas76Mode2, 27007, 136, 26872},
        {pfMikas114Mode3, pfMikas114Mode4, 27017, 136, 26882},
        {pfMikas114Mode3, pfMikas114Mode1, 27007, 136, 26872},
    };
    for (const ProgressCase &c : cases) {
        SCOPED_TRACE(c.n);
        test::ScriptedDialogs dialogs;
        BackupAndCopyRegion(request(c.donor, c.target), dialogs);

        const std::vector<DialogCall> &calls = dialogs.calls();
        // 0 before the backup; a position and a pump per step; the box; 0 after it.
        ASSERT_EQ(calls.size(), 1 + 2 * (c.n + 1) + 2);
        EXPECT_EQ(calls.front(), test::progressCall(0));
        std::vector<int> steps;
        for (std::size_t i = 0; i <= c.n; ++i) {
            ASSERT_EQ(calls[1 + 2 * i].kind, DialogCall::Kind::Progress) << "step " << i;
            ASSERT_EQ(calls[2 + 2 * i], test::pumpCall()) << "step " << i;
            steps.push_back(calls[1 + 2 * i].position);
        }
        EXPECT_EQ(steps[0], 0);
        EXPECT_EQ(steps[c.firstOne - 1], 0);
        EXPECT_EQ(steps[c.firstOne], 1);
        EXPECT_EQ(steps[c.firstHundred - 1], 99);
        EXPECT_EQ(steps[c.firstHundred], 100);
        EXPECT_EQ(steps[c.n], 100);
        EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
        EXPECT_EQ(calls[calls.size() - 2], test::messageCall("Ok!"));
        EXPECT_EQ(calls.back(), test::progressCall(0));
    }
}

#ifndef _WIN32
// While the bar shows a value, the bytes of the steps before the next value may still be
// on their way; by the time it moves on, every byte of the steps that showed the old value
// is in the file. The test reads the target during the copy, which the advisory lock of
// POSIX systems allows; on Windows the copy holds the target unshared, so no other open can
// look at it midway, and no test there checks when the bytes reach the file.
TEST_F(RegionCopyTest, EveryByteOfAProgressValueIsInTheFileWhenTheBarMovesOn)
{
    const RegionCopyRequest r = request(pfMikas114Mode3, pfMikas114Mode4);
    const auto count = static_cast<std::size_t>(donorLength(r));
    std::vector<std::size_t> writtenAtNewValue; // bytes in the file when a new value is first shown
    int lastShown = 0;
    test::ScriptedDialogs dialogs;
    dialogs.onProcessMessages = [&] {
        const int position = dialogs.calls()[dialogs.calls().size() - 2].position;
        if (position == lastShown)
            return;
        lastShown = position;
        const Bytes now = test::readBytes(targetPath);
        std::size_t written = 0;
        while (written < count && now[r.targetFirst + written] == donor[r.donorFirst + written])
            ++written;
        writtenAtNewValue.push_back(written);
    };
    BackupAndCopyRegion(r, dialogs);

    ASSERT_EQ(writtenAtNewValue.size(), 100u);
    // The step that first shows 1 is 136, the one that first shows 100 is 26882.
    EXPECT_GE(writtenAtNewValue.front(), 137u);
    EXPECT_GE(writtenAtNewValue.back(), 26883u);
    EXPECT_TRUE(std::is_sorted(writtenAtNewValue.begin(), writtenAtNewValue.end()));
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Ok!"});
}
#endif

TEST_F(RegionCopyTest, BackupIsWholeBeforeTheFirstByteAndReplacedByTheNextRun)
{
#ifndef _WIN32
    std::filesystem::permissions(targetPath, std::filesystem::perms(0640));
#endif
    const RegionCopyRequest r = request(pfMikas114Mode3, pfMikas114Mode4);

    std::optional<Bytes> backupAtFirstByte;
    test::ScriptedDialogs first;
    first.onProcessMessages = [&] {
        if (!backupAtFirstByte)
            backupAtFirstByte = test::readBytes(backupPath);
    };
    BackupAndCopyRegion(r, first);
    EXPECT_EQ(backupAtFirstByte, target);
    const Bytes afterFirstRun = test::readBytes(targetPath);

    const Bytes otherDonor = test::patternBytes(test::imageSize, 3);
    folder.write("donor.bin", otherDonor);
    test::ScriptedDialogs second;
    BackupAndCopyRegion(r, second);

    EXPECT_EQ(second.messages(), std::vector<std::string>{"Ok!"});
    EXPECT_EQ(test::readBytes(backupPath), afterFirstRun);
    EXPECT_EQ(test::readBytes(targetPath), copiedInto(target, otherDonor, r.donorFirst, r.targetFirst, 27018));
    EXPECT_FALSE(std::filesystem::exists(folder.file("target.bak")));
#ifndef _WIN32
    // Windows has no mode bits to keep; FileSystemTest checks that a copy keeps the source's
    // read-only attribute.
    EXPECT_EQ(std::filesystem::status(backupPath).permissions(), std::filesystem::perms(0640));
#endif
}

TEST_F(RegionCopyTest, MissingTargetFailsTheBackupAndTouchesNothing)
{
    const std::string missing = folder.file("missing.bin");
    RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
    r.targetFileName = missing;

    test::ScriptedDialogs dialogs;
    try {
        BackupAndCopyRegion(r, dialogs);
        ADD_FAILURE() << "no error for a missing target";
    } catch (const BackupError &error) {
        EXPECT_EQ(std::string(error.what()),
                  "Не можу записати файл " + missing + "\n\r" + "у файл " + missing + ".bak");
    }
    EXPECT_EQ(dialogs.calls(), std::vector{test::progressCall(0)});
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(missing + ".bak"));
    EXPECT_EQ(test::readBytes(donorPath), donor);
}

TEST_F(RegionCopyTest, FailureBeforeTheFirstByteLeavesTheTargetAsItWas)
{
    // Taken once the test has read the files as they were: on Windows nothing else reads a
    // file held unshared.
    bool holdDonor = false;
    std::optional<BinaryFile> heldElsewhere;
    struct FailureCase {
        const char *name;
        std::function<RegionCopyRequest()> arrange;
    };
    const FailureCase cases[] = {
        {"donor and target the same file",
         [&] {
             RegionCopyRequest r = request(pfMikas103Mode1, pfMikas103Mode2);
             r.donorFileName = targetPath;
             return r;
         }},
        {"donor ending one byte before the end of its region",
         [&] {
             RegionCopyRequest r = request(pfMikas114Mode3, pfMikas114Mode1);
             folder.write("donor.bin", shortened(donor, r.donorLast));
             return r;
         }},
        {"target ending before the region starts",
         [&] {
             RegionCopyRequest r = request(pfMikas114Mode1, pfMikas114Mode4);
             folder.write("target.bin", shortened(target, r.targetFirst));
             return r;
         }},
        {"donor missing",
         [&] {
             RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
             r.donorFileName = folder.file("missing donor.bin");
             return r;
         }},
        {"donor held unshared by another open",
         [&] {
             holdDonor = true;
             return request(pfMikas76Mode1, pfMikas76Mode2);
         }},
        {"empty target region",
         [&] {
             RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
             r.targetLast = r.targetFirst - 1;
             return r;
         }},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.name);
        save();
        const RegionCopyRequest r = c.arrange();
        const Bytes targetBefore = test::readBytes(targetPath);
        const Bytes donorBefore = test::readBytes(donorPath);
        if (holdDonor)
            heldElsewhere = BinaryFile::open(donorPath, FileAccess::ReadOnly, FileShare::Exclusive);

        test::ScriptedDialogs dialogs;
        BackupAndCopyRegion(r, dialogs);
        heldElsewhere.reset();
        holdDonor = false;

        EXPECT_EQ(dialogs.calls(), failedBeforeFirstByte);
        EXPECT_EQ(test::readBytes(targetPath), targetBefore);
        EXPECT_EQ(test::readBytes(donorPath), donorBefore);
        EXPECT_EQ(test::readBytes(backupPath), targetBefore);
    }
}

// A target that ends exactly at the last written offset is long enough; one byte shorter
// is the wrong file.
TEST_F(RegionCopyTest, TargetEndingAtTheLastWrittenOffsetIsCopiedIntoAndOneByteShorterIsNot)
{
    struct SizeCase {
        const char *name;
        TFirmwareProfileId donor;
        TFirmwareProfileId target;
        std::int64_t missing; // bytes short of the end of the written range
        const char *message;
    };
    const SizeCase cases[] = {
        {"mode 3 into mode 4, ending at the last byte", pfMikas114Mode3, pfMikas114Mode4, 0, "Ok!"},
        {"mode 3 into mode 4, one byte short", pfMikas114Mode3, pfMikas114Mode4, 1, "Помилка!"},
        {"mode 3 into mode 1, ending at the region's last byte", pfMikas114Mode3, pfMikas114Mode1, 0, "Ok!"},
        {"mode 3 into mode 1, one byte short", pfMikas114Mode3, pfMikas114Mode1, 1, "Помилка!"},
    };
    for (const SizeCase &c : cases) {
        SCOPED_TRACE(c.name);
        const RegionCopyRequest r = request(c.donor, c.target);
        const std::int64_t count = std::min<std::int64_t>(donorLength(r), r.targetLast - r.targetFirst + 1);
        const Bytes shortTarget = shortened(target, r.targetFirst + count - c.missing);
        folder.write("target.bin", shortTarget);

        test::ScriptedDialogs dialogs;
        BackupAndCopyRegion(r, dialogs);

        EXPECT_EQ(dialogs.messages(), std::vector<std::string>{c.message});
        const Bytes expected =
            c.missing == 0 ? copiedInto(shortTarget, donor, r.donorFirst, r.targetFirst, count) : shortTarget;
        EXPECT_EQ(test::readBytes(targetPath), expected);
        EXPECT_EQ(test::readBytes(backupPath), shortTarget);
    }
}

// The boxes that the copy showed, one per line.
std::string joined(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

// Runs the copy as a user whom a read-only file stops, and reports the boxes it showed.
std::string copyAsOrdinaryUser(const RegionCopyRequest &r)
{
    const test::ChildOutcome outcome = test::runAsOrdinaryUser([&] {
        test::ScriptedDialogs dialogs;
        BackupAndCopyRegion(r, dialogs);
        return joined(dialogs.messages());
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    return outcome.report;
}

// Root passes every permission check on POSIX systems; the copy runs as an ordinary owner of
// the files.
TEST_F(RegionCopyTest, ReadOnlyFilesAsTheOperatorsUser)
{
    if (const std::string &why = test::whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    struct ReadOnlyCase {
        const char *name;
        std::string readOnly;
        const char *message;
        bool written;
    };
    const ReadOnlyCase cases[] = {
        {"a read-only target is backed up but not written", targetPath, "Помилка!", false},
        {"a read-only donor is copied from", donorPath, "Ok!", true},
    };
    for (const ReadOnlyCase &c : cases) {
        SCOPED_TRACE(c.name);
        save();
        // The backup keeps the permissions of the row before; on Windows a read-only one
        // could be neither removed nor replaced.
        std::error_code none;
        std::filesystem::permissions(test::pathOf(backupPath), std::filesystem::perms(0644), none);
        std::filesystem::remove(test::pathOf(backupPath));
        std::filesystem::permissions(test::pathOf(donorPath), std::filesystem::perms(0644));
        std::filesystem::permissions(test::pathOf(targetPath), std::filesystem::perms(0644));
        test::makeReadOnly(c.readOnly);
        const RegionCopyRequest r = request(pfMikas114Mode1, pfMikas114Mode2);

        EXPECT_EQ(copyAsOrdinaryUser(r), c.message);
        EXPECT_EQ(test::readBytes(targetPath),
                  c.written ? copiedInto(target, donor, r.donorFirst, r.targetFirst, 27008) : target);
        EXPECT_EQ(test::readBytes(donorPath), donor);
        EXPECT_EQ(test::readBytes(backupPath), target);
    }
}

// Failures that a POSIX system can be made to give at a chosen moment: a file size limit,
// a failing fsync or close, a byte changed by a program that ignores the lock, a device or
// a FIFO, a kill. On Windows the copy's unshared open keeps every other open out, so no
// byte can change behind it; nothing there makes a write, a flush or a close fail halfway
// (a read-only target, above, is refused before the first byte), and no test there kills
// a transfer.
#ifndef _WIN32

// Runs the copy in a child that an alarm ends if it hangs, and reports the boxes it showed,
// or the backup error.
std::string copyInChild(const RegionCopyRequest &r)
{
    const test::ChildOutcome outcome = test::runInChild([&] {
        ::alarm(20);
        test::ScriptedDialogs dialogs;
        try {
            BackupAndCopyRegion(r, dialogs);
        } catch (const BackupError &error) {
            return std::string(error.what());
        }
        return joined(dialogs.messages());
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    return outcome.report;
}

std::string backupErrorOf(const std::string &target)
{
    return "Не можу записати файл " + target + "\n\r" + "у файл " + target + ".bak";
}

TEST_F(RegionCopyTest, ByteChangedBehindTheCopyIsCaughtAndTheTargetPutBack)
{
    const RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
    test::ScriptedDialogs dialogs;
    dialogs.onProcessMessages = [&] {
        if (dialogs.pumpCount() != donorLength(r))
            return;
        // At the last byte another program that ignores the advisory lock spoils the first
        // byte, which the copy wrote long before.
        std::fstream other(targetPath, std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(r.targetFirst);
        other.put(static_cast<char>(donor[static_cast<std::size_t>(r.donorFirst)] ^ 0xFF));
    };
    BackupAndCopyRegion(r, dialogs);

    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Помилка!"});
    EXPECT_EQ(dialogs.calls().back(), test::progressCall(0));
    EXPECT_EQ(test::readBytes(targetPath), target);
    EXPECT_EQ(test::readBytes(backupPath), target);
}

// Everything that goes wrong once bytes have reached the target: the target gets its old
// bytes back, so it never holds half a region.
TEST_F(RegionCopyTest, FailureAfterTheFirstWriteLeavesTheTargetAsItWas)
{
    const RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
    const auto isTarget = [this](const std::string &path) { return path == targetPath; };
    struct FailureCase {
        const char *name;
        std::function<void()> atFirstByte;
        int failedCalls;
    };
    const FailureCase cases[] = {
        {"the disk full halfway through the region",
         [&] {
             ::signal(SIGXFSZ, SIG_IGN);
             const rlimit limit{static_cast<rlim_t>(r.targetFirst + donorLength(r) / 2), RLIM_INFINITY};
             ::setrlimit(RLIMIT_FSIZE, &limit);
         },
         0},
        {"the target's flush failing", [&] { test::failNextCall(test::FailingCall::Fsync, isTarget); }, 1},
        {"the target's close failing", [&] { test::failNextCall(test::FailingCall::Close, isTarget); }, 1},
    };
    for (const FailureCase &c : cases) {
        SCOPED_TRACE(c.name);
        save();
        const test::ChildOutcome outcome = test::runInChild([&] {
            ::alarm(20);
            test::ScriptedDialogs dialogs;
            dialogs.onProcessMessages = [&] {
                if (dialogs.pumpCount() == 1)
                    c.atFirstByte();
            };
            BackupAndCopyRegion(r, dialogs);
            return joined(dialogs.messages()) + " / " + std::to_string(test::failedCalls());
        });
        // The seam must have failed the call, so a flush or a close left out shows here.
        EXPECT_EQ(outcome.report, "Помилка! / " + std::to_string(c.failedCalls));
        EXPECT_EQ(test::readBytes(targetPath), target);
        EXPECT_EQ(test::readBytes(backupPath), target);
        EXPECT_EQ(test::readBytes(donorPath), donor);
    }
}

TEST_F(RegionCopyTest, FailedFlushOfTheBackupIsTheBackupErrorAndChangesNothing)
{
    const Bytes previousBackup = test::patternBytes(test::imageSize, 4);
    folder.write("target.bin.bak", previousBackup);
    const RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
    // The first file that the backup flushes in the folder: the backup itself, or a file
    // that is to take its place.
    const std::string inFolder = folder.path() + "/";
    const auto isBackupSide = [=, this](const std::string &path) {
        return path.rfind(inFolder, 0) == 0 && path != targetPath && path != donorPath;
    };

    const test::ChildOutcome outcome = test::runInChild([&] {
        ::alarm(20);
        test::ScriptedDialogs dialogs;
        test::failNextCall(test::FailingCall::Fsync, isBackupSide);
        try {
            BackupAndCopyRegion(r, dialogs);
            return "no backup error; boxes: " + joined(dialogs.messages());
        } catch (const BackupError &error) {
            const bool onlyZero = dialogs.calls() == std::vector{test::progressCall(0)};
            return std::string(error.what()) + (onlyZero ? "" : " after more than the progress 0") + " / " +
                   std::to_string(test::failedCalls());
        }
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    EXPECT_EQ(outcome.report, backupErrorOf(targetPath) + " / 1");
    EXPECT_EQ(test::readBytes(targetPath), target);
    EXPECT_EQ(test::readBytes(donorPath), donor);
    EXPECT_EQ(test::readBytes(backupPath), previousBackup);
    std::set<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder.path()))
        names.insert(entry.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"donor.bin", "target.bin", "target.bin.bak"}));
}

// A device, a FIFO or a folder where an image is expected: nothing is written and nothing
// blocks. The target is a link to the device, so that its backup's name stays in the test's
// folder.
TEST_F(RegionCopyTest, DeviceFifoOrFolderAsDonorOrTargetWritesNothing)
{
    const std::string fifo = folder.file("pipe.bin");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string subfolder = folder.file("folder.bin");
    std::filesystem::create_directory(subfolder);
    const std::string zeroLink = folder.file("zero.bin");
    std::filesystem::create_symlink("/dev/zero", zeroLink);
    struct SpecialCase {
        const char *name;
        std::string donor;
        std::string target;
    };
    const SpecialCase cases[] = {
        {"device as donor", "/dev/zero", targetPath},
        {"FIFO as donor", fifo, targetPath},
        {"folder as donor", subfolder, targetPath},
        {"device as target", donorPath, zeroLink},
        {"FIFO as target", donorPath, fifo},
        {"folder as target", donorPath, subfolder},
    };
    for (const SpecialCase &c : cases) {
        SCOPED_TRACE(c.name);
        save();
        std::filesystem::remove(backupPath);
        RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
        r.donorFileName = c.donor;
        r.targetFileName = c.target;

        const std::string report = copyInChild(r);
        if (c.target == targetPath) {
            EXPECT_EQ(report, "Помилка!");
            EXPECT_EQ(test::readBytes(backupPath), target);
        } else {
            // The backup refuses to copy what is not a file.
            EXPECT_EQ(report, backupErrorOf(c.target));
            EXPECT_FALSE(std::filesystem::exists(c.target + ".bak"));
        }
        EXPECT_EQ(test::readBytes(targetPath), target);
        EXPECT_EQ(test::readBytes(donorPath), donor);
        EXPECT_TRUE(std::filesystem::is_fifo(fifo));
        EXPECT_TRUE(std::filesystem::is_empty(subfolder));
    }
}

// A program killed at any moment of a transfer: the backup is the one before or a whole copy
// of the target, the target's bytes outside the region never change, and inside it each byte
// is the old one or the donor's.
TEST_F(RegionCopyTest, KilledAtAnyMomentLeavesAWholeBackupAndTheRestOfTheTarget)
{
    const RegionCopyRequest r = request(pfMikas114Mode3, pfMikas114Mode4);
    const Bytes previousBackup = test::patternBytes(test::imageSize, 5);
    const auto count = static_cast<std::size_t>(donorLength(r));
    const auto first = static_cast<std::size_t>(r.targetFirst);

    // A transfer in a child, from the moment it starts.
    const auto startInChild = [&] {
        save();
        folder.write("target.bin.bak", previousBackup);
        auto child = std::make_unique<test::ChildProcess>([&](test::ChildProcess &self) {
            test::ScriptedDialogs dialogs;
            self.notifyParent();
            BackupAndCopyRegion(r, dialogs);
            return joined(dialogs.messages());
        });
        EXPECT_TRUE(child->awaitChild()) << "the child never started";
        return child;
    };

    // One whole run sets the range of the random delays.
    const std::int64_t window = [&] {
        const auto child = startInChild();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(child->finish().report, "Ok!");
        const auto took = std::chrono::steady_clock::now() - start;
        return std::chrono::duration_cast<std::chrono::microseconds>(took).count() * 5 / 4;
    }();
    std::mt19937 random(20261211);
    std::uniform_int_distribution<std::int64_t> delays(0, window);

    int oldBackup = 0, newBackup = 0, targetUntouched = 0, targetMixed = 0, targetWhole = 0;
    constexpr int kills = 100;
    for (int kill = 0; kill < kills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        {
            const auto child = startInChild();
            std::this_thread::sleep_for(std::chrono::microseconds(delays(random)));
            // Ending the ChildProcess kills the child with SIGKILL, wherever it is.
        }

        const Bytes backup = test::readBytes(backupPath);
        if (backup == previousBackup)
            ++oldBackup;
        else if (backup == target)
            ++newBackup;
        else
            ADD_FAILURE() << "the backup is neither the one before nor a whole copy of the target";

        const Bytes now = test::readBytes(targetPath);
        ASSERT_EQ(now.size(), target.size());
        EXPECT_TRUE(std::equal(now.begin(), now.begin() + first, target.begin()));
        EXPECT_TRUE(std::equal(now.begin() + first + count, now.end(), target.begin() + first + count));
        std::size_t fromDonor = 0;
        std::size_t neither = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint8_t byte = now[first + i];
            const bool old = byte == target[first + i];
            const bool copied = byte == donor[r.donorFirst + i];
            neither += !old && !copied;
            fromDonor += copied && !old;
        }
        ASSERT_EQ(neither, 0u) << "bytes of the region that are neither the old nor the donor's";
        if (fromDonor == 0)
            ++targetUntouched;
        else if (now == copiedInto(target, donor, r.donorFirst, r.targetFirst, donorLength(r)))
            ++targetWhole;
        else
            ++targetMixed;
    }
    std::printf("%d kills within %lld us: backup the one before %d, a new whole copy %d; "
                "region untouched %d, partly written %d, whole %d\n",
                kills, static_cast<long long>(window), oldBackup, newBackup, targetUntouched,
                targetMixed, targetWhole);
}

#endif

} // namespace
} // namespace lumo

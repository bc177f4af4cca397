#include "RegionCopy.h"

#include "BinaryFile.h"
#include "ChildProcess.h"
#include "FirmwareProfile.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace lumo {
namespace {

using enum TFirmwareProfileId;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t imageSize = 600 * 1024; // holds every region and every item
using test::DialogCall;

// The target as it should be after count bytes of the donor's region went to targetFirst.
Bytes copiedInto(Bytes target, const Bytes &donor, std::int64_t donorFirst, std::int64_t targetFirst,
                 std::int64_t count)
{
    std::copy_n(donor.begin() + donorFirst, count, target.begin() + targetFirst);
    return target;
}

std::string joined(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        text += (text.empty() ? "" : "\n") + line;
    return text;
}

const std::vector<DialogCall> failedBeforeFirstByte{test::progressCall(0), test::messageCall("Помилка!"),
                                                    test::progressCall(0)};

class RegionCopyTest : public ::testing::Test {
protected:
    void SetUp() override { save(); }

    void save() const
    {
        folder.write("donor.bin", donor);
        folder.write("target.bin", target);
    }

    RegionCopyRequest request(TFirmwareProfileId donorProfile, TFirmwareProfileId targetProfile) const
    {
        const TFirmwareProfile &d = firmwareProfile(donorProfile);
        const TFirmwareProfile &t = firmwareProfile(targetProfile);
        return {donorPath, targetPath, d.regionFirst, d.regionLast, t.regionFirst, t.regionLast};
    }

    test::TempFolder folder;
    const std::string donorPath = folder.file("donor.bin");
    const std::string targetPath = folder.file("target.bin");
    const std::string backupPath = folder.file("target.bin.bak");
    const Bytes donor = test::patternBytes(imageSize, 1);
    const Bytes target = test::patternBytes(imageSize, 2);
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

TEST_F(RegionCopyTest, BackupIsWholeBeforeTheFirstByteAndReplacedByTheNextRun)
{
#ifndef _WIN32
    ASSERT_EQ(::chmod(targetPath.c_str(), 0640), 0);
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

    const Bytes otherDonor = test::patternBytes(imageSize, 3);
    folder.write("donor.bin", otherDonor);
    test::ScriptedDialogs second;
    BackupAndCopyRegion(r, second);

    EXPECT_EQ(second.messages(), std::vector<std::string>{"Ok!"});
    EXPECT_EQ(test::readBytes(backupPath), afterFirstRun);
    EXPECT_EQ(test::readBytes(targetPath), copiedInto(target, otherDonor, r.donorFirst, r.targetFirst, 27018));
    EXPECT_FALSE(std::filesystem::exists(folder.file("target.bak")));
#ifndef _WIN32
    // Windows has no mode bits to keep.
    struct stat status {};
    ASSERT_EQ(::stat(backupPath.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0640u);
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
    const auto shortened = [](const Bytes &bytes, std::int64_t size) {
        return Bytes(bytes.begin(), bytes.begin() + size);
    };
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
        {"target ending one byte before the end of the written range",
         [&] {
             RegionCopyRequest r = request(pfMikas114Mode3, pfMikas114Mode4);
             folder.write("target.bin", shortened(target, r.targetLast));
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

#ifndef _WIN32
// The locks of POSIX systems bind only programs that ask for them. On Windows the copy's
// unshared open keeps every other open out, so no byte can change behind it there.
TEST_F(RegionCopyTest, ReadBackCatchesAByteChangedBehindTheCopy)
{
    const RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
    test::ScriptedDialogs dialogs;
    dialogs.onProcessMessages = [&] {
        if (dialogs.pumpCount() != 27008)
            return;
        // Another program that ignores the lock spoils the first byte after the copy wrote it.
        std::fstream other(targetPath, std::ios::in | std::ios::out | std::ios::binary);
        other.seekp(r.targetFirst);
        other.put(static_cast<char>(donor[static_cast<std::size_t>(r.donorFirst)] ^ 0xFF));
    };
    BackupAndCopyRegion(r, dialogs);

    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Помилка!"});
    EXPECT_EQ(dialogs.calls().back(), test::progressCall(0));
}
#endif

// Runs the copy as a user whom a read-only file stops, and reports the boxes it showed, one
// per line.
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

TEST_F(RegionCopyTest, ReadOnlyTargetIsBackedUpButNotWritten)
{
    test::makeReadOnly(targetPath);

    EXPECT_EQ(copyAsOrdinaryUser(request(pfMikas76Mode1, pfMikas76Mode2)), "Помилка!");
    EXPECT_EQ(test::readBytes(targetPath), target);
    EXPECT_EQ(test::readBytes(backupPath), target);
}

TEST_F(RegionCopyTest, ReadOnlyDonorIsCopiedFrom)
{
    test::makeReadOnly(donorPath);
    const RegionCopyRequest r = request(pfMikas114Mode1, pfMikas114Mode2);

    EXPECT_EQ(copyAsOrdinaryUser(r), "Ok!");
    EXPECT_EQ(test::readBytes(targetPath), copiedInto(target, donor, r.donorFirst, r.targetFirst, 27008));
}

#ifndef _WIN32
// Windows sets a process no file size limit, and the Windows test leg has no small volume
// to fill; there a byte that does not reach the disk takes the same checked write as one
// refused to a read-only target above.

// Runs the copy in a child and reports the boxes it showed, one per line.
std::string copyInChild(const RegionCopyRequest &r, test::ChildUser user,
                        const std::function<void(test::ScriptedDialogs &)> &prepare = {})
{
    const test::ChildOutcome outcome = test::runInChild(
        [&] {
            test::ScriptedDialogs dialogs;
            if (prepare)
                prepare(dialogs);
            BackupAndCopyRegion(r, dialogs);
            return joined(dialogs.messages());
        },
        user);
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    return outcome.report;
}

TEST_F(RegionCopyTest, DiskFullingUpDuringTheCopyIsAFailure)
{
    const RegionCopyRequest r = request(pfMikas76Mode1, pfMikas76Mode2);
    // After the first byte no offset at or past the next one can be written any more.
    const auto limitAfterFirstByte = [&](test::ScriptedDialogs &dialogs) {
        ::signal(SIGXFSZ, SIG_IGN);
        dialogs.onProcessMessages = [&r] {
            const rlimit limit{static_cast<rlim_t>(r.targetFirst) + 1, RLIM_INFINITY};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        };
    };

    EXPECT_EQ(copyInChild(r, test::ChildUser::Current, limitAfterFirstByte), "Помилка!");
    EXPECT_EQ(test::readBytes(targetPath), copiedInto(target, donor, r.donorFirst, r.targetFirst, 1));
    EXPECT_EQ(test::readBytes(backupPath), target);
}
#endif

} // namespace
} // namespace lumo

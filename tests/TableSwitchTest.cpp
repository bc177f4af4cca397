#include "TableSwitch.h"

#include "ChildProcess.h"
#include "FileErrors.h"
#include "FileSystem.h"
#include "ImageFiles.h"
#include "OpenErrorForm.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace lumo {
namespace {

using enum TFirmwareProfileId;
using enum TModalResult;
using test::Bytes;
using test::flag76Offset;
using test::ImageFiles;
using test::input114Offset;
using test::switch114Offset;

// The six messages in full, as the operator reads them.
const std::string message1 = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці донора не "
                             "увімкнено в комплектації \"Признак переключения таблиц\"!\n\r\r"
                             "Увімкнути у комплектації \"Признак переключения таблиц\"?";
const std::string message2 = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці для запису у "
                             "першому режимі не увімкнено в комплектації \"Признак переключения таблиц\"!\n\r\r"
                             "Увімкнути у комплектації \"Признак переключения таблиц\"?";
const std::string message3 = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці донора не "
                             "увімкнено в комплектації \"Переключатель таблиц\"!\n\r\r"
                             "Увімкнути у комплектації \"Признак переключения таблиц\"?";
const std::string message4 = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці донора не "
                             "увімкнено в опціях \"Выбор входа переключателя таблиц T1/T2\"!\n\r\r"
                             "Увімкнути у опціях \"Выбор входа переключателя таблиц T1/T2\"?";
const std::string message5 = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці для запису у "
                             "першому режимі не увімкнено в комплектації \"Переключатель таблиц\"!\n\r\r"
                             "Увімкнути у комплектації \"Признак переключения таблиц\"?";
const std::string message6 = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці для запису у "
                             "першому режимі не увімкнено в опціях \"Выбор входа переключателя таблиц T1/T2\"!\n\r\r"
                             "Увімкнути у опціях \"Выбор входа переключателя таблиц T1/T2\"?";

enum class Side { Donor, Target };

Bytes &image(ImageFiles &files, Side side)
{
    return side == Side::Donor ? files.donor : files.target;
}

// Every item of both files on, with values that the enabling would change if written.
void enableAllItems(ImageFiles &files)
{
    for (Bytes *bytes : {&files.donor, &files.target}) {
        (*bytes)[flag76Offset] = 0x45;
        (*bytes)[switch114Offset] = 0x41;
        (*bytes)[input114Offset] = 0x07;
    }
}

// The files hold what the test holds in memory for them.
void expectFilesAsExpected(const ImageFiles &files)
{
    EXPECT_EQ(test::readBytes(files.donorPath), files.donor);
    EXPECT_EQ(test::readBytes(files.targetPath), files.target);
}

struct CheckCase {
    const char *name;
    TFirmwareProfileId target;
    Side side;
    std::size_t offset;
    std::uint8_t offValue;
    std::uint8_t enabledValue;
    const std::string &message;
};

const CheckCase checkCases[] = {
    {"check 1: donor flag 7.6", pfMikas76Mode2, Side::Donor, flag76Offset, 0xBF, 0xFF, message1},
    {"check 2: target flag 7.6", pfMikas76Mode2, Side::Target, flag76Offset, 0x00, 0x40, message2},
    {"check 3: donor switch 10.3+/11.4", pfMikas114Mode2, Side::Donor, switch114Offset, 0x12, 0x52, message3},
    {"check 4: donor input 10.3+/11.4", pfMikas114Mode2, Side::Donor, input114Offset, 0x00, 0x04, message4},
    {"check 5: target switch 10.3+/11.4", pfMikas114Mode2, Side::Target, switch114Offset, 0xBF, 0xFF, message5},
    {"check 6: target input 10.3+/11.4", pfMikas114Mode2, Side::Target, input114Offset, 0x00, 0x04, message6},
};

TEST(TableSwitchTest, EachCheckAsksWithItsMessageAndWritesOnlyOnYes)
{
    for (const CheckCase &c : checkCases) {
        for (const TModalResult answer : {mrYes, mrNo, mrCancel}) {
            SCOPED_TRACE(std::string(c.name) + ", answer " + std::to_string(static_cast<int>(answer)));
            ImageFiles files;
            enableAllItems(files);
            image(files, c.side)[c.offset] = c.offValue;
            files.save();

            test::ScriptedDialogs dialogs({answer});
            CheckTableSwitch(c.target, files.donorPath, files.targetPath, dialogs);

            EXPECT_EQ(dialogs.calls(), std::vector{test::confirmCall(c.message)});
            if (answer == mrYes)
                image(files, c.side)[c.offset] = c.enabledValue;
            expectFilesAsExpected(files);
        }
    }
}

struct ByteAt {
    std::size_t offset;
    std::uint8_t value;
};

// A whole run of one profile's checks: the items as they start, the answers given, the
// questions expected in order and the bytes the answers set.
struct RunCase {
    const char *name;
    TFirmwareProfileId target;
    bool targetIsDonorFile;
    std::vector<ByteAt> donorBefore;
    std::vector<ByteAt> targetBefore;
    std::vector<TModalResult> answers;
    std::vector<std::string> questions;
    std::vector<ByteAt> donorSet;
    std::vector<ByteAt> targetSet;
};

void put(Bytes &bytes, const std::vector<ByteAt> &changes)
{
    for (const ByteAt &change : changes)
        bytes[change.offset] = change.value;
}

TEST(TableSwitchTest, EveryCheckOfTheProfileRunsInOrderAndEachReadsTheFileAnew)
{
    const RunCase cases[] = {
        {"No to every check still asks the next", pfMikas114Mode2, false,
         {{switch114Offset, 0x00}, {input114Offset, 0x00}}, {{switch114Offset, 0x80}, {input114Offset, 0x00}},
         {mrNo, mrCancel, mrNo, mrNo}, {message3, message4, message5, message6}, {}, {}},
        {"Yes to every check sets the flag on both sides", pfMikas76Mode2, false,
         {{flag76Offset, 0x00}}, {{flag76Offset, 0x3F}},
         {mrYes, mrYes}, {message1, message2}, {{flag76Offset, 0x40}}, {{flag76Offset, 0x7F}}},
        {"one file on both sides: Yes on the donor side leaves the target side nothing to ask", pfMikas114Mode2,
         true, {{switch114Offset, 0x00}, {input114Offset, 0x00}}, {},
         {mrYes, mrYes}, {message3, message4}, {{switch114Offset, 0x40}, {input114Offset, 0x04}}, {}},
        {"one file on both sides: No on the donor side, the target side asks about the same bytes",
         pfMikas114Mode2, true, {{switch114Offset, 0x00}, {input114Offset, 0x00}}, {},
         {mrNo, mrNo, mrNo, mrNo}, {message3, message4, message5, message6}, {}, {}},
    };
    for (const RunCase &c : cases) {
        SCOPED_TRACE(c.name);
        ImageFiles files;
        put(files.donor, c.donorBefore);
        put(files.target, c.targetBefore);
        files.save();

        test::ScriptedDialogs dialogs(c.answers);
        CheckTableSwitch(c.target, files.donorPath, c.targetIsDonorFile ? files.donorPath : files.targetPath,
                         dialogs);

        EXPECT_EQ(dialogs.confirmations(), c.questions);
        put(files.donor, c.donorSet);
        put(files.target, c.targetSet);
        expectFilesAsExpected(files);
    }
}

TEST(TableSwitchTest, EnabledItemsAskNothingAndStayAsTheyAre)
{
    struct EnabledCase {
        TFirmwareProfileId target;
        std::size_t offset;
        std::uint8_t value;
    };
    const EnabledCase cases[] = {
        {pfMikas76Mode2, flag76Offset, 0x40},     {pfMikas76Mode2, flag76Offset, 0x41},
        {pfMikas76Mode2, flag76Offset, 0xFF},     {pfMikas114Mode2, switch114Offset, 0x40},
        {pfMikas114Mode2, switch114Offset, 0xC3}, {pfMikas114Mode2, input114Offset, 0x01},
        {pfMikas114Mode2, input114Offset, 0x04},  {pfMikas114Mode2, input114Offset, 0xFF},
    };
    for (const EnabledCase &c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + ", value " + std::to_string(c.value));
        ImageFiles files;
        enableAllItems(files);
        files.donor[c.offset] = c.value;
        files.target[c.offset] = c.value;
        files.save();

        test::ScriptedDialogs dialogs;
        CheckTableSwitch(c.target, files.donorPath, files.targetPath, dialogs);

        EXPECT_TRUE(dialogs.calls().empty());
        expectFilesAsExpected(files);
    }
}

TEST(TableSwitchTest, OtherTargetsOpenNoFile)
{
    const test::TempFolder folder;
    for (const TFirmwareProfileId target :
         {pfMikas76Mode1, pfMikas103Mode1, pfMikas103Mode2, pfMikas114Mode1, pfMikas114Mode3, pfMikas114Mode4}) {
        SCOPED_TRACE(std::string(firmwareProfile(target).caption));
        test::ScriptedDialogs dialogs;
        EXPECT_NO_THROW(CheckTableSwitch(target, folder.file("missing donor.bin"), folder.file("missing target.bin"),
                                         dialogs));
        EXPECT_TRUE(dialogs.calls().empty());
    }
}

TEST(TableSwitchTest, MissingFileStopsWithTheOpenErrorAfterEarlierChecksWrote)
{
    ImageFiles files;
    files.donor[switch114Offset] = 0x00;
    files.donor[input114Offset] = 0x00;
    files.save();
    const std::string missing = files.folder.file("no such target.bin");

    test::ScriptedDialogs dialogs({mrYes, mrYes});
    try {
        CheckTableSwitch(pfMikas114Mode2, files.donorPath, missing, dialogs);
        ADD_FAILURE() << "no error for a missing target";
    } catch (const FileOpenError &error) {
        EXPECT_TRUE(test::isOpenError(error.what(), fullPath(missing), "No such file or directory"));
    }
    EXPECT_EQ(dialogs.confirmations(), (std::vector{message3, message4}));
    files.donor[switch114Offset] = 0x40;
    files.donor[input114Offset] = 0x04;
    EXPECT_EQ(test::readBytes(files.donorPath), files.donor);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST(TableSwitchTest, FileEndingAtOrBeforeTheItemGivesTheReadError)
{
    ImageFiles files;
    struct ShortCase {
        TFirmwareProfileId target;
        std::size_t donorSize; // the item's offset: the file ends just before the item
    };
    for (const ShortCase &c :
         {ShortCase{pfMikas76Mode2, flag76Offset}, ShortCase{pfMikas114Mode2, switch114Offset}}) {
        SCOPED_TRACE(c.donorSize);
        const Bytes shortDonor(files.donor.begin(), files.donor.begin() + static_cast<std::ptrdiff_t>(c.donorSize));
        files.folder.write("donor.bin", shortDonor);

        test::ScriptedDialogs dialogs;
        try {
            CheckTableSwitch(c.target, files.donorPath, files.targetPath, dialogs);
            ADD_FAILURE() << "no error for a short donor";
        } catch (const StreamReadError &error) {
            EXPECT_EQ(std::string(error.what()), "Stream read error");
        }
        EXPECT_TRUE(dialogs.calls().empty());
        EXPECT_EQ(test::readBytes(files.donorPath), shortDonor);
        EXPECT_EQ(test::readBytes(files.targetPath), files.target);
    }
}

// The questions asked, in a child on POSIX systems, where GoogleTest assertions would go
// unseen: an answer comes from the list while it lasts, then No.
class ChildDialogs : public OperatorDialogs {
public:
    explicit ChildDialogs(std::vector<TModalResult> answers) : answers_(std::move(answers)) {}

    void showMessage(const std::string &) override {}
    TModalResult confirm(const std::string &text) override
    {
        questions.push_back(text);
        return questions.size() <= answers_.size() ? answers_[questions.size() - 1] : mrNo;
    }
    void setProgress(int) override {}
    void processMessages() override {}
    void focusField(FileField) override {}

    std::vector<std::string> questions;

private:
    std::vector<TModalResult> answers_;
};

// Runs the checks of target and reports how many questions were asked, then the outcome,
// "passed" or the error's text, then the questions.
std::string checkReport(TFirmwareProfileId target, const std::string &donorPath, const std::string &targetPath,
                        const std::vector<TModalResult> &answers)
{
    ChildDialogs dialogs(answers);
    std::string outcome;
    try {
        CheckTableSwitch(target, donorPath, targetPath, dialogs);
        outcome = "passed";
    } catch (const FileOpenError &error) {
        outcome = error.what();
    } catch (const StreamReadError &error) {
        outcome = error.what();
    }
    std::string report = std::to_string(dialogs.questions.size()) + " asked\n" + outcome;
    for (const std::string &question : dialogs.questions)
        report += "\n" + question;
    return report;
}

std::string checkAsOrdinaryUser(const std::string &donorPath, const std::string &targetPath,
                                const std::vector<TModalResult> &answers)
{
    const test::ChildOutcome outcome =
        test::runAsOrdinaryUser([&] { return checkReport(pfMikas76Mode2, donorPath, targetPath, answers); });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    return outcome.report;
}

TEST(TableSwitchTest, ReadOnlyDonorIsWrittenOnlyWhenAnItemMustBeSet)
{
    if (const std::string &why = test::whyNoUnprivilegedChild(); !why.empty())
        GTEST_SKIP() << why;
    ImageFiles files;
    enableAllItems(files);
    files.save();
    test::makeReadOnly(files.donorPath);

    EXPECT_EQ(checkAsOrdinaryUser(files.donorPath, files.targetPath, {}), "0 asked\npassed");
    expectFilesAsExpected(files);

    files.donor[flag76Offset] = 0x00;
    files.folder.write("donor.bin", files.donor);
    EXPECT_EQ(checkAsOrdinaryUser(files.donorPath, files.targetPath, {mrNo}), "1 asked\npassed\n" + message1);
    const std::string refused = checkAsOrdinaryUser(files.donorPath, files.targetPath, {mrYes});
    const std::string asked = "1 asked\n";
    ASSERT_TRUE(refused.starts_with(asked)) << refused;
    const std::size_t lineEnd = refused.find('\n', asked.size());
    EXPECT_TRUE(test::isOpenError(refused.substr(asked.size(), lineEnd - asked.size()), fullPath(files.donorPath),
                                  "Permission denied"));
    EXPECT_EQ(refused.substr(lineEnd == std::string::npos ? refused.size() : lineEnd + 1), message1);
    expectFilesAsExpected(files);
}

// Devices and FIFOs need POSIX calls, and a forked child whose alarm ends a wait on one. On
// Windows BinaryFileTest covers a folder and a device where an image is expected.
#ifndef _WIN32

// The checks in a forked child; a child that hangs is ended by its alarm.
test::ChildOutcome checkInChild(TFirmwareProfileId target, const std::string &donorPath,
                                const std::string &targetPath, const std::vector<TModalResult> &answers)
{
    return test::runInChild([&] {
        ::alarm(10);
        return checkReport(target, donorPath, targetPath, answers);
    });
}

TEST(TableSwitchTest, DeviceFifoOrFolderIsRefusedWithTheOpenErrorBeforeAnyQuestion)
{
    ImageFiles files;
    const std::string fifo = files.folder.file("image.fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string folder = files.folder.file("image folder.bin");
    std::filesystem::create_directory(folder);
    // The other side's items are on, so only the file that is not a file can stop the checks.
    enableAllItems(files);
    files.save();

    struct NotAFileCase {
        const char *name;
        std::string path;
        Side side;
    };
    const NotAFileCase cases[] = {
        {"device as donor", "/dev/zero", Side::Donor},   {"device as target", "/dev/zero", Side::Target},
        {"FIFO as donor", fifo, Side::Donor},            {"FIFO as target", fifo, Side::Target},
        {"folder as donor", folder, Side::Donor},        {"folder as target", folder, Side::Target},
    };
    for (const NotAFileCase &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string donorPath = c.side == Side::Donor ? c.path : files.donorPath;
        const std::string targetPath = c.side == Side::Target ? c.path : files.targetPath;

        const test::ChildOutcome outcome = checkInChild(pfMikas76Mode2, donorPath, targetPath, {});

        EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
        const std::string expectedStart = "0 asked\nCannot open file \"" + fullPath(c.path) + "\". ";
        const std::string start = outcome.report.substr(0, expectedStart.size());
        const std::string reason = outcome.report.substr(start.size());
        EXPECT_EQ(start, expectedStart) << outcome.report;
        if (start != expectedStart)
            continue;
        EXPECT_FALSE(reason.empty()) << outcome.report;
        EXPECT_EQ(reason.find('\n'), std::string::npos) << outcome.report;
    }
    expectFilesAsExpected(files);
}

#endif

} // namespace
} // namespace lumo

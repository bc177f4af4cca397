#include "TransferCommand.h"

#include "FileErrors.h"
#include "ImageFiles.h"
#include "RegionCopy.h"
#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace lumo {
namespace {

using enum TFirmwareProfileId;
using enum TModalResult;
using Outcome = TransferCommand::Outcome;
using test::Bytes;
using test::input114Offset;
using test::switch114Offset;

TransferRequest requestFor(const std::string &donorFileName, TFirmwareProfileId donor,
                           const std::string &targetFileName, TFirmwareProfileId target)
{
    TransferRequest request;
    request.donorText = donorFileName;
    request.targetText = targetFileName;
    request.donorFileName = donorFileName;
    request.targetFileName = targetFileName;
    request.donorChoice = donor;
    request.targetChoice = target;
    request.selection.chooseDonor(donor);
    request.selection.chooseTarget(target);
    return request;
}

// The latest position the progress bar was given, 0 before the first.
int latestProgress(const std::vector<test::DialogCall> &calls)
{
    const auto isProgress = [](const test::DialogCall &call) { return call.kind == test::DialogCall::Kind::Progress; };
    const auto last = std::find_if(calls.rbegin(), calls.rend(), isProgress);
    return last == calls.rend() ? 0 : last->position;
}

class TransferCommandTest : public ::testing::Test {
protected:
    TransferRequest request(TFirmwareProfileId donorProfile, TFirmwareProfileId targetProfile) const
    {
        return requestFor(files.donorPath, donorProfile, files.targetPath, targetProfile);
    }

    // What the files held before the command, and no backup.
    void expectFilesUntouched() const
    {
        EXPECT_EQ(test::readBytes(files.donorPath), files.donor);
        EXPECT_EQ(test::readBytes(files.targetPath), files.target);
        EXPECT_FALSE(std::filesystem::exists(files.backupPath));
    }

    test::ImageFiles files;
};

TEST_F(TransferCommandTest, StopsAtTheFirstMissingInput)
{
    struct MissingCase {
        const char *name;
        std::string donorText;
        std::optional<TFirmwareProfileId> donorChoice;
        std::string targetText;
        std::optional<TFirmwareProfileId> targetChoice;
        std::vector<test::DialogCall> calls;
    };
    const auto donorFile = test::messageCall("Вкажіть файл прошивки донора!");
    const auto donorType = test::messageCall("Вкажіть тип прошивки донора!");
    const auto targetFile = test::messageCall("Вкажіть файл прошивки для запису!");
    const auto targetType = test::messageCall("Вкажіть тип прошивки для запису!");
    const auto focusDonor = test::focusCall(FileField::Donor);
    const auto focusTarget = test::focusCall(FileField::Target);
    const MissingCase cases[] = {
        {"nothing given", "", std::nullopt, "", std::nullopt, {donorFile, focusDonor}},
        {"donor text of blanks and control characters", " \t\r\n\x01 ", pfMikas76Mode1, "t.bin", pfMikas76Mode2,
         {donorFile, focusDonor}},
        {"no donor choice", "d.bin", std::nullopt, "", std::nullopt, {donorType}},
        {"donor text with surrounding blanks is not blank", " . ", std::nullopt, "t.bin", pfMikas76Mode2,
         {donorType}},
        {"target text of blanks", "d.bin", pfMikas76Mode1, "   ", std::nullopt, {targetFile, focusTarget}},
        {"no target choice", "d.bin", pfMikas76Mode1, "t.bin", std::nullopt, {targetType}},
    };
    for (const MissingCase &c : cases) {
        SCOPED_TRACE(c.name);
        TransferRequest r;
        r.donorText = c.donorText;
        r.donorFileName = c.donorText;
        r.donorChoice = c.donorChoice;
        r.targetText = c.targetText;
        r.targetFileName = c.targetText;
        r.targetChoice = c.targetChoice;

        test::ScriptedDialogs dialogs;
        TransferCommand command(dialogs);
        EXPECT_EQ(command.run(r), Outcome::Stopped);
        EXPECT_EQ(dialogs.calls(), c.calls);
        EXPECT_FALSE(command.isRunning());
    }
}

TEST_F(TransferCommandTest, SummaryShowsTheTextsAsTyped)
{
    TransferRequest r = request(pfMikas114Mode3, pfMikas114Mode1);
    r.donorText = "  \"C:\\Прошивки\\донор 1.bin\" ";
    r.targetText = "\tзапис.bin  ";

    EXPECT_EQ(TransferCommand::summary(r), "Прошивка донор:\n\r"
                                           "-------------------------------------\n\r"
                                           "Файл:   \"C:\\Прошивки\\донор 1.bin\" \n\r"
                                           "Тип ЕБК (№ режиму): Микас 10.3+, 11.4 (Режим №3)\n\r"
                                           "=====================================\n\r"
                                           "\n\r"
                                           "Прошивка для запису:\n\r"
                                           "-------------------------------------\n\r"
                                           "Файл: \tзапис.bin  \n\r"
                                           "Тип ЕБК (№ режиму): Микас 10.3+, 11.4 (Режим №1)\n\r"
                                           "=====================================\n\r"
                                           "\n\r"
                                           "Ви дійсно бажаєте провести копіювання?");
}

TEST_F(TransferCommandTest, NoOrClosingTheSummaryWritesNothing)
{
    for (const TModalResult answer : {mrNo, mrCancel}) {
        SCOPED_TRACE(static_cast<int>(answer));
        const TransferRequest r = request(pfMikas103Mode1, pfMikas103Mode2);
        test::ScriptedDialogs dialogs({answer});
        TransferCommand command(dialogs);

        EXPECT_EQ(command.run(r), Outcome::Stopped);
        EXPECT_EQ(dialogs.calls(), std::vector{test::confirmCall(TransferCommand::summary(r))});
        expectFilesUntouched();
    }
}

TEST_F(TransferCommandTest, YesCopiesFromTheFileNamesUpToTheTargetRegionEnd)
{
    TransferRequest r = request(pfMikas114Mode3, pfMikas114Mode1);
    r.donorText = " \"" + files.donorPath + "\" ";
    r.targetText = "\"" + files.targetPath + "\"";
    test::ScriptedDialogs dialogs({mrYes});
    TransferCommand command(dialogs);

    EXPECT_EQ(command.run(r), Outcome::Transferred);

    EXPECT_EQ(dialogs.confirmations(), std::vector{TransferCommand::summary(r)});
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Ok!"});
    Bytes expected = files.target;
    std::copy_n(files.donor.begin() + 0x70000, 27008, expected.begin() + 0x50000);
    EXPECT_EQ(test::readBytes(files.targetPath), expected);
    EXPECT_EQ(test::readBytes(files.backupPath), files.target);
    EXPECT_FALSE(command.isRunning());
}

TEST_F(TransferCommandTest, OnlyTheTwoSecondModeTargetsRunTheChecks)
{
    // With files that do not exist, a check would fail to open them.
    const std::string missingDonor = files.folder.file("missing donor.bin");
    const std::string missingTarget = files.folder.file("missing target.bin");
    struct CheckRow {
        TFirmwareProfileId target;
        bool checked;
    };
    const CheckRow rows[] = {
        {pfMikas76Mode1, false},  {pfMikas76Mode2, true},   {pfMikas103Mode1, false}, {pfMikas103Mode2, false},
        {pfMikas114Mode1, false}, {pfMikas114Mode2, true},  {pfMikas114Mode3, false}, {pfMikas114Mode4, false},
    };
    for (const CheckRow &row : rows) {
        SCOPED_TRACE(std::string(firmwareProfile(row.target).caption));
        const TransferRequest r = requestFor(missingDonor, pfMikas114Mode3, missingTarget, row.target);
        test::ScriptedDialogs dialogs(row.checked ? std::vector<TModalResult>{} : std::vector{mrNo});
        TransferCommand command(dialogs);

        if (row.checked) {
            EXPECT_THROW(command.run(r), FileOpenError);
            EXPECT_TRUE(dialogs.calls().empty());
        } else {
            EXPECT_EQ(command.run(r), Outcome::Stopped);
            EXPECT_EQ(dialogs.confirmations(), std::vector{TransferCommand::summary(r)});
        }
        EXPECT_FALSE(command.isRunning());
    }
}

TEST_F(TransferCommandTest, ByteSetByACheckStaysWhenTheSummaryIsDeclined)
{
    files.donor[switch114Offset] = 0x00;
    files.donor[input114Offset] = 0x02;
    files.target[switch114Offset] = 0x40;
    files.target[input114Offset] = 0x01;
    files.save();
    const TransferRequest r = request(pfMikas103Mode1, pfMikas114Mode2);
    test::ScriptedDialogs dialogs({mrYes, mrNo});
    TransferCommand command(dialogs);

    EXPECT_EQ(command.run(r), Outcome::Stopped);

    ASSERT_EQ(dialogs.confirmations().size(), 2u);
    EXPECT_EQ(dialogs.confirmations()[1], TransferCommand::summary(r));
    files.donor[switch114Offset] = 0x40;
    expectFilesUntouched();
}

TEST_F(TransferCommandTest, BackupFailurePassesThroughAndTheNextRunGoesAhead)
{
    const std::string missing = files.folder.file("missing.bin");
    const TransferRequest r = requestFor(files.donorPath, pfMikas103Mode1, missing, pfMikas103Mode2);
    test::ScriptedDialogs dialogs({mrYes, mrNo});
    TransferCommand command(dialogs);

    EXPECT_THROW(command.run(r), BackupError);
    EXPECT_FALSE(command.isRunning());
    EXPECT_EQ(command.run(r), Outcome::Stopped);
    EXPECT_EQ(dialogs.confirmations().size(), 2u);
}

TEST_F(TransferCommandTest, CommandGivenDuringACopyIsRefusedAndTheCopyFinishes)
{
    const TransferRequest r = request(pfMikas114Mode1, pfMikas103Mode2);
    test::ScriptedDialogs dialogs({mrYes});
    TransferCommand command(dialogs);
    std::vector<Outcome> nested;
    // Given once, as soon as the progress bar shows that bytes are being copied.
    dialogs.onProcessMessages = [&] {
        if (!nested.empty() || latestProgress(dialogs.calls()) == 0)
            return;
        EXPECT_TRUE(command.isRunning());
        const std::size_t callsBefore = dialogs.calls().size();
        nested.push_back(
            command.run(requestFor(files.targetPath, pfMikas114Mode1, files.donorPath, pfMikas103Mode2)));
        EXPECT_EQ(dialogs.calls().size(), callsBefore);
    };

    EXPECT_EQ(command.run(r), Outcome::Transferred);

    EXPECT_EQ(nested, std::vector{Outcome::Refused});
    EXPECT_EQ(dialogs.messages(), std::vector<std::string>{"Ok!"});
    Bytes expected = files.target;
    std::copy_n(files.donor.begin() + 0x50000, 27008, expected.begin() + 0x30000);
    EXPECT_EQ(test::readBytes(files.targetPath), expected);
    EXPECT_EQ(test::readBytes(files.donorPath), files.donor);
    EXPECT_FALSE(command.isRunning());
}

} // namespace
} // namespace lumo

#include "TableSwitch.h"

#include "ChildProcess.h"
#include "OpenErrorForm.h"
#include "FileErrors.h"
#include "FileSystem.h"
#include "ScriptedDialogs.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <vector>

namespace lumo {
namespace {

using enum TFirmwareProfileId;
using enum TModalResult;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t imageSize = 600 * 1024; // holds every region and every item

constexpr std::size_t flag76 = 0xC422;
constexpr std::size_t switch114 = 0x500D5;
constexpr std::size_t input114 = 0x5006A;

const std::string askFlag = "Увімкнути у комплектації \"Признак переключения таблиц\"?";
const std::string askInput = "Увімкнути у опціях \"Выбор входа переключателя таблиц T1/T2\"?";
const std::string statementStart = "Ви копіюєте таблиці колібровок у другий режим прошивки, але у прошивці ";

const std::string message1 = statementStart +
                             "донора не увімкнено в комплектації \"Признак переключения таблиц\"!\n\r\r" + askFlag;
const std::string message2 =
    statementStart +
    "для запису у першому режимі не увімкнено в комплектації \"Признак переключения таблиц\"!\n\r\r" + askFlag;
const std::string message3 =
    statementStart + "донора не увімкнено в комплектації \"Переключатель таблиц\"!\n\r\r" + askFlag;
const std::string message4 =
    statementStart + "донора не увімкнено в опціях \"Выбор входа переключателя таблиц T1/T2\"!\n\r\r" + askInput;
const std::string message5 =
    statementStart + "для запису у першому режимі не увімкнено в комплектації \"Переключатель таблиц\"!\n\r\r" +
    askFlag;
const std::string message6 =
    statementStart +
    "для запису у першому режимі не увімкнено в опціях \"Выбор входа переключателя таблиц T1/T2\"!\n\r\r" +
    askInput;

enum class Side { Donor, Target };

// A donor and a target image in a fresh folder; the items are set per test.
class TableSwitchTest : public ::testing::Test {
protected:
    void SetUp() override { freshImages(); }

    void freshImages()
    {
        donor = test::patternBytes(imageSize, 1);
        target = test::patternBytes(imageSize, 2);
    }

    // Every item of both files on, with values that the enabling would change if written.
    void enableAllItems()
    {
        for (Bytes *image : {&donor, &target}) {
            (*image)[flag76] = 0x45;
            (*image)[switch114] = 0x41;
            (*image)[input114] = 0x07;
        }
    }

    void save() const
    {
        folder.write("donor.bin", donor);
        folder.write("target.bin", target);
    }

    Bytes &image(Side side) { return side == Side::Donor ? donor : target; }

    void expectFilesAsExpected() const
    {
        EXPECT_EQ(test::readBytes(donorPath), donor);
        EXPECT_EQ(test::readBytes(targetPath), target);
    }

    test::TempFolder folder;
    const std::string donorPath = folder.file("donor.bin");
    const std::string targetPath = folder.file("target.bin");
    Bytes donor;
    Bytes target;
};

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
    {"check 1: donor flag 7.6", pfMikas76Mode2, Side::Donor, flag76, 0xBF, 0xFF, message1},
    {"check 2: target flag 7.6", pfMikas76Mode2, Side::Target, flag76, 0x00, 0x40, message2},
    {"check 3: donor switch 10.3+/11.4", pfMikas114Mode2, Side::Donor, switch114, 0x12, 0x52, message3},
    {"check 4: donor input 10.3+/11.4", pfMikas114Mode2, Side::Donor, input114, 0x00, 0x04, message4},
    {"check 5: target switch 10.3+/11.4", pfMikas114Mode2, Side::Target, switch114, 0xBF, 0xFF, message5},
    {"check 6: target input 10.3+/11.4", pfMikas114Mode2, Side::Target, input114, 0x00, 0x04, message6},
};

TEST_F(TableSwitchTest, EachCheckAsksWithItsMessageAndWritesOnlyOnYes)
{
    for (const CheckCase &c : checkCases) {
        for (const TModalResult answer : {mrYes, mrNo, mrCancel}) {
            SCOPED_TRACE(std::string(c.name) + ", answer " + std::to_string(static_cast<int>(answer)));
            freshImages();
            enableAllItems();
            image(c.side)[c.offset] = c.offValue;
            save();

            test::ScriptedDialogs dialogs({answer});
            CheckTableSwitch(c.target, donorPath, targetPath, dialogs);

            EXPECT_EQ(dialogs.calls(), std::vector{test::confirmCall(c.message)});
            if (answer == mrYes)
                image(c.side)[c.offset] = c.enabledValue;
            expectFilesAsExpected();
        }
    }
}

TEST_F(TableSwitchTest, EveryCheckRunsInOrderAfterNo)
{
    donor[switch114] = 0x00;
    donor[input114] = 0x00;
    target[switch114] = 0x80;
    target[input114] = 0x00;
    save();

    test::ScriptedDialogs dialogs({mrNo, mrCancel, mrNo, mrNo});
    CheckTableSwitch(pfMikas114Mode2, donorPath, targetPath, dialogs);

    EXPECT_EQ(dialogs.confirmations(), (std::vector{message3, message4, message5, message6}));
    expectFilesAsExpected();
}

TEST_F(TableSwitchTest, YesToEveryCheckSetsEveryItem)
{
    donor[flag76] = 0x00;
    target[flag76] = 0x3F;
    save();

    test::ScriptedDialogs dialogs({mrYes, mrYes});
    CheckTableSwitch(pfMikas76Mode2, donorPath, targetPath, dialogs);

    EXPECT_EQ(dialogs.confirmations(), (std::vector{message1, message2}));
    donor[flag76] = 0x40;
    target[flag76] = 0x7F;
    expectFilesAsExpected();
}

TEST_F(TableSwitchTest, EnabledItemsAskNothingAndStayAsTheyAre)
{
    struct EnabledCase {
        TFirmwareProfileId target;
        std::size_t offset;
        std::uint8_t value;
    };
    const EnabledCase cases[] = {
        {pfMikas76Mode2, flag76, 0x40}, {pfMikas76Mode2, flag76, 0x41},   {pfMikas76Mode2, flag76, 0xFF},
        {pfMikas114Mode2, switch114, 0x40}, {pfMikas114Mode2, switch114, 0xC3},
        {pfMikas114Mode2, input114, 0x01},  {pfMikas114Mode2, input114, 0x04}, {pfMikas114Mode2, input114, 0xFF},
    };
    for (const EnabledCase &c : cases) {
        SCOPED_TRACE("offset " + std::to_string(c.offset) + ", value " + std::to_string(c.value));
        freshImages();
        enableAllItems();
        donor[c.offset] = c.value;
        target[c.offset] = c.value;
        save();

        test::ScriptedDialogs dialogs;
        CheckTableSwitch(c.target, donorPath, targetPath, dialogs);

        EXPECT_TRUE(dialogs.calls().empty());
        expectFilesAsExpected();
    }
}

TEST_F(TableSwitchTest, OtherTargetsOpenNoFile)
{
    for (const TFirmwareProfile &profile : FirmwareProfiles()) {
        if (needsTableSwitchCheck(profile.id))
            continue;
        SCOPED_TRACE(std::string(profile.caption));
        test::ScriptedDialogs dialogs;
        EXPECT_NO_THROW(CheckTableSwitch(profile.id, folder.file("missing donor.bin"),
                                         folder.file("missing target.bin"), dialogs));
        EXPECT_TRUE(dialogs.calls().empty());
    }
}

TEST_F(TableSwitchTest, SameFileOnBothSidesIsReadAnewByEachCheck)
{
    // Yes on the donor side sets the items, so the target side finds them on.
    donor[switch114] = 0x00;
    donor[input114] = 0x00;
    save();
    {
        test::ScriptedDialogs dialogs({mrYes, mrYes});
        CheckTableSwitch(pfMikas114Mode2, donorPath, donorPath, dialogs);
        EXPECT_EQ(dialogs.confirmations(), (std::vector{message3, message4}));
    }
    donor[switch114] = 0x40;
    donor[input114] = 0x04;
    expectFilesAsExpected();

    // No leaves them off, so the target side asks about the same bytes.
    donor[switch114] = 0x00;
    donor[input114] = 0x00;
    save();
    {
        test::ScriptedDialogs dialogs({mrNo, mrNo, mrNo, mrNo});
        CheckTableSwitch(pfMikas114Mode2, donorPath, donorPath, dialogs);
        EXPECT_EQ(dialogs.confirmations(), (std::vector{message3, message4, message5, message6}));
    }
    expectFilesAsExpected();
}

TEST_F(TableSwitchTest, MissingFileStopsWithTheOpenErrorAfterEarlierChecksWrote)
{
    donor[switch114] = 0x00;
    donor[input114] = 0x00;
    folder.write("donor.bin", donor);
    const std::string missing = folder.file("no such target.bin");

    test::ScriptedDialogs dialogs({mrYes, mrYes});
    try {
        CheckTableSwitch(pfMikas114Mode2, donorPath, missing, dialogs);
        ADD_FAILURE() << "no error for a missing target";
    } catch (const FileOpenError &error) {
        EXPECT_TRUE(test::isOpenError(error.what(), fullPath(missing), "No such file or directory"));
    }
    EXPECT_EQ(dialogs.confirmations(), (std::vector{message3, message4}));
    donor[switch114] = 0x40;
    donor[input114] = 0x04;
    EXPECT_EQ(test::readBytes(donorPath), donor);
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(TableSwitchTest, FileEndingAtOrBeforeTheItemGivesTheReadError)
{
    struct ShortCase {
        TFirmwareProfileId target;
        std::size_t donorSize; // the item's offset: the file ends just before the item
    };
    for (const ShortCase &c : {ShortCase{pfMikas76Mode2, flag76}, ShortCase{pfMikas114Mode2, switch114}}) {
        SCOPED_TRACE(c.donorSize);
        const Bytes shortDonor(donor.begin(), donor.begin() + static_cast<std::ptrdiff_t>(c.donorSize));
        folder.write("donor.bin", shortDonor);
        folder.write("target.bin", target);

        test::ScriptedDialogs dialogs;
        try {
            CheckTableSwitch(c.target, donorPath, targetPath, dialogs);
            ADD_FAILURE() << "no error for a short donor";
        } catch (const StreamReadError &error) {
            EXPECT_EQ(std::string(error.what()), "Stream read error");
        }
        EXPECT_TRUE(dialogs.calls().empty());
        EXPECT_EQ(test::readBytes(donorPath), shortDonor);
        EXPECT_EQ(test::readBytes(targetPath), target);
    }
}

// In a child for whom permission bits apply; the report lists the questions asked and the
// outcome, one per line.
std::string checkAsUnprivileged(const std::string &donorPath, const std::string &targetPath,
                                std::vector<TModalResult> answers)
{
    const test::ChildOutcome outcome = test::runAsOrdinaryUser([&] {
        test::ScriptedDialogs dialogs(answers);
        std::string report;
        try {
            CheckTableSwitch(pfMikas76Mode2, donorPath, targetPath, dialogs);
            report = "passed";
        } catch (const FileOpenError &error) {
            report = error.what();
        }
        for (const std::string &question : dialogs.confirmations())
            report += "\n" + question;
        return report;
    });
    EXPECT_EQ(outcome.exitCode, 0) << outcome.report;
    return outcome.report;
}

TEST_F(TableSwitchTest, ReadOnlyDonorIsWrittenOnlyWhenAnItemMustBeSet)
{
    enableAllItems();
    save();
    test::makeReadOnly(donorPath);

    EXPECT_EQ(checkAsUnprivileged(donorPath, targetPath, {}), "passed");
    expectFilesAsExpected();

    donor[flag76] = 0x00;
    folder.write("donor.bin", donor);
    EXPECT_EQ(checkAsUnprivileged(donorPath, targetPath, {mrNo}), "passed\n" + message1);
    const std::string refused = checkAsUnprivileged(donorPath, targetPath, {mrYes});
    const std::size_t lineEnd = refused.find('\n');
    EXPECT_TRUE(test::isOpenError(refused.substr(0, lineEnd), fullPath(donorPath), "Permission denied"));
    EXPECT_EQ(refused.substr(lineEnd == std::string::npos ? refused.size() : lineEnd + 1), message1);
    expectFilesAsExpected();
}

} // namespace
} // namespace lumo

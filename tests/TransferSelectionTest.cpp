#include "TransferSelection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace lumo {
namespace {

using enum TFirmwareProfileId;

struct ExpectedSide {
    std::optional<TFirmwareProfileId> id;
    std::string caption;
    std::int32_t first;
    std::int32_t last;
};

// A side nobody has chosen yet.
const ExpectedSide none{std::nullopt, "", 0, 0};

void expectDonor(const TTransferSelection &selection, const ExpectedSide &expected)
{
    EXPECT_EQ(selection.Donor, expected.id);
    EXPECT_EQ(selection.DonorCaption, expected.caption);
    EXPECT_EQ(selection.DonorFirst, expected.first);
    EXPECT_EQ(selection.DonorLast, expected.last);
}

void expectTarget(const TTransferSelection &selection, const ExpectedSide &expected)
{
    EXPECT_EQ(selection.Target, expected.id);
    EXPECT_EQ(selection.TargetCaption, expected.caption);
    EXPECT_EQ(selection.TargetFirst, expected.first);
    EXPECT_EQ(selection.TargetLast, expected.last);
}

TEST(TransferSelectionTest, FirstChoiceFillsItsSideOnlyAndTheOtherStaysNone)
{
    // One profile of each family; the last has the longer region of modes 3 and 4.
    const ExpectedSide rows[] = {
        {pfMikas76Mode2, "Микас 7.6 (Режим №2)", 0x18000, 0x1E97F},
        {pfMikas103Mode1, "Микас 10.3 (Режим №1)", 0x20000, 0x2697F},
        {pfMikas114Mode4, "Микас 10.3+, 11.4 (Режим №4)", 0x80000, 0x86989},
    };
    for (const ExpectedSide &row : rows) {
        SCOPED_TRACE(row.caption);
        TTransferSelection donorChosen;
        donorChosen.chooseDonor(*row.id);
        expectDonor(donorChosen, row);
        expectTarget(donorChosen, none);

        TTransferSelection targetChosen;
        targetChosen.chooseTarget(*row.id);
        expectTarget(targetChosen, row);
        expectDonor(targetChosen, none);
    }
}

TEST(TransferSelectionTest, EachChoiceFillsItsSideAndLeavesTheOther)
{
    TTransferSelection selection;
    selection.chooseDonor(pfMikas114Mode3);
    selection.chooseTarget(pfMikas114Mode1);
    selection.chooseDonor(pfMikas76Mode1);

    expectDonor(selection, {pfMikas76Mode1, "Микас 7.6 (Режим №1)", 0x8000, 0xE97F});
    // A later donor choice does not reset the target side.
    expectTarget(selection, {pfMikas114Mode1, "Микас 10.3+, 11.4 (Режим №1)", 0x50000, 0x5697F});
}

} // namespace
} // namespace lumo

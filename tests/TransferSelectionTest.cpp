#include "TransferSelection.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

using enum TFirmwareProfileId;

TEST(TransferSelectionTest, NothingChosenAtStart)
{
    const TTransferSelection selection;
    EXPECT_FALSE(selection.Donor);
    EXPECT_FALSE(selection.Target);
    EXPECT_EQ(selection.DonorCaption, "");
    EXPECT_EQ(selection.TargetCaption, "");
    EXPECT_EQ(selection.DonorFirst, 0);
    EXPECT_EQ(selection.DonorLast, 0);
    EXPECT_EQ(selection.TargetFirst, 0);
    EXPECT_EQ(selection.TargetLast, 0);
}

TEST(TransferSelectionTest, EachChoiceFillsItsSideAndLeavesTheOther)
{
    TTransferSelection selection;
    selection.chooseDonor(pfMikas114Mode3);
    selection.chooseTarget(pfMikas114Mode1);
    selection.chooseDonor(pfMikas76Mode1);

    EXPECT_EQ(selection.Donor, pfMikas76Mode1);
    EXPECT_EQ(selection.DonorCaption, "Микас 7.6 (Режим №1)");
    EXPECT_EQ(selection.DonorFirst, 0x8000);
    EXPECT_EQ(selection.DonorLast, 0xE97F);

    // A later donor choice does not reset the target side.
    EXPECT_EQ(selection.Target, pfMikas114Mode1);
    EXPECT_EQ(selection.TargetCaption, "Микас 10.3+, 11.4 (Режим №1)");
    EXPECT_EQ(selection.TargetFirst, 0x50000);
    EXPECT_EQ(selection.TargetLast, 0x5697F);
}

} // namespace
} // namespace lumo

#include "FirmwareProfile.h"

#include <gtest/gtest.h>

#include <string>

namespace lumo {
namespace {

using enum TFirmwareProfileId;
using enum TFirmwareFamily;

struct ExpectedProfile {
    TFirmwareProfileId id;
    TFirmwareFamily family;
    int mode;
    const char *caption;
    std::int32_t first;
    std::int32_t last;
    std::int32_t length;
    bool tableSwitchCheck;
};

constexpr ExpectedProfile expectedProfiles[] = {
    {pfMikas76Mode1, ffMikas76, 1, "Микас 7.6 (Режим №1)", 32768, 59775, 27008, false},
    {pfMikas76Mode2, ffMikas76, 2, "Микас 7.6 (Режим №2)", 98304, 125311, 27008, true},
    {pfMikas103Mode1, ffMikas103, 1, "Микас 10.3 (Режим №1)", 131072, 158079, 27008, false},
    {pfMikas103Mode2, ffMikas103, 2, "Микас 10.3 (Режим №2)", 196608, 223615, 27008, false},
    {pfMikas114Mode1, ffMikas114, 1, "Микас 10.3+, 11.4 (Режим №1)", 327680, 354687, 27008, false},
    {pfMikas114Mode2, ffMikas114, 2, "Микас 10.3+, 11.4 (Режим №2)", 393216, 420223, 27008, true},
    {pfMikas114Mode3, ffMikas114, 3, "Микас 10.3+, 11.4 (Режим №3)", 458752, 485769, 27018, false},
    {pfMikas114Mode4, ffMikas114, 4, "Микас 10.3+, 11.4 (Режим №4)", 524288, 551305, 27018, false},
};

TEST(FirmwareProfileTest, EightProfilesInOfferedOrderWithTheirRegions)
{
    const auto &profiles = FirmwareProfiles();
    ASSERT_EQ(profiles.size(), std::size(expectedProfiles));
    for (std::size_t i = 0; i < profiles.size(); ++i) {
        const ExpectedProfile &expected = expectedProfiles[i];
        const TFirmwareProfile &profile = profiles[i];
        SCOPED_TRACE(expected.caption);
        EXPECT_EQ(profile.id, expected.id);
        EXPECT_EQ(profile.family, expected.family);
        EXPECT_EQ(profile.mode, expected.mode);
        EXPECT_EQ(std::string(profile.caption), expected.caption);
        EXPECT_EQ(profile.regionFirst, expected.first);
        EXPECT_EQ(profile.regionLast, expected.last);
        EXPECT_EQ(profile.regionLength(), expected.length);
        EXPECT_EQ(&firmwareProfile(expected.id), &profile);
    }
}

TEST(FirmwareProfileTest, CaptionIsFamilyThenMode)
{
    for (const TFirmwareProfile &profile : FirmwareProfiles())
        EXPECT_EQ(std::string(profile.caption),
                  std::string(familyCaption(profile.family)) + " (Режим №" + std::to_string(profile.mode) + ")");
    EXPECT_EQ(familyCaption(ffMikas114), "Микас 10.3+, 11.4");
}

TEST(FirmwareProfileTest, OnlyTheTwoSecondModesWithSwitchItemsNeedTheCheck)
{
    for (const ExpectedProfile &expected : expectedProfiles)
        EXPECT_EQ(needsTableSwitchCheck(expected.id), expected.tableSwitchCheck) << expected.caption;
}

} // namespace
} // namespace lumo

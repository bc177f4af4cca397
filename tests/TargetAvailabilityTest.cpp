#include "TargetAvailability.h"

#include <gtest/gtest.h>

#include <string>

namespace lumo {
namespace {

using enum TTargetAvailability;

// Rows: donor; columns: target; both in the order of FirmwareProfiles().
constexpr TTargetAvailability availability[8][8] = {
    //  76m1 76m2 103m1 103m2 114m1 114m2 114m3 114m4
    {On, On, Off, Off, Off, Off, Off, Off},     // 7.6 mode 1
    {On, On, Off, Off, Off, Off, Off, Off},     // 7.6 mode 2
    {Off, Off, On, On, On, On, Same, Same},     // 10.3 mode 1
    {Off, Off, On, On, On, On, Same, Same},     // 10.3 mode 2
    {Off, Off, On, On, On, On, Same, Same},     // 10.3+/11.4 mode 1
    {Off, Off, On, On, On, On, Same, Same},     // 10.3+/11.4 mode 2
    {Off, Off, On, On, On, On, On, On},         // 10.3+/11.4 mode 3
    {Off, Off, On, On, On, On, On, On},         // 10.3+/11.4 mode 4
};

TEST(TargetAvailabilityTest, EveryDonorAndTargetPair)
{
    const auto &profiles = FirmwareProfiles();
    for (std::size_t d = 0; d < profiles.size(); ++d)
        for (std::size_t t = 0; t < profiles.size(); ++t)
            EXPECT_EQ(targetAvailabilityAfterDonor(profiles[d].id, profiles[t].id), availability[d][t])
                << "donor " << profiles[d].caption << ", target " << profiles[t].caption;
}

} // namespace
} // namespace lumo

#include "TargetAvailability.h"

namespace lumo {

namespace {

enum class AvailabilityColumn { Mikas76, Modes1And2, Modes3And4 };

AvailabilityColumn columnOf(const TFirmwareProfile &profile)
{
    if (profile.family == TFirmwareFamily::ffMikas76)
        return AvailabilityColumn::Mikas76;
    return profile.mode <= 2 ? AvailabilityColumn::Modes1And2 : AvailabilityColumn::Modes3And4;
}

} // namespace

TTargetAvailability targetAvailabilityAfterDonor(TFirmwareProfileId donor, TFirmwareProfileId target)
{
    using enum TTargetAvailability;
    const AvailabilityColumn donorKind = columnOf(firmwareProfile(donor));
    const AvailabilityColumn targetKind = columnOf(firmwareProfile(target));

    if (donorKind == AvailabilityColumn::Mikas76 || targetKind == AvailabilityColumn::Mikas76)
        return donorKind == targetKind ? On : Off;
    if (targetKind == AvailabilityColumn::Modes1And2)
        return On;
    return donorKind == AvailabilityColumn::Modes3And4 ? On : Same;
}

} // namespace lumo

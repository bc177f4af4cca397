#pragma once

#include "FirmwareProfile.h"

#include <cstdint>
#include <optional>
#include <string>

namespace lumo {

// The donor and target profiles last chosen. A choice overwrites its side; nothing resets a
// side to none, so a target unchecked by a later donor choice is still described here.
struct TTransferSelection {
    std::optional<TFirmwareProfileId> Donor;
    std::string DonorCaption;
    std::int32_t DonorFirst = 0;
    std::int32_t DonorLast = 0;

    std::optional<TFirmwareProfileId> Target;
    std::string TargetCaption;
    std::int32_t TargetFirst = 0;
    // Kept so that a copy never writes past the end of the target's region.
    std::int32_t TargetLast = 0;

    void chooseDonor(TFirmwareProfileId id);
    void chooseTarget(TFirmwareProfileId id);
};

} // namespace lumo

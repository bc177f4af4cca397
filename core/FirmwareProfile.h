#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace lumo {

enum class TFirmwareFamily { ffMikas76, ffMikas103, ffMikas114 };

enum class TFirmwareProfileId {
    pfMikas76Mode1,
    pfMikas76Mode2,
    pfMikas103Mode1,
    pfMikas103Mode2,
    pfMikas114Mode1,
    pfMikas114Mode2,
    pfMikas114Mode3,
    pfMikas114Mode4,
};

// One firmware layout: which bytes of an image hold the calibration tables of one mode.
// Offsets count bytes from the start of the file; both ends are inclusive.
struct TFirmwareProfile {
    TFirmwareProfileId id;
    TFirmwareFamily family;
    int mode;
    std::string_view caption; // UTF-8, as shown to the operator
    std::int32_t regionFirst;
    std::int32_t regionLast;

    constexpr std::int32_t regionLength() const { return regionLast - regionFirst + 1; }
};

std::string_view familyCaption(TFirmwareFamily family);

// The eight profiles in the order in which they are offered.
const std::array<TFirmwareProfile, 8> &FirmwareProfiles();

const TFirmwareProfile &firmwareProfile(TFirmwareProfileId id);

// The two targets whose table-switch configuration items are checked before a transfer.
bool needsTableSwitchCheck(TFirmwareProfileId target);

} // namespace lumo

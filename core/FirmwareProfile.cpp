#include "FirmwareProfile.h"

namespace lumo {

std::string_view familyCaption(TFirmwareFamily family)
{
    switch (family) {
    case TFirmwareFamily::ffMikas76:
        return "Микас 7.6";
    case TFirmwareFamily::ffMikas103:
        return "Микас 10.3";
    case TFirmwareFamily::ffMikas114:
        return "Микас 10.3+, 11.4";
    }
    return {};
}

const std::array<TFirmwareProfile, 8> &FirmwareProfiles()
{
    using enum TFirmwareProfileId;
    using enum TFirmwareFamily;
    static constexpr std::array<TFirmwareProfile, 8> profiles{{
        {pfMikas76Mode1, ffMikas76, 1, "Микас 7.6 (Режим №1)", 0x8000, 0xE97F},
        {pfMikas76Mode2, ffMikas76, 2, "Микас 7.6 (Режим №2)", 0x18000, 0x1E97F},
        {pfMikas103Mode1, ffMikas103, 1, "Микас 10.3 (Режим №1)", 0x20000, 0x2697F},
        {pfMikas103Mode2, ffMikas103, 2, "Микас 10.3 (Режим №2)", 0x30000, 0x3697F},
        {pfMikas114Mode1, ffMikas114, 1, "Микас 10.3+, 11.4 (Режим №1)", 0x50000, 0x5697F},
        {pfMikas114Mode2, ffMikas114, 2, "Микас 10.3+, 11.4 (Режим №2)", 0x60000, 0x6697F},
        {pfMikas114Mode3, ffMikas114, 3, "Микас 10.3+, 11.4 (Режим №3)", 0x70000, 0x76989},
        {pfMikas114Mode4, ffMikas114, 4, "Микас 10.3+, 11.4 (Режим №4)", 0x80000, 0x86989},
    }};
    return profiles;
}

const TFirmwareProfile &firmwareProfile(TFirmwareProfileId id)
{
    return FirmwareProfiles()[static_cast<std::size_t>(id)];
}

bool needsTableSwitchCheck(TFirmwareProfileId target)
{
    return target == TFirmwareProfileId::pfMikas76Mode2 || target == TFirmwareProfileId::pfMikas114Mode2;
}

} // namespace lumo

#include "TransferSelection.h"

namespace lumo {

namespace {

// Both sides are described alike; only the members that hold them differ.
void describe(TFirmwareProfileId id, std::optional<TFirmwareProfileId> &chosen, std::string &caption,
              std::int32_t &first, std::int32_t &last)
{
    const TFirmwareProfile &profile = firmwareProfile(id);
    chosen = id;
    caption = profile.caption;
    first = profile.regionFirst;
    last = profile.regionLast;
}

} // namespace

void TTransferSelection::chooseDonor(TFirmwareProfileId id)
{
    describe(id, Donor, DonorCaption, DonorFirst, DonorLast);
}

void TTransferSelection::chooseTarget(TFirmwareProfileId id)
{
    describe(id, Target, TargetCaption, TargetFirst, TargetLast);
}

} // namespace lumo

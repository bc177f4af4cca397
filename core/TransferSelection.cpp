#include "TransferSelection.h"

namespace lumo {

void TTransferSelection::chooseDonor(TFirmwareProfileId id)
{
    const TFirmwareProfile &profile = firmwareProfile(id);
    Donor = id;
    DonorCaption = profile.caption;
    DonorFirst = profile.regionFirst;
    DonorLast = profile.regionLast;
}

void TTransferSelection::chooseTarget(TFirmwareProfileId id)
{
    const TFirmwareProfile &profile = firmwareProfile(id);
    Target = id;
    TargetCaption = profile.caption;
    TargetFirst = profile.regionFirst;
    TargetLast = profile.regionLast;
}

} // namespace lumo

#pragma once

#include "FirmwareProfile.h"
#include "OperatorDialogs.h"

#include <string>

namespace lumo {

// Before calibrations go into the second mode of a 7.6 or 10.3+/11.4 image, reads the
// items that let the ECU switch between its table sets, in the donor and in the target,
// asks about each one that is off and sets it at once on Yes. Any other target checks
// nothing. File errors leave as exceptions; bytes already set stay set.
void CheckTableSwitch(TFirmwareProfileId target, const std::string &donorFileName,
                      const std::string &targetFileName, OperatorDialogs &dialogs);

} // namespace lumo

#pragma once

#include "FirmwareProfile.h"

namespace lumo {

// What a donor choice does to the availability of one target choice.
enum class TTargetAvailability { On, Off, Same };

// A 7.6 image exchanges calibrations only with a 7.6 image; 10.3 and 10.3+/11.4 images of
// modes 1 and 2 exchange them freely; the mode 3 and 4 targets open only for a mode 3 or 4
// donor and stay open across later 10.3 and 10.3+/11.4 donors until a 7.6 donor.
TTargetAvailability targetAvailabilityAfterDonor(TFirmwareProfileId donor, TFirmwareProfileId target);

} // namespace lumo

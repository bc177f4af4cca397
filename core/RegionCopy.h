#pragma once

#include "OperatorDialogs.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace lumo {

// The backup of the target could not be made; nothing else was touched.
class BackupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct RegionCopyRequest {
    std::string donorFileName;
    std::string targetFileName;
    std::int32_t donorFirst = 0;
    std::int32_t donorLast = 0;
    std::int32_t targetFirst = 0;
    std::int32_t targetLast = 0;
};

// Copies the donor region into the target with progress, without a backup and without a box.
// True when the whole region is in the target. False after any failure, which it never
// throws, with the target's old bytes written back over whatever had been written.
bool copyDonorRegion(const RegionCopyRequest &request, OperatorDialogs &dialogs);

// Backs the target up as "<target>.bak", then copies the donor region into the target byte
// by byte with progress, and reports "Ok!" or "Помилка!". Throws BackupError only.
void BackupAndCopyRegion(const RegionCopyRequest &request, OperatorDialogs &dialogs);

} // namespace lumo

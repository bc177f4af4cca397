#include "FileSizeSignal.h"

namespace lumo {

// A write past a quota or a full disk fails with an error code on Windows; no signal ends
// the program, so there is nothing to set.
void ignoreFileSizeSignal() {}

} // namespace lumo

#pragma once

namespace lumo {

// A write past the file size limit (RLIMIT_FSIZE) would end the program with SIGXFSZ
// before any message; ignored, the write fails with EFBIG and is reported like any other
// failed write, as on a full disk. Called once at start-up. Windows has no such signal.
void ignoreFileSizeSignal();

} // namespace lumo

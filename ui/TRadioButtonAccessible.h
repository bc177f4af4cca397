#pragma once

// Makes assistive technology (AT-SPI on Linux, UI Automation on Windows) read every
// TRadioButton as a radio button. Qt would call it a check box, because the choices of a
// parent exclude each other by the program's own rule rather than by Qt's auto-exclusivity.
// The first TRadioButton installs it; calling it again does nothing.
void installTRadioButtonAccessible();

#pragma once

#include <QImage>

// The program's icon, a chip with gold pins and a green arrow across it, at size x size pixels.
QImage drawProgramIcon(int size);

#pragma once

#include <QImage>

// The About dialog's picture, 750 x 519: an evening landscape with a road running to the
// horizon and an engine control unit's chip standing in front of it.
QImage drawAboutPicture();

#pragma once

#include <QFont>
#include <QString>

// The fonts of the window layouts, which give each font's height in pixels at 96 dots per inch.
QFont pixelFont(const QString &family, int pixelSize, bool bold);

// Metric-compatible stand-ins for the Windows fonts that the layouts name, where those are
// missing, so that the texts take the room that the layouts leave them.
void registerFontSubstitutes();

#pragma once

#include <QIcon>
#include <QPixmap>

// The shared 16 x 16 pictures of the toolbar and the menu. Each coloured picture at an even
// index is followed by its greyed copy. Every picture is also drawn at twice the size, for
// displays of twice the density, so that Qt never has to enlarge and blur a small one.
namespace ImageList1 {

enum Index {
    Save = 0,
    SaveGreyed = 1,
    Exit = 2,
    ExitGreyed = 3,
    Information = 4,
    InformationGreyed = 5,
    Copy = 6,
    CopyGreyed = 7,
    Count = 8,
};

// The pictures' sizes in device pixels per logical pixel.
constexpr int Scales[] = {1, 2};

// The picture at 16 x 16 logical pixels, with `scale` device pixels to each of them.
QPixmap picture(int index, int scale = 1);

// The coloured picture as the normal state and its greyed copy as the disabled state, each
// in every one of the Scales.
QIcon icon(int colouredIndex);

// The open-folder picture of a file field's browse button, in every one of the Scales.
QIcon folderIcon();

// The program's own icon.
QIcon programIcon();

} // namespace ImageList1

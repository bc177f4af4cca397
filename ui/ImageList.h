#pragma once

#include <QIcon>
#include <QPixmap>

// The shared 16 x 16 pictures of the toolbar and the menu. Each coloured picture at an even
// index is followed by its greyed copy.
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

QPixmap picture(int index);

// The coloured picture as the normal state and its greyed copy as the disabled state.
QIcon icon(int colouredIndex);

// The open-folder picture of a file field's browse button.
QIcon folderIcon();

// The program's own icon.
QIcon programIcon();

} // namespace ImageList1

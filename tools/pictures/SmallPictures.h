#pragma once

#include "PixelArt.h"

// The 16 x 16 pictures of the toolbar, the menu, the browse button and the OK button.
PixelArt savePicture();
PixelArt exitPicture();
PixelArt informationPicture();
PixelArt copyPicture();
PixelArt folderPicture();
PixelArt okPicture();

#pragma once

#include <QImage>
#include <QRgb>

#include <string_view>
#include <utility>
#include <vector>

// A picture drawn pixel by pixel: one string per row, one character per pixel, each
// character looked up in the picture's palette. '.' is a fully transparent pixel.
struct PixelArt {
    std::vector<std::string_view> rows;
    std::vector<std::pair<char, QRgb>> palette;
};

// Throws std::invalid_argument when the rows are ragged or use a character missing from
// the palette, so a typo in a drawing stops the generator instead of leaving a hole.
QImage renderPixelArt(const PixelArt &art);

// The picture at twice its size for displays of twice the density, drawn the way pixel art
// is enlarged (Scale2x): every pixel becomes four, and where two neighbours of the same colour
// meet at a corner of the pixel, that corner takes their colour. Straight edges stay as they
// are and diagonals become steps of one pixel instead of two, with no blended colours.
QImage doublePixelArt(const QImage &picture);

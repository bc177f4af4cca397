#include "PixelArt.h"

#include <stdexcept>
#include <string>

namespace {

QRgb colourOf(const PixelArt &art, char key)
{
    if (key == '.')
        return qRgba(0, 0, 0, 0);
    for (const auto &[paletteKey, colour] : art.palette) {
        if (paletteKey == key)
            return colour;
    }
    throw std::invalid_argument(std::string("no colour for '") + key + "' in the palette");
}

} // namespace

QImage renderPixelArt(const PixelArt &art)
{
    if (art.rows.empty())
        throw std::invalid_argument("a picture needs at least one row");
    const auto width = art.rows.front().size();
    QImage image(int(width), int(art.rows.size()), QImage::Format_ARGB32);
    for (std::size_t y = 0; y < art.rows.size(); ++y) {
        const std::string_view row = art.rows[y];
        if (row.size() != width)
            throw std::invalid_argument("row " + std::to_string(y) + " is " +
                                        std::to_string(row.size()) + " wide, not " +
                                        std::to_string(width));
        for (std::size_t x = 0; x < width; ++x)
            image.setPixel(int(x), int(y), colourOf(art, row[x]));
    }
    return image;
}

#include "PixelArt.h"

#include <algorithm>
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

QImage doublePixelArt(const QImage &picture)
{
    const QImage source = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = source.width();
    const int height = source.height();
    // A neighbour beyond the edge counts as the pixel itself, so the edge changes nothing.
    const auto at = [&](int x, int y) { return source.pixel(std::clamp(x, 0, width - 1), std::clamp(y, 0, height - 1)); };
    QImage doubled(2 * width, 2 * height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = at(x, y);
            const QRgb above = at(x, y - 1);
            const QRgb below = at(x, y + 1);
            const QRgb left = at(x - 1, y);
            const QRgb right = at(x + 1, y);
            const bool split = above != below && left != right;
            doubled.setPixel(2 * x, 2 * y, split && left == above ? above : pixel);
            doubled.setPixel(2 * x + 1, 2 * y, split && above == right ? right : pixel);
            doubled.setPixel(2 * x, 2 * y + 1, split && left == below ? left : pixel);
            doubled.setPixel(2 * x + 1, 2 * y + 1, split && below == right ? below : pixel);
        }
    }
    return doubled;
}

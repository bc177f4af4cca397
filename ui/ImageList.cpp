#include "ImageList.h"

#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <iterator>

// The resources are compiled into a static library, whose object the linker would drop
// without a reference to it; naming the initialiser here keeps them in every program.
static void loadResources()
{
    static const bool loaded = [] {
        Q_INIT_RESOURCE(lumo);
        return true;
    }();
    Q_UNUSED(loaded);
}

namespace ImageList1 {

namespace {

bool isScale(int scale)
{
    return std::find(std::begin(Scales), std::end(Scales), scale) != std::end(Scales);
}

// A picture of the resources at the given scale, in Qt's naming: "name.png", "name@2x.png".
QPixmap resource(const char *name, int scale)
{
    loadResources();
    const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
    QPixmap pixmap(QStringLiteral(":/pictures/%1%2.png").arg(QLatin1String(name), suffix));
    pixmap.setDevicePixelRatio(scale);
    return pixmap;
}

QPixmap coloured(int index, int scale)
{
    static const std::array<const char *, Count / 2> names = {"save", "exit", "information", "copy"};
    return resource(names[std::size_t(index / 2)], scale);
}

// Keeps the mask and turns each colour into a light grey of its brightness, the way a
// disabled picture looks on the button face.
QPixmap greyed(const QPixmap &source)
{
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 96 + qGray(line[x]) * 5 / 8;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}

} // namespace

QPixmap picture(int index, int scale)
{
    // Like an image list asked for a picture it does not hold, an index out of range
    // gives nothing to draw.
    if (index < 0 || index >= Count || !isScale(scale))
        return {};
    const QPixmap source = coloured(index, scale);
    return index % 2 == 0 ? source : greyed(source);
}

QIcon icon(int colouredIndex)
{
    if (colouredIndex < 0 || colouredIndex >= Count || colouredIndex % 2 != 0)
        return {};
    QIcon result;
    for (int scale : Scales) {
        result.addPixmap(picture(colouredIndex, scale), QIcon::Normal);
        result.addPixmap(picture(colouredIndex + 1, scale), QIcon::Disabled);
    }
    return result;
}

QIcon folderIcon()
{
    QIcon result;
    for (int scale : Scales)
        result.addPixmap(resource("folder", scale));
    return result;
}

QIcon programIcon()
{
    loadResources();
    QIcon result;
    // 16, 32 and 48 pixels at the usual density, and twice as many where the display has twice.
    for (int size : {16, 32, 48, 64, 96})
        result.addFile(QStringLiteral(":/pictures/lumo-%1.png").arg(size), QSize(size, size));
    return result;
}

} // namespace ImageList1

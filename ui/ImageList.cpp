#include "ImageList.h"

#include <QImage>
#include <QString>

#include <array>

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

QPixmap coloured(int index)
{
    static const std::array<const char *, Count / 2> files = {
        ":/pictures/save.png",
        ":/pictures/exit.png",
        ":/pictures/information.png",
        ":/pictures/copy.png",
    };
    loadResources();
    return QPixmap(QString::fromLatin1(files[std::size_t(index / 2)]));
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

QPixmap picture(int index)
{
    // Like an image list asked for a picture it does not hold, an index out of range
    // gives nothing to draw.
    if (index < 0 || index >= Count)
        return {};
    const QPixmap source = coloured(index);
    return index % 2 == 0 ? source : greyed(source);
}

QIcon icon(int colouredIndex)
{
    if (colouredIndex < 0 || colouredIndex >= Count || colouredIndex % 2 != 0)
        return {};
    QIcon result;
    result.addPixmap(picture(colouredIndex), QIcon::Normal);
    result.addPixmap(picture(colouredIndex + 1), QIcon::Disabled);
    return result;
}

QIcon folderIcon()
{
    loadResources();
    return QIcon(QStringLiteral(":/pictures/folder.png"));
}

QIcon programIcon()
{
    loadResources();
    QIcon result;
    for (int size : {16, 32, 48})
        result.addFile(QStringLiteral(":/pictures/lumo-%1.png").arg(size), QSize(size, size));
    return result;
}

} // namespace ImageList1

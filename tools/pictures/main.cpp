// Writes the program's pictures into the folder given as the only argument.

#include "AboutPicture.h"
#include "ProgramIcon.h"
#include "SmallPictures.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageWriter>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <utility>

namespace {

void save(const QImage &image, const QDir &folder, const QString &name, int quality = -1)
{
    QImageWriter writer(folder.filePath(name));
    writer.setQuality(quality);
    if (!writer.write(image))
        throw std::runtime_error(QStringLiteral("cannot write %1: %2")
                                     .arg(writer.fileName(), writer.errorString())
                                     .toStdString());
}

} // namespace

int main(int argc, char *argv[])
{
    // The application object makes the JPEG plugin loadable.
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const QDir folder(QString::fromLocal8Bit(argv[1]));
    try {
        const std::pair<const char *, PixelArt> smallPictures[] = {
            {"save", savePicture()},     {"exit", exitPicture()},     {"information", informationPicture()},
            {"copy", copyPicture()},     {"folder", folderPicture()}, {"ok", okPicture()},
        };
        for (const auto &[name, art] : smallPictures) {
            const QImage picture = renderPixelArt(art);
            save(picture, folder, QStringLiteral("%1.png").arg(QLatin1String(name)));
            // Qt's own name for the same picture at twice the density.
            save(doublePixelArt(picture), folder, QStringLiteral("%1@2x.png").arg(QLatin1String(name)));
        }
        // The title bar, the task switcher and the desktop ask for 16, 32 and 48 pixels, and
        // for twice as many at twice the density; 32 serves both.
        for (int size : {16, 32, 48, 64, 96})
            save(drawProgramIcon(size), folder, QStringLiteral("lumo-%1.png").arg(size));
        save(drawAboutPicture(), folder, "about.jpg", 85);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

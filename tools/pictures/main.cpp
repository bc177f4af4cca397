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
        save(renderPixelArt(savePicture()), folder, "save.png");
        save(renderPixelArt(exitPicture()), folder, "exit.png");
        save(renderPixelArt(informationPicture()), folder, "information.png");
        save(renderPixelArt(copyPicture()), folder, "copy.png");
        save(renderPixelArt(folderPicture()), folder, "folder.png");
        save(renderPixelArt(okPicture()), folder, "ok.png");
        for (int size : {16, 32, 48})
            save(drawProgramIcon(size), folder, QStringLiteral("lumo-%1.png").arg(size));
        save(drawAboutPicture(), folder, "about.jpg", 85);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}

#include "LumoApplication.h"

#include "ModalBox.h"

#include <QDir>
#include <QFileInfo>

#include <exception>

LumoApplication::LumoApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool LumoApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        showErrorBox(QString::fromUtf8(error.what()));
    }
    return false;
}

QString applicationTitleOf(const QString &programPath)
{
    const QString fileName = QFileInfo(QDir::fromNativeSeparators(programPath)).fileName();
    const QString name = fileName.left(fileName.indexOf(QLatin1Char('.')));
    return name.left(1) + name.mid(1).toLower();
}

QString applicationTitle()
{
    return applicationTitleOf(QCoreApplication::applicationFilePath());
}

QString errorBoxText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

void showErrorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, applicationTitle(), ModalBox::operatorText(errorBoxText(message)),
                    QMessageBox::Ok);
    ModalBox::exec(box);
}

void runHandler(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &error) {
        showErrorBox(QString::fromUtf8(error.what()));
    }
}

#pragma once

#include <QApplication>

#include <functional>

// The application object. An exception that leaves an event handler goes to the default
// error box instead of crossing Qt's event loop, and the program goes on running.
class LumoApplication : public QApplication {
public:
    LumoApplication(int &argc, char **argv);
    Q_DISABLE_COPY_MOVE(LumoApplication)

    bool notify(QObject *receiver, QEvent *event) override;
};

// The program file's name without its folder, cut at its first full stop, its first letter
// as it is and every later letter in lower case.
QString applicationTitleOf(const QString &programPath);

// The title of every message box: applicationTitleOf() the running program file.
QString applicationTitle();

// The error's message with a full stop appended when its last character has a code above
// that of the full stop: after a letter, a digit or "?", but not after "!" or ".".
QString errorBoxText(const QString &message);

// The default error box: modal, with the error icon, an OK button and the application's title.
void showErrorBox(const QString &message);

// Runs one handler of the window. An exception that leaves it is shown in the default error
// box here, so that it never unwinds through Qt's own code.
void runHandler(const std::function<void()> &handler);

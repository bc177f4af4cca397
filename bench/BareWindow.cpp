// The floor of the start-up benchmark: a plain Qt window of the main window's size with a menu
// bar of the same three items, and nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Bare window"));
    window.menuBar()->addMenu(QStringLiteral("Файл"));
    window.menuBar()->addMenu(QStringLiteral("Допомога"));
    window.menuBar()->addAction(QStringLiteral("Вихід"));
    auto *client = new QWidget(&window);
    client->setFixedSize(537, 247);
    window.setCentralWidget(client);
    window.show();
    return application.exec();
}

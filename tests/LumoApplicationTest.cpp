#include "LumoApplication.h"
#include "ModalAnswerer.h"
#include "ScriptedBoxes.h"

#include <QTest>

#include <stdexcept>

namespace {

// Throws from its handler of one kind of event and records the other kind.
class Thrower : public QObject {
public:
    static constexpr QEvent::Type Throw = QEvent::User;
    static constexpr QEvent::Type Record = static_cast<QEvent::Type>(QEvent::User + 1);

    explicit Thrower(std::string message) : message_(std::move(message)) {}
    bool recorded = false;

protected:
    bool event(QEvent *event) override
    {
        if (event->type() == Throw)
            throw std::runtime_error(message_);
        if (event->type() == Record) {
            recorded = true;
            return true;
        }
        return QObject::event(event);
    }

private:
    std::string message_;
};

} // namespace

class LumoApplicationTest : public QObject {
    Q_OBJECT

private slots:
    void theTitleIsTheProgramFilesNameCutAtItsFirstFullStop_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("title");

        QTest::newRow("no extension") << "/usr/bin/lumo" << "lumo";
        QTest::newRow("upper case after the first letter is lowered") << "/opt/LUMO.EXE" << "Lumo";
        QTest::newRow("the first letter stays as it is") << "/opt/lumo.exe" << "lumo";
        QTest::newRow("cut at the first full stop") << "/opt/Lumo.v2.2.exe" << "Lumo";
        QTest::newRow("a full stop in the folder does not count") << "/opt/tools.d/CalibCopy" << "Calibcopy";
        QTest::newRow("Cyrillic letters") << "/opt/ЛУМО.exe" << "Лумо";
        QTest::newRow("a name that begins with a full stop") << "/opt/.lumo" << "";
    }

    void theTitleIsTheProgramFilesNameCutAtItsFirstFullStop()
    {
        QFETCH(QString, path);
        QFETCH(QString, title);
        QCOMPARE(applicationTitleOf(path), title);
    }

    void theRunningProgramsTitle()
    {
        QCOMPARE(applicationTitle(), QStringLiteral("Lumoapplicationtest"));
    }

    void aFullStopFollowsALastCharacterAboveTheFullStop_data()
    {
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("shown");

        QTest::newRow("a letter") << "Stream read error" << "Stream read error.";
        QTest::newRow("a Cyrillic letter") << "Не можу записати файл" << "Не можу записати файл.";
        QTest::newRow("a digit") << "Error 5" << "Error 5.";
        QTest::newRow("a question mark") << "Why?" << "Why?.";
        QTest::newRow("a slash, just above the full stop") << "/tmp/" << "/tmp/.";
        QTest::newRow("a full stop") << "Done." << "Done.";
        QTest::newRow("an exclamation mark") << "Помилка!" << "Помилка!";
        QTest::newRow("a hyphen, just below the full stop") << "a-" << "a-";
        QTest::newRow("a closing parenthesis") << "(x)" << "(x)";
        QTest::newRow("an empty message") << "" << "";
    }

    void aFullStopFollowsALastCharacterAboveTheFullStop()
    {
        QFETCH(QString, message);
        QFETCH(QString, shown);
        QCOMPARE(errorBoxText(message), shown);
    }

    void anExceptionLeavingAnEventHandlerIsShownAndTheProgramGoesOn()
    {
        const ScriptedBoxes boxes;
        Thrower thrower("Cannot open file \"/tmp/x.bin\". No such file or directory");

        QCoreApplication::postEvent(&thrower, new QEvent(Thrower::Throw));
        QCoreApplication::postEvent(&thrower, new QEvent(Thrower::Record));
        QCoreApplication::processEvents();

        QCOMPARE(boxes.shown().size(), 1);
        const ScriptedBoxes::Shown &box = boxes.shown().first();
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.title, QStringLiteral("Lumoapplicationtest"));
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.text, QStringLiteral("Cannot open file \"/tmp/x.bin\". No such file or directory."));
        QVERIFY(thrower.recorded);
    }

    void aHandlersExceptionShowsItsLinesInTheErrorBox()
    {
        const ScriptedBoxes boxes;

        runHandler([] { throw std::runtime_error("Не можу записати файл a.bin\n\rу файл a.bin.bak"); });

        QCOMPARE(boxes.texts(), QStringList{QStringLiteral("Не можу записати файл a.bin\nу файл a.bin.bak.")});
        QCOMPARE(boxes.shown().first().icon, QMessageBox::Critical);
    }

    void theRealErrorBoxIsModalAndClosesWithEnter()
    {
        Thrower thrower("Stream read error");
        QString shownText;
        QMessageBox::Icon shownIcon = QMessageBox::NoIcon;
        const ModalAnswerer operatorAnswers([&](QWidget &modal) {
            auto *box = qobject_cast<QMessageBox *>(&modal);
            QVERIFY(box);
            shownText = box->text();
            shownIcon = box->icon();
            QTest::keyClick(box, Qt::Key_Return);
        });

        QEvent throwing(Thrower::Throw);
        QEvent recording(Thrower::Record);
        QCoreApplication::sendEvent(&thrower, &throwing);
        QCoreApplication::sendEvent(&thrower, &recording);

        QVERIFY(operatorAnswers.answered());
        QCOMPARE(shownText, QStringLiteral("Stream read error."));
        QCOMPARE(shownIcon, QMessageBox::Critical);
        QVERIFY(thrower.recorded);
    }
};

int main(int argc, char *argv[])
{
    LumoApplication application(argc, argv);
    LumoApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "LumoApplicationTest.moc"

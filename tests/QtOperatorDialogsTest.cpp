#include "LumoApplication.h"
#include "ModalAnswerer.h"
#include "QtOperatorDialogs.h"
#include "ScriptedBoxes.h"

#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace {

// The window's parts that the dialogs act on.
struct Window {
    QWidget window;
    QProgressBar *progress = new QProgressBar(&window);
    QLineEdit *donor = new QLineEdit(&window);
    QLineEdit *target = new QLineEdit(&window);
    QtOperatorDialogs dialogs{*progress, *donor, *target};

    Window()
    {
        donor->setGeometry(0, 0, 100, 20);
        target->setGeometry(0, 30, 100, 20);
        progress->setGeometry(0, 60, 100, 20);
    }
};

} // namespace

class QtOperatorDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void aMessageHasTheApplicationsTitleNoIconAndOk()
    {
        Window w;
        const ScriptedBoxes boxes;

        w.dialogs.showMessage("Вкажіть тип прошивки донора!");

        QCOMPARE(boxes.shown().size(), 1);
        const ScriptedBoxes::Shown &box = boxes.shown().first();
        QCOMPARE(box.title, applicationTitle());
        QCOMPARE(box.title, QStringLiteral("Qtoperatordialogstest"));
        QCOMPARE(box.text, QStringLiteral("Вкажіть тип прошивки донора!"));
        QCOMPARE(box.icon, QMessageBox::NoIcon);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    }

    void lineFeedThenCarriageReturnShowsAsOneLineBreak_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");

        QTest::newRow("one break") << "a\n\rb" << "a\nb";
        QTest::newRow("an empty line") << "a\n\r\n\rb" << "a\n\nb";
        QTest::newRow("a break at the end") << "Ok!\n\r" << "Ok!\n";
    }

    void lineFeedThenCarriageReturnShowsAsOneLineBreak()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        Window w;
        const ScriptedBoxes boxes;

        w.dialogs.showMessage(text.toStdString());
        w.dialogs.confirm(text.toStdString());

        QCOMPARE(boxes.texts(), QStringList({shown, shown}));
    }

    void aConfirmationIsTitledConfirmWithYesAsDefaultAndNoOnEscape()
    {
        Window w;
        const ScriptedBoxes boxes;

        w.dialogs.confirm("Ви дійсно бажаєте провести копіювання?");

        const ScriptedBoxes::Shown &box = boxes.shown().first();
        QCOMPARE(box.title, QStringLiteral("Confirm"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.defaultButton, QMessageBox::Yes);
        QCOMPARE(box.escapeButton, QMessageBox::No);
    }

    void theRealConfirmationAnswers_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<lumo::TModalResult>("result");

        QTest::newRow("Enter") << "Enter" << lumo::TModalResult::mrYes;
        QTest::newRow("Esc") << "Esc" << lumo::TModalResult::mrNo;
        QTest::newRow("the No button") << "No" << lumo::TModalResult::mrNo;
        QTest::newRow("closed from the title bar") << "close" << lumo::TModalResult::mrCancel;
    }

    void theRealConfirmationAnswers()
    {
        QFETCH(QString, action);
        QFETCH(lumo::TModalResult, result);
        Window w;
        const ModalAnswerer operatorAnswers([&](QWidget &modal) {
            auto *box = qobject_cast<QMessageBox *>(&modal);
            QVERIFY(box);
            if (action == QLatin1String("Enter"))
                QTest::keyClick(box, Qt::Key_Return);
            else if (action == QLatin1String("Esc"))
                QTest::keyClick(box, Qt::Key_Escape);
            else if (action == QLatin1String("No"))
                box->button(QMessageBox::No)->click();
            else
                box->close();
        });

        QCOMPARE(w.dialogs.confirm("Ви дійсно бажаєте провести копіювання?"), result);
        QVERIFY(operatorAnswers.answered());
    }

    void theRealMessageClosesWithEnter()
    {
        Window w;
        QString shownText;
        const ModalAnswerer operatorAnswers([&](QWidget &modal) {
            auto *box = qobject_cast<QMessageBox *>(&modal);
            QVERIFY(box);
            shownText = box->text();
            QTest::keyClick(box, Qt::Key_Return);
        });

        w.dialogs.showMessage("Ok!");

        QVERIFY(operatorAnswers.answered());
        QCOMPARE(shownText, QStringLiteral("Ok!"));
    }

    void onceTheApplicationIsEndingAMessageClosesByItself()
    {
        Window w;
        const ScriptedBoxes boxes;

        w.dialogs.setEnding();
        w.dialogs.showMessage("Ok!");

        QVERIFY(boxes.shown().isEmpty());
    }

    void progressFocusAndPendingEventsReachTheWindow()
    {
        Window w;
        w.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));

        w.dialogs.setProgress(37);
        QCOMPARE(w.progress->value(), 37);

        w.dialogs.focusField(lumo::FileField::Target);
        QCOMPARE(QApplication::focusWidget(), w.target);
        w.dialogs.focusField(lumo::FileField::Donor);
        QCOMPARE(QApplication::focusWidget(), w.donor);

        bool handled = false;
        QMetaObject::invokeMethod(&w.window, [&] { handled = true; }, Qt::QueuedConnection);
        w.dialogs.processMessages();
        QVERIFY(handled);
    }
};

QTEST_MAIN(QtOperatorDialogsTest)
#include "QtOperatorDialogsTest.moc"

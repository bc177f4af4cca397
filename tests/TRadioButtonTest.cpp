#include "TRadioButton.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

// Two parents of choices in one window. The first holds a field and four choices whose tab
// order differs from their order of creation; its third choice is unavailable.
struct Choices {
    QWidget window;
    QWidget *first = new QWidget(&window);
    QWidget *second = new QWidget(&window);
    QLineEdit *field = new QLineEdit(first);
    TRadioButton *a1 = new TRadioButton(QStringLiteral("a1"), first);
    TRadioButton *a2 = new TRadioButton(QStringLiteral("a2"), first);
    TRadioButton *a3 = new TRadioButton(QStringLiteral("a3"), first);
    TRadioButton *a4 = new TRadioButton(QStringLiteral("a4"), first);
    TRadioButton *b1 = new TRadioButton(QStringLiteral("b1"), second);
    TRadioButton *b2 = new TRadioButton(QStringLiteral("b2"), second);

    Choices()
    {
        first->setGeometry(0, 0, 200, 120);
        second->setGeometry(0, 130, 200, 60);
        field->setGeometry(0, 0, 200, 20);
        int top = 20;
        for (TRadioButton *button : {a1, a2, a3, a4})
            button->setGeometry(0, top += 20, 200, 17);
        b1->setGeometry(0, 0, 200, 17);
        b2->setGeometry(0, 20, 200, 17);
        a3->setEnabled(false);
        QWidget::setTabOrder(field, a2);
        QWidget::setTabOrder(a2, a1);
        QWidget::setTabOrder(a1, a4);
        QWidget::setTabOrder(a4, a3);
        QWidget::setTabOrder(a3, b1);
        QWidget::setTabOrder(b1, b2);
    }

    TRadioButton *byName(const QString &name) const
    {
        for (TRadioButton *button : {a1, a2, a3, a4, b1, b2}) {
            if (button->text() == name)
                return button;
        }
        return nullptr;
    }

    bool show()
    {
        window.show();
        return QTest::qWaitForWindowActive(&window);
    }
};

void clickIndicator(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

} // namespace

class TRadioButtonTest : public QObject {
    Q_OBJECT

private slots:
    void choosingUnchecksTheOtherChoicesOfItsParentThenSignalsOnce()
    {
        Choices c;
        c.a1->setChosen(true);
        c.b1->setChosen(true);
        QSignalSpy a2Chosen(c.a2, &TRadioButton::chosen);
        bool a1CheckedWhenSignalled = true;
        connect(c.a2, &TRadioButton::chosen, [&] { a1CheckedWhenSignalled = c.a1->isChecked(); });

        c.a2->setChosen(true);

        QVERIFY(c.a2->isChecked());
        QVERIFY(!c.a1->isChecked());
        QVERIFY(!a1CheckedWhenSignalled);
        QCOMPARE(a2Chosen.count(), 1);
        QVERIFY(c.b1->isChecked()); // another parent is another group
    }

    void choosingTheCheckedChoiceAgainDoesNothing()
    {
        Choices c;
        c.a1->setChosen(true);
        QSignalSpy chosen(c.a1, &TRadioButton::chosen);

        c.a1->setChosen(true);

        QVERIFY(c.a1->isChecked());
        QCOMPARE(chosen.count(), 0);
    }

    void uncheckingLeavesEverythingElseAndSignalsNothing()
    {
        Choices c;
        c.a1->setChosen(true);
        c.b1->setChosen(true);
        QSignalSpy chosen(c.a1, &TRadioButton::chosen);

        c.a1->setChosen(false);

        QVERIFY(!c.a1->isChecked());
        for (TRadioButton *button : {c.a2, c.a3, c.a4})
            QVERIFY(!button->isChecked());
        QVERIFY(c.b1->isChecked());
        QCOMPARE(chosen.count(), 0);
    }

    void theProgramCanChooseAnUnavailableChoice()
    {
        Choices c;
        QSignalSpy chosen(c.a3, &TRadioButton::chosen);

        c.a3->setChosen(true);

        QVERIFY(c.a3->isChecked());
        QVERIFY(!c.a3->isEnabled());
        QCOMPARE(chosen.count(), 1);
        c.a3->setEnabled(true);
        c.a3->setEnabled(false);
        QVERIFY(c.a3->isChecked());
    }

    void theOperatorChoosesOnlyAnAvailableUncheckedChoice_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("checkedBefore");
        QTest::addColumn<bool>("bySpace");
        QTest::addColumn<bool>("checkedAfter");
        QTest::addColumn<int>("emitted");

        QTest::newRow("click on an available choice") << true << false << false << true << 1;
        QTest::newRow("Space on an available choice") << true << false << true << true << 1;
        QTest::newRow("click on the checked choice") << true << true << false << true << 0;
        QTest::newRow("Space on the checked choice") << true << true << true << true << 0;
        QTest::newRow("click on an unavailable choice") << false << false << false << false << 0;
    }

    void theOperatorChoosesOnlyAnAvailableUncheckedChoice()
    {
        QFETCH(bool, available);
        QFETCH(bool, checkedBefore);
        QFETCH(bool, bySpace);
        QFETCH(bool, checkedAfter);
        QFETCH(int, emitted);
        Choices c;
        QVERIFY(c.show());
        c.a1->setEnabled(available);
        c.a1->setChosen(checkedBefore);
        QSignalSpy chosen(c.a1, &TRadioButton::chosen);

        if (bySpace) {
            c.a1->setFocus();
            QTest::keyClick(c.a1, Qt::Key_Space);
        } else {
            clickIndicator(c.a1);
        }

        QCOMPARE(c.a1->isChecked(), checkedAfter);
        QCOMPARE(chosen.count(), emitted);
    }

    void onlyTheCheckedChoiceOfAParentIsATabStop()
    {
        Choices c;
        c.a1->setChosen(true);
        c.b2->setChosen(true);
        QVERIFY(c.show());
        c.field->setFocus();

        const QList<QWidget *> expected{c.a1, c.b2, c.field};
        for (QWidget *next : expected) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }

        c.a4->setChosen(true);
        QTest::keyClick(c.field, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), c.a4);
    }

    void arrowKeysMoveTheFocusAmongTheParentsControlsInTabOrder_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("to"); // empty: the field

        // Tab order of the first parent: field, a2, a1, a4, a3 (unavailable).
        QTest::newRow("Right goes forward") << "a2" << int(Qt::Key_Right) << "a1";
        QTest::newRow("Down goes forward") << "a1" << int(Qt::Key_Down) << "a4";
        QTest::newRow("forward skips the unavailable and wraps to the field")
            << "a4" << int(Qt::Key_Right) << "";
        QTest::newRow("Left goes back") << "a1" << int(Qt::Key_Left) << "a2";
        QTest::newRow("Up goes back to the field") << "a2" << int(Qt::Key_Up) << "";
        QTest::newRow("a parent of two wraps between them") << "b2" << int(Qt::Key_Down) << "b1";
    }

    void arrowKeysMoveTheFocusAmongTheParentsControlsInTabOrder()
    {
        QFETCH(QString, from);
        QFETCH(int, key);
        QFETCH(QString, to);
        Choices c;
        QVERIFY(c.show());
        TRadioButton *start = c.byName(from);
        start->setFocus();

        QTest::keyClick(start, static_cast<Qt::Key>(key));

        QWidget *expected = to.isEmpty() ? static_cast<QWidget *>(c.field) : c.byName(to);
        QCOMPARE(QApplication::focusWidget(), expected);
        // Moving the focus chooses nothing.
        for (TRadioButton *button : {c.a1, c.a2, c.a3, c.a4, c.b1, c.b2})
            QVERIFY(!button->isChecked());
    }
};

QTEST_MAIN(TRadioButtonTest)
#include "TRadioButtonTest.moc"

#include "TRadioButton.h"

#include <QAccessible>
#include <QSignalSpy>
#include <QTest>

namespace {

// Two choices of one parent, as the window's boxes hold them.
struct Choices {
    QWidget window;
    TRadioButton *first = new TRadioButton(QStringLiteral("Микас 7.6 (Режим №1)"), &window);
    TRadioButton *second = new TRadioButton(QStringLiteral("Микас 7.6 (Режим №2)"), &window);

    Choices()
    {
        first->setGeometry(0, 0, 200, 17);
        second->setGeometry(0, 20, 200, 17);
    }
};

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

} // namespace

class TRadioButtonAccessibleTest : public QObject {
    Q_OBJECT

private slots:
    void readsAsARadioButtonWithItsCheckAndAvailability_data()
    {
        QTest::addColumn<bool>("checked");
        QTest::addColumn<bool>("available");

        QTest::newRow("unchecked, available") << false << true;
        QTest::newRow("checked, available") << true << true;
        QTest::newRow("unchecked, unavailable") << false << false;
        QTest::newRow("checked, unavailable") << true << false;
    }

    void readsAsARadioButtonWithItsCheckAndAvailability()
    {
        QFETCH(bool, checked);
        QFETCH(bool, available);
        Choices c;
        c.first->setEnabled(available);
        c.first->setChosen(checked);

        QAccessibleInterface *choice = accessible(c.first);
        QVERIFY(choice);
        QCOMPARE(choice->role(), QAccessible::RadioButton);
        QCOMPARE(choice->text(QAccessible::Name), QStringLiteral("Микас 7.6 (Режим №1)"));
        const QAccessible::State state = choice->state();
        QVERIFY(state.checkable);
        QCOMPARE(bool(state.checked), checked);
        QCOMPARE(bool(state.disabled), !available);
    }

    void theStateFollowsTheChoiceAsItChanges()
    {
        Choices c;
        QAccessibleInterface *first = accessible(c.first);
        c.first->setChosen(true);
        QVERIFY(first->state().checked);

        c.second->setChosen(true);
        QVERIFY(!first->state().checked);
        QVERIFY(accessible(c.second)->state().checked);

        c.first->setEnabled(false);
        QVERIFY(first->state().disabled);
    }

    void tellsWhetherItHasTheFocus()
    {
        Choices c;
        c.window.show();
        QVERIFY(QTest::qWaitForWindowActive(&c.window));
        QVERIFY(accessible(c.first)->state().focusable);
        QVERIFY(!accessible(c.first)->state().focused);

        c.first->setFocus();

        QVERIFY(accessible(c.first)->state().focused);
        QVERIFY(!accessible(c.second)->state().focused);
    }

    // Assistive technology chooses by the choice's action, which follows the operator's
    // rules: only an available, unchecked choice becomes chosen.
    void itsActionChoosesAsTheOperatorDoes_data()
    {
        QTest::addColumn<bool>("available");
        QTest::addColumn<bool>("checkedBefore");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<bool>("checkedAfter");
        QTest::addColumn<int>("emitted");

        QTest::newRow("an available choice") << true << false << true << true << 1;
        QTest::newRow("the checked choice") << true << true << true << true << 0;
        QTest::newRow("an unavailable choice") << false << false << false << false << 0;
    }

    void itsActionChoosesAsTheOperatorDoes()
    {
        QFETCH(bool, available);
        QFETCH(bool, checkedBefore);
        QFETCH(bool, offered);
        QFETCH(bool, checkedAfter);
        QFETCH(int, emitted);
        Choices c;
        c.second->setChosen(true);
        c.first->setEnabled(available);
        c.first->setChosen(checkedBefore);
        QSignalSpy chosen(c.first, &TRadioButton::chosen);
        QAccessibleActionInterface *actions = accessible(c.first)->actionInterface();
        QVERIFY(actions);
        const QString toggle = QAccessibleActionInterface::toggleAction();

        QCOMPARE(actions->actionNames().contains(toggle), offered);
        actions->doAction(toggle);

        QCOMPARE(c.first->isChecked(), checkedAfter);
        QCOMPARE(c.second->isChecked(), !checkedAfter);
        QCOMPARE(chosen.count(), emitted);
    }
};

QTEST_MAIN(TRadioButtonAccessibleTest)
#include "TRadioButtonAccessibleTest.moc"

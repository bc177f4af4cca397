#include "FilenameEdit.h"
#include "LayoutFonts.h"
#include "LumoApplication.h"
#include "MainForm.h"
#include "MainFormProbe.h"
#include "ModalAnswerer.h"
#include "ScriptedBoxes.h"
#include "SettingsFileBeside.h"
#include "TRadioButton.h"

#include <QAccessible>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

constexpr int imageSize = 0x38000;

template <typename T>
T *part(const TForm1 &form, const QString &name)
{
    return form.findChild<T *>(name);
}

QAction *action(const TForm1 &form, const char *name) { return part<QAction>(form, QString::fromLatin1(name)); }

// A donor of Mikas 10.3 mode 1 in a folder with a blank in its name, given in double quotes,
// and a target of Mikas 10.3 mode 2 given with blanks around it.
struct Transfer {
    QTemporaryDir dir;
    QString donorPath = dir.filePath(QStringLiteral("my files/donor.bin"));
    QString targetPath = dir.filePath(QStringLiteral("target.bin"));
    QString donorText = '"' + donorPath + '"';
    QString targetText = ' ' + targetPath + "  ";
    QByteArray donor = image(imageSize, 7);
    QByteArray target = image(imageSize, 3);

    bool prepare(TForm1 &form)
    {
        if (!QDir(dir.path()).mkpath(QStringLiteral("my files")) || !writeFile(donorPath, donor) ||
            !writeFile(targetPath, target))
            return false;
        editIn(form)->setText(donorText);
        editOut(form)->setText(targetText);
        choose(form.radioButton(2));
        choose(form.radioButton(12));
        return true;
    }

    QByteArray copied() const
    {
        QByteArray expected = target;
        expected.replace(0x30000, 0x6980, donor.mid(0x20000, 0x6980));
        return expected;
    }

    QString summary() const
    {
        return QStringLiteral("Прошивка донор:\n"
                              "-------------------------------------\n"
                              "Файл: %1\n"
                              "Тип ЕБК (№ режиму): Микас 10.3 (Режим №1)\n"
                              "=====================================\n"
                              "\n"
                              "Прошивка для запису:\n"
                              "-------------------------------------\n"
                              "Файл: %2\n"
                              "Тип ЕБК (№ режиму): Микас 10.3 (Режим №2)\n"
                              "=====================================\n"
                              "\n"
                              "Ви дійсно бажаєте провести копіювання?")
            .arg(donorText, targetText);
    }
};

// Whether the picture's opaque pixels stand somewhere in the image exactly as they are. A
// picture enlarged for a denser display would have its edges blended and not match.
bool showsPicture(const QImage &image, const QImage &picture)
{
    for (int top = 0; top + picture.height() <= image.height(); ++top) {
        for (int left = 0; left + picture.width() <= image.width(); ++left) {
            bool same = true;
            for (int y = 0; same && y < picture.height(); ++y) {
                for (int x = 0; same && x < picture.width(); ++x) {
                    const QRgb pixel = picture.pixel(x, y);
                    same = qAlpha(pixel) != 255 || image.pixel(left + x, top + y) == pixel;
                }
            }
            if (same)
                return true;
        }
    }
    return false;
}

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerFontSubstitutes(); }
    void init() { QVERIFY(removeSettingsFile()); }
    void cleanup() { QVERIFY(removeSettingsFile()); }

    void theWindowOpensCentredWithOnlyTheDonorsOfModes1And2Available()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));

        QCOMPARE(form.windowTitle(), QStringLiteral("Lumo v2.2"));
        QCOMPARE(form.frameGeometry().center(), form.screen()->geometry().center());
        QCOMPARE(QApplication::focusWidget(), editIn(form));
        QVERIFY(editIn(form)->text().isEmpty());
        QVERIFY(editOut(form)->text().isEmpty());
        QVERIFY(checkedChoices(form).isEmpty());
        QCOMPARE(availableChoices(form), QList<int>({1, 2, 3, 7, 8, 11}));
        auto *progress = part<QProgressBar>(form, QStringLiteral("ProgressBar1"));
        QCOMPARE(progress->value(), 0);
        QCOMPARE(progress->minimum(), 0);
        QCOMPARE(progress->maximum(), 100);
    }

    void theClientAreaIsFixedBelowTheMenuBar()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));

        const int menuHeight = form.menuBar()->height();
        QCOMPARE(form.centralWidget()->geometry(), QRect(0, menuHeight, 537, 247));
        QCOMPARE(form.size(), QSize(537, menuHeight + 247));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        QVERIFY(!form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
        QVERIFY(form.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    }

    void everyControlHasItsPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("parent"); // empty: the client area
        QTest::addColumn<QRect>("rect");

        const auto row = [](const char *name, const char *parent, QRect rect) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(parent) << rect;
        };
        row("GroupBox1", "", {0, 32, 265, 189});
        row("GroupBox2", "", {272, 32, 265, 189});
        row("RzToolbar1", "", {0, 0, 537, 29});
        row("ProgressBar1", "", {0, 224, 537, 23});
        row("BtnSave", "RzToolbar1", {4, 2, 25, 25});
        row("RzSpacer1", "RzToolbar1", {29, 2, 8, 25});
        row("InformationBtn", "RzToolbar1", {37, 2, 25, 25});
        row("RzSpacer2", "RzToolbar1", {62, 2, 8, 25});
        row("ExitBtn", "RzToolbar1", {70, 2, 25, 25});
        row("EditIn", "GroupBox1", {8, 16, 249, 22});
        row("RadioButton1", "GroupBox1", {8, 40, 249, 17});
        row("RadioButton7", "GroupBox1", {8, 56, 249, 17});
        row("Bevel1", "GroupBox1", {8, 68, 249, 9});
        row("RadioButton2", "GroupBox1", {8, 80, 249, 17});
        row("RadioButton11", "GroupBox1", {8, 96, 249, 17});
        row("Bevel5", "GroupBox1", {8, 108, 249, 9});
        row("RadioButton3", "GroupBox1", {8, 120, 249, 17});
        row("RadioButton8", "GroupBox1", {8, 136, 249, 17});
        row("RadioButton13", "GroupBox1", {8, 152, 233, 17});
        row("RadioButton14", "GroupBox1", {8, 168, 233, 17});
        row("EditOut", "GroupBox2", {8, 16, 249, 22});
        row("RadioButton4", "GroupBox2", {8, 40, 249, 17});
        row("RadioButton9", "GroupBox2", {8, 56, 201, 17});
        row("Bevel2", "GroupBox2", {8, 68, 249, 9});
        row("RadioButton5", "GroupBox2", {8, 80, 241, 17});
        row("RadioButton12", "GroupBox2", {8, 96, 249, 17});
        row("Bevel4", "GroupBox2", {8, 108, 249, 9});
        row("RadioButton6", "GroupBox2", {8, 120, 249, 17});
        row("RadioButton10", "GroupBox2", {8, 136, 249, 17});
        row("RadioButton15", "GroupBox2", {8, 152, 249, 17});
        row("RadioButton16", "GroupBox2", {8, 168, 233, 17});
    }

    void everyControlHasItsPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, parent);
        QFETCH(QRect, rect);
        TForm1 form;

        const QWidget *control = part<QWidget>(form, name);
        QVERIFY(control);
        QCOMPARE(control->geometry(), rect);
        const QWidget *expectedParent = parent.isEmpty() ? form.centralWidget() : part<QWidget>(form, parent);
        QCOMPARE(control->parentWidget(), expectedParent);
    }

    void everyControlShowsItsText_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");

        const auto row = [](const char *name, const char *text) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(text);
        };
        row("GroupBox1", "Прошивка донор ");
        row("GroupBox2", "Прошивка для запису ");
        row("RadioButton1", "Микас 7.6 (Режим №1)");
        row("RadioButton2", "Микас 10.3 (Режим №1)");
        row("RadioButton3", "Микас 10.3+, 11.4 (Режим №1)");
        row("RadioButton4", "Микас 7.6 (Режим №1)");
        row("RadioButton5", "Микас 10.3 (Режим №1)");
        row("RadioButton6", "Микас 10.3+, 11.4 (Режим №1)");
        row("RadioButton7", "Микас 7.6 (Режим №2)");
        row("RadioButton8", "Микас 10.3+, 11.4 (Режим №2)");
        row("RadioButton9", "Микас 7.6 (Режим №2)");
        row("RadioButton10", "Микас 10.3+, 11.4 (Режим №2)");
        row("RadioButton11", "Микас 10.3 (Режим №2)");
        row("RadioButton12", "Микас 10.3 (Режим №2)");
        row("RadioButton13", "Микас 10.3+, 11.4 (Режим №3)");
        row("RadioButton14", "Микас 10.3+, 11.4 (Режим №4)");
        row("RadioButton15", "Микас 10.3+, 11.4 (Режим №3)");
        row("RadioButton16", "Микас 10.3+, 11.4 (Режим №4)");
        row("N1", "Файл");
        row("N2", "Копіювати калібровки");
        row("N6", "Вихід");
        row("N3", "Допомога");
        row("N4", "Про програму");
        row("N7", "Вихід");
    }

    void everyControlShowsItsText()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        TForm1 form;

        const QObject *control = form.findChild<QObject *>(name);
        QVERIFY(control);
        if (const auto *box = qobject_cast<const QGroupBox *>(control))
            QCOMPARE(box->title(), text);
        else if (const auto *button = qobject_cast<const QAbstractButton *>(control))
            QCOMPARE(button->text(), text);
        else if (const auto *menu = qobject_cast<const QMenu *>(control))
            QCOMPARE(menu->title(), text);
        else
            QCOMPARE(qobject_cast<const QAction *>(control)->text(), text);
    }

    void theToolbarAndTheMenuShowTheirPictures()
    {
        TForm1 form;
        const QList<QPair<const char *, const char *>> toolButtons{
            {"BtnSave", "Копіювати калібровки"}, {"InformationBtn", "Про програму"}, {"ExitBtn", "Вийти з програми"}};
        for (const auto &[name, tip] : toolButtons) {
            const QToolButton *button = part<QToolButton>(form, QString::fromLatin1(name));
            QCOMPARE(button->toolTip(), QString::fromUtf8(tip));
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonIconOnly);
            QVERIFY(button->autoRaise());
            QVERIFY(!button->icon().isNull());
        }
        // The three toolbar buttons carry the window's only tool tips.
        int tips = 0;
        for (const QWidget *widget : form.findChildren<QWidget *>())
            tips += widget->toolTip().isEmpty() ? 0 : 1;
        QCOMPARE(tips, 3);

        for (const char *name : {"N2", "N6", "N4"})
            QVERIFY2(!action(form, name)->icon().isNull(), name);
        QVERIFY(action(form, "N5")->isSeparator());
        QCOMPARE(action(form, "N7")->menu(), nullptr);
        QCOMPARE(form.menuBar()->actions().last(), action(form, "N7"));
        for (const QAction *item : form.findChildren<QAction *>()) {
            QVERIFY(item->shortcut().isEmpty());
            QVERIFY(!item->text().contains(QLatin1Char('&')));
        }
    }

    // The scale is 1, or that of QT_SCALE_FACTOR where the test runs under one. The window
    // keeps its size in logical pixels, and the toolbar and the browse buttons draw the
    // pictures drawn for the display's density, never small ones enlarged.
    void thePicturesAreDrawnForTheDisplaysScale()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        const int scale = qMax(1, qEnvironmentVariableIntValue("QT_SCALE_FACTOR"));
        QCOMPARE(form.devicePixelRatio(), qreal(scale));
        QCOMPARE(form.centralWidget()->size(), QSize(537, 247));

        const QList<QPair<QString, const char *>> buttons{{QStringLiteral("BtnSave"), "copy"},
                                                        {QStringLiteral("InformationBtn"), "information"},
                                                        {QStringLiteral("ExitBtn"), "exit"}};
        QList<QPair<QToolButton *, const char *>> drawn;
        for (const auto &[name, picture] : buttons)
            drawn.append({part<QToolButton>(form, name), picture});
        for (const TFilenameEdit *field : {editIn(form), editOut(form)})
            drawn.append({field->browseButton(), "folder"});
        for (const auto &[button, picture] : drawn) {
            const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
            const QImage expected = QImage(QStringLiteral(":/pictures/%1%2.png").arg(QLatin1String(picture), suffix))
                                        .convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(!expected.isNull(), picture);
            QCOMPARE(expected.size(), QSize(16, 16) * scale);
            const QImage shown = button->grab().toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(shown.size(), button->size() * scale);
            QVERIFY2(showsPicture(shown, expected), picture);
        }
    }

    void theFieldsAndTheChoicesUseTheirFonts()
    {
        TForm1 form;
        const QFont field = editIn(form)->font();
        QCOMPARE(field.family(), QStringLiteral("Arial"));
        QCOMPARE(field.pixelSize(), 11);
        QVERIFY(field.bold());
        QCOMPARE(QFontInfo(field).family(), QStringLiteral("Liberation Sans"));
        QCOMPARE(editOut(form)->font(), field);

        const QFont choice = form.radioButton(7)->font();
        QCOMPARE(choice.family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(choice.pixelSize(), 11);
        QVERIFY(choice.bold());
        QCOMPARE(part<QGroupBox>(form, QStringLiteral("GroupBox2"))->font(), choice);
    }

    void assistiveTechnologyFindsEveryControlByNameAndRole_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("browseButton"); // the browse button of the field of that name
        QTest::addColumn<int>("role");
        QTest::addColumn<QString>("accessibleName");

        const auto row = [](const char *name, bool browseButton, QAccessible::Role role, const char *accessibleName) {
            QTest::newRow(browseButton ? QByteArray(name).append(" browse").constData() : name)
                << QString::fromLatin1(name) << browseButton << int(role) << QString::fromUtf8(accessibleName);
        };
        row("EditIn", false, QAccessible::EditableText, "Файл прошивки донора");
        row("EditIn", true, QAccessible::PushButton, "Вибрати файл прошивки донора");
        row("EditOut", false, QAccessible::EditableText, "Файл прошивки для запису");
        row("EditOut", true, QAccessible::PushButton, "Вибрати файл прошивки для запису");
        row("BtnSave", false, QAccessible::PushButton, "Копіювати калібровки");
        row("InformationBtn", false, QAccessible::PushButton, "Про програму");
        row("ExitBtn", false, QAccessible::PushButton, "Вийти з програми");
        row("RadioButton8", false, QAccessible::RadioButton, "Микас 10.3+, 11.4 (Режим №2)");
        row("GroupBox1", false, QAccessible::Grouping, "Прошивка донор ");
        row("GroupBox2", false, QAccessible::Grouping, "Прошивка для запису ");
        row("ProgressBar1", false, QAccessible::ProgressBar, "");
    }

    void assistiveTechnologyFindsEveryControlByNameAndRole()
    {
        QFETCH(QString, name);
        QFETCH(bool, browseButton);
        QFETCH(int, role);
        QFETCH(QString, accessibleName);
        TForm1 form;
        QVERIFY(showAndActivate(form));
        QWidget *widget = part<QWidget>(form, name);
        QVERIFY(widget);
        if (browseButton)
            widget = static_cast<TFilenameEdit *>(widget)->browseButton();

        QAccessibleInterface *control = QAccessible::queryAccessibleInterface(widget);
        QVERIFY(control);
        QCOMPARE(int(control->role()), role);
        QCOMPARE(control->text(QAccessible::Name), accessibleName);
    }

    // Each box's choices read as radio buttons, so a screen reader tells that they exclude
    // each other, with the check and the availability that the profile rules gave them.
    void theChoicesReadAsRadioButtonsWithTheirCheckAndAvailability()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        choose(form.radioButton(2));
        choose(form.radioButton(12));

        const QList<int> checked{2, 12};
        const QList<int> available{1, 2, 3, 5, 6, 7, 8, 10, 11, 12};
        for (int number = 1; number <= 16; ++number) {
            QAccessibleInterface *choice = QAccessible::queryAccessibleInterface(form.radioButton(number));
            QVERIFY(choice);
            QCOMPARE(choice->role(), QAccessible::RadioButton);
            QCOMPARE(bool(choice->state().checked), checked.contains(number));
            QCOMPARE(bool(choice->state().disabled), !available.contains(number));
        }
    }

    void theBrowseButtonsHaveNamesOfTheirOwn()
    {
        TForm1 form;
        const QString donor = editIn(form)->browseButton()->accessibleName();
        const QString target = editOut(form)->browseButton()->accessibleName();
        QVERIFY(donor.contains(QStringLiteral("донора")));
        QVERIFY(target.contains(QStringLiteral("для запису")));
    }

    void tabVisitsTheFieldsAndTheChosenChoices()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        QTest::keyClick(editIn(form), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), editOut(form));
        QTest::keyClick(editOut(form), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), editIn(form));

        choose(form.radioButton(3));
        choose(form.radioButton(10));
        editIn(form)->setFocus();
        const QList<QWidget *> order{form.radioButton(3), editOut(form), form.radioButton(10), editIn(form)};
        for (QWidget *next : order) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), next);
        }
        QTest::keyClick(editIn(form), Qt::Key_Tab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), form.radioButton(10));

        // Arrows follow the tab order of the box, not the screen: mode 1 of 10.3+/11.4, then
        // mode 2 of 7.6.
        QTest::keyClick(form.radioButton(3), Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), form.radioButton(7));
    }

    void aDonorSetsWhichTargetsAreAvailable_data()
    {
        QTest::addColumn<QList<int>>("donors"); // chosen in turn; 13 and 14 by the program
        QTest::addColumn<QList<int>>("available");

        const QList<int> mikas76{4, 9};
        const QList<int> modes12{5, 6, 10, 12};
        const QList<int> allButMikas76{5, 6, 10, 12, 15, 16};
        QTest::newRow("1") << QList<int>{1} << mikas76;
        QTest::newRow("7") << QList<int>{7} << mikas76;
        QTest::newRow("2") << QList<int>{2} << modes12;
        QTest::newRow("3") << QList<int>{3} << modes12;
        QTest::newRow("8") << QList<int>{8} << modes12;
        QTest::newRow("11") << QList<int>{11} << modes12;
        QTest::newRow("13") << QList<int>{13} << allButMikas76;
        QTest::newRow("14") << QList<int>{14} << allButMikas76;
        QTest::newRow("13 then 2 keeps 15 and 16") << QList<int>{13, 2} << allButMikas76;
        QTest::newRow("13 then 3 keeps 15 and 16") << QList<int>{13, 3} << allButMikas76;
        QTest::newRow("14 then 8 keeps 15 and 16") << QList<int>{14, 8} << allButMikas76;
        QTest::newRow("14 then 11 keeps 15 and 16") << QList<int>{14, 11} << allButMikas76;
        QTest::newRow("13, 2, 11 keeps 15 and 16") << QList<int>{13, 2, 11} << allButMikas76;
        QTest::newRow("13 then 1 closes 15 and 16") << QList<int>{13, 1} << mikas76;
        QTest::newRow("13, 7, 2 leaves 15 and 16 closed") << QList<int>{13, 7, 2} << modes12;
        QTest::newRow("1 then 14") << QList<int>{1, 14} << allButMikas76;
    }

    void aDonorSetsWhichTargetsAreAvailable()
    {
        QFETCH(QList<int>, donors);
        QFETCH(QList<int>, available);
        TForm1 form;
        QVERIFY(showAndActivate(form));

        for (int number : donors) {
            TRadioButton *donor = form.radioButton(number);
            if (donor->isEnabled())
                choose(donor);
            else
                donor->setChosen(true);
        }

        QCOMPARE(availableChoices(form, ChoiceSide::Target), available);
        QCOMPARE(checkedChoices(form), QList<int>{donors.last()});
        QVERIFY(!form.radioButton(13)->isEnabled());
        QVERIFY(!form.radioButton(14)->isEnabled());
        const auto &profile = lumo::firmwareProfile(profileChoice(donors.last()).profile);
        QCOMPARE(form.transferSelection().DonorFirst, profile.regionFirst);
        QCOMPARE(form.transferSelection().DonorLast, profile.regionLast);
    }

    void aNewDonorUnchecksTheTargetButSelectionKeepsIt()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        choose(form.radioButton(2));
        choose(form.radioButton(5));
        QCOMPARE(checkedChoices(form), QList<int>({2, 5}));

        // The donor that is already chosen changes nothing.
        choose(form.radioButton(2));
        QCOMPARE(checkedChoices(form), QList<int>({2, 5}));

        choose(form.radioButton(1));

        QCOMPARE(checkedChoices(form), QList<int>{1});
        const lumo::TTransferSelection &selection = form.transferSelection();
        QCOMPARE(selection.DonorFirst, 0x8000);
        QCOMPARE(selection.DonorLast, 0xE97F);
        QCOMPARE(selection.TargetCaption, std::string("Микас 10.3 (Режим №1)"));
        QCOMPARE(selection.TargetFirst, 0x20000);
    }

    void aTargetRecordsOnlyTheTarget()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        choose(form.radioButton(8));
        choose(form.radioButton(12));
        choose(form.radioButton(10));

        QCOMPARE(checkedChoices(form), QList<int>({8, 10}));
        QCOMPARE(availableChoices(form, ChoiceSide::Target), QList<int>({5, 6, 10, 12}));
        const lumo::TTransferSelection &selection = form.transferSelection();
        QCOMPARE(selection.TargetCaption, std::string("Микас 10.3+, 11.4 (Режим №2)"));
        QCOMPARE(selection.TargetFirst, 0x60000);
        QCOMPARE(selection.DonorFirst, 0x60000);
        QCOMPARE(selection.DonorLast, 0x6697F);
    }

    void theProgramCanCheckAnUnavailableChoice()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));

        form.radioButton(5)->setChosen(true);

        QCOMPARE(checkedChoices(form), QList<int>{5});
        QVERIFY(!form.radioButton(5)->isEnabled());
        QCOMPARE(form.transferSelection().TargetFirst, 0x20000);
        QCOMPARE(form.transferSelection().TargetCaption, std::string("Микас 10.3 (Режим №1)"));

        // The operator's click on it, greyed, does nothing; the program can uncheck it.
        choose(form.radioButton(5));
        QCOMPARE(checkedChoices(form), QList<int>{5});
        form.radioButton(5)->setChosen(false);
        QVERIFY(checkedChoices(form).isEmpty());
        QCOMPARE(form.transferSelection().TargetFirst, 0x20000);
    }

    void theCopyCommandTakesTheWindowsInputs_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("toolbar") << false;
        QTest::newRow("menu") << true;
    }

    void theCopyCommandTakesTheWindowsInputs()
    {
        QFETCH(bool, fromMenu);
        TForm1 form;
        QVERIFY(showAndActivate(form));
        Transfer transfer;
        QVERIFY(transfer.prepare(form));
        const ScriptedBoxes boxes;

        if (fromMenu)
            action(form, "N2")->trigger();
        else
            QTest::mouseClick(btnSave(form), Qt::LeftButton);

        QCOMPARE(boxes.texts(), QStringList({transfer.summary(), QStringLiteral("Ok!")}));
        QCOMPARE(boxes.shown().first().title, QStringLiteral("Confirm"));
        QCOMPARE(readFile(transfer.targetPath), transfer.copied());
        QCOMPARE(readFile(transfer.targetPath + ".bak"), transfer.target);
        QCOMPARE(readFile(transfer.donorPath), transfer.donor);
        QCOMPARE(part<QProgressBar>(form, QStringLiteral("ProgressBar1"))->value(), 0);
    }

    void aMissingInputIsAskedForFromEitherCommand()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        editOut(form)->setFocus();
        const ScriptedBoxes boxes;

        QTest::mouseClick(btnSave(form), Qt::LeftButton);
        editIn(form)->setText(QStringLiteral("donor.bin"));
        action(form, "N2")->trigger();

        QCOMPARE(boxes.texts(),
                 QStringList({QStringLiteral("Вкажіть файл прошивки донора!"), QStringLiteral("Вкажіть тип прошивки донора!")}));
        QCOMPARE(boxes.shown().first().title, applicationTitle());
        QCOMPARE(QApplication::focusWidget(), editIn(form));
    }

    void theCopyCommandIsUnavailableWhileACopyRuns()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        Transfer transfer;
        QVERIFY(transfer.prepare(form));
        const ScriptedBoxes boxes;
        int progressMeanwhile = 0;
        bool saveAvailable = true;
        bool menuItemAvailable = true;
        bool othersAvailable = false;
        whileTheCopyRuns(form, [&](int progress) {
            progressMeanwhile = progress;
            saveAvailable = btnSave(form)->isEnabled();
            menuItemAvailable = action(form, "N2")->isEnabled();
            othersAvailable = part<QToolButton>(form, QStringLiteral("InformationBtn"))->isEnabled() &&
                              part<QToolButton>(form, QStringLiteral("ExitBtn"))->isEnabled() &&
                              action(form, "N4")->isEnabled() && action(form, "N6")->isEnabled() &&
                              editIn(form)->isEnabled() && form.radioButton(1)->isEnabled();
            QTest::mouseClick(btnSave(form), Qt::LeftButton);
            action(form, "N2")->trigger();
            // The operator changes the inputs meanwhile; the running copy keeps its own.
            editIn(form)->setText(QStringLiteral("elsewhere.bin"));
            choose(form.radioButton(1));
        });

        btnSave(form)->click();

        QVERIFY(progressMeanwhile > 0 && progressMeanwhile < 100);
        QVERIFY(!saveAvailable);
        QVERIFY(!menuItemAvailable);
        QVERIFY(othersAvailable);
        QCOMPARE(boxes.texts(), QStringList({transfer.summary(), QStringLiteral("Ok!")}));
        QCOMPARE(readFile(transfer.targetPath), transfer.copied());
        QVERIFY(btnSave(form)->isEnabled());
        QVERIFY(action(form, "N2")->isEnabled());
        QCOMPARE(editIn(form)->text(), QStringLiteral("elsewhere.bin"));
        QCOMPARE(checkedChoices(form), QList<int>{1});
    }

    void aBackupFailureGoesToTheErrorBoxAndTheCommandComesBack()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        Transfer transfer;
        QVERIFY(transfer.prepare(form));
        const QString missingTarget = transfer.dir.filePath(QStringLiteral("missing/target.bin"));
        editOut(form)->setText(missingTarget);
        const ScriptedBoxes boxes;

        QTest::mouseClick(btnSave(form), Qt::LeftButton);

        QCOMPARE(boxes.shown().size(), 2);
        const ScriptedBoxes::Shown &error = boxes.shown().at(1);
        QCOMPARE(error.icon, QMessageBox::Critical);
        QCOMPARE(error.title, applicationTitle());
        QCOMPARE(error.text, QStringLiteral("Не можу записати файл %1\nу файл %1.bak.").arg(missingTarget));
        QVERIFY(btnSave(form)->isEnabled());
        QVERIFY(action(form, "N2")->isEnabled());
        QVERIFY(form.isVisible());
    }

    void closingWhileACopyRunsEndsWhenTheCopyHas()
    {
        TForm1 form;
        QVERIFY(showAndActivate(form));
        Transfer transfer;
        QVERIFY(transfer.prepare(form));
        const ScriptedBoxes boxes;
        int progressAtTheRequest = 0;
        bool openAfterTheRequest = false;
        whileTheCopyRuns(form, [&](int progress) {
            progressAtTheRequest = progress;
            form.close();
            openAfterTheRequest = form.isVisible();
        });

        btnSave(form)->click();

        QVERIFY(progressAtTheRequest > 0 && progressAtTheRequest < 100);
        QVERIFY(openAfterTheRequest);
        QVERIFY(!form.isVisible());
        // The result box closed by itself: only the summary was answered.
        QCOMPARE(boxes.texts(), QStringList{transfer.summary()});
        QCOMPARE(readFile(transfer.targetPath), transfer.copied());
    }

    void theExitCommandClosesTheWindow_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("toolbar") << "ExitBtn";
        QTest::newRow("menu Файл") << "N6";
        QTest::newRow("menu bar") << "N7";
    }

    void theExitCommandClosesTheWindow()
    {
        QFETCH(QString, from);
        TForm1 form;
        QVERIFY(showAndActivate(form));

        if (from == QLatin1String("ExitBtn")) {
            QTest::mouseClick(part<QToolButton>(form, from), Qt::LeftButton);
        } else if (from == QLatin1String("N6")) {
            action(form, "N6")->trigger();
        } else {
            QMenuBar *bar = form.menuBar();
            QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action(form, "N7")).center());
        }

        QTRY_VERIFY(!form.isVisible());
        QVERIFY(QApplication::activePopupWidget() == nullptr);
    }

    void theAboutCommandShowsTheDialogModally_data()
    {
        QTest::addColumn<bool>("fromMenu");
        QTest::newRow("toolbar") << false;
        QTest::newRow("menu") << true;
    }

    void theAboutCommandShowsTheDialogModally()
    {
        QFETCH(bool, fromMenu);
        TForm1 form;
        auto *about = new QDialog(&form);
        form.setAboutDialog(about);
        QVERIFY(showAndActivate(form));
        bool shownModally = false;
        const ModalAnswerer operatorAnswers([&](QWidget &modal) {
            shownModally = &modal == about;
            about->accept();
        });

        if (fromMenu)
            action(form, "N4")->trigger();
        else
            QTest::mouseClick(part<QToolButton>(form, QStringLiteral("InformationBtn")), Qt::LeftButton);

        QVERIFY(operatorAnswers.answered());
        QVERIFY(shownModally);
        QVERIFY(!about->isVisible());
        QVERIFY(form.isVisible());
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"

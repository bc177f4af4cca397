#include "About.h"
#include "GuiEnvironment.h"
#include "LayoutFonts.h"
#include "ModalAnswerer.h"

#include <QAccessible>
#include <QApplication>
#include <QFont>
#include <QFrame>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

// The texts are measured in the fonts that the program puts in place at start-up.
const auto *const environment =
    ::testing::AddGlobalTestEnvironment(new GuiEnvironment("AboutTest", registerFontSubstitutes));

const QString purposeText =
    QStringLiteral("Програма для копіювання калібровок з однієї прошивки в іншу для ЕБК Микас");
const QString licenceText = QStringLiteral("Розповсюджуэться безкоштовно");

template <typename T = QWidget>
T *control(const TfmAbout &dialog, const char *name)
{
    auto *found = dialog.findChild<T *>(QLatin1String(name), Qt::FindDirectChildrenOnly);
    if (!found)
        ADD_FAILURE() << "no control " << name;
    return found;
}

// Runs the dialog modally, as the About command does, and acts on it once it is up. An
// action that leaves it open fails the test instead of hanging it.
int execAndAct(TfmAbout &dialog, const std::function<void(TfmAbout &)> &action)
{
    const ModalAnswerer operatorActs([&dialog, &action](QWidget &modal) {
        ASSERT_EQ(&modal, &dialog);
        action(dialog);
    });
    const int result = dialog.exec();
    EXPECT_TRUE(operatorActs.answered()) << "the dialog was left open";
    return result;
}

// The dialog takes its final layout and its picture as it is first shown.
void showOnce(TfmAbout &dialog)
{
    execAndAct(dialog, [](TfmAbout &shown) { shown.accept(); });
}

TEST(AboutTest, WindowIsAFixedDialogWithOnlyACloseBox)
{
    TfmAbout dialog;
    EXPECT_EQ(dialog.objectName(), "fmAbout");
    EXPECT_EQ(dialog.windowTitle(), "fmAbout");
    EXPECT_EQ(dialog.size(), QSize(353, 247));
    EXPECT_EQ(dialog.minimumSize(), QSize(353, 247));
    EXPECT_EQ(dialog.maximumSize(), QSize(353, 247));
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowContextHelpButtonHint));
    EXPECT_EQ(dialog.font().family(), "MS Sans Serif");
    EXPECT_EQ(dialog.font().pixelSize(), 11);
    EXPECT_FALSE(dialog.font().bold());
}

struct ControlRow {
    const char *name;
    const char *className;
    QRect geometry; // a width or height of 0 means sized to the text
    const char *family;
    int pixelSize;
};

TEST(AboutTest, ControlsStandBackToFrontWhereTheLayoutPutsThem)
{
    const ControlRow rows[] = {
        {"Bevel1", "QFrame", {8, 8, 337, 201}, nullptr, 0},
        {"Image1", "QLabel", {16, 16, 193, 137}, nullptr, 0},
        {"Label1", "QLabel", {216, 16, 0, 0}, "MS Sans Serif", 24},
        {"Label2", "QLabel", {16, 160, 321, 38}, "Times New Roman", 16},
        {"Label3", "QLabel", {216, 48, 0, 0}, "MS Sans Serif", 16},
        {"Label4", "QLabel", {216, 88, 116, 0}, "MS Sans Serif", 11},
        {"BitBtn1", "QPushButton", {136, 216, 81, 25}, "MS Sans Serif", 11},
    };
    TfmAbout dialog;
    showOnce(dialog);
    QList<QWidget *> stacking = dialog.findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(stacking.size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const ControlRow &row = rows[i];
        SCOPED_TRACE(row.name);
        QWidget *widget = stacking[qsizetype(i)];
        EXPECT_EQ(widget->objectName(), row.name);
        EXPECT_STREQ(widget->metaObject()->className(), row.className);
        EXPECT_EQ(widget->pos(), row.geometry.topLeft());
        if (row.geometry.width() > 0) {
            EXPECT_EQ(widget->width(), row.geometry.width());
        } else {
            EXPECT_EQ(widget->width(), widget->sizeHint().width());
        }
        if (row.geometry.height() > 0) {
            EXPECT_EQ(widget->height(), row.geometry.height());
        } else if (widget->hasHeightForWidth()) {
            EXPECT_EQ(widget->height(), widget->heightForWidth(widget->width()));
        } else {
            EXPECT_EQ(widget->height(), widget->sizeHint().height());
        }
        if (row.family) {
            EXPECT_EQ(widget->font().family(), row.family);
            EXPECT_EQ(widget->font().pixelSize(), row.pixelSize);
            EXPECT_TRUE(widget->font().bold());
        }
        if (auto *label = qobject_cast<QLabel *>(widget); label && row.family) {
            EXPECT_TRUE(label->autoFillBackground()) << "labels are opaque";
        }
    }
}

TEST(AboutTest, TextsFitTheirPlaces)
{
    TfmAbout dialog;
    showOnce(dialog);
    const QRect frame = control(dialog, "Bevel1")->geometry();
    for (const char *name : {"Label1", "Label3", "Label4"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(frame.contains(control(dialog, name)->geometry()));
    }

    auto *purpose = control<QLabel>(dialog, "Label2");
    EXPECT_EQ(purpose->text(), purposeText);
    EXPECT_TRUE(purpose->wordWrap());
    EXPECT_TRUE(purpose->alignment().testFlag(Qt::AlignHCenter));
    EXPECT_LE(purpose->heightForWidth(purpose->width()), purpose->height()) << "cut off";

    // The note breaks between its two words and nowhere else.
    auto *licence = control<QLabel>(dialog, "Label4");
    EXPECT_EQ(licence->text(), licenceText);
    EXPECT_TRUE(licence->alignment().testFlag(Qt::AlignHCenter));
    const QFontMetrics metrics(licence->font());
    EXPECT_LE(metrics.horizontalAdvance(QStringLiteral("Розповсюджуэться")), licence->width());
    EXPECT_GT(metrics.horizontalAdvance(licenceText), licence->width());
    EXPECT_GE(licence->height(), 2 * metrics.height());
    EXPECT_LT(licence->height(), 3 * metrics.height());

    EXPECT_EQ(control<QLabel>(dialog, "Label1")->text(), "Lumo v2.1");
    EXPECT_TRUE(control<QLabel>(dialog, "Label3")->text().contains(QLatin1Char('@')));
    auto *ok = control<QPushButton>(dialog, "BitBtn1");
    EXPECT_EQ(ok->text(), "OK");
    EXPECT_FALSE(ok->icon().isNull());
}

TEST(AboutTest, PictureIsAColourJpegScaledIntoTheTopLeftOfItsBox)
{
    EXPECT_TRUE(QImageReader::supportedImageFormats().contains("jpeg"));
    QImageReader reader(QStringLiteral(":/pictures/about.jpg"));
    EXPECT_EQ(reader.format(), "jpeg");
    const QImage source = reader.read();
    ASSERT_FALSE(source.isNull()) << reader.errorString().toStdString();
    EXPECT_EQ(source.size(), QSize(750, 519));
    EXPECT_FALSE(source.allGray());

    TfmAbout dialog;
    auto *image = control<QLabel>(dialog, "Image1");
    showOnce(dialog);
    const QPixmap shown = image->pixmap();
    EXPECT_EQ(shown.size(), QSize(193, 133));

    // Drawn on screen from the box's top-left corner, its last four rows left empty.
    const QImage grabbed = dialog.grab().toImage();
    const QImage scaled = shown.toImage();
    const QPoint box = image->pos();
    for (QPoint at : {QPoint(0, 0), QPoint(192, 0), QPoint(0, 132), QPoint(192, 132),
                      QPoint(96, 66)})
        EXPECT_EQ(grabbed.pixel(box + at), scaled.pixel(at)) << at.x() << "," << at.y();
    const QRgb background = dialog.palette().color(QPalette::Window).rgb();
    for (int row = 133; row < 137; ++row) {
        for (int column : {0, 96, 192})
            EXPECT_EQ(grabbed.pixel(box + QPoint(column, row)), background) << column << "," << row;
    }
}

TEST(AboutTest, AssistiveTechnologyReadsThePictureAndTheTexts)
{
    TfmAbout dialog;
    auto *picture = QAccessible::queryAccessibleInterface(control(dialog, "Image1"));
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->text(QAccessible::Name).isEmpty());
    EXPECT_FALSE(picture->text(QAccessible::Description).isEmpty());
    for (const char *name : {"Label1", "Label2", "Label3", "Label4"}) {
        auto *label = control<QLabel>(dialog, name);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name),
                  label->text())
            << name;
    }
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control(dialog, "BitBtn1"))
                  ->text(QAccessible::Name),
              "OK");
}

TEST(AboutTest, OnlyTheDefaultOkButtonTakesTheFocus)
{
    TfmAbout dialog;
    auto *ok = control<QPushButton>(dialog, "BitBtn1");
    EXPECT_TRUE(ok->isDefault());
    for (QWidget *widget : dialog.findChildren<QWidget *>()) {
        if (widget != ok) {
            EXPECT_EQ(widget->focusPolicy(), Qt::NoFocus) << widget->objectName().toStdString();
        }
    }
    execAndAct(dialog, [ok](TfmAbout &shown) {
        EXPECT_TRUE(QTest::qWaitForWindowActive(&shown));
        EXPECT_EQ(QApplication::focusWidget(), ok);
        shown.accept();
    });
}

struct ClosingRow {
    const char *how;
    std::function<void(TfmAbout &)> act;
    int result;
};

TEST(AboutTest, ClosesWithOkOnEnterOrAClickAndIsCancelledFromTheTitleBar)
{
    const ClosingRow rows[] = {
        {"Return", [](TfmAbout &d) { QTest::keyClick(d.focusWidget(), Qt::Key_Return); },
         QDialog::Accepted},
        {"keypad Enter",
         [](TfmAbout &d) { QTest::keyClick(d.focusWidget(), Qt::Key_Enter, Qt::KeypadModifier); },
         QDialog::Accepted},
        {"click on OK",
         [](TfmAbout &d) {
             QTest::mouseClick(control(d, "BitBtn1"), Qt::LeftButton);
         },
         QDialog::Accepted},
        {"close box or Alt+F4", [](TfmAbout &d) { d.close(); }, QDialog::Rejected},
    };
    TfmAbout dialog;
    for (const ClosingRow &row : rows) {
        SCOPED_TRACE(row.how);
        EXPECT_EQ(execAndAct(dialog, row.act), row.result);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(AboutTest, EscapeLeavesItOpen)
{
    TfmAbout dialog;
    QSignalSpy rejected(&dialog, &QDialog::rejected);
    const int result = execAndAct(dialog, [&rejected](TfmAbout &d) {
        QTest::keyClick(d.focusWidget(), Qt::Key_Escape);
        QTest::keyClick(&d, Qt::Key_Escape);
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(rejected.count(), 0);
        d.close();
    });
    EXPECT_EQ(result, QDialog::Rejected);
}

TEST(AboutTest, ShownAgainItIsTheSameAndCentredOnTheScreen)
{
    // A parent off to one side: the dialog centres on the screen, not over its parent.
    QWidget owner;
    owner.setGeometry(0, 0, 120, 80);
    owner.show();
    TfmAbout dialog(&owner);
    const QPoint screenCentre = dialog.screen()->geometry().center();
    QImage shown[2];
    for (QImage &picture : shown) {
        execAndAct(dialog, [&picture, screenCentre](TfmAbout &d) {
            EXPECT_LE((d.frameGeometry().center() - screenCentre).manhattanLength(), 1);
            picture = d.grab().toImage();
            QTest::keyClick(d.focusWidget(), Qt::Key_Return);
        });
    }
    ASSERT_FALSE(shown[0].isNull());
    EXPECT_EQ(shown[0], shown[1]);
}

} // namespace

#include "FilenameEdit.h"
#include "QtTranslations.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

// What a browse dialog of the field shows in Qt's own words, and in the program's.
struct Shown {
    QString title;
    QString accept;
    QString cancel;
    QString lookIn;
    QString firstFileType;
};

class ReadEdit : public TFilenameEdit {
public:
    using TFilenameEdit::TFilenameEdit;

    Shown shown;

protected:
    bool runBrowseDialog(QFileDialog &dialog) override
    {
        const auto *buttons = dialog.findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
        const auto label = [&](const char *name) {
            const auto *found = dialog.findChild<QLabel *>(QLatin1String(name));
            return found ? found->text() : QString();
        };
        shown = {dialog.windowTitle(),
                 buttons->button(QDialogButtonBox::Open)->text(),
                 buttons->button(QDialogButtonBox::Cancel)->text(),
                 label("lookInLabel"),
                 dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText()};
        return false;
    }
};

} // namespace

class QtTranslationsTest : public QObject {
    Q_OBJECT

private slots:
    void qtsOwnTextsFollowTheLanguage_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<bool>("translated");
        QTest::addColumn<QString>("accept");
        QTest::addColumn<QString>("cancel");
        QTest::addColumn<QString>("lookIn");
        QTest::addColumn<QString>("undo");

        QTest::newRow("C") << "C" << false << "&Open" << "Cancel" << "Look in:" << "&Undo";
        QTest::newRow("English") << "en_US" << false << "&Open" << "Cancel" << "Look in:" << "&Undo";
        QTest::newRow("Ukrainian") << "uk" << true << "&Відкрити" << "Скасувати" << "Перегляд в:"
                                   << "&Повернути";
        QTest::newRow("Ukrainian of Ukraine")
            << "uk_UA" << true << "&Відкрити" << "Скасувати" << "Перегляд в:" << "&Повернути";
    }

    void qtsOwnTextsFollowTheLanguage()
    {
        QFETCH(QString, locale);
        QFETCH(bool, translated);
        QFETCH(QString, accept);
        QFETCH(QString, cancel);
        QFETCH(QString, lookIn);
        QFETCH(QString, undo);

        QTranslator *translator = installQtTranslations(QLocale(locale));
        const auto remove = qScopeGuard([translator] {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        });
        QCOMPARE(translator != nullptr, translated);

        QWidget window;
        auto *field = new ReadEdit(&window);
        field->browse();
        const std::unique_ptr<QMenu> menu(field->createStandardContextMenu());

        QCOMPARE(field->shown.accept, accept);
        QCOMPARE(field->shown.cancel, cancel);
        QCOMPARE(field->shown.lookIn, lookIn);
        QCOMPARE(menu->actions().value(0)->text().section(QLatin1Char('\t'), 0, 0), undo);
        // The program's own texts stay as they are.
        QCOMPARE(field->shown.title, QStringLiteral("Список"));
        QCOMPARE(field->shown.firstFileType, QStringLiteral("Файои прошивок (*.bin)"));
    }
};

QTEST_MAIN(QtTranslationsTest)
#include "QtTranslationsTest.moc"

#include "FilenameEdit.h"
#include "ModalAnswerer.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <functional>
#include <tuple>

namespace {

// What a drag dropped onto a field does.
enum DropOutcome { TakesFile, Refused, AsLineEdit };

// What a browse dialog showed when it opened.
struct Opened {
    QString title;
    QString directory;
    QString presetFile;
    QStringList shownTypes;
    QString shownType;
    QFileDialog::FileMode fileMode;
    bool native;
};

// A field whose browse dialog is answered by the test instead of the operator.
class AnsweredEdit : public TFilenameEdit {
public:
    using TFilenameEdit::TFilenameEdit;

    QList<Opened> opened;
    std::function<bool(QFileDialog &)> answer = [](QFileDialog &) { return false; };

protected:
    bool runBrowseDialog(QFileDialog &dialog) override
    {
        const auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        QStringList shownTypes;
        for (int i = 0; i < types->count(); ++i)
            shownTypes << types->itemText(i);
        opened.append({dialog.windowTitle(), dialog.directory().absolutePath(), dialog.selectedFiles().value(0),
                       shownTypes, types->currentText(), dialog.fileMode(),
                       !dialog.testOption(QFileDialog::DontUseNativeDialog)});
        return answer(dialog);
    }
};

// The operator picks path, on the given file type when one is named.
std::function<bool(QFileDialog &)> pick(const QString &path, const QString &nameFilter = {})
{
    return [=](QFileDialog &dialog) {
        if (!nameFilter.isEmpty())
            dialog.selectNameFilter(nameFilter);
        dialog.selectFile(path);
        return true;
    };
}

std::function<bool(QFileDialog &)> cancelOn(const QString &nameFilter)
{
    return [=](QFileDialog &dialog) {
        dialog.selectNameFilter(nameFilter);
        return false;
    };
}

// The two file types as the dialog shows them, and as Qt's dialog selects them: it shows the
// text before the last parentheses, and matches the patterns inside them.
const QString firmwareFiles = QStringLiteral("Файои прошивок (*.bin)");
const QString allFiles = QStringLiteral("Всi файли (*.*)");
const QString firmwareFilter = firmwareFiles + QStringLiteral(" (*.bin)");
const QString allFilter = allFiles + QStringLiteral(" (*)");

// A window holding two fields and a folder to browse in.
struct Fields {
    QTemporaryDir dir;
    QWidget window;
    AnsweredEdit *edit = new AnsweredEdit(&window);
    AnsweredEdit *other = new AnsweredEdit(&window);

    Fields()
    {
        edit->setGeometry(0, 0, 249, 22);
        other->setGeometry(0, 30, 249, 22);
        for (const char *folder : {"my files", "prev", "sub"})
            QDir(dir.path()).mkpath(QString::fromLatin1(folder));
    }

    QString path(const QString &relative) const { return dir.filePath(relative); }

    bool show()
    {
        window.show();
        return QTest::qWaitForWindowActive(&window);
    }
};

} // namespace

class FilenameEditTest : public QObject {
    Q_OBJECT

private slots:
    void theBrowseButtonStandsAtTheRightEnd()
    {
        Fields f;
        QVERIFY(f.show());
        QToolButton *button = f.edit->browseButton();
        QCOMPARE(button->width(), 21);
        QVERIFY(button->geometry().right() < f.edit->width());
        QVERIFY(button->geometry().right() >= f.edit->width() - 3);
        QVERIFY(!button->icon().isNull());
        QCOMPARE(button->focusPolicy(), Qt::NoFocus);
        QVERIFY(button->toolTip().isEmpty());
    }

    void theDialogIsTheListOfTheFieldsFileTypes()
    {
        Fields f;
        f.edit->browse();

        QCOMPARE(f.edit->opened.size(), 1);
        const Opened &dialog = f.edit->opened.first();
        QCOMPARE(dialog.title, QStringLiteral("Список"));
        QCOMPARE(dialog.shownTypes, QStringList({firmwareFiles, allFiles}));
        QCOMPARE(dialog.shownType, firmwareFiles);
        QCOMPARE(dialog.fileMode, QFileDialog::AnyFile); // the file need not exist
        QVERIFY(!dialog.native);
    }

    void aPickedPathIsQuotedWhenItHoldsABlank_data()
    {
        QTest::addColumn<QString>("picked");
        QTest::addColumn<bool>("quoted");

        QTest::newRow("no blank") << "sub/fw.bin" << false;
        QTest::newRow("a blank in the folder") << "my files/fw.bin" << true;
        QTest::newRow("a blank in the name") << "sub/fw 2.bin" << true;
    }

    void aPickedPathIsQuotedWhenItHoldsABlank()
    {
        QFETCH(QString, picked);
        QFETCH(bool, quoted);
        Fields f;
        QVERIFY(f.show());
        f.other->setFocus();
        const QString path = QDir::toNativeSeparators(f.path(picked));
        f.edit->answer = pick(path);

        QTest::mouseClick(f.edit->browseButton(), Qt::LeftButton);

        QCOMPARE(f.edit->text(), quoted ? '"' + path + '"' : path);
        QCOMPARE(f.edit->FileName(), path);
        QCOMPARE(QApplication::focusWidget(), f.edit);
    }

    void aCancelledBrowseChangesNothingAndFocusesTheField()
    {
        Fields f;
        QVERIFY(f.show());
        f.edit->setText(QStringLiteral("  typed text "));
        f.other->setFocus();

        QTest::mouseClick(f.edit->browseButton(), Qt::LeftButton);

        QCOMPARE(f.edit->opened.size(), 1);
        QCOMPARE(f.edit->text(), QStringLiteral("  typed text "));
        QCOMPARE(QApplication::focusWidget(), f.edit);
    }

    void theNextBrowseStartsAtThePickedFileOnThePickedType()
    {
        Fields f;
        f.edit->answer = pick(f.path(QStringLiteral("my files/new.bin")), allFilter);
        f.edit->browse();
        f.edit->answer = [](QFileDialog &) { return false; };

        f.edit->browse();
        f.other->browse();

        const Opened &again = f.edit->opened.at(1);
        QCOMPARE(again.directory, f.path(QStringLiteral("my files")));
        QCOMPARE(again.presetFile, f.path(QStringLiteral("my files/new.bin")));
        QCOMPARE(again.shownType, allFiles);
        // The other field keeps its own type.
        QCOMPARE(f.other->opened.first().shownType, firmwareFiles);
    }

    void aCancelledBrowseStillRemembersTheType()
    {
        Fields f;
        f.edit->answer = cancelOn(allFilter);
        f.edit->browse();
        f.edit->answer = cancelOn(firmwareFilter);
        f.edit->browse();
        f.edit->browse();

        QCOMPARE(f.edit->opened.at(1).shownType, allFiles);
        QCOMPARE(f.edit->opened.at(2).shownType, firmwareFiles);
    }

    void theDialogStartsWhereTheFileNamePoints_data()
    {
        QTest::addColumn<QString>("text");        // "%1" stands for the temporary folder
        QTest::addColumn<QString>("directory");   // relative to it
        QTest::addColumn<QString>("presetFile");  // relative to the directory

        // Before each row a browse picked prev/old.bin.
        QTest::newRow("a quoted path with a blank") << "\"%1/my files/fw.bin\"" << "my files" << "fw.bin";
        QTest::newRow("a path with blanks around it") << "  %1/sub/fw.bin " << "sub" << "fw.bin";
        QTest::newRow("a folder without a file name") << "%1/sub/" << "sub" << "";
        QTest::newRow("a folder that does not exist keeps the last folder")
            << "%1/missing/fw.bin" << "prev" << "fw.bin";
        QTest::newRow("a bare name keeps the last folder") << "fw.bin" << "prev" << "fw.bin";
        QTest::newRow("empty keeps folder and name") << "" << "prev" << "old.bin";
        QTest::newRow("blanks only keep folder and name") << "   " << "prev" << "old.bin";
        QTest::newRow("< keeps folder and name") << "%1/sub/a<b.bin" << "prev" << "old.bin";
        QTest::newRow("> keeps folder and name") << "%1/sub/a>b.bin" << "prev" << "old.bin";
        QTest::newRow("[ keeps folder and name") << "%1/sub/a[b.bin" << "prev" << "old.bin";
        QTest::newRow("] keeps folder and name") << "%1/sub/a]b.bin" << "prev" << "old.bin";
        QTest::newRow("| keeps folder and name") << "%1/sub/a|b.bin" << "prev" << "old.bin";
        // The whole text names an existing file, so the double quote stays in the file name.
        QTest::newRow("\" keeps folder and name") << "%1/sub/a\"b.bin" << "prev" << "old.bin";
    }

    void theDialogStartsWhereTheFileNamePoints()
    {
        QFETCH(QString, text);
        QFETCH(QString, directory);
        QFETCH(QString, presetFile);
        Fields f;
        QFile quoted(f.path(QStringLiteral("sub/a\"b.bin")));
        QVERIFY(quoted.open(QIODevice::WriteOnly));
        quoted.close();
        f.edit->answer = pick(f.path(QStringLiteral("prev/old.bin")));
        f.edit->browse();
        f.edit->answer = [](QFileDialog &) { return false; };

        f.edit->setText(text.contains(QLatin1String("%1")) ? text.arg(f.dir.path()) : text);
        f.edit->browse();

        const Opened &dialog = f.edit->opened.at(1);
        QCOMPARE(dialog.directory, f.path(directory));
        // With no name in its box, the dialog's selection is the folder itself.
        QCOMPARE(dialog.presetFile, presetFile.isEmpty() ? f.path(directory) : f.path(directory + '/' + presetFile));
    }

    void onlyInsertWithoutShiftCtrlOrAltBrowses_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("browses");

        QTest::newRow("Insert") << int(Qt::Key_Insert) << int(Qt::NoModifier) << true;
        QTest::newRow("Insert on the keypad") << int(Qt::Key_Insert) << int(Qt::KeypadModifier) << true;
        QTest::newRow("Shift+Insert") << int(Qt::Key_Insert) << int(Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Insert") << int(Qt::Key_Insert) << int(Qt::ControlModifier) << false;
        QTest::newRow("Alt+Insert") << int(Qt::Key_Insert) << int(Qt::AltModifier) << false;
        QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier) << false;
        QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier) << false;
    }

    void onlyInsertWithoutShiftCtrlOrAltBrowses()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(bool, browses);
        Fields f;
        QVERIFY(f.show());
        f.edit->setFocus();

        QTest::keyClick(f.edit, static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));

        QCOMPARE(f.edit->opened.size(), browses ? 1 : 0);
    }

    // What a drag does to a field that holds "typed": it takes one local file as a browse
    // takes a picked one, lets plain text in as any line edit does, and refuses the rest with
    // the no-drop cursor.
    void aDropTakesOneFileAndRefusesTheRest_data()
    {
        QTest::addColumn<QStringList>("urls");  // relative to the temporary folder, or whole
        QTest::addColumn<QString>("plainText"); // offered besides any URLs
        QTest::addColumn<int>("actions");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("outcome");

        const int any = Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
        const int none = Qt::NoModifier;
        // A file manager offers the file's URL as plain text too.
        QTest::newRow("one file") << QStringList{"sub/fw.bin"} << "" << any << none << int(TakesFile);
        QTest::newRow("a file with a blank")
            << QStringList{"my files/fw 2.bin"} << "" << any << none << int(TakesFile);
        QTest::newRow("one file moved with Shift stays where it is")
            << QStringList{"sub/fw.bin"} << "" << any << int(Qt::ShiftModifier) << int(TakesFile);
        QTest::newRow("one file that may only be moved")
            << QStringList{"sub/fw.bin"} << "" << int(Qt::MoveAction) << none << int(Refused);
        QTest::newRow("two files") << QStringList{"sub/fw.bin", "my files/fw 2.bin"} << "" << any << none
                                   << int(Refused);
        QTest::newRow("a folder") << QStringList{"sub"} << "" << any << none << int(Refused);
        QTest::newRow("an http URL") << QStringList{"http://example.com/fw.bin"} << "" << any << none
                                     << int(Refused);
        QTest::newRow("plain text") << QStringList{} << "other text" << any << none << int(AsLineEdit);
    }

    void aDropTakesOneFileAndRefusesTheRest()
    {
        QFETCH(QStringList, urls);
        QFETCH(QString, plainText);
        QFETCH(int, actions);
        QFETCH(int, modifiers);
        QFETCH(int, outcome);
        Fields f;
        QVERIFY(f.show());
        for (const char *name : {"sub/fw.bin", "my files/fw 2.bin"}) {
            QFile file(f.path(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        f.edit->setText(QStringLiteral("typed"));
        f.other->setFocus();
        QMimeData mime;
        QList<QUrl> dragged;
        for (const QString &url : urls)
            dragged << (url.contains(QLatin1String("://")) ? QUrl(url) : QUrl::fromLocalFile(f.path(url)));
        if (!dragged.isEmpty()) {
            mime.setUrls(dragged);
            mime.setText(QUrl::toStringList(dragged).join(QLatin1Char('\n')));
        } else {
            mime.setText(plainText);
        }
        // A plain line edit beside it shows what a text drop does by itself.
        QLineEdit plain(&f.window);
        plain.setGeometry(f.edit->geometry());
        plain.setText(f.edit->text());

        const auto drag = [&](QWidget *target) {
            const QPoint point(40, 11);
            const auto possible = static_cast<Qt::DropActions>(actions);
            const auto keys = static_cast<Qt::KeyboardModifiers>(modifiers);
            QDragEnterEvent enter(point, possible, &mime, Qt::LeftButton, keys);
            enter.ignore();
            QApplication::sendEvent(target, &enter);
            QDragMoveEvent move(point, possible, &mime, Qt::LeftButton, keys);
            move.ignore();
            QApplication::sendEvent(target, &move);
            QDropEvent drop(point, possible, &mime, Qt::LeftButton, keys);
            drop.ignore();
            QApplication::sendEvent(target, &drop);
            return std::tuple{enter.isAccepted(), move.isAccepted(), drop.isAccepted(), drop.dropAction()};
        };
        const auto [entered, moved, dropped, action] = drag(f.edit);

        QCOMPARE(entered, outcome != Refused);
        QCOMPARE(moved, outcome != Refused);
        QCOMPARE(dropped, outcome != Refused);
        switch (outcome) {
        case TakesFile: {
            const QString path = QDir::toNativeSeparators(f.path(urls.first()));
            QCOMPARE(f.edit->text(), path.contains(QLatin1Char(' ')) ? '"' + path + '"' : path);
            QCOMPARE(f.edit->FileName(), path);
            QCOMPARE(action, Qt::CopyAction);
            QCOMPARE(QApplication::focusWidget(), f.edit);
            // The next browse starts at the dropped file, as after a browse that picked it.
            f.edit->browse();
            QCOMPARE(f.edit->opened.last().directory, QFileInfo(f.path(urls.first())).absolutePath());
            QCOMPARE(f.edit->opened.last().presetFile, f.path(urls.first()));
            break;
        }
        case Refused:
            QCOMPARE(f.edit->text(), QStringLiteral("typed"));
            QCOMPARE(QApplication::focusWidget(), f.other);
            break;
        case AsLineEdit:
            drag(&plain);
            QVERIFY(plain.text() != QStringLiteral("typed"));
            QCOMPARE(f.edit->text(), plain.text());
            break;
        }
    }

    void theRealDialogTakesAFileThatDoesNotExist()
    {
        Fields f;
        QVERIFY(f.show());
        TFilenameEdit real(&f.window);
        real.setText('"' + f.path(QStringLiteral("my files/old.bin")) + '"');
        real.setGeometry(0, 60, 249, 22);
        real.show();
        real.setFocus();
        QString title;
        QString directory;
        QStringList matchedFirst;
        QStringList matchedSecond;
        const ModalAnswerer operatorAnswers([&](QWidget &modal) {
            auto *dialog = qobject_cast<QFileDialog *>(&modal);
            QVERIFY(dialog);
            title = dialog->windowTitle();
            directory = dialog->directory().absolutePath();
            auto *files = dialog->findChild<QFileSystemModel *>();
            QVERIFY(files);
            matchedFirst = files->nameFilters();
            dialog->selectNameFilter(allFilter);
            matchedSecond = files->nameFilters();
            dialog->selectNameFilter(firmwareFilter);
            // The operator types once the dialog has the focus in its file name box.
            QLineEdit *name = nullptr;
            QVERIFY(QTest::qWaitFor([&] {
                name = qobject_cast<QLineEdit *>(QApplication::focusWidget());
                return name && dialog->isAncestorOf(name);
            }));
            name->clear();
            QTest::keyClicks(name, QStringLiteral("new fw.bin"));
            QTest::keyClick(name, Qt::Key_Return);
        });

        QTest::keyClick(&real, Qt::Key_Insert);

        QVERIFY(operatorAnswers.answered());
        QCOMPARE(title, QStringLiteral("Список"));
        QCOMPARE(matchedFirst, QStringList{QStringLiteral("*.bin")});
        QCOMPARE(matchedSecond, QStringList{QStringLiteral("*")}); // also names without a full stop
        QCOMPARE(directory, f.path(QStringLiteral("my files")));
        QCOMPARE(real.text(), '"' + QDir::toNativeSeparators(f.path(QStringLiteral("my files/new fw.bin"))) + '"');
        QVERIFY(!QFile::exists(f.path(QStringLiteral("my files/new fw.bin"))));
    }
};

QTEST_MAIN(FilenameEditTest)
#include "FilenameEditTest.moc"

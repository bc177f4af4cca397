#include "ChildProcess.h"
#include "FilenameEdit.h"
#include "LayoutFonts.h"
#include "LumoApplication.h"
#include "MainForm.h"
#include "MainFormProbe.h"
#include "ScriptedBoxes.h"
#include "SettingsFileBeside.h"
#include "StoredSettings.h"
#include "TRadioButton.h"

#include <QFile>
#include <QSessionManager>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <map>
#include <optional>
#include <string>

namespace {

// The donor choices of modes 1 and 2, the only donors that the operator can ever choose.
const QList<int> donorsOfModes12{1, 2, 3, 7, 8, 11};

QList<int> sorted(QList<int> numbers)
{
    std::sort(numbers.begin(), numbers.end());
    return numbers;
}

// Where each choice's profile region starts, by choice number.
int regionFirstOf(int number)
{
    static const std::map<int, int> first{
        {1, 0x8000},   {2, 0x20000},  {3, 0x50000},  {4, 0x8000},   {5, 0x20000},  {6, 0x50000},
        {7, 0x18000},  {8, 0x60000},  {9, 0x18000},  {10, 0x60000}, {11, 0x30000}, {12, 0x30000},
        {13, 0x70000}, {14, 0x80000}, {15, 0x70000}, {16, 0x80000},
    };
    return first.at(number);
}

// Section "SYSTEM" with the given lines, as the program's own save writes it.
bool writeSettings(const QStringList &lines)
{
    return writeFile(settingsFileBesideProgram(), ("[SYSTEM]\r\n" + lines.join("\r\n") + "\r\n").toLocal8Bit());
}

// The key's line in the settings file as the save wrote it, without its line end; empty when
// the file has no line for the key.
QByteArray savedLine(const QByteArray &key)
{
    for (QByteArray line : readFile(settingsFileBesideProgram()).split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.startsWith(key + '='))
            return line;
    }
    return {};
}

// The settings as the next run reads them.
lumo::StoredSettings savedSettings()
{
    return lumo::loadSettings(settingsFileBesideProgram().toStdString());
}

QByteArray bytesOf(const std::string &text)
{
    return QByteArray::fromStdString(text);
}

QStringList storedChoices(const QList<int> &numbers)
{
    QStringList lines;
    for (int number : numbers)
        lines << QStringLiteral("RB%1=1").arg(number);
    return lines;
}

} // namespace

class MainFormSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerFontSubstitutes(); }
    void init() { QVERIFY(removeSettingsFile()); }
    void cleanup() { QVERIFY(removeSettingsFile()); }

    void aFirstRunStartsEmptyAndTheCloseCreatesTheFile()
    {
        const ScriptedBoxes boxes;
        TForm1 form;
        QVERIFY(showAndActivate(form));

        QVERIFY(editIn(form)->text().isEmpty());
        QVERIFY(editOut(form)->text().isEmpty());
        QVERIFY(checkedChoices(form).isEmpty());
        QCOMPARE(availableChoices(form), donorsOfModes12);

        form.close();

        QVERIFY(!form.isVisible());
        QVERIFY(boxes.shown().isEmpty());
        QCOMPARE(readFile(settingsFileBesideProgram()), QByteArray("[SYSTEM]\r\n"
                                                                   "FileIn=\r\n"
                                                                   "FileOut=\r\n"
                                                                   "RB1=0\r\n"
                                                                   "RB2=0\r\n"
                                                                   "RB3=0\r\n"
                                                                   "RB4=0\r\n"
                                                                   "RB5=0\r\n"
                                                                   "RB6=0\r\n"
                                                                   "RB7=0\r\n"
                                                                   "RB8=0\r\n"
                                                                   "RB9=0\r\n"
                                                                   "RB10=0\r\n"
                                                                   "RB11=0\r\n"
                                                                   "RB12=0\r\n"
                                                                   "RB13=0\r\n"
                                                                   "RB14=0\r\n"
                                                                   "RB15=0\r\n"
                                                                   "RB16=0\r\n"));
    }

    void theStoredChoicesAreCheckedInTheOrderOfTheirNumbers_data()
    {
        QTest::addColumn<QList<int>>("stored");
        QTest::addColumn<QList<int>>("checked");
        QTest::addColumn<QList<int>>("available");
        QTest::addColumn<int>("donor");  // whose region Selection holds; 0: none
        QTest::addColumn<int>("target"); // likewise

        // A stored donor with each target that a save can store beside it: the targets of
        // higher numbers come back, those of lower numbers are unchecked again by the donor.
        struct Outcome {
            QList<int> donors;
            QList<int> comeBack;
            QList<int> uncheckedAgain;
            QList<int> availableTargets;
        };
        const QList<Outcome> outcomes{
            {{1}, {4, 9}, {}, {4, 9}},
            {{7}, {9}, {4}, {4, 9}},
            {{2, 3}, {5, 6, 10, 12, 15, 16}, {}, {5, 6, 10, 12}},
            {{8}, {10, 12, 15, 16}, {5, 6}, {5, 6, 10, 12}},
            {{11}, {12, 15, 16}, {5, 6, 10}, {5, 6, 10, 12}},
            {{13, 14}, {15, 16}, {5, 6, 10, 12}, {5, 6, 10, 12, 15, 16}},
        };
        for (const Outcome &outcome : outcomes) {
            const QList<int> available = sorted(donorsOfModes12 + outcome.availableTargets);
            for (int donor : outcome.donors) {
                const auto row = [&](int target, const QList<int> &checked) {
                    QTest::addRow("RB%d with RB%d", donor, target)
                        << QList<int>{donor, target} << checked << available << donor << target;
                };
                for (int target : outcome.comeBack)
                    row(target, {donor, target});
                for (int target : outcome.uncheckedAgain)
                    row(target, {donor});
            }
        }

        QTest::newRow("RB13 alone, a donor the operator cannot choose")
            << QList<int>{13} << QList<int>{13} << sorted(donorsOfModes12 + QList<int>{5, 6, 10, 12, 15, 16}) << 13
            << 0;
        QTest::newRow("RB5 alone, a target with no donor")
            << QList<int>{5} << QList<int>{5} << donorsOfModes12 << 0 << 5;
        QTest::newRow("RB1 and RB2, the later donor wins")
            << QList<int>{1, 2} << QList<int>{2} << sorted(donorsOfModes12 + QList<int>{5, 6, 10, 12}) << 2 << 0;
    }

    void theStoredChoicesAreCheckedInTheOrderOfTheirNumbers()
    {
        QFETCH(QList<int>, stored);
        QFETCH(QList<int>, checked);
        QFETCH(QList<int>, available);
        QFETCH(int, donor);
        QFETCH(int, target);
        QVERIFY(writeSettings(storedChoices(stored)));
        const ScriptedBoxes boxes;
        TForm1 form;

        QVERIFY(showAndActivate(form));

        QCOMPARE(checkedChoices(form), checked);
        // A checked choice missing here is greyed with its mark.
        QCOMPARE(availableChoices(form), available);
        const lumo::TTransferSelection &selection = form.transferSelection();
        QCOMPARE(selection.Donor.has_value(), donor != 0);
        if (donor != 0)
            QCOMPARE(selection.DonorFirst, regionFirstOf(donor));
        QCOMPARE(selection.Target.has_value(), target != 0);
        if (target != 0)
            QCOMPARE(selection.TargetFirst, regionFirstOf(target));
        QVERIFY(boxes.shown().isEmpty());
    }

    void aStoredValueReadsAsCheckedWhenItIsAWholeNumberOtherThanZero_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("checked");
        QTest::newRow("1") << "1" << true;
        QTest::newRow("2") << "2" << true;
        QTest::newRow("-1") << "-1" << true;
        QTest::newRow("0") << "0" << false;
        QTest::newRow("a word") << "true" << false;
        QTest::newRow("empty") << "" << false;
    }

    void aStoredValueReadsAsCheckedWhenItIsAWholeNumberOtherThanZero()
    {
        QFETCH(QString, value);
        QFETCH(bool, checked);
        QVERIFY(writeSettings({"RB7=" + value}));
        TForm1 form;

        QVERIFY(showAndActivate(form));

        QCOMPARE(form.radioButton(7)->isChecked(), checked);
    }

    void theFirstAndTheLastChoiceAreSavedWithTheOthers_data()
    {
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<int>("chosen");
        QTest::addColumn<QList<int>>("saved");

        QTest::newRow("RB1") << QStringList() << 1 << QList<int>{1};
        // The last target is offered only under a mode 3 or mode 4 donor, which only a load
        // restores.
        QTest::newRow("RB16") << storedChoices({13}) << 16 << QList<int>{13, 16};
    }

    void theFirstAndTheLastChoiceAreSavedWithTheOthers()
    {
        QFETCH(QStringList, stored);
        QFETCH(int, chosen);
        QFETCH(QList<int>, saved);
        if (!stored.isEmpty())
            QVERIFY(writeSettings(stored));
        TForm1 form;
        QVERIFY(showAndActivate(form));

        choose(form.radioButton(chosen));
        QCOMPARE(checkedChoices(form), saved);
        form.close();

        for (int number = 1; number <= 16; ++number) {
            const QByteArray key = "RB" + QByteArray::number(number);
            QCOMPARE(savedLine(key), key + (saved.contains(number) ? "=1" : "=0"));
        }
    }

    void aStoredPathThatTheCodePageCannotDecodeIsWrittenBackAsItWas()
    {
        // Not UTF-8: a lead byte followed by a byte that cannot continue it.
        const QByteArray donorPath("/home/\xC3\x28\xFF\xFEpath/donor.bin");
        const QByteArray targetPath("/home/\xC3\x28\xFF\xFEpath/target.bin");
        QVERIFY(writeFile(settingsFileBesideProgram(),
                          "[SYSTEM]\r\nFileIn=" + donorPath + "\r\nFileOut=" + targetPath + "\r\nRB2=1\r\n"));
        {
            TForm1 form;
            QVERIFY(showAndActivate(form));
            QCOMPARE(editIn(form)->text(), QString::fromLocal8Bit(donorPath));
            QVERIFY(editIn(form)->text().endsWith(QStringLiteral("path/donor.bin")));
            // The operator leaves the donor field alone and types a new target.
            editOut(form)->setText(QStringLiteral("/home/оператор/ціль.bin"));
            form.close();
        }

        QCOMPARE(bytesOf(savedSettings().fileIn), donorPath);
        QCOMPARE(bytesOf(savedSettings().fileOut), QStringLiteral("/home/оператор/ціль.bin").toLocal8Bit());
        QVERIFY(savedSettings().checked[1]);

        // And so on from run to run.
        {
            TForm1 form;
            QVERIFY(showAndActivate(form));
            form.close();
        }
        QCOMPARE(bytesOf(savedSettings().fileIn), donorPath);
    }

    void aStoredMode1DonorOf103CopiesIntoAGreyedMode3Target()
    {
        QTemporaryDir dir;
        const QString donorPath = dir.filePath(QStringLiteral("donor.bin"));
        const QString targetPath = dir.filePath(QStringLiteral("target.bin"));
        const QByteArray donor = image(0x78000, 7);
        const QByteArray target = image(0x78000, 3);
        QVERIFY(writeFile(donorPath, donor));
        QVERIFY(writeFile(targetPath, target));
        QVERIFY(writeSettings({"FileIn=" + donorPath, "FileOut=" + targetPath, "RB2=1", "RB15=1"}));
        const ScriptedBoxes boxes;
        TForm1 form;
        QVERIFY(showAndActivate(form));
        QCOMPARE(checkedChoices(form), QList<int>({2, 15}));
        QVERIFY(!form.radioButton(15)->isEnabled());

        QTest::mouseClick(btnSave(form), Qt::LeftButton);

        QCOMPARE(boxes.texts().size(), 2);
        QVERIFY(boxes.texts().first().contains(QStringLiteral("Микас 10.3+, 11.4 (Режим №3)")));
        QCOMPARE(boxes.texts().last(), QStringLiteral("Ok!"));
        QByteArray expected = target;
        expected.replace(0x70000, 0x6980, donor.mid(0x20000, 0x6980));
        QCOMPARE(readFile(targetPath), expected);
        QCOMPARE(readFile(targetPath + ".bak"), target);
    }

    void aStoredTargetWithoutDonorAsksForTheDonorType()
    {
        QVERIFY(writeSettings({"RB5=1"}));
        const ScriptedBoxes boxes;
        TForm1 form;
        QVERIFY(showAndActivate(form));

        QTest::mouseClick(btnSave(form), Qt::LeftButton);
        editIn(form)->setText(QStringLiteral("donor.bin"));
        QTest::mouseClick(btnSave(form), Qt::LeftButton);

        QCOMPARE(boxes.texts(), QStringList({QStringLiteral("Вкажіть файл прошивки донора!"),
                                             QStringLiteral("Вкажіть тип прошивки донора!")}));
    }

    void theFieldTextsComeBackAsTheyWere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("restored");

        const QString cyrillic = QStringLiteral("/home/оператор/Прошивки/нова 1.bin");
        QTest::newRow("a Cyrillic path of no file") << cyrillic << cyrillic;
        QTest::newRow("in quotes from a browse")
            << QStringLiteral("\"/tmp/my files/donor.bin\"") << QStringLiteral("\"/tmp/my files/donor.bin\"");
        QTest::newRow("blanks at both ends") << QStringLiteral("  donor.bin ") << QStringLiteral("  donor.bin ");
        QTest::newRow("empty") << QString() << QString();
        // Cut by characters, not by the bytes that they take in the file.
        QTest::newRow("longer than 2047 characters") << QString(2100, u'ж') << QString(2047, u'ж');
    }

    void theFieldTextsComeBackAsTheyWere()
    {
        QFETCH(QString, text);
        QFETCH(QString, restored);
        {
            TForm1 form;
            QVERIFY(showAndActivate(form));
            editIn(form)->setText(text);
            editOut(form)->setText(text);
            form.close();
        }
        // The save writes the whole text, in the system's 8-bit code page.
        QVERIFY(savedLine("FileIn").startsWith("FileIn="));
        QVERIFY(savedLine("FileOut").startsWith("FileOut="));
        QCOMPARE(bytesOf(savedSettings().fileIn), text.toLocal8Bit());
        QCOMPARE(bytesOf(savedSettings().fileOut), text.toLocal8Bit());

        TForm1 form;
        QVERIFY(showAndActivate(form));

        QCOMPARE(editIn(form)->text(), restored);
        QCOMPARE(editOut(form)->text(), restored);
    }

    void aFileEditedByHandInTheWindowsWayIsReadAndKeptOnSaving()
    {
        const QByteArray otherSection = QStringLiteral("[Paths]\r\nLast = C:\\ECU\\Архів\r\n").toLocal8Bit();
        const QByteArray handWritten = QStringLiteral("; edited by hand\r\n"
                                                      "[system]\r\n"
                                                      "fileIN = \"C:\\Прошивки\\нова 1.bin\"\r\n"
                                                      "FILEOUT=   D:\\ECU\\target.bin  \r\n"
                                                      "Rb8 = 1\r\n"
                                                      "rB10 =1\r\n"
                                                      "\r\n")
                                           .toLocal8Bit() +
                                       otherSection;
        QVERIFY(writeFile(settingsFileBesideProgram(), handWritten));
        {
            TForm1 form;
            QVERIFY(showAndActivate(form));
            QCOMPARE(editIn(form)->text(), QStringLiteral("C:\\Прошивки\\нова 1.bin"));
            QCOMPARE(editOut(form)->text(), QStringLiteral("D:\\ECU\\target.bin"));
            QCOMPARE(checkedChoices(form), QList<int>({8, 10}));
            form.close();
        }

        const QByteArray saved = readFile(settingsFileBesideProgram());
        QVERIFY(saved.startsWith("; edited by hand\r\n"));
        QVERIFY(saved.endsWith(otherSection));
        // The keys were updated where they stood, not added as a second section.
        QCOMPARE(saved.toLower().count("[system]"), 1);
        QCOMPARE(saved.toLower().count("filein"), 1);
        TForm1 form;
        QVERIFY(showAndActivate(form));
        QCOMPARE(editIn(form)->text(), QStringLiteral("C:\\Прошивки\\нова 1.bin"));
        QCOMPARE(editOut(form)->text(), QStringLiteral("D:\\ECU\\target.bin"));
        QCOMPARE(checkedChoices(form), QList<int>({8, 10}));
    }

    void aReadOnlySettingsFileIsReportedAndTheWindowStillCloses()
    {
        if (const std::string &why = lumo::test::whyNoUnprivilegedChild(); !why.empty())
            QSKIP(why.c_str());
        const QByteArray before("[SYSTEM]\r\nFileIn=old.bin\r\n");
        QVERIFY(writeFile(settingsFileBesideProgram(), before));
        QVERIFY(QFile::setPermissions(settingsFileBesideProgram(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        // Root writes to a read-only file; a user of its own in a child process cannot. That
        // user need not own the file beside the program, so everyone may read it.
        const lumo::test::ChildOutcome outcome = lumo::test::runInChild(
            [] {
                const ScriptedBoxes boxes;
                TForm1 form;
                if (!showAndActivate(form))
                    return std::string("the window did not open");
                editIn(form)->setText(QStringLiteral("new.bin"));
                form.close();
                QStringList report{form.isVisible() ? QStringLiteral("open") : QStringLiteral("closed")};
                for (const ScriptedBoxes::Shown &box : boxes.shown())
                    report << QString::number(static_cast<int>(box.icon)) << box.title << box.text;
                return report.join(QLatin1Char('\n')).toStdString();
            },
            lumo::test::ChildUser::Unprivileged);

        QCOMPARE(outcome.exitCode, 0);
        const QStringList expected{QStringLiteral("closed"), QString::number(static_cast<int>(QMessageBox::Critical)), applicationTitle(),
                                   "Unable to write to " + settingsFileBesideProgram() + "."};
        QCOMPARE(QString::fromStdString(outcome.report), expected.join(QLatin1Char('\n')));
        QCOMPARE(readFile(settingsFileBesideProgram()), before);
    }

    void theSessionsQueryBeforeItEndsSavesAsACloseDoes()
    {
#if QT_CONFIG(sessionmanager)
        auto *manager = qApp->findChild<QSessionManager *>();
        QVERIFY(manager);
        TForm1 form;
        QVERIFY(showAndActivate(form));
        editIn(form)->setText(QStringLiteral("donor.bin"));
        choose(form.radioButton(3));
        choose(form.radioButton(6));

        emit qApp->commitDataRequest(*manager);

        QVERIFY(form.isVisible());
        lumo::StoredSettings expected;
        expected.fileIn = "donor.bin";
        expected.checked[2] = true;
        expected.checked[5] = true;
        QCOMPARE(lumo::loadSettings(settingsFileBesideProgram().toStdString()), expected);

        // The close that follows saves again, with what changed since.
        choose(form.radioButton(1));
        form.close();
        expected.checked = {};
        expected.checked[0] = true;
        QCOMPARE(lumo::loadSettings(settingsFileBesideProgram().toStdString()), expected);
#else
        QSKIP("This Qt has no session management");
#endif
    }

    void aCloseDuringACopySavesAtOnce()
    {
        QTemporaryDir dir;
        const QString donorPath = dir.filePath(QStringLiteral("donor.bin"));
        const QString targetPath = dir.filePath(QStringLiteral("target.bin"));
        QVERIFY(writeFile(donorPath, image(0x38000, 7)));
        QVERIFY(writeFile(targetPath, image(0x38000, 3)));
        const ScriptedBoxes boxes;
        TForm1 form;
        QVERIFY(showAndActivate(form));
        editIn(form)->setText(donorPath);
        editOut(form)->setText(targetPath);
        choose(form.radioButton(11));
        choose(form.radioButton(5));
        std::optional<lumo::StoredSettings> savedAtTheRequest;
        int progressAtTheRequest = 0;
        bool openAtTheRequest = false;
        whileTheCopyRuns(form, [&](int progress) {
            progressAtTheRequest = progress;
            form.close();
            openAtTheRequest = form.isVisible();
            savedAtTheRequest = lumo::loadSettings(settingsFileBesideProgram().toStdString());
        });

        btnSave(form)->click();

        QVERIFY(progressAtTheRequest > 0 && progressAtTheRequest < 100);
        QVERIFY(openAtTheRequest);
        QVERIFY(!form.isVisible());
        QVERIFY(savedAtTheRequest);
        lumo::StoredSettings expected;
        expected.fileIn = donorPath.toStdString();
        expected.fileOut = targetPath.toStdString();
        expected.checked[10] = true;
        expected.checked[4] = true;
        QCOMPARE(*savedAtTheRequest, expected);
    }
};

QTEST_MAIN(MainFormSettingsTest)
#include "MainFormSettingsTest.moc"

#include "StoredFieldText.h"

#include <QTest>

#include <optional>

Q_DECLARE_METATYPE(std::optional<QString>)

namespace {

QByteArray bytesOf(const std::string &bytes)
{
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string stdBytes(const QByteArray &bytes)
{
    return bytes.toStdString();
}

// Whether the system's code page leaves these bytes undecoded, as UTF-8 does.
bool undecodable(const QByteArray &bytes)
{
    return QString::fromLocal8Bit(bytes).contains(QChar::ReplacementCharacter);
}

} // namespace

class StoredFieldTextTest : public QObject {
    Q_OBJECT

private slots:
    void theSaveWritesTheStoredBytesWhileTheFieldShowsWhatTheyGave_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<std::optional<QString>>("typed"); // what the operator typed, if anything
        QTest::addColumn<QByteArray>("saved");

        const QByteArray cyrillic = QStringLiteral("C:\\Прошивки\\нова 1.bin").toLocal8Bit();
        const QByteArray invalid("C:\\\xC3\x28\\\xFF.bin");
        const QString typed = QStringLiteral("D:\\ECU\\ціль.bin");
        QTest::newRow("a text of the code page") << cyrillic << std::optional<QString>() << cyrillic;
        QTest::newRow("bytes the code page cannot decode") << invalid << std::optional<QString>() << invalid;
        QTest::newRow("a new text over them") << invalid << std::optional(typed) << typed.toLocal8Bit();
        QTest::newRow("the shown text typed again over them")
            << invalid << std::optional(QString::fromLocal8Bit(invalid)) << invalid;
        QTest::newRow("emptied") << invalid << std::optional(QString()) << QByteArray();
        QTest::newRow("nothing stored") << QByteArray() << std::optional<QString>() << QByteArray();

        // A text longer than 2047 characters is cut, and saved as cut.
        const QByteArray longText = QString(2100, u'ж').toLocal8Bit();
        QTest::newRow("a long text") << longText << std::optional<QString>() << QString(2047, u'ж').toLocal8Bit();
        // Two bytes that UTF-8 shows as two characters, and any 8-bit code page too.
        const QByteArray longInvalid = "\xC3\x28" + QByteArray(2098, 'a');
        QTest::newRow("a long text with bytes the code page cannot decode")
            << longInvalid << std::optional<QString>() << longInvalid.left(2047);
        if (undecodable("\xE2\x82")) {
            // Each byte of the unfinished sequence shows as a character of its own, and the cut
            // falls between the two.
            const QByteArray cutBetween = QByteArray(2046, 'a') + "\xE2\x82" + "bcd";
            QTest::newRow("cut between two bytes the code page cannot decode")
                << cutBetween << std::optional<QString>() << cutBetween.left(2047);
        }
    }

    void theSaveWritesTheStoredBytesWhileTheFieldShowsWhatTheyGave()
    {
        QFETCH(QByteArray, stored);
        QFETCH(std::optional<QString>, typed);
        QFETCH(QByteArray, saved);
        StoredFieldText field;

        QString text = field.restore(stdBytes(stored));
        if (typed)
            text = *typed;

        QCOMPARE(bytesOf(field.store(text)), saved);
    }

    void bytesTheCodePageCannotDecodeAreShownAsWellAsTheyCanBe()
    {
        const QByteArray invalid("/tmp/\xC3\x28/donor.bin");
        if (!undecodable(invalid))
            QSKIP("This system's code page decodes every byte");
        StoredFieldText field;

        const QString shown = field.restore(stdBytes(invalid));

        QCOMPARE(shown, QStringLiteral("/tmp/\uFFFD(/donor.bin"));
    }

    void theShownTextIsCutToItsFirst2047Characters()
    {
        StoredFieldText field;
        // A character outside the basic plane counts as one.
        const QString emoji = QString::fromUcs4(U"\U0001F600");
        QString stored;
        for (int i = 0; i < 2100; ++i)
            stored += emoji;
        if (QString::fromLocal8Bit(stored.toLocal8Bit()) != stored)
            QSKIP("This system's code page has no such character");

        const QString shown = field.restore(stdBytes(stored.toLocal8Bit()));

        QCOMPARE(shown.toStdU32String().size(), std::size_t(2047));
        QVERIFY(stored.startsWith(shown));
    }

    void aFieldNeverRestoredSavesItsText()
    {
        const StoredFieldText field;
        QCOMPARE(bytesOf(field.store(QStringLiteral("donor.bin"))), QByteArray("donor.bin"));
    }
};

QTEST_APPLESS_MAIN(StoredFieldTextTest)
#include "StoredFieldTextTest.moc"

#include "LayoutFonts.h"

#include <QApplication>
#include <QFontInfo>
#include <QTest>

class LayoutFontsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { registerFontSubstitutes(); }

    void theWindowsFontsHaveMetricCompatibleSubstitutes_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QString>("substitute");

        QTest::newRow("MS Sans Serif") << "MS Sans Serif" << "Liberation Sans";
        QTest::newRow("Arial") << "Arial" << "Liberation Sans";
        QTest::newRow("Times New Roman") << "Times New Roman" << "Liberation Serif";
    }

    void theWindowsFontsHaveMetricCompatibleSubstitutes()
    {
        QFETCH(QString, family);
        QFETCH(QString, substitute);
        QCOMPARE(QFontInfo(QFont(family)).family(), substitute);
    }

    void aLayoutFontIsDrawnAtItsHeightInPixels_data()
    {
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("pixelSize");
        QTest::addColumn<bool>("bold");

        QTest::newRow("the window's font") << "MS Sans Serif" << 11 << true;
        QTest::newRow("the file fields' font") << "Arial" << 11 << true;
        QTest::newRow("the About dialog's own font") << "MS Sans Serif" << 11 << false;
        QTest::newRow("the About dialog's title") << "MS Sans Serif" << 24 << true;
        QTest::newRow("the About dialog's description") << "Times New Roman" << 16 << true;
    }

    void aLayoutFontIsDrawnAtItsHeightInPixels()
    {
        QFETCH(QString, family);
        QFETCH(int, pixelSize);
        QFETCH(bool, bold);

        const QFontInfo drawn(pixelFont(family, pixelSize, bold));

        QCOMPARE(drawn.pixelSize(), pixelSize);
        QCOMPARE(drawn.bold(), bold);
    }
};

QTEST_MAIN(LayoutFontsTest)
#include "LayoutFontsTest.moc"

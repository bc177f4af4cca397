#include "TProgressBar.h"

#include <QImage>
#include <QTest>

namespace {

// How the middle row of the bar reads from left to right: runs of the highlight colour
// ("blocks") and of anything else, inside the frame.
QList<int> blockWidths(const QImage &image, QColor highlight)
{
    QList<int> widths;
    int run = 0;
    const int y = image.height() / 2;
    for (int x = 0; x < image.width(); ++x) {
        if (image.pixelColor(x, y) == highlight) {
            ++run;
        } else if (run > 0) {
            widths << run;
            run = 0;
        }
    }
    if (run > 0)
        widths << run;
    return widths;
}

} // namespace

class TProgressBarTest : public QObject {
    Q_OBJECT

private slots:
    void theBarIsDrawnInBlocksUpToThePosition_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<int>("lastWidth");

        // 537 wide and 23 high: 533 pixels inside the frame, blocks of 12 every 14.
        QTest::newRow("empty") << 0 << 0 << 0;
        QTest::newRow("a block and a part") << 4 << 2 << 7; // 21 pixels
        QTest::newRow("half") << 50 << 19 << 12; // 266 pixels
        QTest::newRow("full") << 100 << 39 << 1; // 533 pixels
    }

    void theBarIsDrawnInBlocksUpToThePosition()
    {
        QFETCH(int, value);
        QFETCH(int, blocks);
        QFETCH(int, lastWidth);
        TProgressBar bar(nullptr);
        bar.setRange(0, 100);
        bar.resize(537, 23);
        bar.setValue(value);

        const QImage image = bar.grab().toImage();
        const QList<int> widths = blockWidths(image, bar.palette().color(QPalette::Highlight));

        QCOMPARE(widths.size(), blocks);
        for (qsizetype i = 0; i + 1 < widths.size(); ++i)
            QCOMPARE(widths[i], 12);
        if (blocks > 0)
            QCOMPARE(widths.last(), lastWidth);
    }
};

QTEST_MAIN(TProgressBarTest)
#include "TProgressBarTest.moc"

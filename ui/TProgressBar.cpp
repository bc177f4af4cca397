#include "TProgressBar.h"

#include <QPainter>
#include <qdrawutil.h>

#include <algorithm>

namespace {

constexpr int frameWidth = 1;
constexpr int gap = 2;

} // namespace

TProgressBar::TProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setTextVisible(false);
}

void TProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    qDrawShadePanel(&painter, rect(), palette(), true, frameWidth);

    const QRect inner = rect().adjusted(frameWidth + 1, frameWidth + 1, -frameWidth - 1, -frameWidth - 1);
    const qint64 span = qint64(maximum()) - minimum();
    if (span <= 0 || inner.isEmpty())
        return;
    const int filled = static_cast<int>(inner.width() * (qint64(value()) - minimum()) / span);
    const int block = std::max(1, inner.height() * 2 / 3);
    const QBrush brush = palette().brush(QPalette::Highlight);
    for (int x = 0; x < filled; x += block + gap)
        painter.fillRect(inner.x() + x, inner.y(), std::min(block, filled - x), inner.height(), brush);
}

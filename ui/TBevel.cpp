#include "TBevel.h"

#include <QPainter>

TBevel::TBevel(Edges edges, QWidget *parent) : QWidget(parent), edges_(edges) {}

void TBevel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const auto groove = [&](int y) {
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(0, y, width() - 1, y);
        painter.setPen(palette().color(QPalette::Light));
        painter.drawLine(0, y + 1, width() - 1, y + 1);
    };
    if (edges_.testFlag(TopEdge))
        groove(0);
    if (edges_.testFlag(BottomEdge))
        groove(height() - 2);
}

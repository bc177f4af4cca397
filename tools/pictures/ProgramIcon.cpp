#include "ProgramIcon.h"

#include <QPainter>
#include <QPolygonF>

QImage drawProgramIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    // Drawn on a 16-unit grid so that at 16 pixels every edge of the body and the pins
    // falls on a pixel boundary and stays sharp.
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(Qt::NoPen);

    const QColor pin(0xe0, 0xb0, 0x40);
    for (int y = 3; y <= 11; y += 2) {
        painter.fillRect(QRectF(1, y, 2, 1), pin);
        painter.fillRect(QRectF(13, y, 2, 1), pin);
    }

    painter.fillRect(QRectF(3, 1, 10, 14), QColor(0x4c, 0x56, 0x6a));
    painter.fillRect(QRectF(4, 2, 8, 12), QColor(0x26, 0x2c, 0x38));
    painter.fillRect(QRectF(4, 2, 1, 1), QColor(0xa0, 0xa8, 0xb8));

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(QColor(0x48, 0xd0, 0x58));
    painter.drawPolygon(QPolygonF({QPointF(4.5, 7), QPointF(8, 7), QPointF(8, 4.5),
                                   QPointF(11.5, 8), QPointF(8, 11.5), QPointF(8, 9),
                                   QPointF(4.5, 9)}));
    return image;
}

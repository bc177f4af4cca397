#include "AboutPicture.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

constexpr int width = 750;
constexpr int height = 519;
constexpr int horizon = 300;

void drawSky(QPainter &painter)
{
    QLinearGradient sky(0, 0, 0, horizon);
    sky.setColorAt(0.0, QColor(0x16, 0x22, 0x52));
    sky.setColorAt(0.55, QColor(0x6a, 0x58, 0xa8));
    sky.setColorAt(1.0, QColor(0xf6, 0xa8, 0x5c));
    painter.fillRect(0, 0, width, horizon + 40, sky);

    QRadialGradient glow(585, 210, 170);
    glow.setColorAt(0.0, QColor(0xff, 0xf4, 0xc8, 230));
    glow.setColorAt(0.3, QColor(0xff, 0xd0, 0x80, 120));
    glow.setColorAt(1.0, QColor(0xff, 0xb0, 0x60, 0));
    painter.fillRect(0, 0, width, horizon + 40, glow);
    painter.setBrush(QColor(0xff, 0xf6, 0xd8));
    painter.drawEllipse(QPointF(585, 210), 34, 34);
}

void drawMountains(QPainter &painter)
{
    QPainterPath ridge;
    ridge.moveTo(0, 250);
    const QPointF peaks[] = {{60, 205}, {120, 238}, {190, 176}, {255, 230}, {320, 200},
                             {400, 246}, {470, 190}, {540, 236}, {620, 184}, {690, 226},
                             {750, 198}};
    for (const QPointF &peak : peaks)
        ridge.lineTo(peak);
    ridge.lineTo(width, horizon + 20);
    ridge.lineTo(0, horizon + 20);
    ridge.closeSubpath();
    QLinearGradient rock(0, 176, 0, horizon);
    rock.setColorAt(0.0, QColor(0x58, 0x48, 0x8c));
    rock.setColorAt(1.0, QColor(0x9a, 0x74, 0xa4));
    painter.fillPath(ridge, rock);
}

void drawHills(QPainter &painter)
{
    QPainterPath hills;
    hills.moveTo(0, 318);
    hills.cubicTo(150, 282, 280, 330, 400, 306);
    hills.cubicTo(520, 282, 640, 300, 750, 312);
    hills.lineTo(width, height);
    hills.lineTo(0, height);
    hills.closeSubpath();
    QLinearGradient grass(0, 290, 0, height);
    grass.setColorAt(0.0, QColor(0x5c, 0x94, 0x4c));
    grass.setColorAt(1.0, QColor(0x1c, 0x44, 0x28));
    painter.fillPath(hills, grass);
}

void drawRoad(QPainter &painter)
{
    QPainterPath road;
    road.moveTo(500, 304);
    road.lineTo(512, 304);
    road.lineTo(740, height);
    road.lineTo(480, height);
    road.closeSubpath();
    QLinearGradient asphalt(0, 304, 0, height);
    asphalt.setColorAt(0.0, QColor(0x6c, 0x66, 0x78));
    asphalt.setColorAt(1.0, QColor(0x34, 0x34, 0x3c));
    painter.fillPath(road, asphalt);

    // Dashes grow toward the viewer the way the road widens.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xf0, 0xe0, 0x90));
    for (double t = 0.05; t < 1.0; t += 0.14) {
        const double top = 304 + (height - 304) * t * t;
        const double bottom = 304 + (height - 304) * (t + 0.06) * (t + 0.06);
        const auto centre = [](double y) { return 506 + (610 - 506) * (y - 304) / (height - 304); };
        const double halfWidth = 0.5 + 5 * (bottom - 304) / (height - 304);
        painter.drawPolygon(QPolygonF({QPointF(centre(top) - halfWidth * 0.6, top),
                                       QPointF(centre(top) + halfWidth * 0.6, top),
                                       QPointF(centre(bottom) + halfWidth, bottom),
                                       QPointF(centre(bottom) - halfWidth, bottom)}));
    }
}

void drawChip(QPainter &painter)
{
    const QRectF body(70, 170, 250, 210);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 90));
    painter.drawEllipse(QRectF(40, 392, 320, 46));

    // Traces from the right-hand pins run off across the grass like a circuit board's.
    QPen trace(QColor(0xf0, 0xc0, 0x50), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(trace);
    painter.setBrush(Qt::NoBrush);
    // The upper a trace leaves the chip, the farther out it turns, so the traces never cross.
    for (int i = 0; i < 4; ++i) {
        const double y = body.top() + 40 + i * 44;
        const double bend = body.right() + 40 + (3 - i) * 14;
        const QPointF pad(bend + 40, height - 36 + i * 8);
        QPainterPath path;
        path.moveTo(body.right() + 22, y);
        path.lineTo(bend, y);
        path.lineTo(bend + 40, y + 40);
        path.lineTo(pad);
        painter.drawPath(path);
        painter.setBrush(QColor(0xf0, 0xc0, 0x50));
        painter.drawEllipse(pad, 6, 6);
        painter.setBrush(Qt::NoBrush);
    }

    painter.setPen(Qt::NoPen);
    QLinearGradient metal(0, 0, 0, 1);
    metal.setCoordinateMode(QGradient::ObjectMode);
    metal.setColorAt(0.0, QColor(0xf8, 0xe0, 0x90));
    metal.setColorAt(1.0, QColor(0xb8, 0x88, 0x28));
    painter.setBrush(metal);
    for (int i = 0; i < 9; ++i) {
        const double x = body.left() + 22 + i * 25;
        painter.drawRect(QRectF(x, body.top() - 22, 10, 24));
        painter.drawRect(QRectF(x, body.bottom() - 2, 10, 24));
    }
    for (int i = 0; i < 7; ++i) {
        const double y = body.top() + 20 + i * 26;
        painter.drawRect(QRectF(body.left() - 22, y, 24, 10));
        painter.drawRect(QRectF(body.right() - 2, y, 24, 10));
    }

    QLinearGradient epoxy(body.topLeft(), body.bottomRight());
    epoxy.setColorAt(0.0, QColor(0x4a, 0x50, 0x60));
    epoxy.setColorAt(1.0, QColor(0x14, 0x16, 0x1e));
    painter.setBrush(epoxy);
    painter.drawRoundedRect(body, 10, 10);

    painter.setBrush(QColor(0x6a, 0x72, 0x84));
    painter.drawEllipse(QPointF(body.left() + 28, body.top() + 28), 10, 10);

    // The die's marking: a bright block with a band of green, as on a labelled part.
    const QRectF label = body.adjusted(60, 70, -60, -70);
    painter.setBrush(QColor(0x3c, 0xc0, 0x58));
    painter.drawRoundedRect(label, 6, 6);
    painter.setBrush(QColor(0xe8, 0xf4, 0xea));
    painter.drawRect(label.adjusted(12, 14, -12, -44));
    painter.drawRect(label.adjusted(12, 42, -52, -16));
}

} // namespace

QImage drawAboutPicture()
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    drawSky(painter);
    drawMountains(painter);
    drawHills(painter);
    drawRoad(painter);
    drawChip(painter);
    return image;
}

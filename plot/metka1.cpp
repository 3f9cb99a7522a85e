#include "plot/metka1.h"

#include <QPainter>
#include <QPen>
#include <QPoint>

#include <cmath>

#include "plot/canvas.h"

namespace torv {

namespace {

const QColor kSilver(192, 192, 192);
const QColor kYellow(255, 255, 0);
const QColor kLime(0, 255, 0);
const QColor kAqua(0, 255, 255);
const QColor kRed(255, 0, 0);
const QColor kLightBlue(174, 245, 249);
const QColor kLightCyan(204, 255, 255);

int rnd(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

// Filled, then outlined edge by edge: Qt's outline of a closed polygon can
// leave out a corner pixel, and every corner belongs to the triangle.
void triangle(QPainter& c, const QColor& fill, QPoint a, QPoint b, QPoint apex)
{
    c.setBrush(fill);
    const QPoint pts[3] = { a, b, apex };
    const QPen pen = c.pen();
    c.setPen(Qt::NoPen);
    c.drawPolygon(pts, 3);
    c.setPen(pen);
    c.drawLine(a, b);
    c.drawLine(b, apex);
    c.drawLine(apex, a);
}

void box(QPainter& c, const QColor& fill, int x1, int y1, int x2, int y2)
{
    c.setBrush(fill);
    rectangle(c, x1, y1, x2, y2);
}

void circle(QPainter& c, const QColor& fill, int x, int y)
{
    c.setBrush(fill);
    ellipse(c, x - 4, y - 4, x + 4, y + 4);
}

} // namespace

void Marke(QPainter& c, int x, int y, int size, int kind)
{
    c.setPen(QPen(Qt::black, 1));
    c.setBrush(kSilver);
    const int h = rnd(size / 2.0);
    const int v = rnd(size / 3.0);
    const int q = rnd(size / 4.0);

    switch (kind) {
    case 1:
        box(c, kYellow, x - h, y - h, x + h, y + h);
        lineTo(c, x - h, y - h, x + h, y + h);
        lineTo(c, x - h, y + h, x + h, y - h);
        break;
    case 2:
        box(c, kLime, x - h, y - h, x + h + 1, y + h);
        lineTo(c, x - h, y, x + h + 1, y);
        lineTo(c, x, y + h, x, y - h);
        break;
    case 3:
        box(c, kAqua, x - h, y - h, x + h, y + h);
        lineTo(c, x - h, y, x + h, y);
        break;
    case 4:
        box(c, kSilver, x - h, y - h, x + h, y + h);
        box(c, kYellow, x - h + 2, y - h + 2, x + h - 2, y + h - 2);
        break;
    case 5:
        lineTo(c, x - h, y - h, x + h, y + h);
        lineTo(c, x - h, y + h, x + h, y - h);
        lineTo(c, x - h, y, x + h + 1, y);
        lineTo(c, x, y + h, x, y - h);
        break;
    case 6:
        box(c, kRed, x - h, y - h, x + h, y + h);
        break;
    case 7:
        box(c, kLime, x - h, y - h, x + h, y + h);
        break;
    case 8:
        triangle(c, Qt::black, { x - h, y + v }, { x + h, y + v }, { x, y - h });
        break;
    case 9:
        triangle(c, Qt::black, { x - h, y - v }, { x + h, y - v }, { x, y + h });
        break;
    case 10:
        box(c, kRed, x - q, y - h, x + q, y + h);
        break;
    case 11:
        box(c, kSilver, x - h, y - q, x + h, y + q);
        break;
    case 12:
        triangle(c, kYellow, { x - h, y + v }, { x + h, y + v }, { x, y - h });
        break;
    case 13:
        triangle(c, kAqua, { x - h, y - v }, { x + h, y - v }, { x, y + h });
        break;
    case 14:
        circle(c, Qt::black, x, y);
        break;
    case 15:
        box(c, kAqua, x - 8, y - 8, x + 8, y + 8);
        textOut(c, x - 3, y - 7, QStringLiteral("l"), kAqua);
        break;
    case 16:
        circle(c, kAqua, x, y);
        break;
    case 17:
        circle(c, kLightBlue, x, y);
        lineTo(c, x - h, y, x + h, y);
        break;
    case 18:
        circle(c, kLightCyan, x, y);
        lineTo(c, x, y + h, x, y - h);
        break;
    default:
        break;
    }
    c.setBrush(kSilver);
}

} // namespace torv

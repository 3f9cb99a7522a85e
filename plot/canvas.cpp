#include "plot/canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace torv {

namespace {

// Whether `p` draws on a scaled picture, moved by half a pixel.
bool scaled(const QPainter& p)
{
    return p.device()->devicePixelRatio() != 1.0;
}

// Fills the graph pixels of `r` whole, on a scaled picture as well.
void fillPixels(QPainter& p, const QRect& r, const QBrush& brush)
{
    if (scaled(p))
        p.fillRect(QRectF(r).translated(-0.5, -0.5), brush);
    else
        p.fillRect(r, brush);
}

} // namespace

QImage newPicture(int width, int height, double scale)
{
    QImage img(qRound(width * scale), qRound(height * scale), QImage::Format_RGB32);
    img.setDevicePixelRatio(scale);
    img.fill(Qt::white);
    return img;
}

void beginPicture(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    if (scaled(p))
        p.translate(0.5, 0.5);
}

void lineTo(QPainter& p, int x1, int y1, int x2, int y2)
{
    const int dx = x2 - x1, dy = y2 - y1;
    if (dx == 0 && dy == 0)
        return;
    const int ax = std::abs(dx), ay = std::abs(dy);
    // Qt draws both end points of a thin aliased line; step back one pixel.
    int ex = x2, ey = y2;
    if (ax >= ay)
        ex -= (dx > 0) - (dx < 0);
    if (ay >= ax)
        ey -= (dy > 0) - (dy < 0);
    p.drawLine(x1, y1, ex, ey);
}

QRect lineBox(int x1, int y1, int x2, int y2)
{
    if (x1 == x2 && y1 == y2)
        return QRect();
    const int ex = x1 == x2 ? x2 : x2 - ((x2 > x1) - (x2 < x1));
    const int ey = y1 == y2 ? y2 : y2 - ((y2 > y1) - (y2 < y1));
    return QRect(QPoint(std::min(x1, ex), std::min(y1, ey)), QPoint(std::max(x1, ex), std::max(y1, ey)));
}

QFont condensedFont(int pixels)
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/DejaVuSansCondensed.ttf"));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.first();
    }();
    QFont f(family);
    // The file's family is "DejaVu Sans"; the style picks its condensed face.
    f.setStyleName(QStringLiteral("Condensed"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    return f;
}

bool emptyArea(int x1, int y1, int x2, int y2)
{
    return x1 == x2 || y1 == y2;
}

QRect areaRect(int x1, int y1, int x2, int y2)
{
    const int left = std::min(x1, x2), right = std::max(x1, x2);
    const int top = std::min(y1, y2), bottom = std::max(y1, y2);
    // A 1-pixel outline of QRect(x, y, w, h) covers x..x+w.
    return QRect(left, top, right - left - 1, bottom - top - 1);
}

void rectangle(QPainter& p, int x1, int y1, int x2, int y2)
{
    if (emptyArea(x1, y1, x2, y2))
        return;
    const QRect r = areaRect(x1, y1, x2, y2);
    if (!scaled(p)) {
        p.drawRect(r);
        return;
    }
    // A scaled outline drawn as a path loses its corner pixels: fill the
    // inside, then the four edges.
    const QRect area = r.adjusted(0, 0, 1, 1);
    if (p.brush().style() != Qt::NoBrush)
        fillPixels(p, area, p.brush());
    if (p.pen().style() == Qt::NoPen)
        return;
    const QBrush ink = p.pen().brush();
    fillPixels(p, QRect(area.left(), area.top(), area.width(), 1), ink);
    fillPixels(p, QRect(area.left(), area.bottom(), area.width(), 1), ink);
    fillPixels(p, QRect(area.left(), area.top(), 1, area.height()), ink);
    fillPixels(p, QRect(area.right(), area.top(), 1, area.height()), ink);
}

void ellipse(QPainter& p, int x1, int y1, int x2, int y2)
{
    if (!emptyArea(x1, y1, x2, y2))
        p.drawEllipse(areaRect(x1, y1, x2, y2));
}

void textOut(QPainter& p, int x, int y, const QString& text, const QColor& background)
{
    const QFontMetrics fm = p.fontMetrics();
    fillPixels(p, QRect(x, y, fm.horizontalAdvance(text), fm.height()), background);
    if (scaled(p))
        p.drawText(QPointF(x - 0.5, y + fm.ascent() - 0.5), text);
    else
        p.drawText(x, y + fm.ascent(), text);
}

} // namespace torv

#include "plot/canvas.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cstdlib>

namespace torv {

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
    if (!emptyArea(x1, y1, x2, y2))
        p.drawRect(areaRect(x1, y1, x2, y2));
}

void ellipse(QPainter& p, int x1, int y1, int x2, int y2)
{
    if (!emptyArea(x1, y1, x2, y2))
        p.drawEllipse(areaRect(x1, y1, x2, y2));
}

void textOut(QPainter& p, int x, int y, const QString& text, const QColor& background)
{
    const QFontMetrics fm = p.fontMetrics();
    p.fillRect(QRect(x, y, fm.horizontalAdvance(text), fm.height()), background);
    p.drawText(x, y + fm.ascent(), text);
}

} // namespace torv

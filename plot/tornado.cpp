#include "plot/tornado.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

#include "plot/canvas.h"

namespace torv {

namespace {

// Margins, the captions' column and a row's height, in pixels.
constexpr int kTop = 44, kBottom = 44, kRight = 24, kLabels = 230, kRow = 24;
constexpr int kFontPixels = 13;
const QColor kLowColour(0x00, 0x00, 0x80), kHighColour(0xC0, 0x40, 0x00), kGrid(0x80, 0x80, 0x80);

double effect(const TornadoBar& b)
{
    double e = -1;
    for (double v : { b.low, b.high })
        if (std::isfinite(v))
            e = std::max(e, std::fabs(v));
    return e;
}

// Fills the pixels of `r` whole, also where beginPicture moved the painter
// by half a pixel.
void fill(QPainter& p, const QRect& r, const QColor& colour)
{
    if (p.device()->devicePixelRatio() != 1.0)
        p.fillRect(QRectF(r).translated(-0.5, -0.5), colour);
    else
        p.fillRect(r, colour);
}

QString percentText(double v)
{
    return QString::number(v, 'g', 3) + QStringLiteral(" %");
}

} // namespace

std::vector<size_t> tornadoOrder(const std::vector<TornadoBar>& bars)
{
    std::vector<size_t> order(bars.size());
    for (size_t k = 0; k < order.size(); ++k)
        order[k] = k;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return effect(bars[a]) > effect(bars[b]); });
    return order;
}

int tornadoHeight(size_t rows)
{
    return kTop + kBottom + static_cast<int>(std::max<size_t>(rows, 1)) * kRow;
}

QImage tornadoPicture(const std::vector<TornadoBar>& bars, const TornadoTexts& texts, double scale)
{
    const int height = tornadoHeight(bars.size());
    QImage image = newPicture(kTornadoWidth, height, scale);
    QPainter p(&image);
    beginPicture(p);
    QFont font = condensedFont(kFontPixels);
    font.setStyleStrategy(QFont::NoAntialias);
    p.setFont(font);
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(Qt::black);
    textOut(p, 8, 6, texts.title, Qt::white);

    // The keys at the top right: a square of each bar's colour, its text.
    int keyX = kTornadoWidth - kRight;
    for (const auto& [key, colour] :
        { std::pair { texts.highKey, kHighColour }, std::pair { texts.lowKey, kLowColour } }) {
        keyX -= fm.horizontalAdvance(key);
        textOut(p, keyX, 6, key, Qt::white);
        keyX -= 16;
        fill(p, QRect(keyX, 6 + (fm.height() - 10) / 2, 10, 10), colour);
        keyX -= 16;
    }

    // A symmetric axis around no change, wide enough for every bar.
    const int left = kLabels, right = kTornadoWidth - kRight, bottom = height - kBottom;
    double most = 0;
    for (const TornadoBar& b : bars)
        most = std::max(most, effect(b));
    if (!(most > 0))
        most = 1;
    const int zero = (left + right) / 2;
    const auto toX = [&](double v) { return zero + static_cast<int>(std::lround(v / most * (right - 1 - zero))); };

    p.setPen(kGrid);
    lineTo(p, left, bottom, right, bottom);
    for (int x : { left, zero, right - 1 })
        lineTo(p, x, kTop - 4, x, bottom + 4);
    p.setPen(Qt::black);
    const double ticks[] = { -most, 0, most };
    const int tickX[] = { left, zero, right - 1 };
    for (int k = 0; k < 3; ++k) {
        const QString t = percentText(ticks[k]);
        const int w = fm.horizontalAdvance(t);
        textOut(p, std::clamp(tickX[k] - w / 2, 0, kTornadoWidth - w), bottom + 6, t, Qt::white);
    }
    textOut(p, zero - fm.horizontalAdvance(texts.axis) / 2, bottom + 8 + fm.height(), texts.axis, Qt::white);

    const std::vector<size_t> order = tornadoOrder(bars);
    for (size_t row = 0; row < order.size(); ++row) {
        const TornadoBar& b = bars[order[row]];
        const int top = kTop + static_cast<int>(row) * kRow;
        p.setPen(Qt::black);
        const QString label = fm.elidedText(b.label, Qt::ElideRight, kLabels - 16);
        textOut(p, 8, top + (kRow - fm.height()) / 2, label, Qt::white);
        // The lower input's bar in the upper half of the row, the higher's in
        // the lower half, so that one never hides the other.
        const int half = (kRow - 6) / 2;
        const std::pair<double, QColor> halves[] = { { b.low, kLowColour }, { b.high, kHighColour } };
        for (int h = 0; h < 2; ++h) {
            const auto& [v, colour] = halves[h];
            if (!std::isfinite(v))
                continue;
            const int x = toX(v);
            const int y = top + 3 + h * half;
            // A change too small to see still shows as one pixel.
            const QRect bar = x >= zero ? QRect(zero, y, std::max(x - zero, 1), half) : QRect(x, y, zero - x, half);
            fill(p, bar, colour);
        }
    }
    return image;
}

} // namespace torv

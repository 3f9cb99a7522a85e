#include "plot/studyplots.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

#include "plot/canvas.h"
#include "plot/grafik.h"

namespace torv {

namespace {

constexpr int kTextPixels = 12;
constexpr int kEdge = 8; // between the picture's edge and its texts
constexpr int kLegendText = 300; // longer legend entries end in an ellipsis
const QColor kGrid(210, 210, 210);
const QColor kBandFill(175, 200, 240);
const QColor kThinFill(222, 232, 250);
const QColor kBarFill(0xC0, 0xC0, 0xC0);
const QColor kMarkInk(220, 0, 0);

// The lowest and highest finite value seen, never an empty range.
struct Range {
    double lo = INFINITY, hi = -INFINITY;
    void add(double v)
    {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    bool any() const { return lo <= hi; }
    void widen()
    {
        if (!any())
            lo = 0, hi = 1;
        if (lo == hi) {
            const double pad = lo == 0 ? 1 : std::fabs(lo) * 0.01;
            lo -= pad, hi += pad;
        }
    }
};

// Values at round steps (1, 2 or 5 times a power of ten) inside the range,
// about five of them.
std::vector<double> ticks(const Range& r)
{
    const double raw = (r.hi - r.lo) / 5;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    double step = power;
    for (double m : { 2.0, 5.0, 10.0 })
        if (step < raw)
            step = power * m;
    std::vector<double> v;
    for (double k = std::ceil(r.lo / step); k * step <= r.hi + (r.hi - r.lo) * 1e-9 && v.size() < 20; ++k)
        v.push_back(std::fabs(k) < 0.5 ? 0.0 : k * step);
    return v;
}

// A tick's label with the digits that tell it from its neighbours: six
// significant ones, more where the ticks lie closer than that shows.
QString tickText(double v, const std::vector<double>& ticks)
{
    int digits = 6;
    if (ticks.size() > 1) {
        const double step = ticks[1] - ticks[0];
        const double largest = std::max(std::fabs(ticks.front()), std::fabs(ticks.back()));
        if (step > 0 && largest > 0)
            digits = std::clamp(
                static_cast<int>(std::floor(std::log10(largest)) - std::floor(std::log10(step))) + 1, 6, 12);
    }
    QString s = QString::number(v, 'g', digits);
    const char sep = userDecimalSeparator();
    if (sep != '.')
        s.replace(u'.', QLatin1Char(sep));
    return s;
}

// Runs of consecutive points that are numbers, with x never falling.
std::vector<std::vector<std::pair<double, double>>> pieces(const ChartPoints& points)
{
    std::vector<std::vector<std::pair<double, double>>> out(1);
    for (const auto& pt : points) {
        const bool number = std::isfinite(pt.first) && std::isfinite(pt.second);
        if (!number || (!out.back().empty() && pt.first < out.back().back().first)) {
            if (!out.back().empty())
                out.emplace_back();
            if (!number)
                continue;
        }
        out.back().push_back(pt);
    }
    return out;
}

class Chart {
public:
    Chart(const StudyChart& c, QPainter& p)
        : c_(c)
        , p_(p)
        , fm_(p.font())
    {
        for (const auto& line : c.lines)
            for (const auto& [x, y] : line.points)
                if (std::isfinite(x) && std::isfinite(y))
                    x_.add(x), y_.add(y);
        for (const auto& [x, y] : c.points)
            if (std::isfinite(x) && std::isfinite(y))
                x_.add(x), y_.add(y);
        if (!c.bars.counts.empty()) {
            x_.add(c.bars.lo), x_.add(c.bars.hi), y_.add(0);
            for (int n : c.bars.counts)
                y_.add(n);
        }
        for (size_t k = 0; k < c.band.x.size(); ++k)
            if (std::isfinite(c.band.lo[k]) && std::isfinite(c.band.hi[k]))
                x_.add(c.band.x[k]), y_.add(c.band.lo[k]), y_.add(c.band.hi[k]);
        for (const auto& mark : c.marks)
            x_.add(mark.second);
        if (c.fromZero) {
            y_.add(0);
            y_.add(std::max(y_.any() ? y_.hi : 1.0, 1.0));
        }
        x_.widen();
        y_.widen();
        // A little room, so that no point sits on the frame.
        const double dx = (x_.hi - x_.lo) * 0.02, dy = (y_.hi - y_.lo) * 0.04;
        x_.lo -= dx, x_.hi += dx;
        y_.lo -= c.fromZero ? 0 : dy, y_.hi += dy;
    }

    void draw()
    {
        layout();
        grid();
        if (!c_.band.x.empty())
            band();
        if (!c_.bars.counts.empty())
            bars();
        for (const auto& line : c_.lines)
            curve(line);
        p_.setPen(runColour(1));
        p_.setBrush(Qt::NoBrush);
        for (const auto& [x, y] : c_.points)
            if (std::isfinite(x) && std::isfinite(y))
                rectangle(p_, px(x) - 2, py(y) - 2, px(x) + 3, py(y) + 3);
        marks();
        legend();
    }

private:
    void layout()
    {
        xTicks_ = ticks(x_);
        yTicks_ = ticks(y_);
        int labels = 0;
        for (double v : yTicks_)
            labels = std::max(labels, fm_.horizontalAdvance(tickText(v, yTicks_)));
        const int h = fm_.height();
        const int titleRight = kEdge + fm_.horizontalAdvance(c_.yTitle);
        const int captionLeft = kStudyPictureWidth - kEdge - fm_.horizontalAdvance(c_.caption);
        captionRow_ = c_.caption.isEmpty() || captionLeft > titleRight + 16 ? 0 : 1;
        const int top = kEdge + (captionRow_ + 1) * h + 6;
        const int left = std::max(kEdge + labels + 6, 40);
        area_ = QRect(QPoint(left, top), QPoint(kStudyPictureWidth - 16, kStudyPictureHeight - kEdge - 2 * h - 6));
        p_.setPen(Qt::black);
        textOut(p_, kEdge, kEdge, c_.yTitle, Qt::white);
        textOut(p_, captionLeft, kEdge + captionRow_ * h, c_.caption, Qt::white);
        textOut(p_, area_.center().x() - fm_.horizontalAdvance(c_.xTitle) / 2, kStudyPictureHeight - kEdge - h,
            c_.xTitle, Qt::white);
    }

    int px(double x) const
    {
        return area_.left() + static_cast<int>(std::lround((x - x_.lo) / (x_.hi - x_.lo) * (area_.width() - 1)));
    }
    int py(double y) const
    {
        return area_.bottom() - static_cast<int>(std::lround((y - y_.lo) / (y_.hi - y_.lo) * (area_.height() - 1)));
    }

    void grid()
    {
        const int h = fm_.height();
        for (double v : xTicks_) {
            p_.setPen(kGrid);
            lineTo(p_, px(v), area_.top(), px(v), area_.bottom() + 1);
            p_.setPen(Qt::black);
            lineTo(p_, px(v), area_.bottom() + 1, px(v), area_.bottom() + 5);
            const QString label = tickText(v, xTicks_);
            const int w = fm_.horizontalAdvance(label);
            textOut(p_, std::clamp(px(v) - w / 2, 0, kStudyPictureWidth - w), area_.bottom() + 6, label, Qt::white);
        }
        for (double v : yTicks_) {
            p_.setPen(kGrid);
            lineTo(p_, area_.left(), py(v), area_.right() + 1, py(v));
            p_.setPen(Qt::black);
            lineTo(p_, area_.left() - 4, py(v), area_.left(), py(v));
            const QString label = tickText(v, yTicks_);
            textOut(p_, area_.left() - 6 - fm_.horizontalAdvance(label), py(v) - h / 2, label, Qt::white);
        }
        p_.setPen(Qt::black);
        p_.setBrush(Qt::NoBrush);
        rectangle(p_, area_.left(), area_.top(), area_.right() + 1, area_.bottom() + 1);
    }

    void band()
    {
        const auto& b = c_.band;
        const auto number = [&](size_t k) { return std::isfinite(b.lo[k]) && std::isfinite(b.hi[k]); };
        const auto thin = [&](size_t k) { return k < b.thin.size() && b.thin[k]; };
        p_.setPen(Qt::NoPen);
        size_t k = 0;
        while (k < b.x.size()) {
            if (!number(k)) {
                ++k;
                continue;
            }
            // A stretch of one kind; the point where the kind changes joins
            // both stretches, so that they meet.
            QPolygon upper, lower;
            size_t j = k;
            for (; j < b.x.size() && number(j); ++j) {
                upper << QPoint(px(b.x[j]), py(b.hi[j]));
                lower.prepend(QPoint(px(b.x[j]), py(b.lo[j])));
                if (thin(j) != thin(k))
                    break;
            }
            p_.setBrush(thin(k) ? kThinFill : kBandFill);
            p_.drawPolygon(upper + lower);
            k = j;
        }
        p_.setBrush(Qt::NoBrush);
    }

    void bars()
    {
        const auto& b = c_.bars;
        const int bins = static_cast<int>(b.counts.size());
        p_.setPen(Qt::black);
        p_.setBrush(kBarFill);
        for (int k = 0; k < bins; ++k) {
            if (b.counts[static_cast<size_t>(k)] == 0)
                continue;
            const int left = px(b.lo + (b.hi - b.lo) * k / bins);
            const int right = px(b.lo + (b.hi - b.lo) * (k + 1) / bins);
            rectangle(p_, left, py(b.counts[static_cast<size_t>(k)]), std::max(right, left + 2), area_.bottom() + 1);
        }
        p_.setBrush(Qt::NoBrush);
    }

    void curve(const StudyChart::Line& line)
    {
        p_.setPen(QPen(runColour(line.colour), line.width));
        p_.setBrush(Qt::NoBrush);
        for (const auto& piece : pieces(line.points)) {
            QPolygon poly;
            for (const auto& [x, y] : piece)
                poly << QPoint(px(x), py(y));
            if (poly.size() > 1)
                p_.drawPolyline(poly);
            if (line.marked)
                for (const QPoint& at : poly)
                    rectangle(p_, at.x() - 2, at.y() - 2, at.x() + 3, at.y() + 3);
        }
    }

    void marks()
    {
        int row = 0;
        for (const auto& [name, value] : c_.marks) {
            const int x = px(value);
            p_.setPen(QPen(kMarkInk, 1, Qt::DashLine));
            lineTo(p_, x, area_.top() + 1, x, area_.bottom());
            p_.setPen(kMarkInk);
            const QString label = QStringLiteral("%1 = %2").arg(name, tickText(value, xTicks_));
            // Right of its line where it fits, else left of it, on a ground
            // of its own so that no bar or line runs through it.
            const int w = fm_.horizontalAdvance(label);
            const int at = x + 3 + w <= area_.right() - 2 ? x + 3 : std::max(area_.left() + 2, x - 3 - w);
            textOut(p_, at, area_.top() + 2 + row++ * fm_.height(), label, Qt::white);
        }
    }

    void legend()
    {
        struct Entry {
            QString label;
            int colour; // -1: the band, -2: its pale part
            int width;
        };
        std::vector<Entry> entries;
        if (!c_.band.label.isEmpty())
            entries.push_back({ c_.band.label, -1, 1 });
        if (std::find(c_.band.thin.begin(), c_.band.thin.end(), true) != c_.band.thin.end())
            entries.push_back({ c_.band.thinLabel, -2, 1 });
        for (const auto& line : c_.lines)
            if (!line.label.isEmpty())
                entries.push_back({ line.label, line.colour, line.width });
        if (entries.empty())
            return;
        int w = 0;
        for (const Entry& e : entries)
            w = std::max(w, std::min(fm_.horizontalAdvance(e.label), kLegendText));
        const int h = fm_.height();
        const QSize size(w + 40, h * static_cast<int>(entries.size()) + 6);
        // The corner of the plot that hides the fewest of the curves' points.
        QRect box;
        long long least = -1;
        for (const QPoint& corner :
            { QPoint(area_.right() - 4 - size.width(), area_.top() + 4), QPoint(area_.left() + 5, area_.top() + 4),
                QPoint(area_.right() - 4 - size.width(), area_.bottom() - 4 - size.height()),
                QPoint(area_.left() + 5, area_.bottom() - 4 - size.height()) }) {
            const QRect r(corner, size);
            long long covered = 0;
            for (const auto& line : c_.lines)
                for (const auto& [x, y] : line.points)
                    covered += std::isfinite(x) && std::isfinite(y) && r.contains(px(x), py(y));
            for (size_t k = 0; k < c_.band.x.size(); ++k)
                covered += r.contains(px(c_.band.x[k]), py(c_.band.hi[k]))
                    + r.contains(px(c_.band.x[k]), py(c_.band.lo[k]));
            if (least < 0 || covered < least)
                least = covered, box = r;
        }
        p_.setPen(Qt::black);
        p_.setBrush(Qt::white);
        rectangle(p_, box.left(), box.top(), box.right() + 1, box.bottom() + 1);
        int y = box.top() + 3;
        for (const Entry& e : entries) {
            const int mid = y + h / 2;
            if (e.colour < 0) {
                p_.setPen(Qt::NoPen);
                p_.setBrush(e.colour == -1 ? kBandFill : kThinFill);
                rectangle(p_, box.left() + 6, mid - 4, box.left() + 30, mid + 5);
                p_.setBrush(Qt::NoBrush);
            } else {
                p_.setPen(QPen(runColour(e.colour), e.width));
                lineTo(p_, box.left() + 6, mid, box.left() + 30, mid);
            }
            p_.setPen(Qt::black);
            textOut(p_, box.left() + 34, y, fm_.elidedText(e.label, Qt::ElideRight, kLegendText), Qt::white);
            y += h;
        }
    }

    const StudyChart& c_;
    QPainter& p_;
    QFontMetrics fm_;
    Range x_, y_;
    std::vector<double> xTicks_, yTicks_;
    QRect area_;
    int captionRow_ = 0;
};

} // namespace

QString chartNumber(double v)
{
    QString s = QString::number(v, 'g', 6);
    const char sep = userDecimalSeparator();
    if (sep != '.')
        s.replace(u'.', QLatin1Char(sep));
    return s;
}

QImage drawStudyChart(const StudyChart& chart, double scale)
{
    QImage image = newPicture(kStudyPictureWidth, kStudyPictureHeight, scale);
    QPainter p(&image);
    beginPicture(p);
    p.setFont(condensedFont(kTextPixels));
    Chart(chart, p).draw();
    return image;
}

} // namespace torv

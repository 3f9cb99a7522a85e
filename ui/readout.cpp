#include "ui/readout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <utility>

#include "files/numfmt.h"
#include "model/quantities.h"
#include "model/state.h"
#include "plot/canvas.h"
#include "ui/guard.h"

namespace torv {

namespace {

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
constexpr int kCell = 10; // the grid that counts the curves' points
constexpr int kColumns = kPictureWidth / kCell, kRows = kPictureHeight / kCell;
constexpr int kSwatch = 10; // a kept run's colour before its line
const QColor kCursor(0, 90, 200);

// A unit as the form writes it: degrees as "grad" (as the path angle's
// axis), and in Russian in Cyrillic letters ("м/с", "кг/м3").
QString unitIn(const std::string& unit, int sprache)
{
    static const std::pair<const char*, const char*> kRussian[] = { { "s", "с" }, { "m", "м" }, { "km", "км" },
        { "kg", "кг" }, { "K", "К" }, { "N", "Н" }, { "Pa", "Па" }, { "kPa", "кПа" }, { "MPa", "МПа" },
        { "bar", "бар" }, { "m2", "м2" }, { "m3", "м3" }, { "kW", "кВт" }, { "deg", "град" } };
    QStringList parts = QString::fromStdString(unit).split(u'/');
    for (QString& part : parts) {
        if (part == QLatin1String("deg"))
            part = QStringLiteral("grad");
        if (sprache == 1)
            for (const auto& [latin, cyrillic] : kRussian)
                if (part == QLatin1String(latin) || (part == QLatin1String("grad") && !std::strcmp(latin, "deg")))
                    part = QString::fromUtf8(cyrillic);
    }
    return parts.join(u'/');
}

// As the axis labels write them: 3 digits on an axis with negative values.
QString number(double value, bool negative, const std::string& unit, char sep)
{
    const std::string text = negative ? formatGeneral(value, 3, 1, sep) : formatGeneral(value, 4, 2, sep);
    return QString::fromStdString(text) + u' ' + unitIn(unit, st.Sprache);
}

QString line(int code, double value, bool negative, const std::string& unit, char sep)
{
    const QString name = code >= 0 && code < kRecordedSeries
        ? QString::fromUtf8(quantityName(static_cast<Series>(code), st.Sprache))
        : QString::number(code);
    return name + QStringLiteral(": ") + number(value, negative, unit, sep);
}

// The sample of `x` and `ys` (per curve) nearest to `at`: in x alone, or,
// where the abscissa turns back, in x and y together.
int nearest(const std::vector<int>& x, const std::vector<std::vector<int>>& ys, QPoint at, bool bothAxes)
{
    long long best = std::numeric_limits<long long>::max();
    int found = -1;
    for (size_t i = 0; i < x.size(); ++i) {
        const long long dx = x[i] - at.x();
        long long d = dx * dx;
        if (bothAxes) {
            long long dy2 = std::numeric_limits<long long>::max();
            for (const std::vector<int>& y : ys)
                if (i < y.size())
                    dy2 = std::min(dy2, static_cast<long long>(y[i] - at.y()) * (y[i] - at.y()));
            if (dy2 != std::numeric_limits<long long>::max())
                d += dy2;
        }
        if (d < best) {
            best = d;
            found = static_cast<int>(i);
        }
    }
    return found;
}

std::vector<std::vector<int>> traceRows(const GraphReading& reading)
{
    std::vector<std::vector<int>> ys;
    for (const GraphReading::Trace& t : reading.curves)
        ys.push_back(t.y);
    return ys;
}

} // namespace

GraphReadout::GraphReadout(QLabel* graphArea)
    : QWidget(graphArea)
    , area_(graphArea)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(graphArea->rect());
    graphArea->setMouseTracking(true);
    graphArea->installEventFilter(this);
    hide();
}

void GraphReadout::setGraph(const DrawnGraph& graph, char sep)
{
    reading_ = graph.reading;
    texts_ = graph.texts;
    labels_ = graph.labels;
    sep_ = sep;
    // Where the curves are dense, counted once per picture.
    density_.assign(kColumns * kRows, 0);
    const auto count = [&](const std::vector<int>& x, const std::vector<int>& y) {
        for (size_t i = 0; i < x.size() && i < y.size(); ++i)
            if (x[i] >= 0 && x[i] < kPictureWidth && y[i] >= 0 && y[i] < kPictureHeight)
                ++density_[static_cast<size_t>(y[i] / kCell * kColumns + x[i] / kCell)];
    };
    for (const GraphReading::Trace& t : reading_.curves)
        count(reading_.x, t.y);
    for (const GraphReading::Run& run : reading_.kept)
        for (const std::vector<int>& y : run.y)
            count(run.x, y);
    if (sample_ >= static_cast<int>(reading_.x.size()))
        sample_ = -1;
    last_ = std::clamp(last_, 0, std::max(0, static_cast<int>(reading_.x.size()) - 1));
    showSample(sample_);
}

void GraphReadout::clear()
{
    setGraph({}, sep_);
}

int GraphReadout::keptSample(size_t run) const
{
    const GraphReading::Run& k = reading_.kept[run];
    if (sample_ < 0 || k.x.empty())
        return -1;
    // Where the cursor stands: the mouse, or the current run's sample.
    const size_t i = static_cast<size_t>(sample_);
    const QPoint at
        = pointer_.x() >= 0 ? pointer_ : QPoint(reading_.x[i], reading_.curves.empty() ? 0 : reading_.curves[0].y[i]);
    const int j = nearest(k.x, k.y, at, reading_.turnsBack);
    // A run that ends before the cursor, or starts after it, has no value
    // there.
    if (j < 0 || (!reading_.turnsBack && std::abs(k.x[static_cast<size_t>(j)] - reading_.x[i]) > 3))
        return -1;
    return j;
}

QStringList GraphReadout::lines() const
{
    QStringList out;
    if (sample_ < 0)
        return out;
    const size_t i = static_cast<size_t>(sample_);
    out << line(reading_.horizontalCode, reading_.abscissa[i], false, reading_.horizontalUnit, sep_);
    for (const GraphReading::Trace& t : reading_.curves)
        out << line(t.code, t.values[i], t.negative, t.unit, sep_);
    for (size_t r = 0; r < reading_.kept.size(); ++r) {
        const int j = keptSample(r);
        const GraphReading::Run& k = reading_.kept[r];
        out << QString::fromStdString(k.label) + u':';
        if (j < 0) {
            out << QStringLiteral("  \u2014");
            continue;
        }
        // In the order and the units of the lines above, short: the abscissa
        // only where the run's own may differ from the cursor's.
        QStringList values;
        if (reading_.turnsBack)
            values << number(k.abscissa[static_cast<size_t>(j)], false, "", sep_).trimmed();
        for (size_t c = 0; c < k.values.size() && c < reading_.curves.size(); ++c)
            values << number(k.values[c][static_cast<size_t>(j)], reading_.curves[c].negative, "", sep_).trimmed();
        out << QStringLiteral("  ") + values.join(QStringLiteral("; "));
    }
    return out;
}

void GraphReadout::pointAt(QPoint at)
{
    if (reading_.x.empty() || at.x() < 0 || at.y() < 0 || at.x() >= kPictureWidth || at.y() >= kPictureHeight) {
        pointer_ = { -1, -1 };
        showSample(-1);
        return;
    }
    pointer_ = at;
    showSample(nearest(reading_.x, traceRows(reading_), at, reading_.turnsBack));
}

// Beside the cursor, on the side and at the height where the fewest curve
// points lie, nearest to the pointer's height, inside the picture and over
// no text; where no place beside the cursor is clear of text, elsewhere off
// the cursor, or at last over it. Where text cannot be helped, never over the legend or an
// event label.
QRect GraphReadout::placePanel(QSize size) const
{
    const size_t i = static_cast<size_t>(sample_);
    const int x = reading_.x[i];
    const int y = pointer_.y() >= 0 ? pointer_.y() : (reading_.curves.empty() ? reading_.top : reading_.curves[0].y[i]);
    const QRect picture(0, 0, kPictureWidth, kPictureHeight);
    const auto crosses = [](const std::vector<QRect>& boxes, const QRect& r) {
        const QRect margin = r.adjusted(-2, -2, 2, 2);
        return static_cast<int>(
            std::count_if(boxes.begin(), boxes.end(), [&](const QRect& b) { return b.intersects(margin); }));
    };
    const auto cost = [&](const QRect& r) {
        long long points = 0;
        for (int row = std::max(r.top() / kCell, 0); row <= std::min(r.bottom() / kCell, kRows - 1); ++row)
            for (int col = std::max(r.left() / kCell, 0); col <= std::min(r.right() / kCell, kColumns - 1); ++col)
                points += density_[static_cast<size_t>(row * kColumns + col)];
        return points * 20 + crosses(texts_, r) * 400LL + std::abs(r.center().y() - y);
    };
    QRect best;
    long long bestCost = LLONG_MAX;
    const auto consider = [&](const QRect& r, bool overText) {
        if (!picture.contains(r) || crosses(overText ? labels_ : texts_, r) > 0)
            return;
        const long long c = cost(r);
        if (c < bestCost) {
            bestCost = c;
            best = r;
        }
    };
    const auto beside = [&](bool overText) {
        for (int top = 2; top + size.height() <= kPictureHeight - 2; top += 4) {
            consider(QRect(QPoint(x + 12, top), size), overText);
            consider(QRect(QPoint(x - 12 - size.width(), top), size), overText);
        }
    };
    const auto elsewhere = [&](bool overText, bool offCursor) {
        for (int top = 2; top + size.height() <= kPictureHeight - 2; top += 8)
            for (int left = 2; left + size.width() <= kPictureWidth - 2; left += 8)
                if (!offCursor || x < left - 6 || x > left + size.width() + 6)
                    consider(QRect(QPoint(left, top), size), overText);
    };
    beside(false);
    if (best.isNull())
        elsewhere(false, true);
    if (best.isNull())
        elsewhere(false, false);
    if (best.isNull())
        beside(true);
    if (best.isNull())
        elsewhere(true, true);
    if (best.isNull())
        elsewhere(true, false);
    return best;
}

void GraphReadout::showSample(int sample)
{
    sample_ = sample;
    panel_ = QRect();
    if (sample_ >= 0) {
        last_ = sample_;
        const QStringList text = lines();
        const QFontMetrics fm(condensedFont(12));
        int w = 0;
        for (int r = 0; r < text.size(); ++r)
            w = std::max(w, fm.horizontalAdvance(text[r]) + kSwatch + 4);
        panel_ = placePanel(QSize(w + 10, static_cast<int>(text.size()) * fm.height() + 8));
    }
    setGeometry(area_->rect());
    setVisible(sample_ >= 0);
    update();
}

bool GraphReadout::eventFilter(QObject* watched, QEvent* event)
{
    return caught([&]() -> bool {
        const int samples = static_cast<int>(reading_.x.size());
        if (watched != area_ || samples == 0)
            return QWidget::eventFilter(watched, event);
        switch (event->type()) {
        case QEvent::MouseMove:
            pointAt(static_cast<QMouseEvent*>(event)->position().toPoint());
            break;
        case QEvent::Leave:
            pointer_ = { -1, -1 };
            showSample(-1);
            break;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Left && key != Qt::Key_Right)
                break;
            const int from = sample_ >= 0 ? sample_ : last_;
            pointer_ = { -1, -1 };
            showSample(std::clamp(from + (key == Qt::Key_Right ? 1 : -1), 0, samples - 1));
            return true;
        }
        default:
            break;
        }
        return QWidget::eventFilter(watched, event);
    });
}

void GraphReadout::paintEvent(QPaintEvent*)
{
    caught([&] {
        if (sample_ < 0)
            return;
        const size_t i = static_cast<size_t>(sample_);
        const int x = reading_.x[i];
        QPainter p(this);
        p.setPen(QPen(kCursor, 1, Qt::DashLine));
        p.drawLine(x, reading_.top, x, reading_.bottom);
        p.setPen(QPen(kCursor, 1));
        p.setBrush(Qt::white);
        for (const GraphReading::Trace& t : reading_.curves)
            p.drawEllipse(QPoint(x, t.y[i]), 3, 3);
        for (size_t r = 0; r < reading_.kept.size(); ++r)
            if (const int j = keptSample(r); j >= 0) {
                p.setPen(QPen(runColour(static_cast<int>(r) + 1), 1));
                for (const std::vector<int>& y : reading_.kept[r].y)
                    p.drawEllipse(QPoint(reading_.kept[r].x[static_cast<size_t>(j)], y[static_cast<size_t>(j)]), 3, 3);
            }
        if (panel_.isNull())
            return;

        const QStringList text = lines();
        p.setFont(condensedFont(12));
        const QFontMetrics fm = p.fontMetrics();
        p.setPen(QPen(kCursor, 1));
        p.setBrush(Qt::white);
        p.drawRect(panel_.adjusted(0, 0, -1, -1));
        const int own = static_cast<int>(reading_.curves.size()) + 1;
        for (int r = 0; r < text.size(); ++r) {
            const int top = panel_.top() + 4 + r * fm.height();
            int left = panel_.left() + 5;
            // A kept run's name after its colour, its values under the name.
            if (r >= own && (r - own) % 2 == 0)
                p.fillRect(left, top + (fm.height() - kSwatch) / 2, kSwatch, kSwatch, runColour((r - own) / 2 + 1));
            if (r >= own)
                left += kSwatch + 4;
            p.setPen(Qt::black);
            p.drawText(left, top + fm.ascent(), text[r]);
        }
    });
}

} // namespace torv

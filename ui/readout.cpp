#include "ui/readout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>

#include "plot/canvas.h"
#include "sim/numfmt.h"
#include "sim/quantities.h"
#include "sim/state.h"

namespace torv {

namespace {

constexpr int kPictureWidth = 800;
constexpr int kPictureHeight = 600;
const QColor kCursor(0, 90, 200);

QString line(int code, double value, bool negative, const std::string& unit, char sep)
{
    const QString name = code >= 0 && code < kRecordedSeries
        ? QString::fromUtf8(quantityName(static_cast<Series>(code), st.Sprache))
        : QString::number(code);
    // As the axis labels write them: 3 digits on an axis with negative values.
    const std::string number = negative ? formatGeneral(value, 3, 1, sep) : formatGeneral(value, 4, 2, sep);
    return name + QStringLiteral(": ") + QString::fromStdString(number) + u' ' + QString::fromStdString(unit);
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

void GraphReadout::setGraph(const GraphReading& reading, char sep)
{
    reading_ = reading;
    sep_ = sep;
    if (sample_ >= static_cast<int>(reading_.x.size()))
        sample_ = -1;
    last_ = std::clamp(last_, 0, std::max(0, static_cast<int>(reading_.x.size()) - 1));
    showSample(sample_);
}

void GraphReadout::clear()
{
    setGraph({}, sep_);
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
    return out;
}

void GraphReadout::showSample(int sample)
{
    sample_ = sample;
    if (sample_ >= 0)
        last_ = sample_;
    setGeometry(area_->rect());
    setVisible(sample_ >= 0);
    update();
}

bool GraphReadout::eventFilter(QObject* watched, QEvent* event)
{
    const int samples = static_cast<int>(reading_.x.size());
    if (watched != area_ || samples == 0)
        return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::MouseMove: {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        if (at.x() >= kPictureWidth || at.y() >= kPictureHeight) {
            showSample(-1);
            break;
        }
        const auto nearest = std::min_element(reading_.x.begin(), reading_.x.end(),
            [&](int a, int b) { return std::abs(a - at.x()) < std::abs(b - at.x()); });
        showSample(static_cast<int>(nearest - reading_.x.begin()));
        break;
    }
    case QEvent::Leave:
        showSample(-1);
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            break;
        const int from = sample_ >= 0 ? sample_ : last_;
        showSample(std::clamp(from + (key == Qt::Key_Right ? 1 : -1), 0, samples - 1));
        return true;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void GraphReadout::paintEvent(QPaintEvent*)
{
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

    const QStringList text = lines();
    p.setFont(condensedFont(12));
    const QFontMetrics fm = p.fontMetrics();
    int w = 0;
    for (const QString& l : text)
        w = std::max(w, fm.horizontalAdvance(l));
    w += 10;
    const int h = static_cast<int>(text.size()) * fm.height() + 8;
    // Beside the cursor, on the side with room, inside the picture.
    int left = x + 10;
    if (left + w > kPictureWidth - 2)
        left = x - 10 - w;
    const QRect panel(std::max(left, 2), std::min(reading_.top + 4, kPictureHeight - h - 2), w, h);
    p.setPen(QPen(kCursor, 1));
    p.drawRect(panel);
    p.setPen(Qt::black);
    for (int r = 0; r < text.size(); ++r)
        p.drawText(panel.left() + 5, panel.top() + 4 + r * fm.height() + fm.ascent(), text[r]);
}

} // namespace torv

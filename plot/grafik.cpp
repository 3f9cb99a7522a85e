#include "plot/grafik.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include <algorithm>

#include "plot/canvas.h"
#include "plot/metka1.h"
#include "plot/scene.h"
#include "sim/state.h"

namespace torv {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
const QColor kGrey(128, 128, 128);
constexpr int kTextPixels = 12;
constexpr int kSmallestText = 7; // still reads as digits

QString textOf(const GraphOp& op)
{
    return QString::fromUtf8(op.text.data(), static_cast<qsizetype>(op.text.size()));
}

QFontMetrics metrics(int pixels)
{
    return QFontMetrics(condensedFont(pixels));
}

// How far right of `t`'s left edge the first thing stands that a full-size
// box of `t` would run into.
int roomRightOf(const GraphScene& g, const GraphOp& t, int h)
{
    const auto rows = [&](int top, int bottom) { return top < t.y1 + h && bottom >= t.y1; };
    int right = kWidth;
    const auto limit = [&](int x) {
        if (x > t.x1)
            right = std::min(right, x);
    };
    for (const GraphOp& o : g.ops) {
        if (&o == &t)
            continue;
        switch (o.kind) {
        case GraphOp::Line: {
            const QRect box = lineBox(o.x1, o.y1, o.x2, o.y2);
            const bool ownAxis = o.x1 == o.x2 && o.curve != 0 && o.curve == t.curve;
            if (!box.isEmpty() && !ownAxis && rows(box.top(), box.bottom()))
                limit(box.left());
            break;
        }
        case GraphOp::Band:
            if (!emptyArea(o.x1, o.y1, o.x2, o.y2)) {
                const QRect box = areaRect(o.x1, o.y1, o.x2, o.y2);
                if (rows(box.top(), box.bottom() + 1)) {
                    limit(box.left());
                    limit(box.right() + 1);
                }
            }
            break;
        case GraphOp::Text:
            if (rows(o.y1, o.y1 + h - 1))
                limit(o.x1);
            break;
        default:
            break;
        }
    }
    return right - t.x1;
}

QImage paint(const GraphScene& g)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    const QFont font = condensedFont(kTextPixels);
    p.setFont(font);
    const std::vector<int> sizes = textSizes(g);
    const QPen black(Qt::black, 1);
    const QPen grey(kGrey, 1);
    p.setBrush(Qt::white);

    for (size_t i = 0; i < g.ops.size(); ++i) {
        const GraphOp& op = g.ops[i];
        switch (op.kind) {
        case GraphOp::GridLine:
            p.setPen(grey);
            lineTo(p, op.x1, op.y1, op.x2, op.y2);
            break;
        case GraphOp::Line:
            p.setPen(black);
            lineTo(p, op.x1, op.y1, op.x2, op.y2);
            break;
        case GraphOp::Band:
            p.setPen(black);
            p.setBrush(Qt::white);
            rectangle(p, op.x1, op.y1, op.x2, op.y2);
            break;
        case GraphOp::Legend:
            p.setPen(black);
            p.setBrush(Qt::white);
            ellipse(p, op.x1, op.y1, op.x2, op.y2);
            break;
        case GraphOp::Text:
            p.setPen(black);
            if (sizes[i] != kTextPixels)
                p.setFont(condensedFont(sizes[i]));
            textOut(p, op.x1, op.y1, textOf(op), Qt::white);
            p.setFont(font);
            break;
        case GraphOp::Mark:
            Marke(p, op.x1, op.y1, op.size, op.mark);
            break;
        case GraphOp::Curve:
            if (op.points.size() >= 2) {
                QPolygon poly(static_cast<int>(op.points.size()));
                for (size_t i = 0; i < op.points.size(); ++i)
                    poly.setPoint(static_cast<int>(i), op.points[i].x, op.points[i].y);
                p.setPen(black);
                p.drawPolyline(poly);
            }
            break;
        case GraphOp::WhiteFill:
            p.setBrush(Qt::white);
            break;
        }
    }
    p.end();
    return img;
}

} // namespace

std::vector<int> textSizes(const GraphScene& g)
{
    std::vector<int> sizes(g.ops.size(), 0);
    std::vector<QFontMetrics> fm;
    for (int px = kSmallestText; px <= kTextPixels; ++px)
        fm.push_back(metrics(px));
    const auto width = [&](int px, const QString& text) { return fm[px - kSmallestText].horizontalAdvance(text); };
    const int h = fm.back().height();
    for (size_t i = 0; i < g.ops.size(); ++i) {
        const GraphOp& op = g.ops[i];
        if (op.kind != GraphOp::Text)
            continue;
        const QString text = textOf(op);
        // One white column stays between the box and what follows it.
        const int room = roomRightOf(g, op, h) - 1;
        int px = kTextPixels;
        while (px > kSmallestText && width(px, text) > room)
            --px;
        sizes[i] = px;
    }
    return sizes;
}

QRect textBox(const GraphOp& op, int pixels)
{
    const QFontMetrics fm = metrics(pixels);
    return QRect(op.x1, op.y1, fm.horizontalAdvance(textOf(op)), fm.height());
}

char userDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    const char c = point.size() == 1 ? point.at(0).toLatin1() : '\0';
    return c > ' ' && c < 127 ? c : '.';
}

QImage drawGraph(const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount)
{
    return paint(layoutGraph(Ergebnis, GraphCodes, NPunkte, GraphCount, userDecimalSeparator()));
}

void Grafik(GraphTarget& target, const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount)
{
    const bool lift = st.CyRun != 0;
    for (GraphButton b : { GraphButton::AerodynamicsOverTime, GraphButton::NormalLoadOverTime, GraphButton::LoadFactorsOverTime, GraphButton::LiftOverTime })
        target.setGraphButtonVisible(b, lift);
    target.setGraphButtonVisible(GraphButton::BuoyancyOverTime, vehicleClass(st.Szenario.Klasse) == VehicleClass::Balloon);
    target.showGraph(drawGraph(Ergebnis, GraphCodes, NPunkte, GraphCount));
}

} // namespace torv

#include "plot/grafik.h"

#include <QFont>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include "plot/canvas.h"
#include "plot/metka1.h"
#include "plot/scene.h"
#include "sim/state.h"

namespace torv {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
const QColor kGrey(128, 128, 128);

QImage paint(const GraphScene& g)
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setRenderHint(QPainter::TextAntialiasing, false);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(12);
    p.setFont(font);
    const QPen black(Qt::black, 1);
    const QPen grey(kGrey, 1);
    p.setBrush(Qt::white);

    for (const GraphOp& op : g.ops) {
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
            textOut(
                p, op.x1, op.y1, QString::fromUtf8(op.text.data(), static_cast<qsizetype>(op.text.size())), Qt::white);
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
    for (GraphButton b : { GraphButton::ButtonCya, GraphButton::Button6, GraphButton::Button11, GraphButton::Button14 })
        target.setGraphButtonVisible(b, lift);
    target.setGraphButtonVisible(GraphButton::Button18, st.Szenario.Klasse == 3.0);
    target.showGraph(drawGraph(Ergebnis, GraphCodes, NPunkte, GraphCount));
}

} // namespace torv

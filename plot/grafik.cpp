#include "plot/grafik.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <map>
#include <utility>

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
constexpr int kSmallestText = 9; // no graph text is set smaller
constexpr int kNarrowest = 75; // percent of the face's width a text may be squeezed to

QString textOf(const GraphOp& op)
{
    return QString::fromUtf8(op.text.data(), static_cast<qsizetype>(op.text.size()));
}

QFont textFont(int pixels, int stretch)
{
    QFont f = condensedFont(pixels);
    if (stretch != 100)
        f.setStretch(stretch);
    return f;
}

// Places every text of a graph. A text stays where the layout put it, at
// full size, unless it would run into an axis, a tick, another text or an
// edge of the band or picture standing to its right. Then the tick labels of
// one axis all take the largest size at which each of them fits; a title
// first moves up, then to the left, to the nearest place where it is clear
// of everything; what still does not fit shrinks, down to kSmallestText,
// and below that is set narrower.
class Fitter {
public:
    explicit Fitter(const GraphScene& g)
        : g_(g)
        , fits_(g.ops.size())
        , h_(metrics(kTextPixels, 100).height())
    {
        for (size_t i = 0; i < g.ops.size(); ++i)
            if (g.ops[i].kind == GraphOp::Text)
                fits_[i] = { g.ops[i].x1, g.ops[i].y1, kTextPixels, 100 };
    }

    std::vector<TextFit> run()
    {
        std::map<int, std::vector<size_t>> axes; // tick labels by curve, 0: the horizontal axis
        for (size_t i = 0; i < g_.ops.size(); ++i)
            if (isText(i, GraphOp::Tick))
                axes[g_.ops[i].curve].push_back(i);
        for (const auto& [curve, labels] : axes)
            fitAxis(labels);
        for (size_t i = 0; i < g_.ops.size(); ++i)
            if (isText(i, GraphOp::Title) || isText(i, GraphOp::Plain))
                fitText(i);
        return std::move(fits_);
    }

private:
    bool isText(size_t i, GraphOp::Role role) const
    {
        return g_.ops[i].kind == GraphOp::Text && g_.ops[i].role == role;
    }

    const QFontMetrics& metrics(int pixels, int stretch)
    {
        const auto key = std::make_pair(pixels, stretch);
        auto it = metrics_.find(key);
        if (it == metrics_.end())
            it = metrics_.emplace(key, QFontMetrics(textFont(pixels, stretch))).first;
        return it->second;
    }

    int width(size_t i, int pixels, int stretch) { return metrics(pixels, stretch).horizontalAdvance(textOf(g_.ops[i])); }

    // Whether text `i` set `pixels` high and `stretch` wide leaves one white
    // column before the first thing to its right that its full-size box
    // would run into.
    bool fitsInPlace(size_t i, int pixels, int stretch)
    {
        return width(i, pixels, stretch) <= roomRightOf(i) - 1;
    }

    int roomRightOf(size_t i) const
    {
        const GraphOp& t = g_.ops[i];
        const int x = fits_[i].x, y = fits_[i].y;
        const auto rows = [&](int top, int bottom) { return top < y + h_ && bottom >= y; };
        int right = kWidth;
        const auto limit = [&](int at) {
            if (at > x)
                right = std::min(right, at);
        };
        for (size_t j = 0; j < g_.ops.size(); ++j) {
            const GraphOp& o = g_.ops[j];
            if (j == i)
                continue;
            switch (o.kind) {
            case GraphOp::Line: {
                const QRect box = lineBox(o.x1, o.y1, o.x2, o.y2);
                if (!box.isEmpty() && !ownAxis(t, o) && rows(box.top(), box.bottom()))
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
                if (rows(fits_[j].y, fits_[j].y + h_ - 1))
                    limit(fits_[j].x);
                break;
            default:
                break;
            }
        }
        return right - x;
    }

    // A curve's own axis line does not count for its title: it may stand on it.
    static bool ownAxis(const GraphOp& text, const GraphOp& line)
    {
        return line.x1 == line.x2 && line.curve != 0 && line.curve == text.curve;
    }

    // Whether text `i` at its full size, moved to (x, y), lies in the picture
    // with a white column either side and crosses no line, band edge or
    // other text except `partner`.
    bool clearAt(size_t i, int x, int y, size_t partner)
    {
        const QRect box(x, y, width(i, kTextPixels, 100), h_);
        if (!QRect(0, 0, kWidth, kHeight).contains(box))
            return false;
        const QRect wide = box.adjusted(-1, 0, 1, 0);
        for (size_t j = 0; j < g_.ops.size(); ++j) {
            const GraphOp& o = g_.ops[j];
            if (j == i || j == partner)
                continue;
            if (o.kind == GraphOp::Line && !ownAxis(g_.ops[i], o) && wide.intersects(lineBox(o.x1, o.y1, o.x2, o.y2)))
                return false;
            if (o.kind == GraphOp::Band && !emptyArea(o.x1, o.y1, o.x2, o.y2)) {
                const QRect band = areaRect(o.x1, o.y1, o.x2, o.y2).adjusted(0, 0, 1, 1);
                if (wide.intersects(band) && !band.adjusted(1, 1, -1, -1).contains(wide))
                    return false;
            }
            if (o.kind == GraphOp::Text && wide.intersects(textBox(o, fits_[j])))
                return false;
        }
        return true;
    }

    void fitAxis(const std::vector<size_t>& labels)
    {
        int pixels = kTextPixels;
        for (size_t i : labels)
            while (pixels > kSmallestText && !fitsInPlace(i, pixels, 100))
                --pixels;
        int stretch = 100;
        if (pixels == kSmallestText)
            for (size_t i : labels)
                while (stretch > kNarrowest && !fitsInPlace(i, pixels, stretch))
                    --stretch;
        for (size_t i : labels) {
            fits_[i].pixels = pixels;
            fits_[i].stretch = stretch;
        }
    }

    void fitText(size_t i)
    {
        if (fitsInPlace(i, kTextPixels, 100))
            return;
        if (g_.ops[i].role == GraphOp::Title && moveTitle(i))
            return;
        TextFit& f = fits_[i];
        while (f.pixels > kSmallestText && !fitsInPlace(i, f.pixels, 100))
            --f.pixels;
        while (f.pixels == kSmallestText && f.stretch > kNarrowest && !fitsInPlace(i, f.pixels, f.stretch))
            --f.stretch;
    }

    // Up, then to the left, to the nearest clear place; the raised part of
    // the title, if any, keeps its place beside it.
    bool moveTitle(size_t i)
    {
        const size_t raised = i + 1 < g_.ops.size() && isText(i + 1, GraphOp::Raised) ? i + 1 : g_.ops.size();
        const int x = fits_[i].x, y = fits_[i].y;
        const auto tryAt = [&](int dx, int dy) {
            if (!clearAt(i, x + dx, y + dy, raised))
                return false;
            if (raised < g_.ops.size()
                && !clearAt(raised, fits_[raised].x + dx, fits_[raised].y + dy, i))
                return false;
            fits_[i].x += dx;
            fits_[i].y += dy;
            if (raised < g_.ops.size()) {
                fits_[raised].x += dx;
                fits_[raised].y += dy;
            }
            return true;
        };
        for (int d = 1; d <= y; ++d)
            if (tryAt(0, -d))
                return true;
        for (int d = 1; d <= x; ++d)
            if (tryAt(-d, 0))
                return true;
        return false;
    }

    const GraphScene& g_;
    std::vector<TextFit> fits_;
    std::map<std::pair<int, int>, QFontMetrics> metrics_;
    int h_;
};

QImage paint(const GraphScene& g, double scale)
{
    QImage img = newPicture(kWidth, kHeight, scale);
    QPainter p(&img);
    beginPicture(p);
    const QFont font = condensedFont(kTextPixels);
    p.setFont(font);
    const std::vector<TextFit> fits = fitTexts(g);
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
        case GraphOp::Text: {
            const TextFit& f = fits[i];
            p.setPen(black);
            if (f.pixels != kTextPixels || f.stretch != 100)
                p.setFont(textFont(f.pixels, f.stretch));
            textOut(p, f.x, f.y, textOf(op), Qt::white);
            p.setFont(font);
            break;
        }
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

std::vector<TextFit> fitTexts(const GraphScene& g)
{
    return Fitter(g).run();
}

QRect textBox(const GraphOp& op, const TextFit& fit)
{
    const QFontMetrics fm(textFont(fit.pixels, fit.stretch));
    return QRect(fit.x, fit.y, fm.horizontalAdvance(textOf(op)), fm.height());
}

char userDecimalSeparator()
{
    const QString point = QLocale::system().decimalPoint();
    const char c = point.size() == 1 ? point.at(0).toLatin1() : '\0';
    return c > ' ' && c < 127 ? c : '.';
}

QImage drawGraph(const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount, double scale)
{
    return paint(layoutGraph(Ergebnis, GraphCodes, NPunkte, GraphCount, userDecimalSeparator()), scale);
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

#include "plot/grafik.h"

#include <QFont>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <map>
#include <utility>

#include "model/classes.h"
#include "model/state.h"
#include "plot/canvas.h"
#include "plot/metka1.h"
#include "plot/scene.h"

namespace torv {

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;
const QColor kGrey(128, 128, 128);
constexpr int kTextPixels = 12;
constexpr int kSmallestText = 9; // no graph text is set smaller
constexpr int kNarrowest = 75; // percent of the face's width a text may be squeezed to
constexpr int kPlotRight = 730;
constexpr int kPlotTop = 19;

// Kept runs, in the order they were kept; none is black like the current run.
const QColor kRunColours[] = { { 0, 80, 230 }, { 220, 30, 30 }, { 0, 150, 60 }, { 230, 120, 0 }, { 0, 160, 180 },
    { 130, 80, 30 }, { 120, 120, 0 }, { 100, 100, 100 } };
// Flight events: a colour no marker and no run uses.
const QColor kEventInk(160, 0, 160);
constexpr int kLegendTextWidth = 320; // longer run names are cut short with an ellipsis

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
            shrinkTogether(labels);
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

    int width(size_t i, int pixels, int stretch)
    {
        return metrics(pixels, stretch).horizontalAdvance(textOf(g_.ops[i]));
    }

    QRect boxOf(size_t i)
    {
        const TextFit& f = fits_[i];
        return QRect(f.x, f.y, width(i, f.pixels, f.stretch), metrics(f.pixels, f.stretch).height());
    }

    // Whether text `i` set `pixels` high and `stretch` wide leaves one white
    // column before the first thing to its right that its full-size box
    // would run into.
    bool fitsInPlace(size_t i, int pixels, int stretch) { return width(i, pixels, stretch) <= roomRightOf(i) - 1; }

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
            if (o.kind == GraphOp::Text && wide.intersects(boxOf(j)))
                return false;
        }
        return true;
    }

    // The texts `labels` at the largest size at which each fits, down to
    // kSmallestText, and below that as wide as each fits, all the same.
    void shrinkTogether(const std::vector<size_t>& labels)
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
        shrinkTogether({ i });
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
            if (raised < g_.ops.size() && !clearAt(raised, fits_[raised].x + dx, fits_[raised].y + dy, i))
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

} // namespace

QColor runColour(int run)
{
    return run == 0 ? QColor(Qt::black) : kRunColours[(run - 1) % std::size(kRunColours)];
}

namespace {

void polyline(QPainter& p, const std::vector<Pixel>& points)
{
    if (points.size() < 2)
        return;
    QPolygon poly(static_cast<int>(points.size()));
    for (size_t i = 0; i < points.size(); ++i)
        poly.setPoint(static_cast<int>(i), points[i].x, points[i].y);
    p.drawPolyline(poly);
}

// A framed label in `ink` with its top-left corner at (x, y).
void framedLabel(QPainter& p, const QRect& box, const QString& text, const QColor& ink)
{
    p.setPen(QPen(ink, 1));
    p.setBrush(Qt::white);
    rectangle(p, box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    textOut(p, box.left() + 2, box.top() + 1, text, Qt::white);
}

// A diamond on the event's point.
void drawEventMark(QPainter& p, const GraphOp& op)
{
    const int x = op.x1, y = op.y1, r = 5;
    const QPoint diamond[4] = { { x, y - r }, { x + r, y }, { x, y + r }, { x - r, y } };
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(kEventInk);
    p.drawPolygon(diamond, 4);
    p.setBrush(Qt::white);
}

// The legend's names, cut short with an ellipsis where they are long.
std::vector<QString> legendNames(const QFontMetrics& fm, const std::vector<const GraphOp*>& keys)
{
    std::vector<QString> names;
    for (const GraphOp* key : keys)
        names.push_back(fm.elidedText(textOf(*key), Qt::ElideRight, kLegendTextWidth));
    return names;
}

constexpr int kLegendSample = 18, kLegendPad = 5;

// The legend's frame, in the plot's top right corner; empty without keys.
QRect legendRect(const QFontMetrics& fm, const std::vector<const GraphOp*>& keys)
{
    if (keys.empty())
        return {};
    int textWidth = 0;
    for (const QString& name : legendNames(fm, keys))
        textWidth = std::max(textWidth, fm.horizontalAdvance(name));
    const int row = fm.height() + 2;
    const int w = kLegendPad + kLegendSample + kLegendPad + textWidth + kLegendPad,
              h = static_cast<int>(keys.size()) * row + 2 * kLegendPad - 2;
    return QRect(kPlotRight - 4 - w, kPlotTop + 4, w + 1, h + 1);
}

// Which colour stands for which run, in the plot's top right corner.
void drawRunLegend(QPainter& p, const std::vector<const GraphOp*>& keys)
{
    const QFontMetrics fm(p.font());
    const std::vector<QString> names = legendNames(fm, keys);
    const QRect frame = legendRect(fm, keys);
    const int row = fm.height() + 2;
    const int left = frame.left(), top = frame.top();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    rectangle(p, left, top, frame.right(), frame.bottom());
    for (size_t i = 0; i < keys.size(); ++i) {
        const int y = top + kLegendPad + static_cast<int>(i) * row;
        const int mid = y + row / 2 - 1;
        p.setPen(QPen(runColour(keys[i]->mark), 1));
        lineTo(p, left + kLegendPad, mid, left + kLegendPad + kLegendSample, mid);
        lineTo(p, left + kLegendPad, mid + 1, left + kLegendPad + kLegendSample, mid + 1);
        p.setPen(QPen(Qt::black, 1));
        textOut(p, left + 2 * kLegendPad + kLegendSample, y, names[i], Qt::white);
    }
}

// Where each event's label goes (a null box: left out). The places around
// its diamond are tried in turn; the first that lies in the picture clear
// of every text, the legend, the other diamonds and the labels placed
// before it is taken. A label that has no such place is left out: its
// diamond and the read-out still give it.
std::vector<QRect> placeEventLabels(
    const GraphScene& g, const std::vector<QRect>& texts, const QRect& legend, const QFontMetrics& fm)
{
    std::vector<QRect> taken = texts;
    if (!legend.isNull())
        taken.push_back(legend);
    std::vector<const GraphOp*> events;
    for (const GraphOp& op : g.ops)
        if (op.kind == GraphOp::Event) {
            events.push_back(&op);
            taken.push_back(QRect(op.x1 - 5, op.y1 - 5, 11, 11));
        }
    const QRect picture(0, 0, kWidth, kHeight);
    std::vector<QRect> boxes;
    for (const GraphOp* op : events) {
        const int x = op->x1, y = op->y1;
        const int w = fm.horizontalAdvance(textOf(*op)) + 4, h = fm.height() + 2;
        const QPoint corners[]
            = { { x + 7, y - 7 - h }, { x + 7, y + 7 }, { x - 7 - w, y - 7 - h }, { x - 7 - w, y + 7 },
                  { x + 8, y - h / 2 }, { x - 8 - w, y - h / 2 }, { x - w / 2, y - 8 - h }, { x - w / 2, y + 8 } };
        QRect box;
        for (const QPoint& c : corners) {
            const QRect candidate(c, QSize(w, h));
            const QRect margin = candidate.adjusted(-1, -1, 1, 1);
            if (picture.contains(candidate)
                && std::none_of(taken.begin(), taken.end(), [&](const QRect& t) { return t.intersects(margin); })) {
                box = candidate;
                break;
            }
        }
        if (!box.isNull())
            taken.push_back(box);
        boxes.push_back(box);
    }
    return boxes;
}

// The boxes of the texts a picture holds, for the read-out.
struct TextBoxes {
    std::vector<QRect> texts; // every title, tick label and event label, and the legend
    std::vector<QRect> labels; // the legend and the event labels: never to be covered
};

QImage paint(const GraphScene& g, double scale, TextBoxes* boxes = nullptr)
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
    std::vector<const GraphOp*> keys;
    std::vector<QRect> texts;
    for (size_t i = 0; i < g.ops.size(); ++i)
        if (g.ops[i].kind == GraphOp::Text && !g.ops[i].text.empty())
            texts.push_back(textBox(g.ops[i], fits[i]));
        else if (g.ops[i].kind == GraphOp::RunKey)
            keys.push_back(&g.ops[i]);
    const QRect legend = legendRect(p.fontMetrics(), keys);
    const std::vector<QRect> eventBoxes = placeEventLabels(g, texts, legend, p.fontMetrics());
    size_t event = 0;

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
            p.setPen(black);
            polyline(p, op.points);
            break;
        case GraphOp::WhiteFill:
            p.setBrush(Qt::white);
            break;
        case GraphOp::RunCurve:
            p.setPen(QPen(runColour(op.mark), 1));
            polyline(p, op.points);
            break;
        case GraphOp::Event:
            drawEventMark(p, op);
            break;
        case GraphOp::RunKey:
            break;
        }
    }
    // The labels over every curve and mark, the legend over all.
    for (const GraphOp& op : g.ops)
        if (op.kind == GraphOp::Event) {
            const QRect& box = eventBoxes[event++];
            if (!box.isNull())
                framedLabel(p, box, textOf(op), kEventInk);
        }
    p.setBrush(Qt::white);
    if (!keys.empty())
        drawRunLegend(p, keys);
    p.end();
    if (boxes) {
        boxes->texts = texts;
        if (!legend.isNull())
            boxes->labels.push_back(legend);
        for (const QRect& box : eventBoxes)
            if (!box.isNull())
                boxes->labels.push_back(box);
        boxes->texts.insert(boxes->texts.end(), boxes->labels.begin(), boxes->labels.end());
    }
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

QImage drawGraph(
    const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount, const GraphExtras& extras, double scale)
{
    return paint(layoutGraph(Ergebnis, GraphCodes, NPunkte, GraphCount, userDecimalSeparator(), extras), scale);
}

DrawnGraph Grafik(
    const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount, const GraphExtras& extras, double scale)
{
    DrawnGraph drawn;
    const bool lift = st.CyRun != 0;
    for (GraphButton b : { GraphButton::AerodynamicsOverTime, GraphButton::NormalLoadOverTime,
             GraphButton::LoadFactorsOverTime, GraphButton::LiftOverTime })
        drawn.buttons[static_cast<int>(b)] = lift;
    drawn.buttons[static_cast<int>(GraphButton::BuoyancyOverTime)] = classRow(st.Szenario.Klasse).run.balloon;
    GraphScene g = layoutGraph(Ergebnis, GraphCodes, NPunkte, GraphCount, userDecimalSeparator(), extras);
    TextBoxes boxes;
    drawn.picture = paint(g, scale, &boxes);
    drawn.reading = std::move(g.reading);
    drawn.texts = std::move(boxes.texts);
    drawn.labels = std::move(boxes.labels);
    return drawn;
}

} // namespace torv

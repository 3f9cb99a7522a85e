#include "plot/scene.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <functional>

#include "analysis/events.h"
#include "files/numfmt.h"
#include "model/catalog.h"
#include "model/quantities.h"
#include "model/state.h"

namespace torv {

namespace {

constexpr int kBase = 460; // base line y
constexpr int kHeight = 440; // plot height
constexpr int kRight = 730; // the plot ends here
constexpr double kFar = 1e6; // pixel offsets beyond this are off every picture

// Rounds to the nearest integer, halves to the even neighbour (the default
// rounding mode); only for values already known to fit an int.
int rnd(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

// A linear scale: `top` units map to `pixels` pixels. A top of 0 is drawn as
// if it were 1. Offsets are clamped far outside the picture so that wild
// values stay drawable; within the picture they are exactly rnd(v * factor).
class Scale {
public:
    Scale(double pixels, double top)
        : pixels_(pixels)
        , top_(top > 0 ? top : 1.0)
        , tiny_(top_ < 1e-300)
        , factor_(tiny_ ? 0.0 : pixels_ / top_)
    {
    }

    // The value shown at the scale's top (the maximum, or 1 for a 0 maximum).
    double top() const { return top_; }

    int offset(double v) const
    {
        double r;
        if (tiny_) {
            // pixels/top would overflow: go through v/top, which stays small
            // once v is limited.
            const double lim = top_ * (kFar / pixels_);
            r = std::clamp(v, -lim, lim) / top_ * pixels_;
        } else if (factor_ <= 1) {
            r = v * factor_;
        } else {
            const double lim = kFar / factor_;
            r = std::clamp(v, -lim, lim) * factor_;
        }
        return rnd(std::clamp(r, -kFar, kFar));
    }

private:
    double pixels_;
    double top_;
    bool tiny_;
    double factor_;
};

// j * top / div as written, or (j / div) * top where j * top would
// overflow (j <= div, so that product cannot).
double labelValue(int j, double top, double div)
{
    if (top <= DBL_MAX / 8)
        return j * top / div;
    return (j / div) * top;
}

// The series `code` at positions 0 .. n-1 (position 0 is never read and
// stays 0) of an array of `size` doubles laid out as Ergebnis. An element
// outside the array, or a value that is not a finite number, reads as 0.
std::vector<double> readSeries(const double* ergebnis, long long size, int code, int n)
{
    std::vector<double> v(static_cast<size_t>(std::max(n, 1)), 0.0);
    const long long first = static_cast<long long>(st.GraphPage) * st.PageSize + static_cast<long long>(code) * n;
    for (int i = 1; i < n; ++i) {
        const long long e = first + i;
        if (e >= 0 && e < size && std::isfinite(ergebnis[e]))
            v[i] = ergebnis[e];
    }
    return v;
}

// The selection's series of one run: the horizontal one, then the curves.
using RunSeries = std::vector<std::vector<double>>;

bool anyNegative(const RunSeries& run)
{
    return std::any_of(run.begin(), run.end(), [](const std::vector<double>& s) {
        return std::any_of(s.begin() + 1, s.end(), [](double v) { return v < 0; });
    });
}

std::string unitOf(int code)
{
    return code >= 0 && code < kRecordedSeries ? currentUnit(static_cast<Series>(code)) : "";
}

class Builder {
public:
    explicit Builder(GraphScene& g)
        : g_(g)
    {
    }

    // Operations added from now on belong to curve `k` (0: to none).
    void forCurve(int k) { curve_ = k; }
    void line(int x1, int y1, int x2, int y2) { add(GraphOp::Line, x1, y1, x2, y2); }
    void grid(int x1, int y1, int x2, int y2) { add(GraphOp::GridLine, x1, y1, x2, y2); }
    void text(int x, int y, std::string s, GraphOp::Role role = GraphOp::Plain)
    {
        if (s.empty())
            return;
        GraphOp& op = add(GraphOp::Text, x, y, 0, 0);
        op.text = std::move(s);
        op.role = role;
    }
    void mark(int x, int y, const MarkStyle& m)
    {
        GraphOp& op = add(GraphOp::Mark, x, y, 0, 0);
        op.size = m.size;
        op.mark = m.kind;
    }
    GraphOp& add(GraphOp::Kind kind, int x1, int y1, int x2, int y2)
    {
        GraphOp& op = g_.ops.emplace_back();
        op.kind = kind;
        op.x1 = x1;
        op.y1 = y1;
        op.x2 = x2;
        op.y2 = y2;
        op.curve = curve_;
        return op;
    }

private:
    GraphScene& g_;
    int curve_ = 0;
};

} // namespace

GraphScene layoutGraph(
    const double* Ergebnis, const int* GraphCodes, int NPunkte, int GraphCount, char sep, const GraphExtras& extras)
{
    GraphScene g;
    const int K = std::min(GraphCount - 1, kGraphCodesSize);
    if (K < 1)
        return g;
    const int N = std::max(NPunkte, 0);
    g.K = K;

    // The current run first, then the kept ones; every scale covers them all.
    std::vector<RunSeries> runs(1 + extras.kept.size());
    for (size_t r = 0; r < runs.size(); ++r) {
        const double* data = r == 0 ? Ergebnis : extras.kept[r - 1].series;
        const long long size = r == 0 ? kErgebnisSize : extras.kept[r - 1].size;
        for (int k = 0; k < K; ++k)
            runs[r].push_back(readSeries(data, size, GraphCodes[k], N));
    }
    g.negative = std::any_of(runs.begin(), runs.end(), anyNegative);
    const RunSeries& series = runs[0];

    g.L = rnd(37.0 * K + 26);
    g.W = kRight - g.L;
    g.D = K > 1 ? rnd((37.0 * K + 15) / (K - 1)) : 0;
    g.Y0 = g.negative ? kBase - rnd(kHeight / 3.0) : kBase;
    g.Hp = g.negative ? rnd(2 * kHeight / 3.0) : kHeight;
    g.Hn = g.negative ? rnd(kHeight / 3.0) : 0;
    g.G = rnd(g.Hp / 7.0);
    const int L = g.L, W = g.W, D = g.D, Y0 = g.Y0, G = g.G;

    Builder b(g);
    if (g.negative)
        b.add(GraphOp::Band, L, kBase, L + W + 1, Y0);

    for (int j = 0; j <= 7; ++j)
        b.grid(L, Y0 - j * G, L + W, Y0 - j * G);
    for (int j = 0; j <= 8; ++j) {
        const int x = L + rnd(j * W / 8.0);
        b.grid(x, Y0, x, Y0 - 7 * G);
    }

    // The largest and smallest drawn sample of series k over every run, and 0.
    const auto extremes = [&](int k) {
        double top = 0, bottom = 0;
        for (const RunSeries& run : runs)
            for (int i = 1; i < N; ++i) {
                top = std::max(top, run[k][i]);
                bottom = std::min(bottom, run[k][i]);
            }
        return std::make_pair(top, bottom);
    };
    const Scale sx(W, extremes(0).first);
    b.text(L + rnd(W / 2.0), 490, horizontalTitle(GraphCodes[0]), GraphOp::Title);
    for (int j = 0; j <= 8; ++j)
        b.text(L + j * rnd(W / 8.0) - 8, 469, formatGeneral(labelValue(j, sx.top(), 8), 4, 2, sep), GraphOp::Tick);

    GraphReading& reading = g.reading;
    reading.horizontalCode = GraphCodes[0];
    reading.horizontalUnit = unitOf(GraphCodes[0]);
    if (N >= 2)
        reading.abscissa.assign(series[0].begin() + 1, series[0].end());
    reading.turnsBack = std::adjacent_find(reading.abscissa.begin(), reading.abscissa.end(), std::greater<>())
        != reading.abscissa.end();
    for (size_t r = 1; r < runs.size(); ++r) {
        GraphReading::Run& kept = reading.kept.emplace_back();
        kept.label = extras.kept[r - 1].label;
        if (N >= 2)
            kept.abscissa.assign(runs[r][0].begin() + 1, runs[r][0].end());
    }
    reading.top = Y0 - 7 * G;
    reading.bottom = kBase;

    const int R = rnd(std::sqrt(static_cast<double>(N)));
    for (int k = 1; k < K; ++k) {
        b.forCurve(k);
        const int code = GraphCodes[k];
        const std::vector<double>& B = series[k];
        const auto [Bmax, Bmin] = extremes(k);
        const bool negative = Bmin < 0;
        const int axis = L - k * D;
        int T;
        double scaleTop;

        if (!negative) {
            T = rnd(0.9 * g.Hp);
            scaleTop = Bmax;
            const double top = Bmax > 0 ? Bmax : 1.0;
            if (k == 1) {
                for (int j = 0; j <= 7; ++j) {
                    b.line(L, Y0 - j * G, L - 3, Y0 - j * G);
                    // 1.1 rather than 1/0.9: the top grid line reads about 1.1 Bmax.
                    double v = top <= DBL_MAX / 8 ? j * (top / 7) : (j / 7.0) * top;
                    v = v > DBL_MAX / 1.1 ? DBL_MAX : v * 1.1;
                    b.text(L - 6 - rnd(D / 2.0) - 13, Y0 - j * G - 5, formatGeneral(v, 4, 2, sep), GraphOp::Tick);
                }
            } else {
                b.line(axis, Y0, axis, Y0 - T);
                const int t = rnd(T / 7.0);
                for (int j = 0; j <= 7; ++j) {
                    b.line(axis, Y0 - j * t, axis + 3, Y0 - j * t);
                    b.text(axis + 6, Y0 - j * t, formatGeneral(labelValue(j, top, 7), 4, 2, sep), GraphOp::Tick);
                }
            }
        } else {
            b.line(axis, kBase, axis, kBase - 2 * g.Hn);
            T = rnd(0.9 * g.Hn);
            scaleTop = -Bmin < Bmax ? Bmax : -Bmin;
            const double step = scaleTop / 4;
            const int t = rnd(T / 4.0);
            b.text(axis + 9, Y0, "0.0", GraphOp::Tick);
            for (int j = 1; j <= 4; ++j) {
                const std::string label = formatGeneral(j * step, 3, 1, sep);
                b.line(axis, Y0 - j * t, axis + 3, Y0 - j * t);
                b.text(axis + 6, Y0 - j * t, label, GraphOp::Tick);
                b.line(axis, Y0 + j * t, axis + 3, Y0 + j * t);
                b.text(axis + 6, Y0 + j * t, label, GraphOp::Tick);
            }
        }

        const CurveTitle title = curveTitle(code, negative, k == 1);
        b.text(axis + title.dx, Y0 - T + title.dy, title.text, GraphOp::Title);
        b.text(axis + title.raisedDx, Y0 - T + title.raisedDy, title.raised, GraphOp::Raised);

        const SeriesMarks* marks = seriesMarks(code);
        const int foot = k == 1 ? L : axis;
        b.add(GraphOp::Legend, foot - 6, Y0 - 6, foot + 6, Y0 + 6);
        if (marks)
            b.mark(foot, Y0, marks->legend);

        const Scale sy(T, scaleTop);
        // The first segment starts on the plot's left edge.
        const auto trace = [&](const RunSeries& run) {
            std::vector<Pixel> points;
            if (N < 2)
                return points;
            points.reserve(N - 1);
            points.push_back({ L, Y0 - sy.offset(run[k][1]) });
            for (int i = 2; i < N; ++i)
                points.push_back({ L + sx.offset(run[0][i]), Y0 - sy.offset(run[k][i]) });
            return points;
        };
        const std::vector<Pixel> points = trace(series);
        if (N >= 2) {
            for (size_t r = 1; r < runs.size(); ++r) {
                GraphOp& kept = b.add(GraphOp::RunCurve, 0, 0, 0, 0);
                kept.mark = static_cast<int>(r);
                kept.points = trace(runs[r]);
                GraphReading::Run& read = reading.kept[r - 1];
                read.values.emplace_back(runs[r][k].begin() + 1, runs[r][k].end());
                std::vector<int>& ys = read.y.emplace_back();
                for (const Pixel& p : kept.points) {
                    if (k == 1)
                        read.x.push_back(p.x);
                    ys.push_back(p.y);
                }
            }
            b.add(GraphOp::Curve, 0, 0, 0, 0).points = points;
        }
        const int period = marks ? R + marks->d : 0;
        if (period != 0)
            for (int i = 1; i < N; ++i)
                if (i % period == 0)
                    b.mark(L + sx.offset(series[0][i]), Y0 - sy.offset(B[i]), marks->curve);
        b.add(GraphOp::WhiteFill, 0, 0, 0, 0);

        GraphReading::Trace& t = reading.curves.emplace_back();
        t.code = code;
        t.negative = negative;
        t.unit = unitOf(code);
        if (N >= 2)
            t.values.assign(B.begin() + 1, B.end());
        for (const Pixel& p : points) {
            if (k == 1)
                reading.x.push_back(p.x);
            t.y.push_back(p.y);
        }
    }
    b.forCurve(0);

    b.text(L + 10, Y0 - 18, st.Titel);

    // The events are read where the run recorded its series; the run ended
    // on the ground if its last step took the altitude to 0 or below.
    if (extras.events && K > 1 && st.GraphPage == 0 && N <= kSamples)
        for (const EventMark& e : findEvents(Ergebnis, N, vehicleClass(st.Szenario.Klasse), !(st.H > 0))) {
            // On the curve of its quantity, else on the first curve.
            int k = 1;
            for (int c = K - 1; c >= 1; --c)
                if (GraphCodes[c] == torv::code(e.curve))
                    k = c;
            const size_t i = static_cast<size_t>(e.position - 1);
            b.add(GraphOp::Event, reading.x[i], reading.curves[static_cast<size_t>(k - 1)].y[i], 0, 0).text
                = eventLabel(e, Ergebnis, N, st.Sprache, sep, &st.Summary);
        }
    if (!extras.kept.empty())
        for (size_t r = 0; r < runs.size(); ++r) {
            GraphOp& key = b.add(GraphOp::RunKey, 0, 0, 0, 0);
            key.mark = static_cast<int>(r);
            key.text = r == 0 ? extras.currentLabel : extras.kept[r - 1].label;
        }
    return g;
}

} // namespace torv

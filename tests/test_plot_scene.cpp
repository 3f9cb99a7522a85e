#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <map>
#include <string>

#include "fault/faults.h"
#include "model/state.h"
#include "plot/scene.h"
#include "test_plot_util.h"

using namespace torv;
using namespace plottest;

namespace {

// The polyline of the `n`-th curve (counted from 0).
const GraphOp* curve(const GraphScene& g, size_t n)
{
    auto curves = opsOf(g, GraphOp::Curve);
    return n < curves.size() ? curves[n] : nullptr;
}

// The markers drawn along the `n`-th curve: the Mark operations between its
// polyline and the next fill reset.
std::vector<const GraphOp*> curveMarks(const GraphScene& g, size_t n)
{
    std::vector<const GraphOp*> out;
    size_t seen = 0;
    bool inside = false;
    for (const GraphOp& op : g.ops) {
        if (op.kind == GraphOp::Curve)
            inside = seen++ == n;
        else if (op.kind == GraphOp::WhiteFill)
            inside = false;
        else if (inside && op.kind == GraphOp::Mark)
            out.push_back(&op);
    }
    return out;
}

bool hasLine(const GraphScene& g, GraphOp::Kind kind, int x1, int y1, int x2, int y2)
{
    for (const GraphOp* op : opsOf(g, kind))
        if (op->x1 == x1 && op->y1 == y1 && op->x2 == x2 && op->y2 == y2)
            return true;
    return false;
}

struct LayoutCase {
    std::vector<int> codes;
    bool negative;
    int L, W, D, Y0, Hp, G;
};

class Layout : public testing::TestWithParam<LayoutCase> { };

} // namespace

TEST_P(Layout, QuantitiesFollowTheNumberOfCodesAndTheSign)
{
    const LayoutCase& c = GetParam();
    resetState();
    fillSeries(0, [](int i) { return i; });
    for (size_t k = 1; k < c.codes.size(); ++k)
        fillSeries(c.codes[k], [](int i) { return 2.0 * i; });
    if (c.negative)
        st.Ergebnis[c.codes.back() * kN + 250] = -1;
    select(c.codes);
    const GraphScene g = layout();
    EXPECT_EQ(g.K, static_cast<int>(c.codes.size()));
    EXPECT_EQ(g.L, c.L);
    EXPECT_EQ(g.W, c.W);
    EXPECT_EQ(g.D, c.D);
    EXPECT_EQ(g.Y0, c.Y0);
    EXPECT_EQ(g.Hp, c.Hp);
    EXPECT_EQ(g.G, c.G);
    EXPECT_EQ(g.negative, c.negative);
    // The top grid line lies at y = 19 in both layouts.
    EXPECT_EQ(g.Y0 - 7 * g.G, 19);
}

// L = rnd(37K + 26), D = rnd((37K + 15)/(K - 1)); Y0 460 or 313, Hp 440 or 293,
// G = rnd(Hp/7).
INSTANTIATE_TEST_SUITE_P(ByK, Layout,
    testing::Values(LayoutCase { { 0, 1 }, false, 100, 630, 89, 460, 440, 63 },
        LayoutCase { { 0, 3, 1 }, false, 137, 593, 63, 460, 440, 63 },
        LayoutCase { { 0, 3, 1, 4, 2, 9 }, false, 248, 482, 47, 460, 440, 63 },
        LayoutCase { { 0, 3, 1, 4, 2, 9, 19 }, false, 285, 445, 46, 460, 440, 63 },
        LayoutCase { { 0, 1 }, true, 100, 630, 89, 313, 293, 42 },
        LayoutCase { { 0, 3, 1, 4, 2, 9 }, true, 248, 482, 47, 313, 293, 42 }));

namespace {

struct SignCase {
    const char* name;
    int element; // element of Ergebnis set to -5, or -1 for none
    int page;
    bool negative;
};

class NegativeTest : public testing::TestWithParam<SignCase> { };

} // namespace

TEST_P(NegativeTest, OnlyDrawnPositionsOfSelectedCodesCount)
{
    const SignCase& c = GetParam();
    resetState();
    st.PageSize = 15000;
    st.GraphPage = c.page;
    for (int page = 0; page < 2; ++page) {
        fillSeries(30 * page + 0, [](int i) { return i; });
        fillSeries(30 * page + 3, [](int i) { return 10.0 + i; });
        fillSeries(30 * page + 1, [](int i) { return 5.0 + i; });
    }
    if (c.element >= 0)
        st.Ergebnis[c.element] = -5;
    select({ 0, 3, 1 });
    const GraphScene g = layout();
    EXPECT_EQ(g.negative, c.negative);
    EXPECT_EQ(g.Y0, c.negative ? 313 : 460);
    const auto bands = opsOf(g, GraphOp::Band);
    if (c.negative) {
        ASSERT_EQ(bands.size(), 1u);
        // From the zero line down to the base line, one pixel wider than the plot.
        EXPECT_EQ(bands[0]->x1, g.L);
        EXPECT_EQ(bands[0]->y1, 460);
        EXPECT_EQ(bands[0]->x2, 730 + 1);
        EXPECT_EQ(bands[0]->y2, 313);
    } else {
        EXPECT_TRUE(bands.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, NegativeTest,
    testing::Values(SignCase { "AllPositive", -1, 0, false }, SignCase { "InACurve", 3 * kN + 17, 0, true },
        SignCase { "OnlyInTheHorizontalSeries", 0 * kN + 7, 0, true },
        SignCase { "OnlyAtPositionZeroOfACurve", 1 * kN + 0, 0, false },
        SignCase { "OnlyAtPositionZeroOfTheHorizontal", 0, 0, false },
        SignCase { "InASeriesNotSelected", 4 * kN + 9, 0, false },
        SignCase { "LastPositionCounts", 1 * kN + 499, 0, true },
        SignCase { "OnTheSelectedPage", 15000 + 3 * kN + 40, 1, true },
        SignCase { "OnAnotherPage", 3 * kN + 40, 1, false }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Grid, EightHorizontalAndNineVerticalGreyLines)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    for (int code : { 3, 1, 4, 2, 9 })
        fillSeries(code, [](int i) { return i; });
    select({ 0, 3, 1, 4, 2, 9 });
    const GraphScene g = layout();
    EXPECT_EQ(opsOf(g, GraphOp::GridLine).size(), 17u);
    for (int j = 0; j <= 7; ++j)
        EXPECT_TRUE(hasLine(g, GraphOp::GridLine, 248, 460 - 63 * j, 730, 460 - 63 * j)) << j;
    // x = L + rnd(j*W/8) with W = 482: 60.25 j, halves (120.5, 361.5) to even.
    const int xs[] = { 248, 308, 368, 429, 489, 549, 610, 670, 730 };
    for (int x : xs)
        EXPECT_TRUE(hasLine(g, GraphOp::GridLine, x, 460, x, 19)) << x;
}

TEST(HorizontalAxis, TitleAndNineLabelsFromZeroToTheMaximum)
{
    resetState();
    fillSeries(0, [](int i) { return i * 100.0 / 499; });
    st.Ergebnis[0] = 1e9; // position 0 never sets the scale
    fillSeries(3, [](int i) { return i; });
    fillSeries(1, [](int i) { return i; });
    select({ 0, 3, 1 }); // K = 3: L = 137, W = 593, rnd(W/8) = 74
    const GraphScene g = layout(',');
    EXPECT_EQ(textAt(g, 137 + 296, 490), "t,s"); // rnd(296.5) = 296
    const char* labels[] = { "0", "12,5", "25", "37,5", "50", "62,5", "75", "87,5", "100" };
    for (int j = 0; j <= 8; ++j)
        EXPECT_EQ(textAt(g, 137 + 74 * j - 8, 469), labels[j]) << j;
}

TEST(HorizontalAxis, LargeValuesUseFourDigitsAndTwoExponentDigits)
{
    resetState();
    fillSeries(7, [](int i) { return i * 987654.0 / 499; });
    fillSeries(3, [](int i) { return i; });
    st.FlagX = 1;
    select({ 7, 3 }); // L = 100, W = 630, rnd(W/8) = 79 (78.75)
    const GraphScene g = layout();
    EXPECT_EQ(textAt(g, 100 + 315, 490), "X,km");
    // 987654/8 = 123456.75
    EXPECT_EQ(textAt(g, 100 + 79 - 8, 469), "1.235E05");
    EXPECT_EQ(textAt(g, 100 + 4 * 79 - 8, 469), "4.938E05");
    EXPECT_EQ(textAt(g, 100 + 8 * 79 - 8, 469), "9.877E05");
}

TEST(FirstCurve, TicksOnTheGridAndLabelsReadElevenTenthsOfTheMaximum)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(1, [](int i) { return i * 70.0 / 499; });
    select({ 0, 1 }); // K = 2: L = 100, D = 89; label x = 100 - 6 - rnd(44.5) - 13 = 37
    const GraphScene g = layout();
    const char* labels[] = { "0", "11", "22", "33", "44", "55", "66", "77" };
    for (int j = 0; j <= 7; ++j) {
        const int y = 460 - 63 * j;
        EXPECT_TRUE(hasLine(g, GraphOp::Line, 100, y, 97, y)) << j;
        EXPECT_EQ(textAt(g, 37, y - 5), labels[j]) << j;
    }
    // Title left of the plot at x = L - D + 2; speed as the first curve
    // stands 42 above the top T = rnd(0.9*440) = 396.
    EXPECT_EQ(textAt(g, 100 - 89 + 2, 460 - 396 - 42), "V,m/s");
    // The first curve has no axis line of its own.
    for (const GraphOp* op : opsOf(g, GraphOp::Line))
        EXPECT_FALSE(op->x1 == op->x2) << "vertical line at x = " << op->x1;
}

TEST(OtherCurves, AxisTicksAndLabelsAtTheirOwnSpacing)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(3, [](int i) { return i; });
    fillSeries(1, [](int i) { return i * 700.0 / 499; });
    select({ 0, 3, 1 }); // K = 3: L = 137, D = 63; curve 2 axis at 137 - 126 = 11
    const GraphScene g = layout();
    // T = 396, t = rnd(396/7) = 57.
    EXPECT_TRUE(hasLine(g, GraphOp::Line, 11, 460, 11, 460 - 396));
    for (int j = 0; j <= 7; ++j) {
        EXPECT_TRUE(hasLine(g, GraphOp::Line, 11, 460 - 57 * j, 14, 460 - 57 * j)) << j;
        EXPECT_EQ(textAt(g, 17, 460 - 57 * j), std::to_string(100 * j)) << j;
    }
    EXPECT_EQ(textAt(g, 13, 460 - 396 - 20), "V,m/s");
    // Altitude as the first curve: its title 18 above the top.
    EXPECT_EQ(textAt(g, 137 - 63 + 2, 460 - 396 - 18), "H,m");
}

TEST(NegativeCurve, MinusTenToFortyScalesAboutTheZeroLine)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(3, [](int i) { return 1000.0 + i; });
    // Path angle from +40 at position 1 down to -10 at position 499.
    fillSeries(4, [](int i) { return 40.0 - (i - 1) * 50.0 / 498; });
    select({ 0, 3, 4 }); // K = 3: L = 137, D = 63, axis of curve 2 at 11
    const GraphScene g = layout();
    ASSERT_EQ(g.Y0, 313);
    EXPECT_TRUE(hasLine(g, GraphOp::Line, 11, 460, 11, 460 - 2 * 147));
    EXPECT_EQ(textAt(g, 20, 313), "0.0");
    // T = rnd(0.9*147) = 132 for 40, tick step rnd(132/4) = 33.
    for (int j = 1; j <= 4; ++j) {
        const std::string label = std::to_string(10 * j);
        EXPECT_EQ(textAt(g, 17, 313 - 33 * j), label) << j;
        EXPECT_EQ(textAt(g, 17, 313 + 33 * j), label) << j;
        EXPECT_TRUE(hasLine(g, GraphOp::Line, 11, 313 - 33 * j, 14, 313 - 33 * j)) << j;
        EXPECT_TRUE(hasLine(g, GraphOp::Line, 11, 313 + 33 * j, 14, 313 + 33 * j)) << j;
    }
    // Negative-curve title "Q,*" at (axis - 2, Y0 - T - 20).
    EXPECT_EQ(textAt(g, 9, 313 - 132 - 20), "Q,*");
    const GraphOp* c = curve(g, 1);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->points.front().y, 313 - 132); // 40 at position 1
    EXPECT_EQ(c->points.back().y, 313 + 33); // -10 at position 499
    // The altitude curve above it keeps only T = rnd(0.9*293) = 264: its top
    // label 1.1*7*Bmax/7 stands at the top grid line.
    const GraphOp* h = curve(g, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->points.back().y, 313 - 264);
}

TEST(NegativeCurve, LargerPositiveSideSetsTheScaleAndLabelsUseThreeDigits)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(1, [](int i) { return i == 3 ? -1000.0 : 12345.0 * i / 499; });
    select({ 0, 1 }); // K = 2: first curve, negative: axis at L - D = 11
    const GraphScene g = layout();
    // step = 12345/4 = 3086.25: "3.09E3", "6.17E3", "9.26E3", "1.23E4"
    const char* labels[] = { "3.09E3", "6.17E3", "9.26E3", "1.23E4" };
    for (int j = 1; j <= 4; ++j) {
        EXPECT_EQ(textAt(g, 17, 313 - 33 * j), labels[j - 1]);
        EXPECT_EQ(textAt(g, 17, 313 + 33 * j), labels[j - 1]);
    }
    // Code 1 with negative values: title x = axis - 6.
    EXPECT_EQ(textAt(g, 11 - 6, 313 - 132 - 20), "V,m/s");
    const GraphOp* c = curve(g, 0);
    ASSERT_NE(c, nullptr);
    // -1000 at position 3: rnd(1000*132/12345) = rnd(10.69) = 11 below.
    EXPECT_EQ(c->points[2].y, 313 + 11);
}

TEST(Curve, PolylineStartsOnTheLeftEdgeAtPositionOne)
{
    resetState();
    fillSeries(0, [](int i) { return 10.0 + i; });
    fillSeries(3, [](int i) { return 3.0 * i; });
    select({ 0, 3 }); // L = 100, W = 630; Amax = 509, Bmax = 1497, T = 396
    const GraphScene g = layout();
    const GraphOp* c = curve(g, 0);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(c->points.size(), 499u);
    EXPECT_EQ(c->points[0].x, 100);
    EXPECT_EQ(c->points[0].y, 460 - static_cast<int>(std::nearbyint(3.0 * (396.0 / 1497))));
    for (int i : { 2, 100, 499 }) {
        const auto& p = c->points[i - 1];
        EXPECT_EQ(p.x, 100 + static_cast<int>(std::nearbyint((10.0 + i) * (630.0 / 509)))) << i;
        EXPECT_EQ(p.y, 460 - static_cast<int>(std::nearbyint(3.0 * i * (396.0 / 1497)))) << i;
    }
    EXPECT_EQ(c->points.back().x, 730);
    EXPECT_EQ(c->points.back().y, 460 - 396);
}

TEST(Curve, HorizontalNegativeValuesFallLeftOfThePlot)
{
    resetState();
    fillSeries(0, [](int i) { return i - 100.0; }); // -99 .. 399
    fillSeries(3, [](int i) { return i; });
    select({ 0, 3 });
    const GraphScene g = layout();
    const GraphOp* c = curve(g, 0);
    ASSERT_NE(c, nullptr);
    // Position 2: -98 at 630/399 pixels per unit.
    EXPECT_EQ(c->points[1].x, 100 + static_cast<int>(std::nearbyint(-98 * (630.0 / 399))));
    EXPECT_LT(c->points[1].x, 100);
    EXPECT_EQ(textAt(g, 100 - 8, 469), "0");
}

TEST(Markers, DefaultGraphIntervalsForFiveHundredPoints)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    const int codes[] = { 3, 1, 4, 2, 9 };
    for (int c : codes)
        fillSeries(c, [c](int i) { return (c + 1.0) * i; });
    select({ 0, 3, 1, 4, 2, 9 });
    const GraphScene g = layout();
    // rnd(sqrt(500)) = 22 plus d: altitude 0, speed -3, angle -1, q -2, nx 0.
    const int period[] = { 22, 19, 21, 20, 22 };
    const int kind[] = { 6, 7, 5, 1, 13 };
    for (size_t k = 0; k < 5; ++k) {
        const GraphOp* c = curve(g, k);
        ASSERT_NE(c, nullptr);
        const auto marks = curveMarks(g, k);
        ASSERT_EQ(static_cast<int>(marks.size()), 499 / period[k]) << "curve " << k;
        for (size_t m = 0; m < marks.size(); ++m) {
            const int i = period[k] * static_cast<int>(m + 1);
            EXPECT_EQ(marks[m]->x1, c->points[i - 1].x) << "curve " << k << " position " << i;
            EXPECT_EQ(marks[m]->y1, c->points[i - 1].y) << "curve " << k << " position " << i;
            EXPECT_EQ(marks[m]->mark, kind[k]);
        }
    }
}

TEST(Legend, CircleAndMarkerOnEachAxisFoot)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    for (int c : { 3, 1, 4, 2, 9 })
        fillSeries(c, [](int i) { return i; });
    select({ 0, 3, 1, 4, 2, 9 }); // L = 248, D = 47
    const GraphScene g = layout();
    const auto circles = opsOf(g, GraphOp::Legend);
    ASSERT_EQ(circles.size(), 5u);
    const int feet[] = { 248, 248 - 2 * 47, 248 - 3 * 47, 248 - 4 * 47, 248 - 5 * 47 };
    const int legendKind[] = { 6, 7, 5, 1, 13 };
    const int legendSize[] = { 6, 6, 4, 6, 6 };
    for (size_t k = 0; k < 5; ++k) {
        EXPECT_EQ(circles[k]->x1, feet[k] - 6);
        EXPECT_EQ(circles[k]->y1, 454);
        EXPECT_EQ(circles[k]->x2, feet[k] + 6);
        EXPECT_EQ(circles[k]->y2, 466);
        // The legend marker follows its circle.
        const GraphOp& mark = *(circles[k] + 1);
        EXPECT_EQ(mark.kind, GraphOp::Mark);
        EXPECT_EQ(mark.x1, feet[k]);
        EXPECT_EQ(mark.y1, 460);
        EXPECT_EQ(mark.mark, legendKind[k]);
        EXPECT_EQ(mark.size, legendSize[k]);
    }
}

TEST(Titles, HeatFluxTitleWithRaisedTwoAndTheGraphTitle)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(3, [](int i) { return i; });
    fillSeries(14, [](int i) { return i; });
    st.Sprache = 1;
    st.Titel = "  TORV vers 1.16 Beta  ";
    select({ 0, 3, 14 }); // K = 3, L = 137, D = 63: axis of code 14 at 11, top 64
    const GraphScene g = layout();
    EXPECT_EQ(textAt(g, 11, 64 - 20), "q,кВт/м");
    EXPECT_EQ(textAt(g, 11 + 38, 64 - 36), "2");
    EXPECT_EQ(textAt(g, 137 + 10, 460 - 18), "  TORV vers 1.16 Beta  ");
}

TEST(ZeroMaximum, AllZeroSeriesDrawsAsIfTheMaximumWereOne)
{
    resetState();
    select({ 0, 3, 1 });
    fpClear();
    const GraphScene g = layout();
    EXPECT_EQ(fpPending(), 0);
    // Horizontal labels j/8, first curve 1.1*j/7, second curve j/7.
    EXPECT_EQ(textAt(g, 137 + 74 - 8, 469), "0.125");
    EXPECT_EQ(textAt(g, 137 + 8 * 74 - 8, 469), "1");
    EXPECT_EQ(textAt(g, 137 - 6 - 32 - 13, 460 - 63 - 5), "0.1571"); // rnd(31.5) = 32
    EXPECT_EQ(textAt(g, 17, 460 - 57 * 7), "1");
    for (const GraphOp* c : opsOf(g, GraphOp::Curve))
        for (const Pixel& p : c->points) {
            EXPECT_EQ(p.x, 137);
            EXPECT_EQ(p.y, 460);
        }
}

TEST(ZeroMaximum, VerticalFlightOverRangeAndNoRunYet)
{
    resetState();
    fillSeries(3, [](int i) { return 5.0 * i; });
    fillSeries(1, [](int i) { return 100.0 - 0.1 * i; });
    select({ 7, 3, 1 }); // range 0 throughout
    fpClear();
    const GraphScene g = layout();
    EXPECT_EQ(fpPending(), 0);
    EXPECT_EQ(curve(g, 0)->points.back().x, 137);
    EXPECT_EQ(curve(g, 0)->points.back().y, 460 - 396);

    // Before the first run NPunkte is 0: axes and labels, no curve.
    const GraphScene empty = layoutGraph(st.Ergebnis.data(), st.GraphCodes.data(), 0, st.GraphCount, '.');
    EXPECT_EQ(fpPending(), 0);
    EXPECT_EQ(empty.K, 3);
    EXPECT_TRUE(opsOf(empty, GraphOp::Curve).empty());
    EXPECT_EQ(opsOf(empty, GraphOp::Legend).size(), 2u);
}

TEST(Extremes, FiniteSeriesOfAnyMagnitudeRaiseNoFault)
{
    const double big = DBL_MAX;
    const double tiny = std::numeric_limits<double>::denorm_min();
    struct Row {
        double a, b; // horizontal and curve value at every other position
    };
    const Row rows[] = { { big, big }, { tiny, tiny }, { -big, big }, { tiny, -big }, { big, tiny }, { -tiny, -tiny } };
    for (const Row& r : rows) {
        resetState();
        fillSeries(0, [&](int i) { return i % 2 ? r.a : -r.a / 2; });
        fillSeries(3, [&](int i) { return i % 2 ? r.b : 0.0; });
        fillSeries(1, [&](int i) { return i % 3 ? -r.b : r.b; });
        select({ 0, 3, 1 });
        fpClear();
        const GraphScene g = layout();
        EXPECT_EQ(fpPending(), 0) << r.a << " " << r.b;
        for (const GraphOp* c : opsOf(g, GraphOp::Curve))
            for (const Pixel& p : c->points) {
                EXPECT_LE(std::abs(p.x), 2'000'000);
                EXPECT_LE(std::abs(p.y), 2'000'000);
            }
    }
}

TEST(Extremes, NonNumbersAndCodesOutsideTheArrayReadAsZero)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(3, [](int i) { return i == 9 ? std::numeric_limits<double>::quiet_NaN() : 1.0 * i; });
    st.GraphCodes = {};
    select({ 0, 3, 150 });
    fpClear();
    const GraphScene g = layout();
    EXPECT_EQ(fpPending(), 0);
    EXPECT_FALSE(g.negative);
    EXPECT_EQ(curve(g, 0)->points[8].y, 460); // the NaN at position 9
    EXPECT_EQ(curve(g, 1)->points.back().y, 460);
}

TEST(Selection, NoCodeDrawsNothingAndLongCountsStopAtTheArray)
{
    resetState();
    st.GraphCount = 0;
    EXPECT_TRUE(layout().ops.empty());
    st.GraphCount = 1;
    EXPECT_TRUE(layout().ops.empty());
    st.GraphCount = 200;
    EXPECT_EQ(layout().K, kGraphCodesSize);
}

// A kept run that reaches higher sets the scale for both: the kept run fills
// the plot, the current one is drawn lower, and the legend names each.
TEST(Overlay, ScalesCoverEveryRunAndTheLegendNamesThem)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(3, [](int) { return 100.0; });
    select({ 0, 3 }); // K = 2: L = 100, T = 396
    std::vector<double> kept(static_cast<size_t>(31 * kN));
    for (int i = 0; i < kN; ++i) {
        kept[static_cast<size_t>(i)] = i;
        kept[static_cast<size_t>(3 * kN + i)] = 200;
    }
    GraphExtras extras;
    extras.kept = { { kept.data(), static_cast<int>(kept.size()), "Q0 = 30" } };
    extras.currentLabel = "current run";
    const GraphScene g = layoutGraph(st.Ergebnis.data(), st.GraphCodes.data(), kN, st.GraphCount, '.', extras);
    EXPECT_EQ(textAt(g, 37, 460 - 7 * 63 - 5), "220"); // 1.1 x the kept run's 200
    EXPECT_EQ(curve(g, 0)->points[10].y, 460 - 198);
    const auto runs = opsOf(g, GraphOp::RunCurve);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]->mark, 1);
    EXPECT_EQ(runs[0]->points[10].y, 460 - 396);
    const auto keys = opsOf(g, GraphOp::RunKey);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0]->text + "/" + keys[1]->text, "current run/Q0 = 30");
    EXPECT_EQ(keys[1]->mark, 1);
    // Without kept runs, nothing of the kind.
    for (GraphOp::Kind k : { GraphOp::RunCurve, GraphOp::RunKey, GraphOp::Event })
        EXPECT_TRUE(opsOf(layout(), k).empty());
}

// An event stands on the curve of its quantity; one whose quantity the graph
// does not show stands on the first curve, at its sample.
TEST(Events, OnTheirOwnCurveElseOnTheFirst)
{
    resetState();
    st.Szenario.Klasse = 8;
    fillSeries(0, [](int i) { return i; });
    fillSeries(3, [](int i) { return 1000 - (i - 200) * (i - 200) / 50.0; }); // apogee at position 200
    fillSeries(1, [](int i) { return i < 60 ? 10.0 * i : 600.0 - i; });
    fillSeries(2, [](int i) { return i == 120 ? 5.0 : 1.0; });
    fillSeries(15, [](int i) { return i <= 50 ? 100.0 : 0.0; }); // burnout after position 50
    st.H = 500; // the run ended in the air
    select({ 0, 3, 1 });
    GraphExtras extras;
    extras.events = true;
    const GraphScene g = layoutGraph(st.Ergebnis.data(), st.GraphCodes.data(), kN, st.GraphCount, '.', extras);
    const auto at = [&](size_t k, int position) {
        const Pixel p = curve(g, k)->points[static_cast<size_t>(position - 1)];
        return std::make_pair(p.x, p.y);
    };
    std::map<std::string, std::pair<int, int>> marks;
    for (const GraphOp* e : opsOf(g, GraphOp::Event))
        marks[e->text.substr(0, e->text.find('='))] = { e->x1, e->y1 };
    EXPECT_EQ(marks.size(), 3u); // no |nx| above 0, no landing
    EXPECT_EQ(marks["apogee H"], at(0, 200));
    EXPECT_EQ(marks["max q"], at(0, 120));
    EXPECT_EQ(marks["burnout V"], at(1, 50));
}

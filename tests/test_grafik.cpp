#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

#include "fault/faults.h"
#include "model/catalog.h"
#include "model/state.h"
#include "plot/grafik.h"
#include "test_plot_util.h"

using namespace torv;
using namespace plottest;

namespace {

QImage draw()
{
    return drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), kN, st.GraphCount);
}

int rnd(double x)
{
    return static_cast<int>(std::nearbyint(x));
}

// Time on the horizontal axis, one curve `code` held at `value`.
void flatGraph(int code, double value)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    fillSeries(code, [=](int) { return value; });
    select({ 0, code });
}

} // namespace

TEST(Picture, WhiteEightHundredBySixHundred)
{
    flatGraph(3, 100);
    const QImage img = draw();
    EXPECT_EQ(img.size(), QSize(800, 600));
    EXPECT_EQ(img.pixel(799, 599), kWhite);
    EXPECT_EQ(img.pixel(760, 10), kWhite);
}

TEST(Picture, GreyGridWithTheTopLineAtNineteen)
{
    flatGraph(3, 100); // K = 2: L = 100, W = 630, G = 63; the curve lies at 460 - 396 = 64
    const QImage img = draw();
    // Horizontal grid lines between the vertical ones (x = 100 + rnd(78.75 j)).
    for (int j = 0; j <= 7; ++j) {
        const int y = 460 - 63 * j;
        EXPECT_EQ(img.pixel(140, y), kGrey) << "line " << j;
        if (j > 0) {
            EXPECT_EQ(img.pixel(140, y + 1), kWhite) << "below line " << j;
        }
    }
    EXPECT_EQ(img.pixel(140, 18), kWhite);
    for (int j = 0; j <= 8; ++j)
        EXPECT_EQ(img.pixel(100 + rnd(j * 630 / 8.0), 300), kGrey) << "vertical " << j;
    EXPECT_EQ(img.pixel(101, 300), kWhite);
    // The curve overdraws the grid; no lower band without negative values.
    EXPECT_EQ(img.pixel(400, 64), kBlack);
    EXPECT_EQ(img.pixel(400, 459), kWhite);
    EXPECT_EQ(img.pixel(730, 440), kGrey);
}

TEST(Picture, LowerBandOutlinedBelowTheZeroLine)
{
    flatGraph(3, 100);
    st.Ergebnis[0 * kN + 5] = -1; // one negative time value is enough
    const QImage img = draw();
    // Band x 100..730, y 313..459; its top edge lies under the zero grid line.
    EXPECT_EQ(img.pixel(100, 400), kBlack);
    EXPECT_EQ(img.pixel(730, 400), kBlack);
    EXPECT_EQ(img.pixel(400, 459), kBlack);
    EXPECT_EQ(img.pixel(400, 460), kWhite);
    EXPECT_EQ(img.pixel(731, 400), kWhite);
    EXPECT_EQ(img.pixel(400, 400), kWhite);
    EXPECT_EQ(img.pixel(400, 313), kGrey);
    // The flat curve now stands T = 264 above the zero line: y = 49, with the grid at 19 above it.
    EXPECT_EQ(img.pixel(400, 313 - 264), kBlack);
    EXPECT_EQ(img.pixel(140, 19), kGrey);
    EXPECT_EQ(img.pixel(140, 313 - 42), kGrey);
}

TEST(Picture, AxisLinesAtTheirSpacing)
{
    struct Row {
        std::vector<int> codes;
        int L, D;
    };
    const Row rows[] = { { { 0, 3, 1, 4, 2, 9 }, 248, 47 }, { { 0, 3, 1, 4, 2, 9, 19 }, 285, 46 } };
    for (const Row& r : rows) {
        resetState();
        fillSeries(0, [](int i) { return i; });
        for (size_t k = 1; k < r.codes.size(); ++k)
            fillSeries(r.codes[k], [](int i) { return 1.0 * i; });
        select(r.codes);
        const QImage img = draw();
        const int K = static_cast<int>(r.codes.size());
        for (int k = 2; k < K; ++k) {
            const int x = r.L - k * r.D;
            // Between tick 3 (y = 460 - 3*57) and the label text to the right.
            EXPECT_EQ(img.pixel(x, 460 - 3 * 57 - 20), kBlack) << "K " << K << " axis " << k;
            EXPECT_EQ(img.pixel(x - 1, 460 - 3 * 57 - 20), kWhite) << "K " << K << " axis " << k;
            // Ticks run 3 pixels to the right.
            EXPECT_EQ(img.pixel(x + 2, 460 - 57), kBlack) << "K " << K << " tick " << k;
            EXPECT_EQ(img.pixel(x + 3, 460 - 57), kWhite) << "K " << K << " tick " << k;
        }
        // The first curve's ticks sit on the grid lines left of the plot.
        EXPECT_EQ(img.pixel(r.L - 2, 460 - 63), kBlack);
        EXPECT_EQ(img.pixel(r.L - 3, 460 - 63), kWhite);
    }
}

TEST(Picture, LegendCircleAroundTheMarker)
{
    flatGraph(3, 100); // foot of the first curve at (100, 460); legend kind 6 size 6
    const QImage img = draw();
    // Left of the plot's grid and above the horizontal axis labels.
    const QRect box = inkBox(img, QRect(80, 440, 19, 29));
    EXPECT_EQ(box.left(), 100 - 6);
    EXPECT_EQ(box.top(), 460 - 6);
    EXPECT_EQ(box.bottom(), 460 + 5);
    EXPECT_EQ(img.pixel(100, 460), qRgb(255, 0, 0)); // red square inside
    EXPECT_EQ(img.pixel(96, 460), kWhite); // circle interior
    EXPECT_EQ(img.pixel(105, 460), kBlack); // circle's right edge over the grid
}

TEST(Picture, SpeedMarkersEveryNineteenthPosition)
{
    resetState();
    fillSeries(0, [](int i) { return i; });
    // Five levels far apart, so that only same-level markers could touch.
    fillSeries(1, [](int i) { return 100.0 + 100.0 * (i % 5); });
    select({ 0, 1 });
    const QImage img = draw();
    const double sx = 630.0 / 499, sy = 396.0 / 500;
    int markers = 0;
    for (int i = 1; i < kN; ++i) {
        const int x = 100 + rnd(i * sx);
        const int y = 460 - rnd((100.0 + 100.0 * (i % 5)) * sy);
        const bool lime = img.pixel(x, y) == qRgb(0, 255, 0);
        EXPECT_EQ(lime, i % 19 == 0) << "position " << i;
        markers += lime;
    }
    EXPECT_EQ(markers, 26);
}

TEST(Picture, TitlesAndLabelsAreWritten)
{
    flatGraph(3, 100);
    st.Titel = "  TORV vers 1.16 Beta  ";
    const QImage img = draw();
    // Some black text inside each box: horizontal title at (415, 490), the
    // first curve's title at (13, 44), the graph title at (110, 442).
    EXPECT_FALSE(inkBox(img, QRect(415, 490, 30, 14)).isNull());
    EXPECT_FALSE(inkBox(img, QRect(13, 44, 30, 14)).isNull());
    EXPECT_FALSE(inkBox(img, QRect(110, 442, 120, 14)).isNull());
    EXPECT_TRUE(inkBox(img, QRect(300, 510, 300, 80)).isNull());
}

TEST(Grafik, ButtonsFollowLiftAndBalloonClassWithThePicture)
{
    struct Row {
        double cy, klasse;
        bool lift, balloon;
    };
    const Row rows[]
        = { { 0, 1, false, false }, { 0.3, 6, true, false }, { -0.1, 3, true, true }, { 0, 3, false, true } };
    for (const Row& r : rows) {
        flatGraph(3, 100);
        st.CyRun = r.cy;
        st.Szenario.Klasse = r.klasse;
        const DrawnGraph drawn = Grafik(st.Ergebnis.data(), st.GraphCodes.data(), kN, st.GraphCount);
        EXPECT_EQ(drawn.picture.size(), QSize(800, 600));
        for (GraphButton b : { GraphButton::AerodynamicsOverTime, GraphButton::NormalLoadOverTime,
                 GraphButton::LoadFactorsOverTime, GraphButton::LiftOverTime })
            EXPECT_EQ(drawn.shows(b), r.lift);
        EXPECT_EQ(drawn.shows(GraphButton::BuoyancyOverTime), r.balloon);
    }
}

TEST(Grafik, AllZeroCurvesDrawWithoutAFault)
{
    resetState();
    fillSeries(0, [](int i) { return 0.2 * i; });
    applyGraphSelection(Sel::RunEnd);
    fpClear();
    const DrawnGraph drawn = Grafik(st.Ergebnis.data(), st.GraphCodes.data(), kN, st.GraphCount);
    EXPECT_EQ(fpPending(), 0);
    // Every curve flat on the zero line, drawn over the grid from L = 248.
    EXPECT_EQ(drawn.picture.pixel(500, 460), kBlack);
}

// On a dense screen each graph pixel is a block of device pixels: an axis
// stays solid black beside white, never a smear of greys.
class Scaled : public ::testing::TestWithParam<double> { };

TEST_P(Scaled, AxisIsSolidBlackDevicePixels)
{
    const double s = GetParam();
    resetState();
    for (int code : { 0, 1, 3 })
        fillSeries(code, [](int i) { return i; });
    select({ 0, 3, 1 }); // K = 3: L = 137, D = 63, the second curve's axis at x = 11 from y = 64 to 460
    const QImage img = drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), kN, st.GraphCount, {}, s);
    EXPECT_EQ(img.size(), QSize(qRound(800 * s), qRound(600 * s)));
    EXPECT_EQ(img.devicePixelRatio(), s);
    const int x = 11;
    const int first = static_cast<int>(std::ceil(x * s)), last = static_cast<int>(std::floor((x + 1) * s)) - 1;
    for (int y : { 100, 300, 450 }) {
        const int row = static_cast<int>(y * s);
        for (int c = first; c <= last; ++c)
            EXPECT_EQ(img.pixel(c, row), kBlack) << "column " << c << " at y " << y;
        for (int c = first - 2; c <= last + 2; ++c)
            EXPECT_TRUE(img.pixel(c, row) == kBlack || img.pixel(c, row) == kWhite) << "column " << c;
        EXPECT_EQ(img.pixel(first - 2, row), kWhite);
        EXPECT_EQ(img.pixel(last + 2, row), kWhite);
    }
}

INSTANTIATE_TEST_SUITE_P(DevicePixelRatios, Scaled, ::testing::Values(2.0, 1.5),
    [](const auto& info) { return info.param == 2.0 ? std::string("Two") : std::string("OneAndAHalf"); });

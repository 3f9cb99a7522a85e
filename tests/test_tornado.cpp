// The tornado chart: rows by effect whatever the signs, and a picture drawn
// without smoothing at a dense screen's scale.
#include <gtest/gtest.h>

#include <QSet>

#include <cmath>
#include <limits>

#include "plot/tornado.h"

using torv::TornadoBar;

namespace {

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

struct OrderCase {
    const char* name;
    std::vector<TornadoBar> bars;
    std::vector<size_t> order;
};

const OrderCase kOrders[] = {
    { "LargerOfEitherSide", { { "a", -1, 1 }, { "b", 5, -3 }, { "c", 0.5, -2 } }, { 1, 2, 0 } },
    { "NegativeCountsByItsSize", { { "a", 0.1, 0.2 }, { "b", -7, -6 } }, { 1, 0 } },
    { "WithoutNumbersLast", { { "a", kNone, kNone }, { "b", kNone, 0.1 }, { "c", 0, 0 } }, { 1, 2, 0 } },
    { "EqualEffectsKeepTheirOrder", { { "a", 2, -2 }, { "b", -2, 2 }, { "c", 2, 1 } }, { 0, 1, 2 } },
};

class TornadoOrder : public ::testing::TestWithParam<OrderCase> { };

} // namespace

TEST_P(TornadoOrder, LargestEffectOnTop)
{
    EXPECT_EQ(torv::tornadoOrder(GetParam().bars), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Bars, TornadoOrder, ::testing::ValuesIn(kOrders), [](const auto& info) { return std::string(info.param.name); });

TEST(Tornado, CrispAtScaleTwo)
{
    const std::vector<TornadoBar> bars = { { "V0", -4, 4 }, { "Q0", 0.1, -0.1 }, { "m", kNone, kNone } };
    const QImage picture = torv::tornadoPicture(bars, { "range_m", "change, %", "-1 %", "+1 %" }, 2);
    EXPECT_EQ(picture.size(), QSize(2 * torv::kTornadoWidth, 2 * torv::tornadoHeight(bars.size())));
    // Aliased: only the ground, the ink, the grid and the two bars' colours.
    QSet<QRgb> colours;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            colours.insert(picture.pixel(x, y));
    EXPECT_LE(colours.size(), 5) << "smoothed edges";
    EXPECT_TRUE(colours.contains(qRgb(0, 0, 0x80))) << "no bar drawn";
}

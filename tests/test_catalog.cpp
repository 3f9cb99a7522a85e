#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/catalog.h"
#include "model/state.h"

using namespace torv;

namespace {

struct SelectionCase {
    Sel sel;
    const char* name;
    std::vector<int> codes; // horizontal first
};

// Every selection with the codes it writes.
const SelectionCase kSelections[] = {
    { Sel::RunEnd, "RunEnd", { 0, 3, 1, 4, 2, 9 } },
    { Sel::RunEndBalloon, "RunEndBalloon", { 0, 3, 1, 21, 2, 9, 19 } },
    { Sel::FlightOverRange, "FlightOverRange", { 7, 3, 1, 4, 2, 9 } },
    { Sel::FlightOverTime, "FlightOverTime", { 0, 3, 1, 4, 2, 9 } },
    { Sel::SpeedAltitudeOverTime, "SpeedAltitudeOverTime", { 0, 3, 1 } },
    { Sel::SpeedOverTime, "SpeedOverTime", { 0, 1 } },
    { Sel::SpeedAltitudeOverRange, "SpeedAltitudeOverRange", { 7, 3, 1 } },
    { Sel::AltitudeOverTime, "AltitudeOverTime", { 0, 3 } },
    { Sel::AxialLoadOverTime, "AxialLoadOverTime", { 0, 9 } },
    { Sel::NormalLoadOverTime, "NormalLoadOverTime", { 0, 10 } },
    { Sel::DynamicPressureOverTime, "DynamicPressureOverTime", { 0, 2 } },
    { Sel::PathAngleOverTime, "PathAngleOverTime", { 0, 4 } },
    { Sel::LoadFactorsOverTime, "LoadFactorsOverTime", { 0, 3, 9, 10, 4, 1 } },
    { Sel::DragOverTime, "DragOverTime", { 0, 21 } },
    { Sel::LiftOverTime, "LiftOverTime", { 0, 22 } },
    { Sel::AltitudeOverSpeed, "AltitudeOverSpeed", { 1, 3 } },
    { Sel::HeatingOverTime, "HeatingOverTime", { 0, 3, 1, 4, 2, 9, 14 } },
    { Sel::BuoyancyOverTime, "BuoyancyOverTime", { 0, 3, 1, 12, 11 } },
    { Sel::ThrustOverTime, "ThrustOverTime", { 0, 3, 1, 4, 15, 16, 17 } },
    { Sel::AerodynamicsOverTime, "AerodynamicsOverTime", { 0, 3, 23, 25, 21 } },
    { Sel::AtmosphereOverTime, "AtmosphereOverTime", { 0, 3, 1, 26, 27, 28, 29 } },
};

class Selection : public testing::TestWithParam<SelectionCase> { };

} // namespace

TEST_P(Selection, WritesCodesCountAndPageAndLeavesLaterEntries)
{
    const SelectionCase& c = GetParam();
    resetState();
    st.GraphCodes.fill(99);
    st.GraphPage = 3;
    applyGraphSelection(c.sel);
    const int n = static_cast<int>(c.codes.size());
    EXPECT_EQ(st.GraphCount, n + 1);
    EXPECT_EQ(st.GraphPage, 0);
    for (int i = 0; i < n; ++i)
        EXPECT_EQ(st.GraphCodes[i], c.codes[i]) << "entry " << i;
    for (int i = n; i < kGraphCodesSize; ++i)
        EXPECT_EQ(st.GraphCodes[i], 99) << "leftover entry " << i;
}

INSTANTIATE_TEST_SUITE_P(AllSelections, Selection, testing::ValuesIn(kSelections),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Selection, ShorterSelectionKeepsTheLongerOnesTail)
{
    resetState();
    applyGraphSelection(Sel::ThrustOverTime);
    applyGraphSelection(Sel::AltitudeOverTime);
    EXPECT_EQ(st.GraphCount, 3);
    EXPECT_EQ(st.GraphCodes[0], 0);
    EXPECT_EQ(st.GraphCodes[1], 3);
    // The renderer only reads GraphCount - 1 codes; the rest stays as it was.
    EXPECT_EQ(st.GraphCodes[2], 1);
    EXPECT_EQ(st.GraphCodes[6], 17);
}

namespace {

struct TitleCase {
    int code;
    bool negative;
    bool first;
    int flagValue; // written into the flag (or Sprache) that chooses the title
    const char* expected;
    int dx, dy; // relative to (axis x, axis top)
};

// Which state variable chooses each code's title.
int* chooser(int code)
{
    switch (code) {
    case 1:
        return &st.FlagV;
    case 2:
        return &st.FlagQ;
    case 3:
        return &st.FlagH;
    case 14:
        return &st.Sprache;
    case 15:
        return &st.FlagP;
    case 16:
        return &st.FlagM;
    default:
        return nullptr;
    }
}

const TitleCase kTitles[] = {
    // code neg    first  flag  title           dx    dy
    { 1, false, false, 0, "V,m/s", 2, -20 },
    { 1, false, false, 1, "V,km/s", 2, -20 },
    { 1, false, true, 1, "V,km/s", 2, -42 },
    { 1, true, false, 1, "V,m/s", -6, -20 },
    { 1, true, true, 0, "V,m/s", -6, -20 },
    { 2, false, false, 0, "q,Pa", 2, -20 },
    { 2, false, false, 1, "q,kPa", 2, -20 },
    { 2, false, false, 2, "q,MPa", 2, -20 },
    { 2, true, false, 0, "", 0, 0 },
    { 3, false, false, 0, "H,m", 2, -20 },
    { 3, false, false, 1, "H,km", 2, -20 },
    { 3, false, true, 1, "H,km", 2, -18 },
    { 3, true, true, 0, "", 0, 0 },
    { 4, false, true, 0, "Q,grad", 2, -20 },
    { 4, true, false, 0, "Q,*", -2, -20 },
    { 9, true, false, 0, "nx,g", -2, -20 },
    { 10, false, false, 0, "ny,g", 2, -20 },
    { 11, true, false, 0, "A-mg,N", -2, -20 },
    { 12, false, false, 0, "A,N", 2, -20 },
    { 12, true, false, 0, "F,N", -12, -20 },
    { 14, false, false, 1, "q,кВт/м", 0, -20 },
    { 14, false, false, 2, "q,kW/m", -5, -20 },
    { 14, false, true, 3, "q,kW/m", -5, -20 },
    { 14, true, false, 3, "", 0, 0 },
    { 15, false, false, 0, "P,N", 2, -20 },
    { 15, false, false, 1, "P,kN", 2, -20 },
    { 15, true, false, 1, "P,N", -2, -20 },
    { 16, false, false, 1, "m,t", 2, -20 },
    { 16, true, false, 0, "m,kg/s", -2, -20 },
    { 17, false, false, 0, "P/m, N/kg", 2, -35 },
    { 17, false, true, 0, "P/m, N/kg", 2, -35 },
    { 17, true, false, 0, "P/m,N/kg", -2, -20 },
    { 19, false, false, 0, "Volumen,m3", 2, -20 },
    { 21, false, false, 0, "D,N", 2, -20 },
    { 22, true, false, 0, "L,H", -2, -20 },
    { 23, false, false, 0, "Cx", 2, -20 },
    { 25, false, false, 0, "Mach", 2, -20 },
    { 26, false, false, 0, "T,K", 2, -20 },
    { 27, false, false, 0, "P,bar", 2, -20 },
    { 28, false, false, 0, "r,kg/m3", 2, -20 },
    { 29, false, false, 0, "Re/1000(1m)", 2, -20 },
    { 29, true, false, 0, "", 0, 0 },
    { 0, false, false, 0, "", 0, 0 },
    { 30, false, false, 0, "", 0, 0 },
};

class Title : public testing::TestWithParam<TitleCase> { };

} // namespace

TEST_P(Title, TextAndPlaceFollowFlagsAndCase)
{
    const TitleCase& c = GetParam();
    resetState();
    if (int* f = chooser(c.code))
        *f = c.flagValue;
    const CurveTitle t = curveTitle(c.code, c.negative, c.first);
    EXPECT_EQ(t.text, c.expected);
    if (!t.text.empty()) {
        EXPECT_EQ(t.dx, c.dx);
        EXPECT_EQ(t.dy, c.dy);
    }
    // Only the heat flux's positive title carries the raised "2", 38 pixels
    // right of the axis and 36 above its top.
    if (c.code == 14 && !c.negative) {
        EXPECT_EQ(t.raised, "2");
        EXPECT_EQ(t.raisedDx, 38);
        EXPECT_EQ(t.raisedDy, -36);
    } else {
        EXPECT_TRUE(t.raised.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, Title, testing::ValuesIn(kTitles));

TEST(Title, OtherFlagsDoNotChangeAPlainTitle)
{
    resetState();
    st.FlagV = st.FlagQ = st.FlagH = st.FlagX = st.FlagP = st.FlagM = 1;
    st.FlagT = 3;
    EXPECT_EQ(curveTitle(9, false, false).text, "nx,g");
    EXPECT_EQ(curveTitle(3, false, false).text, "H,km");
    EXPECT_EQ(curveTitle(2, false, false).text, "q,kPa");
}

TEST(HorizontalTitle, TimeSpeedAndRangeFollowTheirFlags)
{
    struct Row {
        int code, flag;
        const char* expected;
    };
    const Row rows[] = {
        { 0, 0, "t,s" },
        { 0, 2, "t,min" },
        { 0, 3, "t,h" },
        { 1, 0, "V,m/s" },
        { 1, 1, "V,km/s" },
        { 7, 0, "X,m" },
        { 7, 1, "X,km" },
        { 3, 1, "" },
    };
    for (const Row& r : rows) {
        resetState();
        st.FlagT = r.code == 0 ? r.flag : 0;
        st.FlagV = r.code == 1 ? r.flag : 0;
        st.FlagX = r.code == 7 ? r.flag : 0;
        st.FlagH = r.code == 3 ? r.flag : 0;
        EXPECT_EQ(horizontalTitle(r.code), r.expected) << "code " << r.code << " flag " << r.flag;
    }
}

TEST(SeriesMarks, LegendCurveAndIntervalOffsets)
{
    struct Row {
        int code;
        MarkStyle legend, curve;
        int d;
    };
    const Row rows[] = {
        { 1, { 7, 6 }, { 7, 6 }, -3 },
        { 2, { 1, 6 }, { 1, 8 }, -2 },
        { 3, { 6, 6 }, { 6, 6 }, 0 },
        { 4, { 5, 4 }, { 5, 6 }, -1 },
        { 9, { 13, 6 }, { 13, 7 }, 0 },
        { 10, { 12, 6 }, { 12, 7 }, -1 },
        { 11, { 18, 8 }, { 18, 9 }, 1 },
        { 12, { 16, 8 }, { 16, 9 }, 2 },
        { 14, { 8, 8 }, { 8, 8 }, 0 },
        { 15, { 4, 8 }, { 4, 8 }, 0 },
        { 16, { 10, 8 }, { 10, 8 }, 3 },
        { 17, { 11, 8 }, { 11, 9 }, -1 },
        { 19, { 2, 8 }, { 2, 7 }, -2 },
        { 21, { 9, 8 }, { 9, 8 }, -3 },
        { 22, { 8, 8 }, { 8, 8 }, -2 },
        { 23, { 16, 8 }, { 16, 8 }, -1 },
        { 25, { 18, 8 }, { 18, 8 }, -3 },
        { 26, { 12, 8 }, { 12, 8 }, -1 },
        { 27, { 13, 8 }, { 13, 8 }, -2 },
        { 28, { 16, 8 }, { 16, 8 }, 0 },
        { 29, { 4, 8 }, { 4, 8 }, 1 },
    };
    for (const Row& r : rows) {
        const SeriesMarks* m = seriesMarks(r.code);
        ASSERT_NE(m, nullptr) << "code " << r.code;
        EXPECT_EQ(m->legend.kind, r.legend.kind) << "code " << r.code;
        EXPECT_EQ(m->legend.size, r.legend.size) << "code " << r.code;
        EXPECT_EQ(m->curve.kind, r.curve.kind) << "code " << r.code;
        EXPECT_EQ(m->curve.size, r.curve.size) << "code " << r.code;
        EXPECT_EQ(m->d, r.d) << "code " << r.code;
    }
    for (int code : { 0, 5, 6, 7, 8, 13, 18, 20, 24, 30, -1, 99 })
        EXPECT_EQ(seriesMarks(code), nullptr) << "code " << code;
}

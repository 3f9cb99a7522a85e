#include "plot/catalog.h"

#include <array>

#include "sim/quantities.h"
#include "sim/state.h"

namespace torv {

namespace {

using S = Series;

// What chooses between a series' titles. Unit: entry 0 is the symbol, and
// the title is the symbol, a comma and the unit the quantity registry gives
// for the current unit flags.
enum class By { Nothing, Unit, Sprache };

// Titles indexed by Sprache 0..3; a missing entry, or a value outside 0..3,
// takes entry 0.
using Titles = std::array<const char*, 4>;

std::string pick(int code, const Titles& titles, By by)
{
    if (by == By::Unit) {
        std::string title = titles[0];
        title += ',';
        title += currentUnit(static_cast<Series>(code));
        return title;
    }
    const int v = by == By::Sprache ? st.Sprache : 0;
    if (v >= 0 && v < 4 && titles[v])
        return titles[v];
    return titles[0];
}

struct SeriesRow {
    Series code;
    By by;
    Titles title; // curve without negative values
    const char* negTitle; // curve with negative values; nullptr: no title
    SeriesMarks marks; // legend (kind, size), curve (kind, size), d
};

// clang-format off
const SeriesRow kSeries[] = {
//   series               by            titles by Sprache 0..3, or the symbol (Unit)        with negatives  legend   curve    d
    {S::Speed,            By::Unit,     {"V"},                                                  "V,m/s",        {{ 7, 6}, { 7, 6}, -3}},
    {S::DynamicPressure,  By::Unit,     {"q"},                                                  nullptr,        {{ 1, 6}, { 1, 8}, -2}},
    {S::Altitude,         By::Unit,     {"H"},                                                  nullptr,        {{ 6, 6}, { 6, 6},  0}},
    {S::PathAngle,        By::Nothing,  {"Q,grad"},                                             "Q,*",          {{ 5, 4}, { 5, 6}, -1}},
    {S::LoadFactorX,      By::Nothing,  {"nx,g"},                                               "nx,g",         {{13, 6}, {13, 7},  0}},
    {S::LoadFactorY,      By::Nothing,  {"ny,g"},                                               "ny,g",         {{12, 6}, {12, 7}, -1}},
    {S::NetVertical2,     By::Nothing,  {"A-mg,N"},                                             "A-mg,N",       {{18, 8}, {18, 9},  1}},
    {S::Buoyancy,         By::Nothing,  {"A,N"},                                                "F,N",          {{16, 8}, {16, 9},  2}},
    {S::HeatFlux,         By::Sprache,  {"q,kW/m", "q,кВт/м", "q,kW/m", "q,kW/m"},             nullptr,        {{ 8, 8}, { 8, 8},  0}},
    {S::Thrust,           By::Unit,     {"P"},                                                  "P,N",          {{ 4, 8}, { 4, 8},  0}},
    {S::Mass,             By::Unit,     {"m"},                                                  "m,kg/s",       {{10, 8}, {10, 8},  3}},
    {S::ThrustPerMass,    By::Nothing,  {"P/m, N/kg"},                                          "P/m,N/kg",     {{11, 8}, {11, 9}, -1}},
    {S::Volume,           By::Nothing,  {"Volumen,m3"},                                         nullptr,        {{ 2, 8}, { 2, 7}, -2}},
    {S::Drag,             By::Nothing,  {"D,N"},                                                nullptr,        {{ 9, 8}, { 9, 8}, -3}},
    {S::Lift,             By::Nothing,  {"L,N"},                                                "L,H",          {{ 8, 8}, { 8, 8}, -2}},
    {S::DragCoefficient,  By::Nothing,  {"Cx"},                                                 nullptr,        {{16, 8}, {16, 8}, -1}},
    {S::Mach,             By::Nothing,  {"Mach"},                                               nullptr,        {{18, 8}, {18, 8}, -3}},
    {S::AirTemperature,   By::Nothing,  {"T,K"},                                                nullptr,        {{12, 8}, {12, 8}, -1}},
    {S::AirPressure,      By::Nothing,  {"P,bar"},                                              nullptr,        {{13, 8}, {13, 8}, -2}},
    {S::AirDensity,       By::Nothing,  {"r,kg/m3"},                                            nullptr,        {{16, 8}, {16, 8},  0}},
    {S::ReynoldsPer1000,  By::Nothing,  {"Re/1000(1m)"},                                        nullptr,        {{ 4, 8}, { 4, 8},  1}},
};

struct AxisRow {
    Series code;
    By by;
    Titles title;
};

// Only these codes ever stand on the horizontal axis.
const AxisRow kHorizontal[] = {
    {S::Time,             By::Unit,  {"t"}},
    {S::Speed,            By::Unit,  {"V"}},
    {S::Range,            By::Unit,  {"X"}},
};

// Where a title stands when it does not stand at the base point: (axis x +
// 2, axis top - 20) without negative values, (axis x - 2, axis top - 20)
// with them. A row with a text applies to that title only.
enum class Case { FirstPositive, Positive, Negative };
struct TitleShift {
    Series code;
    Case when;
    const char* text;  // nullptr: whatever the title
    int dx;
    int dy;
};

const TitleShift kShifts[] = {
//   series               case                  title        dx    dy
    {S::Speed,            Case::FirstPositive,  nullptr,      2,  -42},
    {S::Altitude,         Case::FirstPositive,  nullptr,      2,  -18},
    {S::HeatFlux,         Case::Positive,       "q,kW/m",    -5,  -20},
    {S::HeatFlux,         Case::Positive,       "q,кВт/м",    0,  -20},
    {S::ThrustPerMass,    Case::Positive,       nullptr,      2,  -35},
    {S::Speed,            Case::Negative,       nullptr,     -6,  -20},
    {S::Buoyancy,         Case::Negative,       nullptr,    -12,  -20},
};

// The squared unit of the heat flux, raised above its title.
constexpr Series kRaised = Series::HeatFlux;
constexpr int kRaisedDx = 38;
constexpr int kRaisedDy = -36;

struct SelectionRow {
    Sel sel;
    int count;  // number of codes, the horizontal one included
    std::array<Series, 7> codes;
};

const SelectionRow kSelections[] = {
//   selection                    n  horizontal, curves in drawing order
    {Sel::RunEnd,                   6, {S::Time, S::Altitude, S::Speed, S::PathAngle, S::DynamicPressure, S::LoadFactorX}},
    {Sel::RunEndBalloon,            7, {S::Time, S::Altitude, S::Speed, S::Drag, S::DynamicPressure, S::LoadFactorX, S::Volume}},
    {Sel::FlightOverRange,          6, {S::Range, S::Altitude, S::Speed, S::PathAngle, S::DynamicPressure, S::LoadFactorX}},
    {Sel::FlightOverTime,           6, {S::Time, S::Altitude, S::Speed, S::PathAngle, S::DynamicPressure, S::LoadFactorX}},
    {Sel::SpeedAltitudeOverTime,    3, {S::Time, S::Altitude, S::Speed}},
    {Sel::SpeedOverTime,            2, {S::Time, S::Speed}},
    {Sel::SpeedAltitudeOverRange,   3, {S::Range, S::Altitude, S::Speed}},
    {Sel::AltitudeOverTime,         2, {S::Time, S::Altitude}},
    {Sel::AxialLoadOverTime,        2, {S::Time, S::LoadFactorX}},
    {Sel::NormalLoadOverTime,       2, {S::Time, S::LoadFactorY}},
    {Sel::DynamicPressureOverTime,  2, {S::Time, S::DynamicPressure}},
    {Sel::PathAngleOverTime,        2, {S::Time, S::PathAngle}},
    {Sel::LoadFactorsOverTime,      6, {S::Time, S::Altitude, S::LoadFactorX, S::LoadFactorY, S::PathAngle, S::Speed}},
    {Sel::DragOverTime,             2, {S::Time, S::Drag}},
    {Sel::LiftOverTime,             2, {S::Time, S::Lift}},
    {Sel::AltitudeOverSpeed,        2, {S::Speed, S::Altitude}},
    {Sel::HeatingOverTime,          7, {S::Time, S::Altitude, S::Speed, S::PathAngle, S::DynamicPressure, S::LoadFactorX, S::HeatFlux}},
    {Sel::BuoyancyOverTime,         5, {S::Time, S::Altitude, S::Speed, S::Buoyancy, S::NetVertical2}},
    {Sel::ThrustOverTime,           7, {S::Time, S::Altitude, S::Speed, S::PathAngle, S::Thrust, S::Mass, S::ThrustPerMass}},
    {Sel::AerodynamicsOverTime,     5, {S::Time, S::Altitude, S::DragCoefficient, S::Mach, S::Drag}},
    {Sel::AtmosphereOverTime,       7, {S::Time, S::Altitude, S::Speed, S::AirTemperature, S::AirPressure, S::AirDensity, S::ReynoldsPer1000}},
};
// clang-format on

const SeriesRow* findSeries(int code)
{
    for (const SeriesRow& row : kSeries)
        if (torv::code(row.code) == code)
            return &row;
    return nullptr;
}

} // namespace

void applyGraphSelection(Sel s)
{
    for (const SelectionRow& row : kSelections) {
        if (row.sel != s)
            continue;
        for (int i = 0; i < row.count; ++i)
            st.GraphCodes[i] = code(row.codes[i]);
        st.GraphCount = row.count + 1;
        st.GraphPage = 0;
        return;
    }
}

const SeriesMarks* seriesMarks(int code)
{
    const SeriesRow* row = findSeries(code);
    return row ? &row->marks : nullptr;
}

CurveTitle curveTitle(int code, bool negative, bool firstCurve)
{
    CurveTitle t;
    const SeriesRow* row = findSeries(code);
    if (!row)
        return t;
    if (negative && !row->negTitle)
        return t;
    if (negative)
        t.text = row->negTitle;
    else
        t.text = pick(code, row->title, row->by);
    t.dx = negative ? -2 : 2;
    t.dy = -20;
    for (const TitleShift& s : kShifts) {
        const bool applies = s.when == Case::Negative ? negative
            : s.when == Case::Positive                ? !negative
                                                      : !negative && firstCurve;
        if (torv::code(s.code) == code && applies && (!s.text || t.text == s.text)) {
            t.dx = s.dx;
            t.dy = s.dy;
        }
    }
    if (code == torv::code(kRaised) && !negative) {
        t.raised = "2";
        t.raisedDx = kRaisedDx;
        t.raisedDy = kRaisedDy;
    }
    return t;
}

std::string horizontalTitle(int code)
{
    for (const AxisRow& row : kHorizontal)
        if (torv::code(row.code) == code)
            return pick(code, row.title, row.by);
    return {};
}

} // namespace torv

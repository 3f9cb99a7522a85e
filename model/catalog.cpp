#include "model/catalog.h"

#include <array>
#include <utility>

#include "model/languages.h"
#include "model/quantities.h"
#include "model/state.h"

namespace torv {

namespace {

using S = Series;

// A title as the graph sets it. In its text "%u" stands for the unit the
// quantity registry gives the series under the run's unit flags and "%r"
// for the unit it is recorded in; the rest is the designed text, which is
// not always a symbol and its unit ("Q,grad", "L,H", "P/m, N/kg").
// A title given once is the same in every language.
struct Title : Texts {
    template <typename... Text>
    requires(sizeof...(Text) > 1) consteval Title(Text... texts)
        : Texts(texts...)
    {
    }
    constexpr Title() = default;
    constexpr Title(const char* every)
        : Texts(Texts::inEvery(every))
    {
    }
};

std::string titleText(Series series, const char* designed)
{
    std::string text = designed;
    for (const auto& [mark, unit] : { std::pair { "%u", currentUnit(series) }, { "%r", quantity(series).unit } })
        if (const size_t at = text.find(mark); at != std::string::npos)
            text.replace(at, 2, unit);
    return text;
}

struct SeriesRow {
    Series code;
    Title title; // curve without negative values
    Title negTitle; // curve with negative values; none: no title
    SeriesMarks marks; // legend (kind, size), curve (kind, size), d
};

// clang-format off
const SeriesRow kSeries[] = {
//   series               title (Russian, German, English where they differ)   with negatives  legend   curve    d
    {S::Speed,            {"V,%u"},                                               {"V,%r"},       {{ 7, 6}, { 7, 6}, -3}},
    {S::DynamicPressure,  {"q,%u"},                                               {},             {{ 1, 6}, { 1, 8}, -2}},
    {S::Altitude,         {"H,%u"},                                               {},             {{ 6, 6}, { 6, 6},  0}},
    {S::PathAngle,        {"Q,grad"},                                             {"Q,*"},        {{ 5, 4}, { 5, 6}, -1}},
    {S::LoadFactorX,      {"nx,%u"},                                              {"nx,%u"},      {{13, 6}, {13, 7},  0}},
    {S::LoadFactorY,      {"ny,%u"},                                              {"ny,%u"},      {{12, 6}, {12, 7}, -1}},
    {S::NetVertical2,     {"A-mg,%u"},                                            {"A-mg,%u"},    {{18, 8}, {18, 9},  1}},
    {S::Buoyancy,         {"A,%u"},                                               {"F,N"},        {{16, 8}, {16, 9},  2}},
    {S::HeatFlux,         {"q,кВт/м", "q,kW/m", "q,kW/m"},                       {},             {{ 8, 8}, { 8, 8},  0}},
    {S::Thrust,           {"P,%u"},                                               {"P,%r"},       {{ 4, 8}, { 4, 8},  0}},
    {S::Mass,             {"m,%u"},                                               {"m,kg/s"},     {{10, 8}, {10, 8},  3}},
    {S::ThrustPerMass,    {"P/m, N/kg"},                                          {"P/m,N/kg"},   {{11, 8}, {11, 9}, -1}},
    {S::Volume,           {"Volumen,%u"},                                         {},             {{ 2, 8}, { 2, 7}, -2}},
    {S::Drag,             {"D,%u"},                                               {},             {{ 9, 8}, { 9, 8}, -3}},
    {S::Lift,             {"L,%u"},                                               {"L,H"},        {{ 8, 8}, { 8, 8}, -2}},
    {S::DragCoefficient,  {"Cx"},                                                 {},             {{16, 8}, {16, 8}, -1}},
    {S::Mach,             {"Mach"},                                               {},             {{18, 8}, {18, 8}, -3}},
    {S::AirTemperature,   {"T,%u"},                                               {},             {{12, 8}, {12, 8}, -1}},
    {S::AirPressure,      {"P,%u"},                                               {},             {{13, 8}, {13, 8}, -2}},
    {S::AirDensity,       {"r,%u"},                                               {},             {{16, 8}, {16, 8},  0}},
    {S::ReynoldsPer1000,  {"Re/1000(1m)"},                                        {},             {{ 4, 8}, { 4, 8},  1}},
};

struct AxisRow {
    Series code;
    Title title;
};

// Only these codes ever stand on the horizontal axis.
const AxisRow kHorizontal[] = {
    {S::Time,             {"t,%u"}},
    {S::Speed,            {"V,%u"}},
    {S::Range,            {"X,%u"}},
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

void applyGraphSelection(Sel s, SimState& state)
{
    for (const SelectionRow& row : kSelections) {
        if (row.sel != s)
            continue;
        for (int i = 0; i < row.count; ++i)
            state.GraphCodes[i] = code(row.codes[i]);
        state.GraphCount = row.count + 1;
        state.GraphPage = 0;
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
    const char* title = inLanguage(negative ? row->negTitle : row->title, st.Sprache);
    if (!title)
        return t;
    t.text = titleText(row->code, title);
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
            return titleText(row.code, inLanguage(row.title, st.Sprache));
    return {};
}

} // namespace torv

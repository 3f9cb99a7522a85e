#include "plot/catalog.h"

#include <array>

#include "sim/quantities.h"
#include "sim/state.h"

namespace torv {

namespace {

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
    int code;
    By by;
    Titles title; // curve without negative values
    const char* negTitle; // curve with negative values; nullptr: no title
    SeriesMarks marks; // legend (kind, size), curve (kind, size), d
};

// clang-format off
const SeriesRow kSeries[] = {
//   code  by            titles by Sprache 0..3, or the symbol (Unit)        with negatives  legend   curve    d
    { 1,  By::Unit,     {"V"},                                                  "V,m/s",        {{ 7, 6}, { 7, 6}, -3}},
    { 2,  By::Unit,     {"q"},                                                  nullptr,        {{ 1, 6}, { 1, 8}, -2}},
    { 3,  By::Unit,     {"H"},                                                  nullptr,        {{ 6, 6}, { 6, 6},  0}},
    { 4,  By::Nothing,  {"Q,grad"},                                             "Q,*",          {{ 5, 4}, { 5, 6}, -1}},
    { 9,  By::Nothing,  {"nx,g"},                                               "nx,g",         {{13, 6}, {13, 7},  0}},
    {10,  By::Nothing,  {"ny,g"},                                               "ny,g",         {{12, 6}, {12, 7}, -1}},
    {11,  By::Nothing,  {"A-mg,N"},                                             "A-mg,N",       {{18, 8}, {18, 9},  1}},
    {12,  By::Nothing,  {"A,N"},                                                "F,N",          {{16, 8}, {16, 9},  2}},
    {14,  By::Sprache,  {"q,kW/m", "q,кВт/м", "q,kW/m", "q,kW/m"},             nullptr,        {{ 8, 8}, { 8, 8},  0}},
    {15,  By::Unit,     {"P"},                                                  "P,N",          {{ 4, 8}, { 4, 8},  0}},
    {16,  By::Unit,     {"m"},                                                  "m,kg/s",       {{10, 8}, {10, 8},  3}},
    {17,  By::Nothing,  {"P/m, N/kg"},                                          "P/m,N/kg",     {{11, 8}, {11, 9}, -1}},
    {19,  By::Nothing,  {"Volumen,m3"},                                         nullptr,        {{ 2, 8}, { 2, 7}, -2}},
    {21,  By::Nothing,  {"D,N"},                                                nullptr,        {{ 9, 8}, { 9, 8}, -3}},
    {22,  By::Nothing,  {"L,N"},                                                "L,H",          {{ 8, 8}, { 8, 8}, -2}},
    {23,  By::Nothing,  {"Cx"},                                                 nullptr,        {{16, 8}, {16, 8}, -1}},
    {25,  By::Nothing,  {"Mach"},                                               nullptr,        {{18, 8}, {18, 8}, -3}},
    {26,  By::Nothing,  {"T,K"},                                                nullptr,        {{12, 8}, {12, 8}, -1}},
    {27,  By::Nothing,  {"P,bar"},                                              nullptr,        {{13, 8}, {13, 8}, -2}},
    {28,  By::Nothing,  {"r,kg/m3"},                                            nullptr,        {{16, 8}, {16, 8},  0}},
    {29,  By::Nothing,  {"Re/1000(1m)"},                                        nullptr,        {{ 4, 8}, { 4, 8},  1}},
};

struct AxisRow {
    int code;
    By by;
    Titles title;
};

// Only these codes ever stand on the horizontal axis.
const AxisRow kHorizontal[] = {
    {0,  By::Unit,  {"t"}},
    {1,  By::Unit,  {"V"}},
    {7,  By::Unit,  {"X"}},
};

// Where a title stands when it does not stand at the base point: (axis x +
// 2, axis top - 20) without negative values, (axis x - 2, axis top - 20)
// with them. A row with a text applies to that title only.
enum class Case { FirstPositive, Positive, Negative };
struct TitleShift {
    int code;
    Case when;
    const char* text;  // nullptr: whatever the title
    int dx;
    int dy;
};

const TitleShift kShifts[] = {
//   code  case                  title        dx    dy
    { 1,  Case::FirstPositive,  nullptr,      2,  -42},
    { 3,  Case::FirstPositive,  nullptr,      2,  -18},
    {14,  Case::Positive,       "q,kW/m",    -5,  -20},
    {14,  Case::Positive,       "q,кВт/м",    0,  -20},
    {17,  Case::Positive,       nullptr,      2,  -35},
    { 1,  Case::Negative,       nullptr,     -6,  -20},
    {12,  Case::Negative,       nullptr,    -12,  -20},
};

// The squared unit of the heat flux, raised above its title.
constexpr int kRaisedCode = 14;
constexpr int kRaisedDx = 38;
constexpr int kRaisedDy = -36;

struct SelectionRow {
    Sel sel;
    int count;  // number of codes, the horizontal one included
    std::array<int, 7> codes;
};

const SelectionRow kSelections[] = {
//   selection           n   horizontal, curves in drawing order
    {Sel::RunEnd,         6, {0, 3, 1, 4, 2, 9}},
    {Sel::RunEndBalloon,  7, {0, 3, 1, 21, 2, 9, 19}},
    {Sel::Button9,        6, {7, 3, 1, 4, 2, 9}},
    {Sel::Button10,       6, {0, 3, 1, 4, 2, 9}},
    {Sel::Button22,       3, {0, 3, 1}},
    {Sel::Button27,       2, {0, 1}},
    {Sel::Button2,        3, {7, 3, 1}},
    {Sel::Button3,        2, {0, 3}},
    {Sel::Button4,        2, {0, 9}},
    {Sel::Button6,        2, {0, 10}},
    {Sel::Button7,        2, {0, 2}},
    {Sel::Button8,        2, {0, 4}},
    {Sel::Button11,       6, {0, 3, 9, 10, 4, 1}},
    {Sel::Button12,       2, {0, 21}},
    {Sel::Button14,       2, {0, 22}},
    {Sel::Button15,       2, {1, 3}},
    {Sel::Button17,       7, {0, 3, 1, 4, 2, 9, 14}},
    {Sel::Button18,       5, {0, 3, 1, 12, 11}},
    {Sel::ButtonP,        7, {0, 3, 1, 4, 15, 16, 17}},
    {Sel::ButtonCya,      5, {0, 3, 23, 25, 21}},
    {Sel::Button13,       7, {0, 3, 1, 26, 27, 28, 29}},
};
// clang-format on

const SeriesRow* findSeries(int code)
{
    for (const SeriesRow& row : kSeries)
        if (row.code == code)
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
            st.GraphCodes[i] = row.codes[i];
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
        if (s.code == code && applies && (!s.text || t.text == s.text)) {
            t.dx = s.dx;
            t.dy = s.dy;
        }
    }
    if (code == kRaisedCode && !negative) {
        t.raised = "2";
        t.raisedDx = kRaisedDx;
        t.raisedDy = kRaisedDy;
    }
    return t;
}

std::string horizontalTitle(int code)
{
    for (const AxisRow& row : kHorizontal)
        if (row.code == code)
            return pick(code, row.title, row.by);
    return {};
}

} // namespace torv

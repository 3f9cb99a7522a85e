#include "sim/quantities.h"

#include <algorithm>
#include <utility>

#include "physics/constants.h"
#include "physics/faults.h"
#include "sim/state.h"

namespace torv {

namespace {

using S = Series;
using F = UnitFlag;
using Src = const SampleSource&;

double netVertical(Src r)
{
    return r.s.Auftrieb - r.s.Massa * r.g;
}

// clang-format off
constexpr Quantity kQuantities[] = {
//   series                names: Russian, German, English                                                          unit      recorded                                          flag      larger units {flag value, unit, divisor, above}         sample column, field
    {S::Time,            {"Время", "Zeit", "time"},                                                                "s",      [](Src r) { return r.s.t; },                      F::FlagT, {{{2, "min", 60, 3600}, {3, "h", 3600, 36000}}},         2, {8, 2}},
    {S::Speed,           {"Скорость", "Geschwindigkeit", "speed"},                                                 "m/s",    [](Src r) { return r.s.V; },                      F::FlagV, {{{1, "km/s", 1000, 1000}}},                             5, {5, 1}},
    {S::DynamicPressure, {"Скоростной напор", "Staudruck", "dynamic pressure"},                                    "Pa",     [](Src r) { return r.s.qDyn; },                   F::FlagQ, {{{1, "kPa", 1000, 1000}, {2, "MPa", 1000000, 100000}}}, 6, {5, 1}},
    {S::Altitude,        {"Высота", "Höhe", "altitude"},                                                           "m",      [](Src r) { return r.s.H < 0 ? 0.0 : r.s.H; },    F::FlagH, {{{1, "km", 1000, 10000}}},                              4, {5, 1}},
    {S::PathAngle,       {"Угол наклона траектории", "Bahnwinkel", "path angle"},                                  "deg",    [](Src r) { return kDegPerRad * r.s.Q; },         F::None,  {},                                                      7, {5, 1}},
    {S::Reserved5,       {"Резерв 5", "Reserve 5", "reserved 5"},                                                  "-",      [](Src) { return 0.0; },                          F::None,  {},                                                      0, {}},
    {S::Reserved6,       {"Резерв 6", "Reserve 6", "reserved 6"},                                                  "-",      [](Src) { return 0.0; },                          F::None,  {},                                                      0, {}},
    {S::Range,           {"Дальность", "Reichweite", "range"},                                                     "m",      [](Src r) { return r.s.X; },                      F::FlagX, {{{1, "km", 1000, 10000}}},                              3, {6, 2}},
    {S::NetVertical,     {"Архимедова сила минус вес", "Auftrieb minus Gewicht", "buoyancy minus weight"},         "N",      netVertical,                                      F::None,  {},                                                      0, {}},
    {S::LoadFactorX,     {"Продольная перегрузка", "Längslastvielfaches", "axial load factor"},                    "g",      [](Src r) { return r.s.nx; },                     F::None,  {},                                                      0, {}},
    {S::LoadFactorY,     {"Нормальная перегрузка", "Normallastvielfaches", "normal load factor"},                  "g",      [](Src r) { return r.s.ny; },                     F::None,  {},                                                      0, {}},
    {S::NetVertical2,    {"Архимедова сила минус вес (2)", "Auftrieb minus Gewicht (2)", "buoyancy minus weight (2)"}, "N", netVertical,                                      F::None,  {},                                                      0, {}},
    {S::Buoyancy,        {"Архимедова сила", "Auftrieb", "buoyancy"},                                              "N",      [](Src r) { return r.s.Auftrieb; },               F::None,  {},                                                      0, {}},
    {S::Wind,            {"Скорость ветра", "Windgeschwindigkeit", "wind speed"},                                  "m/s",    [](Src r) { return r.Vwind; },                    F::None,  {},                                                      0, {}},
    {S::HeatFlux,        {"Тепловой поток", "Wärmestrom", "stagnation heat flux"},                                 "kW/m2",  [](Src r) { return r.s.qWaerme; },                F::None,  {},                                                      0, {}},
    {S::Thrust,          {"Тяга", "Schub", "thrust"},                                                              "N",      [](Src r) { return r.s.P; },                      F::FlagP, {{{1, "kN", 1000, 10000}}},                              0, {}},
    {S::Mass,            {"Масса", "Masse", "mass"},                                                               "kg",     [](Src r) { return r.s.Massa; },                  F::FlagM, {{{1, "t", 1000, 10000}}},                               0, {}},
    {S::ThrustPerMass,   {"Тяга на единицу массы", "Schub je Masse", "thrust per mass"},                           "N/kg",   [](Src r) { return r.s.P / r.s.Massa; },          F::None,  {},                                                      0, {}},
    {S::Reserved18,      {"Резерв 18", "Reserve 18", "reserved 18"},                                               "-",      [](Src) { return 0.0; },                          F::None,  {},                                                      0, {}},
    {S::Volume,          {"Объём оболочки", "Hüllenvolumen", "envelope volume"},                                   "m3",     [](Src r) { return r.Volumen; },                  F::None,  {},                                                      0, {}},
    {S::Buoyancy2,       {"Архимедова сила (2)", "Auftrieb (2)", "buoyancy (2)"},                                  "N",      [](Src r) { return r.s.Auftrieb; },               F::None,  {},                                                      0, {}},
    {S::Drag,            {"Сила сопротивления", "Widerstandskraft", "drag"},                                       "N",      [](Src r) { return r.s.Drag; },                   F::None,  {},                                                      0, {}},
    {S::Lift,            {"Подъёмная сила", "Auftriebskraft (aerodynamisch)", "lift"},                             "N",      [](Src r) { return r.s.Lift; },                   F::None,  {},                                                      0, {}},
    {S::DragCoefficient, {"Коэффициент сопротивления", "Widerstandsbeiwert", "drag coefficient"},                  "-",      [](Src r) { return r.s.CxRun; },                  F::None,  {},                                                      0, {}},
    {S::LiftCoefficient, {"Коэффициент подъёмной силы", "Auftriebsbeiwert", "lift coefficient"},                   "-",      [](Src r) { return r.s.CyRun; },                  F::None,  {},                                                      0, {}},
    {S::Mach,            {"Число Маха", "Machzahl", "Mach number"},                                                "-",      [](Src r) { return r.s.Mach; },                   F::None,  {},                                                      0, {}},
    {S::AirTemperature,  {"Температура воздуха", "Lufttemperatur", "air temperature"},                             "K",      [](Src r) { return r.s.Temp; },                   F::None,  {},                                                      0, {}},
    {S::AirPressure,     {"Давление воздуха", "Luftdruck", "air pressure"},                                        "bar",    [](Src r) { return r.s.Druck; },                  F::None,  {},                                                      0, {}},
    {S::AirDensity,      {"Плотность воздуха", "Luftdichte", "air density"},                                       "kg/m3",  [](Src r) { return r.s.Roh; },                    F::None,  {},                                                      8, {9, 6}},
    {S::ReynoldsPer1000, {"Число Рейнольдса на 1 м / 1000", "Reynoldszahl für 1 m / 1000", "Reynolds number for 1 m / 1000"}, "-", [](Src r) { return r.s.Re / 1000; },    F::None,  {},                                                      0, {}},
    {S::BuoyancyLoss,    {"Потеря архимедовой силы", "Auftriebsverlust", "buoyancy loss"},                         "N",      [](Src r) { return r.s.AuftriebVerlust; },        F::None,  {},                                                      0, {}},
};
// clang-format on

static_assert(std::size(kQuantities) == kRecordedSeries);

constexpr bool inCodeOrder()
{
    for (int k = 0; k < kRecordedSeries; ++k)
        if (code(kQuantities[k].series) != k)
            return false;
    return true;
}
static_assert(inCodeOrder(), "the table is indexed by series code");

// The sample file's columns after the sample number, in file order.
constexpr std::array<const Quantity*, kSampleFileColumns> kSampleColumns = [] {
    std::array<const Quantity*, kSampleFileColumns> out {};
    for (const Quantity& q : kQuantities)
        if (q.sampleColumn > 0)
            out[q.sampleColumn - 2] = &q;
    return out;
}();
static_assert(std::ranges::all_of(kSampleColumns, [](const Quantity* q) { return q != nullptr; }),
    "every column of the sample file holds a series");

// The state's variable of each unit flag, indexed by UnitFlag.
constexpr int StepState::*kFlagVariables[] = { nullptr, &StepState::FlagT, &StepState::FlagV, &StepState::FlagQ,
    &StepState::FlagH, &StepState::FlagX, &StepState::FlagP, &StepState::FlagM };
static_assert(std::size(kFlagVariables) == static_cast<size_t>(UnitFlag::FlagM) + 1);

// Raises the flag of quantity K by the value being recorded. Every step of a
// very long pass records (into slot 500), so these are straight-line code.
template <size_t K> inline void raiseUnitFlag(StepState& s, const SampleSource& src)
{
    constexpr const Quantity& q = kQuantities[K];
    if constexpr (q.flag != UnitFlag::None) {
        const double v = q.record(src);
        for (const LargerUnit& u : q.larger)
            if (u.unit && v > u.above)
                s.*kFlagVariables[static_cast<int>(q.flag)] = u.flagValue;
    }
}

template <class Fp, size_t... K>
inline void recordInto(StepState& s, const SampleSource& src, int slot, std::index_sequence<K...>)
{
    (raiseUnitFlag<K>(s, src), ...);
    if (slot == kSamples)
        return;
    double* e = st.Ergebnis.data() + (slot - 1);
    ((e[K * kSamples] = Fp::sound(kQuantities[K].record(src))), ...);
}

} // namespace

template <class Fp> void recordSample(StepState& s, double g, double Vwind, double Volumen, int slot)
{
    s.Re = Fp::sound(s.Roh * s.V * 1.0 / s.Mu);
    recordInto<Fp>(s, SampleSource { s, g, Vwind, Volumen }, slot, std::make_index_sequence<kRecordedSeries>());
}

template void recordSample<Checked>(StepState&, double, double, double, int);
template void recordSample<Unchecked>(StepState&, double, double, double, int);

std::span<const Quantity* const> sampleFileColumns()
{
    return kSampleColumns;
}

int unitFlagValue(UnitFlag flag)
{
    return flag == UnitFlag::None ? 0 : st.*kFlagVariables[static_cast<int>(flag)];
}

std::span<const Quantity> quantities()
{
    return kQuantities;
}

const Quantity& quantity(Series s)
{
    return kQuantities[code(s)];
}

const LargerUnit* currentLargerUnit(Series s)
{
    const Quantity& q = quantity(s);
    if (q.flag == UnitFlag::None)
        return nullptr;
    const int v = unitFlagValue(q.flag);
    for (const LargerUnit& u : q.larger)
        if (u.unit && u.flagValue == v)
            return &u;
    return nullptr;
}

const char* currentUnit(Series s)
{
    const LargerUnit* u = currentLargerUnit(s);
    return u ? u->unit : quantity(s).unit;
}

double currentDivisor(Series s)
{
    const LargerUnit* u = currentLargerUnit(s);
    return u ? u->divisor : 1.0;
}

const char* quantityName(Series s, int sprache)
{
    const int i = sprache >= 1 && sprache <= 3 ? sprache - 1 : 2;
    return quantity(s).name[i];
}

} // namespace torv

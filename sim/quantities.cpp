#include "sim/quantities.h"

#include "sim/state.h"

namespace torv {

namespace {

using S = Series;
using F = UnitFlag;

// clang-format off
constexpr Quantity kQuantities[] = {
//   series                names: Russian, German, English                                                          unit      flag      larger units {flag value, unit, divisor}             sample column
    {S::Time,            {"Время", "Zeit", "time"},                                                                "s",      F::FlagT, {{{2, "min", 60}, {3, "h", 3600}}},                    2},
    {S::Speed,           {"Скорость", "Geschwindigkeit", "speed"},                                                 "m/s",    F::FlagV, {{{1, "km/s", 1000}}},                               5},
    {S::DynamicPressure, {"Скоростной напор", "Staudruck", "dynamic pressure"},                                    "Pa",     F::FlagQ, {{{1, "kPa", 1000}, {2, "MPa", 1000000}}},           6},
    {S::Altitude,        {"Высота", "Höhe", "altitude"},                                                           "m",      F::FlagH, {{{1, "km", 1000}}},                                 4},
    {S::PathAngle,       {"Угол наклона траектории", "Bahnwinkel", "path angle"},                                  "deg",    F::None,  {},                                                  7},
    {S::Reserved5,       {"Резерв 5", "Reserve 5", "reserved 5"},                                                  "-",      F::None,  {},                                                  0},
    {S::Reserved6,       {"Резерв 6", "Reserve 6", "reserved 6"},                                                  "-",      F::None,  {},                                                  0},
    {S::Range,           {"Дальность", "Reichweite", "range"},                                                     "m",      F::FlagX, {{{1, "km", 1000}}},                                 3},
    {S::NetVertical,     {"Архимедова сила минус вес", "Auftrieb minus Gewicht", "buoyancy minus weight"},         "N",      F::None,  {},                                                  0},
    {S::LoadFactorX,     {"Продольная перегрузка", "Längslastvielfaches", "axial load factor"},                    "g",      F::None,  {},                                                  0},
    {S::LoadFactorY,     {"Нормальная перегрузка", "Normallastvielfaches", "normal load factor"},                  "g",      F::None,  {},                                                  0},
    {S::NetVertical2,    {"Архимедова сила минус вес (2)", "Auftrieb minus Gewicht (2)", "buoyancy minus weight (2)"}, "N", F::None,  {},                                                  0},
    {S::Buoyancy,        {"Архимедова сила", "Auftrieb", "buoyancy"},                                              "N",      F::None,  {},                                                  0},
    {S::Wind,            {"Скорость ветра", "Windgeschwindigkeit", "wind speed"},                                  "m/s",    F::None,  {},                                                  0},
    {S::HeatFlux,        {"Тепловой поток", "Wärmestrom", "stagnation heat flux"},                                 "kW/m2",  F::None,  {},                                                  0},
    {S::Thrust,          {"Тяга", "Schub", "thrust"},                                                              "N",      F::FlagP, {{{1, "kN", 1000}}},                                 0},
    {S::Mass,            {"Масса", "Masse", "mass"},                                                               "kg",     F::FlagM, {{{1, "t", 1000}}},                                  0},
    {S::ThrustPerMass,   {"Тяга на единицу массы", "Schub je Masse", "thrust per mass"},                           "N/kg",   F::None,  {},                                                  0},
    {S::Reserved18,      {"Резерв 18", "Reserve 18", "reserved 18"},                                               "-",      F::None,  {},                                                  0},
    {S::Volume,          {"Объём оболочки", "Hüllenvolumen", "envelope volume"},                                   "m3",     F::None,  {},                                                  0},
    {S::Buoyancy2,       {"Архимедова сила (2)", "Auftrieb (2)", "buoyancy (2)"},                                  "N",      F::None,  {},                                                  0},
    {S::Drag,            {"Сила сопротивления", "Widerstandskraft", "drag"},                                       "N",      F::None,  {},                                                  0},
    {S::Lift,            {"Подъёмная сила", "Auftriebskraft (aerodynamisch)", "lift"},                             "N",      F::None,  {},                                                  0},
    {S::DragCoefficient, {"Коэффициент сопротивления", "Widerstandsbeiwert", "drag coefficient"},                  "-",      F::None,  {},                                                  0},
    {S::LiftCoefficient, {"Коэффициент подъёмной силы", "Auftriebsbeiwert", "lift coefficient"},                   "-",      F::None,  {},                                                  0},
    {S::Mach,            {"Число Маха", "Machzahl", "Mach number"},                                                "-",      F::None,  {},                                                  0},
    {S::AirTemperature,  {"Температура воздуха", "Lufttemperatur", "air temperature"},                             "K",      F::None,  {},                                                  0},
    {S::AirPressure,     {"Давление воздуха", "Luftdruck", "air pressure"},                                        "bar",    F::None,  {},                                                  0},
    {S::AirDensity,      {"Плотность воздуха", "Luftdichte", "air density"},                                       "kg/m3",  F::None,  {},                                                  8},
    {S::ReynoldsPer1000, {"Число Рейнольдса на 1 м / 1000", "Reynoldszahl für 1 m / 1000", "Reynolds number for 1 m / 1000"}, "-", F::None, {},                                       0},
    {S::BuoyancyLoss,    {"Потеря архимедовой силы", "Auftriebsverlust", "buoyancy loss"},                         "N",      F::None,  {},                                                  0},
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

} // namespace

int unitFlagValue(UnitFlag flag)
{
    switch (flag) {
    case UnitFlag::None:
        return 0;
    case UnitFlag::FlagT:
        return st.FlagT;
    case UnitFlag::FlagV:
        return st.FlagV;
    case UnitFlag::FlagQ:
        return st.FlagQ;
    case UnitFlag::FlagH:
        return st.FlagH;
    case UnitFlag::FlagX:
        return st.FlagX;
    case UnitFlag::FlagP:
        return st.FlagP;
    case UnitFlag::FlagM:
        return st.FlagM;
    }
    return 0;
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

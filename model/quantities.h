// The recorded quantities: what the run stores under each series code of
// Ergebnis and how it is computed, its name in the three form languages, the
// unit it is recorded in, the larger unit a unit flag may switch it to, and
// its column of the sample file. The run's recording and unit conversion,
// the sample file, the graph titles and the exported data read them here.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <span>
#include <string>
#include <utility>

#include "model/languages.h"
#include "model/state.h"
#include "physics/constants.h"

namespace torv {

// Series codes 0..30 of Ergebnis, in code order.
enum class Series : int {
    Time, // t
    Speed, // V
    DynamicPressure, // qDyn
    Altitude, // H, a negative altitude recorded as 0
    PathAngle, // kDegPerRad * Q
    Reserved5, // always 0
    Reserved6, // always 0
    Range, // X
    NetVertical, // Auftrieb - Massa * g
    LoadFactorX, // nx
    LoadFactorY, // ny
    NetVertical2, // the same as NetVertical
    Buoyancy, // Auftrieb
    Wind, // Vwind
    HeatFlux, // qWaerme
    Thrust, // P
    Mass, // Massa
    ThrustPerMass, // P / Massa
    Reserved18, // always 0
    Volume, // Volumen
    Buoyancy2, // the same as Buoyancy
    Drag, // Drag
    Lift, // Lift
    DragCoefficient, // CxRun
    LiftCoefficient, // CyRun
    Mach, // Mach
    AirTemperature, // Temp
    AirPressure, // Druck
    AirDensity, // Roh
    ReynoldsPer1000, // Re / 1000
    BuoyancyLoss, // AuftriebVerlust
    End // after the last recorded series: a new one goes before it
};

// Number of recorded series (codes 0 .. kRecordedSeries - 1).
inline constexpr int kRecordedSeries = static_cast<int>(Series::End);
static_assert(kRecordedSeries <= kSeriesCount, "Ergebnis holds kSeriesCount series");

inline constexpr int code(Series s)
{
    return static_cast<int>(s);
}

// The unit flags of the state that choose a larger unit.
enum class UnitFlag { None, FlagT, FlagV, FlagQ, FlagH, FlagX, FlagP, FlagM };

// The flag's current value in the state (0 for None).
int unitFlagValue(UnitFlag flag);
// The flag's value in `flags` (0 for None).
int unitFlagValue(UnitFlag flag, const SamplingState& flags);

// A larger unit: chosen when the flag has the value `flagValue`; the
// recorded values are divided by `divisor`. A recorded sample above `above`
// (in the recorded unit) sets the flag to `flagValue`; the rows are tested
// in order, so a later one wins.
struct LargerUnit {
    int flagValue = 0;
    const char* unit = nullptr; // nullptr: no entry
    double divisor = 1;
    double above = 0;
};

// What a sample is recorded from: the state after the step and what the
// pass holds fixed.
struct SampleSource {
    const StepState& s;
    double g; // m/s2
    double Vwind; // m/s
    double Volumen; // m3
};

// A fixed-point field of the sample file: minimum width and decimals.
struct FixedFormat {
    int width = 0;
    int decimals = 0;
};

struct Quantity {
    Series series;
    Texts name; // UTF-8
    const char* unit; // as recorded; "-" for a pure number
    double (*record)(const SampleSource&); // the value recorded, in `unit`
    UnitFlag flag;
    std::array<LargerUnit, 2> larger;
    // Column of the sample file "Torv_500.txt" that holds it (the sample
    // number j is column 1); 0: none. Its field there.
    int sampleColumn;
    FixedFormat sampleFormat;
};

namespace detail {
inline double netVertical(const SampleSource& r)
{
    return r.s.Auftrieb - r.s.Massa * r.g;
}
} // namespace detail

// All recorded quantities, one row each, indexed by series code.
// clang-format off
inline constexpr Quantity kQuantities[] = {
//   series                names: Russian, German, English                                                          unit      recorded                                          flag      larger units {flag value, unit, divisor, above}         sample column, field
    {Series::Time,            {"Время", "Zeit", "time"},                                                                "s",      [](const SampleSource& r) { return r.s.t; },                      UnitFlag::FlagT, {{{2, "min", 60, 3600}, {3, "h", 3600, 36000}}},         2, {8, 2}},
    {Series::Speed,           {"Скорость", "Geschwindigkeit", "speed"},                                                 "m/s",    [](const SampleSource& r) { return r.s.V; },                      UnitFlag::FlagV, {{{1, "km/s", 1000, 1000}}},                             5, {5, 1}},
    {Series::DynamicPressure, {"Скоростной напор", "Staudruck", "dynamic pressure"},                                    "Pa",     [](const SampleSource& r) { return r.s.qDyn; },                   UnitFlag::FlagQ, {{{1, "kPa", 1000, 1000}, {2, "MPa", 1000000, 100000}}}, 6, {5, 1}},
    {Series::Altitude,        {"Высота", "Höhe", "altitude"},                                                           "m",      [](const SampleSource& r) { return r.s.H < 0 ? 0.0 : r.s.H; },    UnitFlag::FlagH, {{{1, "km", 1000, 10000}}},                              4, {5, 1}},
    {Series::PathAngle,       {"Угол наклона траектории", "Bahnwinkel", "path angle"},                                  "deg",    [](const SampleSource& r) { return kDegPerRad * r.s.Q; },         UnitFlag::None,  {},                                                      7, {5, 1}},
    {Series::Reserved5,       {"Резерв 5", "Reserve 5", "reserved 5"},                                                  "-",      [](const SampleSource&) { return 0.0; },                          UnitFlag::None,  {},                                                      0, {}},
    {Series::Reserved6,       {"Резерв 6", "Reserve 6", "reserved 6"},                                                  "-",      [](const SampleSource&) { return 0.0; },                          UnitFlag::None,  {},                                                      0, {}},
    {Series::Range,           {"Дальность", "Reichweite", "range"},                                                     "m",      [](const SampleSource& r) { return r.s.X; },                      UnitFlag::FlagX, {{{1, "km", 1000, 10000}}},                              3, {6, 2}},
    {Series::NetVertical,     {"Архимедова сила минус вес", "Auftrieb minus Gewicht", "buoyancy minus weight"},         "N",      detail::netVertical,                              UnitFlag::None,  {},                                                      0, {}},
    {Series::LoadFactorX,     {"Продольная перегрузка", "Längslastvielfaches", "axial load factor"},                    "g",      [](const SampleSource& r) { return r.s.nx; },                     UnitFlag::None,  {},                                                      0, {}},
    {Series::LoadFactorY,     {"Нормальная перегрузка", "Normallastvielfaches", "normal load factor"},                  "g",      [](const SampleSource& r) { return r.s.ny; },                     UnitFlag::None,  {},                                                      0, {}},
    {Series::NetVertical2,    {"Архимедова сила минус вес (2)", "Auftrieb minus Gewicht (2)", "buoyancy minus weight (2)"}, "N", detail::netVertical,                              UnitFlag::None,  {},                                                      0, {}},
    {Series::Buoyancy,        {"Архимедова сила", "Auftrieb", "buoyancy"},                                              "N",      [](const SampleSource& r) { return r.s.Auftrieb; },               UnitFlag::None,  {},                                                      0, {}},
    {Series::Wind,            {"Скорость ветра", "Windgeschwindigkeit", "wind speed"},                                  "m/s",    [](const SampleSource& r) { return r.Vwind; },                    UnitFlag::None,  {},                                                      0, {}},
    {Series::HeatFlux,        {"Тепловой поток", "Wärmestrom", "stagnation heat flux"},                                 "kW/m2",  [](const SampleSource& r) { return r.s.qWaerme; },                UnitFlag::None,  {},                                                      0, {}},
    {Series::Thrust,          {"Тяга", "Schub", "thrust"},                                                              "N",      [](const SampleSource& r) { return r.s.P; },                      UnitFlag::FlagP, {{{1, "kN", 1000, 10000}}},                              0, {}},
    {Series::Mass,            {"Масса", "Masse", "mass"},                                                               "kg",     [](const SampleSource& r) { return r.s.Massa; },                  UnitFlag::FlagM, {{{1, "t", 1000, 10000}}},                               0, {}},
    {Series::ThrustPerMass,   {"Тяга на единицу массы", "Schub je Masse", "thrust per mass"},                           "N/kg",   [](const SampleSource& r) { return r.s.P / r.s.Massa; },          UnitFlag::None,  {},                                                      0, {}},
    {Series::Reserved18,      {"Резерв 18", "Reserve 18", "reserved 18"},                                               "-",      [](const SampleSource&) { return 0.0; },                          UnitFlag::None,  {},                                                      0, {}},
    {Series::Volume,          {"Объём оболочки", "Hüllenvolumen", "envelope volume"},                                   "m3",     [](const SampleSource& r) { return r.Volumen; },                  UnitFlag::None,  {},                                                      0, {}},
    {Series::Buoyancy2,       {"Архимедова сила (2)", "Auftrieb (2)", "buoyancy (2)"},                                  "N",      [](const SampleSource& r) { return r.s.Auftrieb; },               UnitFlag::None,  {},                                                      0, {}},
    {Series::Drag,            {"Сила сопротивления", "Widerstandskraft", "drag"},                                       "N",      [](const SampleSource& r) { return r.s.Drag; },                   UnitFlag::None,  {},                                                      0, {}},
    {Series::Lift,            {"Подъёмная сила", "Auftriebskraft (aerodynamisch)", "lift"},                             "N",      [](const SampleSource& r) { return r.s.Lift; },                   UnitFlag::None,  {},                                                      0, {}},
    {Series::DragCoefficient, {"Коэффициент сопротивления", "Widerstandsbeiwert", "drag coefficient"},                  "-",      [](const SampleSource& r) { return r.s.CxRun; },                  UnitFlag::None,  {},                                                      0, {}},
    {Series::LiftCoefficient, {"Коэффициент подъёмной силы", "Auftriebsbeiwert", "lift coefficient"},                   "-",      [](const SampleSource& r) { return r.s.CyRun; },                  UnitFlag::None,  {},                                                      0, {}},
    {Series::Mach,            {"Число Маха", "Machzahl", "Mach number"},                                                "-",      [](const SampleSource& r) { return r.s.Mach; },                   UnitFlag::None,  {},                                                      0, {}},
    {Series::AirTemperature,  {"Температура воздуха", "Lufttemperatur", "air temperature"},                             "K",      [](const SampleSource& r) { return r.s.Temp; },                   UnitFlag::None,  {},                                                      0, {}},
    {Series::AirPressure,     {"Давление воздуха", "Luftdruck", "air pressure"},                                        "bar",    [](const SampleSource& r) { return r.s.Druck; },                  UnitFlag::None,  {},                                                      0, {}},
    {Series::AirDensity,      {"Плотность воздуха", "Luftdichte", "air density"},                                       "kg/m3",  [](const SampleSource& r) { return r.s.Roh; },                    UnitFlag::None,  {},                                                      8, {9, 6}},
    {Series::ReynoldsPer1000, {"Число Рейнольдса на 1 м / 1000", "Reynoldszahl für 1 m / 1000", "Reynolds number for 1 m / 1000"}, "-", [](const SampleSource& r) { return r.s.Re / 1000; },    UnitFlag::None,  {},                                                      0, {}},
    {Series::BuoyancyLoss,    {"Потеря архимедовой силы", "Auftriebsverlust", "buoyancy loss"},                         "N",      [](const SampleSource& r) { return r.s.AuftriebVerlust; },        UnitFlag::None,  {},                                                      0, {}},
};
// clang-format on

static_assert(std::size(kQuantities) == kRecordedSeries,
    "kQuantities needs one row per Series value, in code order: add the new quantity's row");

constexpr bool inCodeOrder()
{
    for (int k = 0; k < kRecordedSeries; ++k)
        if (code(kQuantities[k].series) != k)
            return false;
    return true;
}
static_assert(inCodeOrder(), "the table is indexed by series code");

namespace detail {

// The state's variable of each unit flag, indexed by UnitFlag.
inline constexpr int SamplingState::*kFlagVariables[] = { nullptr, &SamplingState::FlagT, &SamplingState::FlagV,
    &SamplingState::FlagQ, &SamplingState::FlagH, &SamplingState::FlagX, &SamplingState::FlagP, &SamplingState::FlagM };
static_assert(std::size(kFlagVariables) == static_cast<size_t>(UnitFlag::FlagM) + 1);

constexpr int largerUnits(const Quantity& q)
{
    int n = 0;
    for (const LargerUnit& u : q.larger)
        n += u.unit != nullptr;
    return n;
}

// Raises the flag of `q` by the recorded value v: each larger unit in turn
// whose threshold v passes sets it, so the last of them wins.
[[gnu::always_inline]] inline void raiseUnitFlag(SamplingState& s, const Quantity& q, double v)
{
    for (const LargerUnit& u : q.larger)
        if (u.unit && v > u.above)
            s.*kFlagVariables[static_cast<int>(q.flag)] = u.flagValue;
}

template <size_t... K>
[[gnu::always_inline]] inline void raiseUnitFlags(SamplingState& s, const SampleSource& src, std::index_sequence<K...>)
{
    auto one = [&]<size_t k>() {
        constexpr const Quantity& q = kQuantities[k];
        if constexpr (q.flag != UnitFlag::None)
            raiseUnitFlag(s, q, q.record(src));
    };
    (one.template operator()<K>(), ...);
}

constexpr bool thresholdsAscend()
{
    for (const Quantity& q : kQuantities)
        if (largerUnits(q) == 2 && !(q.larger[0].above <= q.larger[1].above))
            return false;
    return true;
}
static_assert(thresholdsAscend(), "a quantity's second larger unit starts above its first");

} // namespace detail

// Raises the unit flags in `s` by the values a sample of `src` records.
[[gnu::always_inline]] inline void raiseUnitFlags(SamplingState& s, const SampleSource& src)
{
    detail::raiseUnitFlags(s, src, std::make_index_sequence<kRecordedSeries>());
}

// The unit flags that recording a sample in every step of a sequence would
// raise, kept as one value per flagged quantity, which costs a step far less
// than the flags themselves: the greatest recorded value where the quantity
// has one larger unit (the flag is raised if any value passes its
// threshold), and the last value above the first threshold where it has two
// (that value alone decides between them).
class UnitFlagWitness {
public:
    [[gnu::always_inline]] void add(const SampleSource& src) { add(src, std::make_index_sequence<kRecordedSeries>()); }
    // Raises the flags in `s` as the samples added would have.
    void raise(SamplingState& s) const
    {
        for (const Quantity& q : kQuantities)
            if (q.flag != UnitFlag::None)
                detail::raiseUnitFlag(s, q, value_[static_cast<int>(q.flag)]);
    }

private:
    template <size_t... K> [[gnu::always_inline]] void add(const SampleSource& src, std::index_sequence<K...>)
    {
        auto one = [&]<size_t k>() {
            constexpr const Quantity& q = kQuantities[k];
            if constexpr (q.flag != UnitFlag::None) {
                const double v = q.record(src);
                double& w = value_[static_cast<int>(q.flag)];
                if constexpr (detail::largerUnits(q) == 1)
                    w = std::max(w, v);
                else if (v > q.larger[0].above)
                    w = v;
            }
        };
        (one.template operator()<K>(), ...);
    }

    // Indexed by UnitFlag; below every threshold until a value passes one.
    std::array<double, std::size(detail::kFlagVariables)> value_ = [] {
        std::array<double, std::size(detail::kFlagVariables)> v {};
        v.fill(-HUGE_VAL);
        return v;
    }();
};

// All recorded quantities, indexed by series code.
std::span<const Quantity> quantities();
const Quantity& quantity(Series s);

// The larger unit the current flags select, or nullptr for the recorded one.
const LargerUnit* currentLargerUnit(Series s);
// The unit of the stored values once the run has converted them (by the
// simulation state's flags, or by `flags`).
const char* currentUnit(Series s);
const char* unitFor(Series s, const SamplingState& flags);
// What the run divides the recorded values by (1 if nothing).
double currentDivisor(Series s);
// What a run whose unit flags are `flags` divides them by.
double divisorFor(Series s, const SamplingState& flags);

// The name in language `sprache` (1..3); any other value gives English.
const char* quantityName(Series s, int sprache);

// Records the sample of the step just done into `slot` (1..500) of series
// 0..30 of `series` (laid out as Ergebnis): the Reynolds number Re first,
// then the unit flags by the values being recorded, then the values, each
// tested by the fault policy F (Checked or Unchecked). Slot 500 is replaced
// by slot 499 when the run ends, so nothing is stored there.
template <class F> void recordSample(StepState& s, double g, double Vwind, double Volumen, int slot, double* series);
// The same, with the values formed (and tested) but kept nowhere: a
// sample's faults and unit flags alone.
template <class F> void takeSampleUnkept(StepState& s, double g, double Vwind, double Volumen, int slot);
// recordSample into a slot below 500 without raising the unit flags, for a
// caller that raises them once the samples are taken (raiseUnitFlagsOver).
template <class F>
void recordSampleValues(StepState& s, double g, double Vwind, double Volumen, int slot, double* series);
// The series whose samples differ within a pass whose steps change only
// their motion and their air: each records the time, the motion, the
// dynamic pressure and Mach number, a load factor or force the dynamic
// pressure forms with the fixed coefficients, the air or the Reynolds
// number. Every other series records what stays as the first step left it
// (mass, thrust, coefficients, buoyancy, heating) or what the pass holds
// fixed, the same value in every sample of such a pass.
inline constexpr Series kMotionAndAirSeries[]
    = { Series::Time, Series::Speed, Series::DynamicPressure, Series::Altitude, Series::PathAngle, Series::Range,
          Series::LoadFactorX, Series::LoadFactorY, Series::Drag, Series::Lift, Series::Mach, Series::AirTemperature,
          Series::AirPressure, Series::AirDensity, Series::ReynoldsPer1000 };

namespace detail {
template <class Fp, size_t... I>
[[gnu::always_inline]] inline void recordMotionAndAir(const SampleSource& src, double* e, std::index_sequence<I...>)
{
    ((e[code(kMotionAndAirSeries[I]) * kSamples] = Fp::sound(kQuantities[code(kMotionAndAirSeries[I])].record(src))),
        ...);
}
} // namespace detail

// recordSampleValues of a sample of such a pass after one recorded into an
// earlier slot: the Reynolds number, then only the series that differ from
// it (the others are filled in by repeatFixedSeries).
template <class F>
[[gnu::always_inline]] inline void recordMotionAndAir(
    StepState& s, double g, double Vwind, double Volumen, int slot, double* series)
{
    s.Re = F::sound(s.Roh * s.V * 1.0 / s.Mu);
    detail::recordMotionAndAir<F>(SampleSource { s, g, Vwind, Volumen }, series + (slot - 1),
        std::make_index_sequence<std::size(kMotionAndAirSeries)>());
}

// Slots first + 1 .. last of every series not in kMotionAndAirSeries set to
// the value in slot `first`.
void repeatFixedSeries(double* series, int first, int last);

// Raises the unit flags in `s` as recording slots first..last of `series`
// (laid out as Ergebnis) one after the other did. `bound` records at least
// the value of each of them in every quantity with a flag: where its value
// passes no threshold, neither does any of theirs.
void raiseUnitFlagsOver(SamplingState& s, const double* series, int first, int last, const SampleSource& bound);

// The columns of the sample file after the sample number, in file order.
inline constexpr int kSampleFileColumns = 7;
std::span<const Quantity* const> sampleFileColumns();

} // namespace torv

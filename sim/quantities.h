// The recorded quantities: what the run stores under each series code of
// Ergebnis, its name in the three form languages, the unit it is recorded
// in, and the larger unit a unit flag may switch it to after the run. The
// run's unit conversion, the graph titles and the exported data read their
// units from here.
#pragma once

#include <array>
#include <span>
#include <string>

namespace torv {

// Series codes 0..30 of Ergebnis, in code order.
enum class Series : int {
    Time, // t
    Speed, // V
    DynamicPressure, // qDyn
    Altitude, // H, a negative altitude recorded as 0
    PathAngle, // 57.3 * Q
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
};

// Number of recorded series (codes 0..30).
inline constexpr int kRecordedSeries = 31;

inline constexpr int code(Series s)
{
    return static_cast<int>(s);
}

// The unit flags of the state that choose a larger unit.
enum class UnitFlag { None, FlagT, FlagV, FlagQ, FlagH, FlagX, FlagP, FlagM };

// The flag's current value in the state (0 for None).
int unitFlagValue(UnitFlag flag);

// A larger unit: chosen when the flag has the value `flagValue`; the
// recorded values are divided by `divisor`.
struct LargerUnit {
    int flagValue = 0;
    const char* unit = nullptr; // nullptr: no entry
    double divisor = 1;
};

struct Quantity {
    Series series;
    std::array<const char*, 3> name; // UTF-8; Russian, German, English (Sprache 1..3)
    const char* unit; // as recorded; "-" for a pure number
    UnitFlag flag;
    std::array<LargerUnit, 2> larger;
    // Column of the sample file "Torv_500.txt" that holds it (the sample
    // number j is column 1); 0: none.
    int sampleColumn;
};

// All recorded quantities, indexed by series code.
std::span<const Quantity> quantities();
const Quantity& quantity(Series s);

// The larger unit the current flags select, or nullptr for the recorded one.
const LargerUnit* currentLargerUnit(Series s);
// The unit of the stored values once the run has converted them.
const char* currentUnit(Series s);
// What the run divides the recorded values by (1 if nothing).
double currentDivisor(Series s);

// The name in language `sprache` (1..3); any other value gives English.
const char* quantityName(Series s, int sprache);

} // namespace torv

// The recorded quantities: what the run stores under each series code of
// Ergebnis and how it is computed, its name in the three form languages, the
// unit it is recorded in, the larger unit a unit flag may switch it to, and
// its column of the sample file. The run's recording and unit conversion,
// the sample file, the graph titles and the exported data read them here.
#pragma once

#include <array>
#include <span>
#include <string>

#include "sim/state.h"

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
    std::array<const char*, 3> name; // UTF-8; Russian, German, English (Sprache 1..3)
    const char* unit; // as recorded; "-" for a pure number
    double (*record)(const SampleSource&); // the value recorded, in `unit`
    UnitFlag flag;
    std::array<LargerUnit, 2> larger;
    // Column of the sample file "Torv_500.txt" that holds it (the sample
    // number j is column 1); 0: none. Its field there.
    int sampleColumn;
    FixedFormat sampleFormat;
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

// Records the sample of the step just done into `slot` (1..500) of series
// 0..30: the Reynolds number Re first, then the unit flags by the values
// being recorded, then the values, each tested by the fault policy F
// (Checked or Unchecked). Slot 500 is replaced by slot 499 when the run
// ends, so nothing is stored there.
template <class F> void recordSample(StepState& s, double g, double Vwind, double Volumen, int slot);

// The columns of the sample file after the sample number, in file order.
inline constexpr int kSampleFileColumns = 7;
std::span<const Quantity* const> sampleFileColumns();

} // namespace torv

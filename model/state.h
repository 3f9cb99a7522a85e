// The simulation state: every process-wide variable that the forms, the run
// driver, the physics and the renderer share. One value, one instance (`st`);
// a test resets everything with `resetState()`.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "model/summary.h"

namespace torv {

// The eight vehicle classes, numbered as the scenario record and the start
// form's class groups number them.
enum class VehicleClass {
    None,
    Projectile,
    Parachute,
    Balloon,
    Airship,
    Glider,
    Airplane,
    Reentry,
    Rocket,
    End // after the last class: a new class goes before it
};

// The number of classes, 1 .. kVehicleClasses.
inline constexpr int kVehicleClasses = static_cast<int>(VehicleClass::End) - 1;

// The class a record's Klasse names: None for anything but 1.0 .. 8.0.
// Every decision by class converts the double here, once.
VehicleClass vehicleClass(double klasse);

// The scenario record a preset writes: 40 doubles, each named field at its
// fixed position (unnamed positions are read by nobody).
struct SzenarioRecord {
    double Klasse = 0; // 0: vehicle class 1.0 .. 8.0
    double Pos1 = 0; // 1
    double GasDichte = 0; // 2: lifting-gas density, kg/m3
    double Pos3 = 0; // 3
    double Pos4 = 0; // 4
    double Masse = 0; // 5: initial mass, kg
    double S0 = 0; // 6: reference area, m2
    double Cx = 0; // 7: drag coefficient
    double Cy = 0; // 8: lift coefficient
    double Pos9 = 0; // 9
    double Pos10 = 0; // 10
    double H0 = 0; // 11: initial altitude, m
    double V0 = 0; // 12: initial speed, m/s
    double TTO = 0; // 13: initial path angle, degree
    double HFlug = 0; // 14: float altitude, m
    double Pos15 = 0; // 15
    double Hk = 0; // 16: end altitude, m
    double Vk = 0; // 17: end speed, m/s
    double Tk = 0; // 18: end time, s
    double dt = 0; // 19: integration step, s
    double Vwind = 0; // 20: wind speed, m/s
    double Pos21 = 0; // 21
    double RSAT = 0; // 22: nose radius, m
    double Pos23 = 0, Pos24 = 0, Pos25 = 0, Pos26 = 0, Pos27 = 0, Pos28 = 0, Pos29 = 0;
    double Mt = 0; // 30: fuel mass, kg
    double Iud = 0; // 31: specific impulse, N*s/kg
    double Mdv = 0; // 32: engine mass without fuel, kg
    double Schub = 0; // 33: thrust, N
    double Pos34 = 0, Pos35 = 0, Pos36 = 0, Pos37 = 0, Pos38 = 0, Pos39 = 0;

    // Position-indexed view of the same 40 doubles.
    double& at(int pos);
    double at(int pos) const;

    bool operator==(const SzenarioRecord&) const = default;
};

// What a scenario file sets beyond its record. Every activation applies it
// while the file's record is the loaded one; a preset choice ends that.
struct ScenarioExtras {
    bool open = false;
    double AeroModel = 0; // as SimState::AeroModel
    double Auftriebplus = 0; // %
    double Gasverlust = 0; // litre per m2 of envelope per 24 h

    bool operator==(const ScenarioExtras&) const = default;
};

constexpr int kScenarioSize = 40;
constexpr int kSeriesCount = 100;
constexpr int kSamples = 500;
constexpr int kErgebnisSize = kSeriesCount * kSamples; // 50 000
constexpr int kGraphCodesSize = 21;

// What the physics of one integration step changes: the point-mass state,
// thrust and mass, atmosphere, coefficients, heating, buoyancy and the
// quantities derived from them.
struct FlightState {
    // Integration variables and derived quantities
    double t = 0; // s
    double H = 0; // m
    double X = 0; // m
    double V = 0; // m/s
    double Q = 0; // rad
    double Qgrad = 0; // degree
    double Hkm = 0; // km
    double Xkm = 0; // km
    double Massa = 0; // kg
    double Belastung = 0; // kg/m2
    double P = 0; // N
    double Mdot = 0; // kg/s
    double tBurn = 0; // s
    double CxRun = 0; // -
    double CyRun = 0; // -
    double Alfa = 0; // degree
    double Cx0 = 0; // -
    double Mach = 0; // -
    double qDyn = 0; // Pa
    double nx = 0; // g
    double ny = 0; // g
    double Drag = 0; // N
    double Lift = 0; // N
    double Widerstand = 0; // N
    double qWaerme = 0; // kW/m2

    // Atmosphere outputs
    double Temp = 0; // K
    double Druck = 0; // bar
    double Aschall = 0; // m/s
    double Roh = 0; // kg/m3
    double Mu = 0; // poise

    // Balloon and airship
    double Auftrieb = 0; // N
    double GasVerloren = 0; // m3
    double AuftriebVerlust = 0; // N

    // Reentry heating constants
    double KWaerme = 0;
    double RohNull = 0; // kg/m3
    double VWaerme = 0; // m/s
    double ExpV = 0;
    double ExpRoh = 0;

    // The integers last, after the doubles: no padding lies between the
    // members, so two states can be compared bit for bit (sameBits).
    int BallonModus = 0; // 1: no wind term in the range
    int HFlugErreicht = 0; // 1 once H reached HFlug in this pass
    int atmosphereSegment = 0; // where the atmosphere's table was last read

    bool operator==(const FlightState&) const = default;
};

// Whether every member of `a` has the very bits of the same member of `b`
// (unlike ==, which takes -0 for 0).
bool sameBits(const FlightState& a, const FlightState& b);

// What the sampling of a step changes: the position within the sampling
// interval and, in the recording pass, the slot, the unit flags and the
// Reynolds number of the samples it records. No step reads it.
struct SamplingState {
    double Re = 0; // Reynolds number for 1 m

    // Unit flags
    int FlagT = 0, FlagV = 0, FlagQ = 0, FlagH = 0, FlagX = 0, FlagP = 0, FlagM = 0;

    // Recording control
    int iPunkt = 0;
    double FracNeu = 0;
    double FracAlt = 0;

    bool operator==(const SamplingState&) const = default;
};

// Every variable of the state that one integration step changes, the
// samples it records aside. The run copies it out of the state at a pass
// start, advances the copy step by step and writes it back; a checkpoint
// of the run is a copy of it.
struct StepState : FlightState, SamplingState {
    bool operator==(const StepState&) const = default;
};

// The process-wide state but its samples; the members a step changes are
// its StepState.
struct SimStateCore : StepState {
    // User choices (start form)
    int Sprache = 0; // 1 Russian, 2 German, 3 English
    int Klasse = 0; // vehicle class 1..8 from the class groups

    SzenarioRecord Szenario;
    ScenarioExtras FileScenario;

    // Input parameters (calculation form fields)
    double H0 = 0; // m
    double V0 = 0; // m/s
    double TTO = 0; // degree
    double MassaStart = 0; // kg
    double S0 = 0; // m2
    double Cx = 0; // -
    double Cy = 0; // -
    double dt0 = 0; // s
    double Vwind = 0; // m/s
    double Tk = 0; // s
    double Hk = 0; // m
    double Vk = 0; // m/s, in no end test
    double Mt = 0; // kg
    double Iud = 0; // N*s/kg
    double Mdv = 0; // kg, used by no computation
    double Schub = 0; // N
    double RSAT = 0; // m
    double Auftriebplus = 0; // %
    double Gasverlust = 0; // litre per m2 of envelope per 24 h
    double GasDensity = 0; // kg/m3
    double HFlug = 0; // m
    double AeroModel = 0; // 0 constant, 1 Titan-2, 2 zero-alpha model

    // Switches, modes and display values
    int DatenSchalter = 0; // 1: write the step log
    std::string Titel; // caption and graph title
    double Vopt = 0; // m/s, glider level-flight speed (display only)

    // Integration settings a pass takes from the inputs
    double Q0grad = 0; // degree
    double S = 0; // m2
    double MtRun = 0; // kg
    double IudRun = 0; // N*s/kg
    double MdvRun = 0; // kg
    double Hend = 0; // m
    double Vend = 0; // m/s
    double g = 0; // m/s2
    double Reserve = 0; // spare argument of the aerodynamic model

    // Balloon and airship
    double Gewicht = 0; // N
    double AuftriebSoll = 0; // N
    double Volumen = 0; // m3
    double VolumenStart = 0; // m3
    double Radius = 0; // m
    double Oberflaeche = 0; // m2
    double SBallon = 0; // m2

    // Recording control
    int NPunkte = 0;
    int Durchlauf2 = 0;
    double dtProbe = 0; // s
    double jReal = 0;

    // Graph selection
    std::array<int, kGraphCodesSize> GraphCodes {};
    int GraphCount = 0;
    int GraphPage = 0;
    int PageSize = 0;

    // Separator written before every number of the result files
    std::string Trenn;

    // What sums up the last run that completed, tracked over its steps
    RunSummary Summary;

    bool operator==(const SimStateCore&) const = default;
};

// The process-wide state: the samples apart, so that a run that keeps none
// can start from a fresh state without clearing their 400 KB.
struct SimState : SimStateCore {
    // Result series: series k sample i (1..500) at k*500 + i - 1
    std::array<double, kErgebnisSize> Ergebnis {};

    // Every member equal (a test compares the state two ways leave).
    bool operator==(const SimState&) const = default;
};

extern SimState st;

// Puts every variable back to its start value (all zero, strings empty).
void resetState();
// The same for `state`, its samples left as they are.
void resetAllButSamples(SimState& state);

// The summary of the last run that completed (all zero before any run, or
// after a run that ended with an error).
RunSummary runSummary();

} // namespace torv

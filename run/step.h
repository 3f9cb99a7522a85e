// One integration step of the run as a function of two values: the state it
// advances (StepState, model/state.h) and what a pass holds fixed
// (PassInputs). The run driver reads both out of the simulation state at a
// pass start and writes the state back where the forms and the files see
// it; tests and checkpoints take the same values.
#pragma once

#include <cmath>

#include "fault/faults.h"
#include "model/quantities.h"
#include "model/state.h"
#include "physics/bewegung.h"
#include "physics/constants.h"
#include "physics/subrout.h"

namespace torv {

// What every step of a pass reads and none changes.
struct PassInputs {
    double AeroModel = 0; // 0 constant, 1 Titan-2, 2 zero-alpha model
    double dt0 = 0; // s
    double S = 0; // m2
    double Vwind = 0; // m/s
    double IudRun = 0; // N*s/kg
    double MtRun = 0; // kg
    double RSAT = 0; // m
    // heatScale(RSAT), formed once for the pass since every step needs it;
    // NaN where that raised a fault flag: each step then forms it and meets
    // the fault there.
    double heatScale = 0;
    double AuftriebSoll = 0; // N
    double Gewicht = 0; // N
    double HFlug = 0; // m
    double Gasverlust = 0; // litre per m2 of envelope per 24 h
    double Oberflaeche = 0; // m2
    double Volumen = 0; // m3
    double g = 0; // m/s2, for the recorded weight
    // End conditions
    double Hend = 0; // m
    double Tk = 0; // s
    // Sampling interval
    double dtProbe = 0; // s

    MotionSet motion = MotionSet::kGeneral; // the equations of Klasse's class
    // What the run does by Szenario.Klasse
    bool rocket = false; // thrust and fuel consumption
    bool heating = false; // stagnation-point heat flux (reentry vehicle)
    bool buoyant = false; // balloon, airship: the buoyancy rule
    bool aero = false; // an aerodynamic model is selected
};

// Whether the inputs of two passes are the same bit for bit, the sampling
// interval aside.
bool sameTrajectoryInputs(const PassInputs& a, const PassInputs& b);

// Fractional part of r, r minus its truncation toward zero. Magnitudes of
// 2^52 and more are whole numbers already; below that the conversion
// through a 64-bit integer is exact and cheaper than a call.
inline double fracPart(double r)
{
    constexpr double kWhole = 4503599627370496.0; // 2^52
    if (!(std::fabs(r) < kWhole))
        return r - r;
    return r - static_cast<double>(static_cast<long long>(r));
}

// The step's position within the sampling interval: the fractional part of
// t / dtProbe.
template <class F> inline double samplingPhase(double t, double dtProbe)
{
    return fracPart(F::sound(t / dtProbe));
}

inline constexpr double kSoundSpeedHigh = 290.0; // m/s above 120 km
inline constexpr double kSoundSpeedCeiling = 120000.0; // m
inline constexpr double kHeatingCeiling = 160000.0; // m
// A sample is taken where the phase falls, or grows by no more than this.
inline constexpr double kRecordTolerance = 0.0001;

// The constants of the stagnation-point heat flux, kept in the state.
inline constexpr double kKWaerme = 223200;
inline constexpr double kRohNull = 1.225; // kg/m3
inline constexpr double kVWaerme = 8000; // m/s
inline constexpr double kExpV = 3.22;
inline constexpr double kExpRoh = 0.5;

// The heat flux's factor of the nose radius RSAT (m).
inline double heatScale(double RSAT)
{
    return kKWaerme / std::sqrt(RSAT);
}

// Stagnation-point heat flux at altitude h (m) and speed v (m/s) with the
// air of the step.
template <class F> inline void reentryHeating(FlightState& s, const PassInputs& in, double h, double v)
{
    s.KWaerme = kKWaerme;
    s.RohNull = kRohNull;
    s.VWaerme = kVWaerme;
    s.ExpV = kExpV;
    s.ExpRoh = kExpRoh;
    s.qWaerme = 0;
    if (h < kHeatingCeiling) {
        const double scale = std::isnan(in.heatScale) ? heatScale(in.RSAT) : in.heatScale;
        s.qWaerme = F::sound(scale * std::pow(s.Roh / kRohNull, kExpRoh) * std::pow(v / kVWaerme, kExpV));
    }
}

// What the steps of a pass do by class: decided by the pass inputs at every
// step (ByInputs), or fixed for the whole pass, which lets the compiler
// leave out what the class does not do and compute once what stays the same
// over the pass.
struct ByInputs {
    static bool rocket(const PassInputs& in) { return in.rocket; }
    static bool heating(const PassInputs& in) { return in.heating; }
    static bool buoyant(const PassInputs& in) { return in.buoyant; }
    static bool aero(const PassInputs& in) { return in.aero; }
    static MotionSet motion(const PassInputs& in) { return in.motion; }
    using Forces = AnyForces;
};

// The reentry vehicle without an aerodynamic model: heat flux and reentry
// equations in every step, and a mass and coefficients that stay as they
// are over the pass, so that the compiler forms the ballistic coefficient
// and its lift ratio once per stretch instead of once per step.
struct ReentryVehicle {
    static constexpr bool rocket(const PassInputs&) { return false; }
    static constexpr bool heating(const PassInputs&) { return true; }
    static constexpr bool buoyant(const PassInputs&) { return false; }
    static constexpr bool aero(const PassInputs&) { return false; }
    static constexpr MotionSet motion(const PassInputs&) { return MotionSet::kReentry; }
    using Forces = AnyForces;
};

// The values a step derives from its motion.
[[gnu::always_inline]] inline void derivedValues(FlightState& s)
{
    s.Qgrad = kDegPerRad * s.Q;
    s.Hkm = s.H / 1000;
    s.Xkm = s.X / 1000;
}

// A class whose steps change only the motion and the air under the general
// equations (projectiles, gliders): nothing in its steps asks for thrust,
// coefficients, heating or buoyancy.
struct MotionAndAir {
    static constexpr bool rocket(const PassInputs&) { return false; }
    static constexpr bool heating(const PassInputs&) { return false; }
    static constexpr bool buoyant(const PassInputs&) { return false; }
    static constexpr bool aero(const PassInputs&) { return false; }
    static constexpr MotionSet motion(const PassInputs&) { return MotionSet::kGeneral; }
    using Forces = AnyForces;
};

// Such a class in still air (inStillAir): its steps leave out the terms of
// the forces it does not have (StillAirForces), and their load factors and
// forces and the values derived from the motion, which the step loop forms
// where it needs them (stillAirRest). Only steps that leave the fault flags
// to their loop take it.
struct StillAir : MotionAndAir {
    using Forces = StillAirForces;
};

// Whether the steps of a pass of such a class, from state `s`, are in still
// air as StillAirForces has it: no wind, no buoyancy, a finite area and drag
// coefficient, and a finite mass of at least 1e-280 kg. A NaN anywhere says
// no, without a fault flag.
inline bool inStillAir(const PassInputs& in, const FlightState& s)
{
    return in.Vwind == 0 && s.Auftrieb == 0 && std::isfinite(in.S) && std::isfinite(s.CxRun) && std::isfinite(s.Massa)
        && std::isgreaterequal(std::fabs(s.Massa), 1e-280);
}

// One step without its sampling: thrust and mass, atmosphere, Mach number,
// aerodynamic model, heating, buoyancy, the motion step and the values
// derived from it. F is the fault policy (fault/faults.h); Kind says what
// the pass's class does (ByInputs, or a class fixed for the pass).
// Where a step started, for the part of it that follows the motion.
struct StepStart {
    double H, V;
};

// A step's first part: everything before the motion step. `air`, where
// given, has the state's segment of the atmosphere at hand.
template <class F, class Kind>
[[gnu::always_inline]] inline StepStart stepAir(FlightState& s, const PassInputs& in, AtmosphereCursor* air = nullptr)
{
    // Thrust and mass
    if (Kind::rocket(in) && s.t <= s.tBurn) {
        s.Mdot = F::sound(s.P / in.IudRun);
        s.Massa = F::sound(s.Massa - s.Mdot * in.dt0);
        s.tBurn = F::sound(in.MtRun / s.Mdot);
    } else {
        s.P = 0;
    }
    // Area loading. It is formed again before the motion step; nothing in
    // between changes the mass or the area, so once is enough.
    s.Belastung = F::sound(s.Massa / in.S);
    // Atmosphere
    double temp, druck, aschall, roh, mu;
    if (air) {
        atmosphereAlong(s.H, *air, temp, druck, aschall, roh, mu);
        s.atmosphereSegment = air->segment;
    } else {
        atmosphereAt(s.H, s.atmosphereSegment, temp, druck, aschall, roh, mu);
    }
    F::test(temp, druck, aschall, roh, mu);
    s.Temp = temp;
    s.Druck = druck;
    if (s.H > kSoundSpeedCeiling) {
        aschall = kSoundSpeedHigh;
        keepBranch();
    }
    s.Aschall = aschall;
    s.Roh = roh;
    s.Mu = mu;
    // Mach number
    s.Mach = F::sound(s.V / aschall);
    // Aerodynamic model
    if (Kind::aero(in))
        aerodynamikStep<F>(in.AeroModel, s.Mach, s.Alfa, s.CxRun, s.CyRun, s.Cx0);
    // Reentry heating. Nothing later in the step reads it: without the
    // per-formula tests it comes after the motion step, from the same
    // values, so that its two pow calls overlap with the motion step's own
    // chain of operations.
    const StepStart entry { s.H, s.V };
    if (F::kTests && Kind::heating(in))
        reentryHeating<F>(s, in, entry.H, entry.V);
    // Buoyancy: constant while rising, the weight less the lost gas once
    // the float altitude has been reached in this pass.
    if (Kind::buoyant(in)) {
        s.Auftrieb = in.AuftriebSoll;
        if (s.H >= in.HFlug)
            s.HFlugErreicht = 1;
        if (s.HFlugErreicht == 1)
            s.Auftrieb = in.Gewicht;
        s.GasVerloren = F::sound(in.Gasverlust / 86400 / 1000 * in.Oberflaeche * in.dt0 * s.t);
        if (s.HFlugErreicht == 1) {
            s.AuftriebVerlust = F::sound(in.Gewicht * s.GasVerloren / in.Volumen);
            s.Auftrieb = F::sound(in.Gewicht - s.AuftriebVerlust);
        }
    }
    return entry;
}

// What the motion step reads of the state and the pass inputs; `mg` the
// weight where the pass forms it once.
[[gnu::always_inline]] inline MotionInputs motionInputs(const FlightState& s, const PassInputs& in, double mg = 0)
{
    return { .A = s.Auftrieb,
        .P = s.P,
        .S = in.S,
        .Cy = s.CyRun,
        .Cx = s.CxRun,
        .rho = s.Roh,
        .dt = in.dt0,
        .W = in.Vwind,
        .mS = s.Belastung,
        .m = s.Massa,
        .mg = mg };
}

[[gnu::always_inline]] inline MotionVars motionVars(FlightState& s)
{
    return { s.qDyn, s.ny, s.nx, s.Q, s.V, s.X, s.H, s.t, s.Drag, s.Lift, s.BallonModus };
}

// Its second part after the motion step itself.
template <class F, class Kind>
[[gnu::always_inline]] inline void stepAfterMotion(FlightState& s, const PassInputs& in, const StepStart& entry)
{
    if (!F::kTests && Kind::heating(in))
        reentryHeating<F>(s, in, entry.H, entry.V);
    if (!Kind::Forces::kStillAir)
        derivedValues(s);
    s.Widerstand = F::sound(s.CxRun * s.Roh * (s.V * s.V) / 2 * in.S);
}

// Its second part: the motion step and what follows from it.
template <class F, class Kind>
[[gnu::always_inline]] inline AppliedMotion stepMotion(FlightState& s, const PassInputs& in, const StepStart& entry)
{
    static_assert(!Kind::Forces::kStillAir, "a step in still air takes its path angle's sine and cosine formed ahead");
    const AppliedMotion applied = bewegungStep<F>(Kind::motion(in), motionInputs(s, in), motionVars(s));
    stepAfterMotion<F, Kind>(s, in, entry);
    return applied;
}

// What a step loop may form ahead of the step: the sine and cosine of the
// path angle it starts with, and the weight of a pass whose mass stays as it
// is (StillAirForces).
struct StepAhead {
    PathAngle angle;
    double mg; // N
};

// The same with those formed ahead.
template <class F, class Kind>
[[gnu::always_inline]] inline AppliedMotion stepMotionAhead(
    FlightState& s, const PassInputs& in, const StepStart& entry, const StepAhead& ahead)
{
    const AppliedMotion applied = bewegungStepAt<F, typename Kind::Forces>(
        Kind::motion(in), motionInputs(s, in, ahead.mg), motionVars(s), ahead.angle);
    stepAfterMotion<F, Kind>(s, in, entry);
    return applied;
}

// What the steps of a pass in still air leave out and a state handed on
// holds: the values derived from the motion, and the load factors and forces
// of its dynamic pressure.
[[gnu::always_inline]] inline void stillAirRest(FlightState& s, const PassInputs& in)
{
    derivedValues(s);
    motionLoads<Unchecked>(s.qDyn, motionInputs(s, in), s.nx, s.ny, s.Drag, s.Lift);
}

template <class F, class Kind> [[gnu::always_inline]] inline AppliedMotion step(FlightState& s, const PassInputs& in)
{
    const StepStart entry = stepAir<F, Kind>(s, in);
    return stepMotion<F, Kind>(s, in, entry);
}

} // namespace torv

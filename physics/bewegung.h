// The motion step and the aerodynamic models as the run performs them, for
// either fault policy (fault/faults.h): Checked tests the fault flags after
// every formula (what Bewegung and Aerodynamik do), Unchecked leaves them for
// the run driver to test once in a while. One definition of each formula
// serves both.
#pragma once

#include <cmath>

#include "fault/faults.h"
#include "physics/constants.h"

namespace torv {

template <class F>
inline void aerodynamikStep(double model, double M, double& Alfa, double& Cx, double& Cy, double& Cx0)
{
    const double n = std::nearbyint(model); // default rounding: halves to even
    if (n == 1.0) {
        double cx;
        if (M < 0.8)
            cx = 0.29;
        else if (M < 1.068)
            cx = M - 0.51;
        else
            cx = 0.5 / M + 0.091;
        Cx = F::sound(cx);
    } else if (n == 2.0) {
        Alfa = 0;
        const double B = F::sound(std::pow(std::fabs(M * M - 1), 0.5));
        double cx0;
        if (M < 1)
            cx0 = 0.43 / B;
        else if (M < 5)
            cx0 = 0.03 / B;
        else
            cx0 = 0.03;
        Cx0 = F::sound(cx0);
        Cx = Cx0;
        Cy = 0;
    }
}

// Keeps the compiler from turning the branch it stands in into a minimum or
// maximum. The clamped path angle feeds the next step's sine at once: a
// predicted branch adds nothing to that wait, a minimum its latency.
inline void keepBranch()
{
    asm volatile("");
}

// Which equations a motion step uses: the general set; the general set
// with the balloon flag set first (the balloon class); the reentry set.
// The class table (model/classes.h) gives each class its set.
enum class MotionSet { kGeneral, kBalloon, kReentry };

// What a motion step applied, for the run's summary: sin Q at its start and
// the acceleration along the path (V_new = V + a*dt).
struct AppliedMotion {
    double sinQ;
    double a; // m/s2
};

// What a motion step reads and leaves as it is.
struct MotionInputs {
    double A; // N, buoyancy
    double P; // N, thrust
    double S; // m2, reference area
    double Cy; // lift coefficient
    double Cx; // drag coefficient
    double rho; // kg/m3, air density
    double dt; // s
    double W; // m/s, wind speed
    double mS; // kg/m2, area loading
    double m; // kg, mass
    double mg = 0; // N, m*g formed once for the pass, where the forces say so (StillAirForces)
};

// What a motion step changes, each where it is kept: the dynamic pressure q
// (Pa), the load factors ny and nx (g), the path angle Q (rad), speed V
// (m/s), range X and altitude H (m), time t (s), Drag and Lift (N) out,
// BallonModus in and out.
struct MotionVars {
    double& q;
    double& ny;
    double& nx;
    double& Q;
    double& V;
    double& X;
    double& H;
    double& t;
    double& Drag;
    double& Lift;
    int& BallonModus;
};

// The sine and cosine of a path angle.
struct PathAngle {
    double sinQ;
    double cosQ;
};

// One call for both: glibc's sincos gives the values of sin and cos.
[[gnu::always_inline]] inline PathAngle pathAngle(double Q)
{
    PathAngle p;
    ::sincos(Q, &p.sinQ, &p.cosQ);
    return p;
}

// The forces of the general set as every pass may have them.
struct AnyForces {
    static constexpr bool kStillAir = false;
};

// A pass in still air: no buoyancy and no thrust (A a zero of either sign,
// P +0), no wind (W a zero), a finite area and drag coefficient, and a mass
// that stays as it is, with a weight m*g formed once (MotionInputs::mg)
// whose product with cos Q is never zero (a mass of at least 1e-280 kg; no
// double has a cosine below 1e-19 in magnitude). The terms of buoyancy,
// thrust and wind are then zeros in every step, and leaving them out changes
// no bit of a sound step: A*sinQ + P is +0, and 0 less the drag is never
// -0, so adding the wind's zero to it changes nothing; V plus the wind's
// zero is V, which is never zero there; across the path the weight's
// nonzero term decides the sign of a zero sum before it, and the sum less it
// is never -0, so the wind's zero changes nothing there either. A step that
// is not sound (a NaN or an infinity) raises a fault flag either way. Such a
// pass also leaves out the load factors and forces of its steps, which its
// step loop forms from the dynamic pressure where it needs them
// (motionLoads).
struct StillAirForces {
    static constexpr bool kStillAir = true;
};

// The load factors nx and ny (g) and the forces Drag and Lift (N) at the
// dynamic pressure q (Pa) of a step with inputs `in`. Each grows in
// magnitude with q, the coefficients, area and loading held.
template <class F>
[[gnu::always_inline]] inline void motionLoads(
    double q, const MotionInputs& in, double& nx, double& ny, double& Drag, double& Lift)
{
    constexpr double g = kGravity;
    nx = F::sound(-in.Cx * q / (in.mS * g));
    ny = F::sound(in.Cy * q / (in.mS * g));
    double drag = in.Cx * q * in.S;
    double lift = in.Cy * q * in.S;
    F::test(drag, lift);
    Drag = drag;
    Lift = lift;
}

namespace detail {

// The motion step, with `angleOf(Q)` the sine and cosine of the path angle
// it starts with.
template <class F, class Forces, class AngleOf>
[[gnu::always_inline]] inline AppliedMotion motionStep(
    MotionSet set, const MotionInputs in, const MotionVars out, AngleOf angleOf)
{
    const auto [A, P, S, Cy, Cx, rho, dt, W, mS, m, mgFixed] = in;
    auto& [q, ny, nx, Q, V, X, H, t, Drag, Lift, BallonModus] = out;
    const bool reentry = set == MotionSet::kReentry;
    constexpr bool still = Forces::kStillAir;
    constexpr double g = kGravity;
    constexpr double kEarthRadius = 6371302.0; // m
    // The path-angle limits 89.8 and 90 degrees as the designed values give
    // them; the first one ulp below the quotient 89.8 / 57.3 in doubles.
    constexpr double kMaxQGeneral = 1.5671902268760907; // rad
    constexpr double kMaxQReentry = 1.5706806282722514; // rad, 90 / 57.3
    static_assert(kMaxQReentry == 90 / kDegPerRad);

    if (set == MotionSet::kBalloon)
        BallonModus = 1;
    if (V == 0)
        V = 0.0002;

    q = F::sound(rho * (V * V) / 2);
    const PathAngle angle = angleOf(Q);
    const double sinQ = angle.sinQ, cosQ = angle.cosQ;

    double a;
    if (!reentry) {
        const double mg = still ? mgFixed : m * g;
        // Along the path: buoyancy and thrust, drag, the wind's drag, weight.
        double along = still ? 0.0 : A * sinQ + P;
        along = along - Cx * rho * (V * V) / 2 * S;
        if (!still)
            along = along + Cx * rho * (W * W) / 2 * S * cosQ;
        a = F::sound((along - mg * sinQ) / m);
        X = F::sound(BallonModus != 1 && !still ? X + (V + W * cosQ) * cosQ * dt : X + V * cosQ * dt);
        H = F::sound(H + V * sinQ * dt);
        V = F::sound(V + a * dt);
        // Across it: lift, buoyancy, weight, the wind's drag.
        double across = Cy * rho * (V * V) * S / 2;
        if (!still)
            across = across + A * cosQ;
        across = across - mg * cosQ;
        if (!still)
            across = across - Cx * rho * (W * W) / 2 * S * sinQ;
        const double w = across / (m * V);
        double qAngle = F::sound(Q + w * dt);
        if (qAngle < -kMaxQGeneral) {
            qAngle = -kMaxQGeneral;
            keepBranch();
        }
        if (qAngle > kMaxQGeneral) {
            qAngle = kMaxQGeneral;
            keepBranch();
        }
        Q = qAngle;
    } else {
        const double sigma = F::sound(Cx * S / (m * g)); // ballistic coefficient
        a = F::sound(-sigma * rho * (V * V) * g - g * sinQ);
        V = F::sound(V + a * dt);
        H = F::sound(H + V * sinQ * dt);
        X = F::sound(X + V * cosQ * dt);
        const double w = (sigma * (Cy / Cx) * q * g + (V * V) / (H + kEarthRadius) - g) / V;
        double qAngle = F::sound(Q + w * dt);
        if (qAngle <= -kMaxQReentry)
            qAngle = -kMaxQReentry;
        if (qAngle >= kMaxQReentry)
            qAngle = kMaxQReentry;
        Q = qAngle;
    }

    t = F::sound(t + dt);
    if (!still)
        motionLoads<F>(q, in, nx, ny, Drag, Lift);
    return { sinQ, a };
}

} // namespace detail

// One explicit Euler step, as Bewegung (physics/subrout.h) takes it. Every
// output is stored once its formula is known to be sound, so a fault leaves
// the ones after it as they were. A `set` known at compile time leaves the
// other set out.
template <class F>
[[gnu::always_inline]] inline AppliedMotion bewegungStep(MotionSet set, const MotionInputs in, const MotionVars out)
{
    return detail::motionStep<F, AnyForces>(set, in, out, [](double Q) { return pathAngle(Q); });
}

// The same with the sine and cosine of the path angle formed before the
// step (where no fault policy tests the flags in between, the order of the
// operations changes nothing), and the forces of the pass. A step in still
// air leaves the load factors and forces as they were.
template <class F, class Forces>
[[gnu::always_inline]] inline AppliedMotion bewegungStepAt(
    MotionSet set, const MotionInputs in, const MotionVars out, const PathAngle angle)
{
    static_assert(!F::kTests || !Forces::kStillAir, "a step in still air leaves its loads to the step loop");
    return detail::motionStep<F, Forces>(set, in, out, [angle](double) { return angle; });
}

} // namespace torv

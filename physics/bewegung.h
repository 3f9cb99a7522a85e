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

// One explicit Euler step, as Bewegung (physics/subrout.h) takes it. Every
// output is stored once its formula is known to be sound, so a fault leaves
// the ones after it as they were. A `set` known at compile time leaves the
// other set out.
template <class F>
[[gnu::always_inline]] inline AppliedMotion bewegungStep(MotionSet set, const MotionInputs in, const MotionVars out)
{
    const auto [A, P, S, Cy, Cx, rho, dt, W, mS, m] = in;
    auto& [q, ny, nx, Q, V, X, H, t, Drag, Lift, BallonModus] = out;
    const bool reentry = set == MotionSet::kReentry;
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
    // One call for both: glibc's sincos gives the values of sin and cos.
    double sinQ, cosQ;
    ::sincos(Q, &sinQ, &cosQ);

    double a;
    if (!reentry) {
        a = F::sound(
            (A * sinQ + P - Cx * rho * (V * V) / 2 * S + Cx * rho * (W * W) / 2 * S * cosQ - m * g * sinQ) / m);
        X = F::sound(BallonModus != 1 ? X + (V + W * cosQ) * cosQ * dt : X + V * cosQ * dt);
        H = F::sound(H + V * sinQ * dt);
        V = F::sound(V + a * dt);
        const double w
            = (Cy * rho * (V * V) * S / 2 + A * cosQ - m * g * cosQ - Cx * rho * (W * W) / 2 * S * sinQ) / (m * V);
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
    nx = F::sound(-Cx * q / (mS * g));
    ny = F::sound(Cy * q / (mS * g));
    double drag = Cx * q * S;
    double lift = Cy * q * S;
    F::test(drag, lift);
    Drag = drag;
    Lift = lift;
    return { sinQ, a };
}

} // namespace torv

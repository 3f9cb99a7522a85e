// The motion step and the aerodynamic models in two variants: checked, which
// tests the fault flags after every formula (what Bewegung and Aerodynamik
// do), and unchecked, which leaves them for the run driver to test once in a
// while. Both compute the same operations in the same order.
#pragma once

#include <cmath>

#include "physics/faults.h"
#include "sim/state.h"

namespace torv {

template <bool Checked>
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
        fpCheckIf<Checked>(cx);
        Cx = cx;
    } else if (n == 2.0) {
        Alfa = 0;
        double B = std::pow(std::fabs(M * M - 1), 0.5);
        fpCheckIf<Checked>(B);
        double cx0;
        if (M < 1)
            cx0 = 0.43 / B;
        else if (M < 5)
            cx0 = 0.03 / B;
        else
            cx0 = 0.03;
        fpCheckIf<Checked>(cx0);
        Cx0 = cx0;
        Cx = cx0;
        Cy = 0;
    }
}

// The quotients of the reentry set that depend on nothing but the mass, the
// area and the coefficients, when the caller computed them for many steps.
struct ReentryQuotients {
    double sigma; // Cx*S/(m*g)
    double sigmaCyCx; // sigma*(Cy/Cx)
};

// Keeps the compiler from turning the branch it stands in into a minimum or
// maximum. The clamped path angle feeds the next step's sine at once: a
// predicted branch adds nothing to that wait, a minimum its latency.
inline void keepBranch()
{
    asm volatile("");
}

// Which equations a step uses: chosen by Klasse at every call, or fixed for
// a whole stretch of steps of a class other than 3 (which also sets
// BallonModus).
enum class MotionSet { kByClass, kGeneral, kReentry };

// What a motion step applied, for the run's summary: sin Q at its start and
// the acceleration along the path (V_new = V + a*dt).
struct AppliedMotion {
    double sinQ;
    double a; // m/s2
};

// The inputs are read where the formulas use them, not before the sine and
// cosine: none of them is among the outputs.
template <bool Checked, MotionSet Set = MotionSet::kByClass>
[[gnu::always_inline]] inline AppliedMotion bewegungStep(const double& A, const double& P, const double& S, int Klasse,
    double& q, double& ny, double& nx, double& Q, double& V, double& X, double& H, double& t, const double& Cy,
    const double& Cx, const double& rho, const double& dt, const double& W, const double& mS,
    const ReentryQuotients* pre = nullptr)
{
    const bool reentry = Set == MotionSet::kByClass ? Klasse == 7 : Set == MotionSet::kReentry;
    constexpr double g = 9.8;
    constexpr double kEarthRadius = 6371302.0;
    constexpr double kMaxQGeneral = 1.5671902268760907; // 89.8/57.3
    constexpr double kMaxQReentry = 1.5706806282722514; // 90/57.3
    const double m = st.Massa;

    if (Set == MotionSet::kByClass && Klasse == 3)
        st.BallonModus = 1;
    if (V == 0)
        V = 0.0002;

    double qNew = rho * (V * V) / 2;
    fpCheckIf<Checked>(qNew);
    q = qNew;
    const double sinQ = std::sin(Q);
    const double cosQ = std::cos(Q);

    double a;
    if (!reentry) {
        a = (A * sinQ + P - Cx * rho * (V * V) / 2 * S + Cx * rho * (W * W) / 2 * S * cosQ - m * g * sinQ) / m;
        fpCheckIf<Checked>(a);
        double xNew = st.BallonModus != 1 ? X + (V + W * cosQ) * cosQ * dt : X + V * cosQ * dt;
        fpCheckIf<Checked>(xNew);
        X = xNew;
        double hNew = H + V * sinQ * dt;
        fpCheckIf<Checked>(hNew);
        H = hNew;
        double vNew = V + a * dt;
        fpCheckIf<Checked>(vNew);
        V = vNew;
        const double w
            = (Cy * rho * (V * V) * S / 2 + A * cosQ - m * g * cosQ - Cx * rho * (W * W) / 2 * S * sinQ) / (m * V);
        double qAngle = Q + w * dt;
        fpCheckIf<Checked>(qAngle);
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
        double sigma = pre ? pre->sigma : Cx * S / (m * g);
        fpCheckIf<Checked>(sigma);
        a = -sigma * rho * (V * V) * g - g * sinQ;
        fpCheckIf<Checked>(a);
        double vNew = V + a * dt;
        fpCheckIf<Checked>(vNew);
        V = vNew;
        double hNew = H + V * sinQ * dt;
        fpCheckIf<Checked>(hNew);
        H = hNew;
        double xNew = X + V * cosQ * dt;
        fpCheckIf<Checked>(xNew);
        X = xNew;
        const double w = ((pre ? pre->sigmaCyCx : sigma * (Cy / Cx)) * q * g + (V * V) / (H + kEarthRadius) - g) / V;
        double qAngle = Q + w * dt;
        fpCheckIf<Checked>(qAngle);
        if (qAngle <= -kMaxQReentry)
            qAngle = -kMaxQReentry;
        if (qAngle >= kMaxQReentry)
            qAngle = kMaxQReentry;
        Q = qAngle;
    }

    double tNew = t + dt;
    fpCheckIf<Checked>(tNew);
    t = tNew;
    double nxNew = -Cx * q / (mS * g);
    fpCheckIf<Checked>(nxNew);
    nx = nxNew;
    double nyNew = Cy * q / (mS * g);
    fpCheckIf<Checked>(nyNew);
    ny = nyNew;
    double drag = Cx * q * S;
    double lift = Cy * q * S;
    fpCheckIf<Checked>(drag, lift);
    st.Drag = drag;
    st.Lift = lift;
    return { sinQ, a };
}

} // namespace torv

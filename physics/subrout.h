// Physics of one integration step: the tabulated standard atmosphere, the
// Mach-dependent aerodynamic coefficient models and the Euler step of the
// point-mass equations of motion in a vertical plane.
#pragma once

#include "physics/bewegung.h"

namespace torv {

// Standard atmosphere at altitude h (m): temperature (K), pressure (bar),
// speed of sound (m/s), density (kg/m3) and dynamic viscosity (poise).
// Linear interpolation on segments lo < h <= hi of the tables; the segment
// 200 km .. 1000 km is continued above 1000 km. Values of the U.S. Standard
// Atmosphere 1976 (geopotential altitudes) from -1 km to 86 km.
void Atmosphere(double h, double& Temp, double& Druck, double& Aschall, double& Roh, double& Mu);

// A segment lo < h <= hi between two breakpoints of either table: the main
// table's segment it lies in (lower end, width, value at the lower end and
// difference to the upper end of each quantity) and the density table's.
struct AtmosphereSegment {
    enum Density { kSame, kOwn }; // the main segment, its own
    double lo, hi;
    double mainLo, mainWidth, T0, dT, p0, dp, a0, da, mu0, dmu;
    double densLo, densWidth, rho0, drho;
    Density density;
};
// In order of altitude; the first one reaches down to -infinity, the last up
// to +infinity.
extern const AtmosphereSegment* const kAtmosphereSegments;
// The values held at and below the lowest breakpoint.
struct AtmosphereFloor {
    double h, T, p, a, mu, rho;
};
extern const AtmosphereFloor kAtmosphereFloor;
// The least viscosity and the greatest density atmosphereAt gives at any
// altitude, each widened by far more than the rounding of its interpolation.
struct AtmosphereExtremes {
    double minMu, maxRho;
};
extern const AtmosphereExtremes kAtmosphereExtremes;

// The segment of altitude h, searched from segment `k` (any valid index will
// do): trajectories move slowly through the table.
inline int atmosphereSegmentOf(double h, int k)
{
    while (h > kAtmosphereSegments[k].hi)
        ++k;
    while (h <= kAtmosphereSegments[k].lo)
        --k;
    return k;
}

namespace detail {

// Atmosphere at altitude h in segment `s`, or below the table's floor.
[[gnu::always_inline]] inline void atmosphereIn(const AtmosphereSegment& s, bool belowFloor, double h, double& Temp,
    double& Druck, double& Aschall, double& Roh, double& Mu)
{
    if (belowFloor) {
        // Below the table's floor: hold the -5000 m values.
        Temp = kAtmosphereFloor.T;
        Druck = kAtmosphereFloor.p;
        Aschall = kAtmosphereFloor.a;
        Mu = kAtmosphereFloor.mu;
        Roh = kAtmosphereFloor.rho;
        return;
    }
    const double f = (h - s.mainLo) / s.mainWidth;
    Temp = s.T0 + f * s.dT;
    Druck = s.p0 + f * s.dp;
    Aschall = s.a0 + f * s.da;
    Mu = s.mu0 + f * s.dmu;
    const double fd = s.density == AtmosphereSegment::kSame ? f : (h - s.densLo) / s.densWidth;
    const double rho = s.rho0 + fd * s.drho;
    // The line continued above 1000 km crosses zero near 1 000 112 m.
    Roh = rho > 0 ? rho : 0.0;
}

} // namespace detail

// Atmosphere, with `segment` the segment of the previous call.
inline void atmosphereAt(double h, int& segment, double& Temp, double& Druck, double& Aschall, double& Roh, double& Mu)
{
    const bool belowFloor = !(h > kAtmosphereFloor.h);
    if (!belowFloor)
        segment = atmosphereSegmentOf(h, segment);
    detail::atmosphereIn(kAtmosphereSegments[segment], belowFloor, h, Temp, Druck, Aschall, Roh, Mu);
}

// The segment a trajectory is in, at hand: numbered `segment`, at `at`.
struct AtmosphereCursor {
    int segment;
    const AtmosphereSegment* at;

    explicit AtmosphereCursor(int k)
        : segment(k)
        , at(kAtmosphereSegments + k)
    {
    }
};

// The same for a trajectory that keeps its segment at hand: it is looked up
// only where the altitude has left it.
[[gnu::always_inline]] inline void atmosphereAlong(
    double h, AtmosphereCursor& c, double& Temp, double& Druck, double& Aschall, double& Roh, double& Mu)
{
    const bool belowFloor = !(h > kAtmosphereFloor.h);
    if (!belowFloor && !(h <= c.at->hi && h > c.at->lo)) [[unlikely]] {
        c.segment = atmosphereSegmentOf(h, c.segment);
        c.at = kAtmosphereSegments + c.segment;
    }
    detail::atmosphereIn(*c.at, belowFloor, h, Temp, Druck, Aschall, Roh, Mu);
}

// Evaluates aerodynamic model `model` (rounded half to even; 1 or 2, any
// other number changes nothing) at Mach number M and overwrites the
// coefficients. Thrust and the reserve are not used.
void Aerodynamik(double model, double P, double M, double& Alfa, double& Cx, double& Cy, double& Cx0, double& Reserve);

// What a motion step leaves besides the point-mass state it advances: the
// forces of the step and the balloon flag (in: as it stands; out: 1 with
// the balloon's set).
struct MotionForces {
    double Drag = 0; // N
    double Lift = 0; // N
    int BallonModus = 0;
};

// One explicit Euler step of length dt (s). A: vertical (buoyancy) force, N;
// P: thrust, N; S: reference area, m2; set: the class's equations.
// Outputs q (Pa), ny and nx (g); updates Q (rad), V (m/s), X, H (m), t (s).
// Cy, Cx: coefficients; rho: density, kg/m3; W: horizontal wind, m/s;
// mS: mass per reference area, kg/m2; Massa: the mass, kg; BallonModus: 1
// leaves the wind out of the range. Returns the drag and lift forces and the
// balloon flag.
MotionForces Bewegung(double A, double P, double S, MotionSet set, double& q, double& ny, double& nx, double& Q,
    double& V, double& X, double& H, double& t, double Cy, double Cx, double rho, double dt, double W, double mS,
    double Massa, int BallonModus);

} // namespace torv

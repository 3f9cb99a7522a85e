// Physics of one integration step: the tabulated standard atmosphere, the
// Mach-dependent aerodynamic coefficient models and the Euler step of the
// point-mass equations of motion in a vertical plane.
#pragma once

namespace torv {

// Standard atmosphere at altitude h (m): temperature (K), pressure (bar),
// speed of sound (m/s), density (kg/m3) and dynamic viscosity (poise).
// Linear interpolation on segments lo < h <= hi of the tables; the segment
// 200 km .. 1000 km is continued above 1000 km. Values of the U.S. Standard
// Atmosphere 1976 (geopotential altitudes) from -1 km to 86 km.
void Atmosphere(double h, double& Temp, double& Druck, double& Aschall, double& Roh, double& Mu);

// Evaluates aerodynamic model `model` (rounded half to even; 1 or 2, any
// other number changes nothing) at Mach number M and overwrites the
// coefficients. Thrust and the reserve are not used.
void Aerodynamik(double model, double P, double M, double& Alfa, double& Cx, double& Cy, double& Cx0,
                 double& Reserve);

// One explicit Euler step of length dt (s). A: vertical (buoyancy) force, N;
// P: thrust, N; S: reference area, m2; Klasse 7 selects the reentry equations.
// Outputs q (Pa), ny and nx (g); updates Q (rad), V (m/s), X, H (m), t (s).
// Cy, Cx: coefficients; rho: density, kg/m3; W: horizontal wind, m/s;
// mS: mass per reference area, kg/m2. Reads the mass `Massa` and writes
// `Drag`, `Lift` and `BallonModus` of the simulation state.
void Bewegung(double A, double P, double S, int Klasse, double& q, double& ny, double& nx, double& Q, double& V,
              double& X, double& H, double& t, double Cy, double Cx, double rho, double dt, double W, double mS);

}  // namespace torv

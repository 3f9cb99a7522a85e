#include "physics/subrout.h"

#include <array>
#include <cmath>

#include "fault/faults.h"
#include "physics/bewegung.h"

namespace torv {

namespace {

// Main table. Pressure at -5000 m is the standard atmosphere's 1.7769 bar.
struct MainRow {
    double h; // m
    double T; // K
    double p; // bar
    double a; // m/s
    double mu; // poise
};

// clang-format off
constexpr MainRow kMain[] = {
    //        h,       T,          p,      a,        mu
    {-5000.0, 320.6, 1.7769, 359.0, 1.94e-4},
    {-1000.0, 294.65, 1.139, 344.11, 1.82e-4},
    {0.0, 288.15, 1.013, 340.3, 1.7894e-4},
    {500.0, 284.9, 0.954, 338.37, 1.7737e-4},
    {1000.0, 281.65, 0.8987, 336.43, 1.7578e-4},
    {1500.0, 278.4, 0.8455, 334.49, 1.7419e-4},
    {2000.0, 275.15, 0.7949, 332.53, 1.726e-4},
    {2500.0, 271.9, 0.7468, 330.56, 1.7099e-4},
    {3000.0, 268.65, 0.701, 328.58, 1.6937e-4},
    {3500.0, 265.4, 0.657, 326.58, 1.6775e-4},
    {4000.0, 262.15, 0.6164, 324.58, 1.6611e-4},
    {4500.0, 258.9, 0.57728, 322.56, 1.6447e-4},
    {5000.0, 255.65, 0.54019, 320.53, 1.6281e-4},
    {6000.0, 249.15, 0.4718, 316.43, 1.5947e-4},
    {7000.0, 242.65, 0.4106, 312.27, 1.561e-4},
    {8000.0, 236.15, 0.3559, 308.06, 1.5268e-4},
    {9000.0, 229.65, 0.3074, 303.79, 1.4922e-4},
    {10000.0, 223.15, 0.2643, 299.46, 1.4571e-4},
    {11000.0, 216.65, 0.2263, 295.07, 1.4216e-4},
    {12000.0, 216.65, 0.1933, 295.07, 1.4216e-4},
    {14000.0, 216.65, 0.141, 295.07, 1.4216e-4},
    {16000.0, 216.65, 0.1028, 295.07, 1.4216e-4},
    {18000.0, 216.65, 0.07504, 295.07, 1.4216e-4},
    {20000.0, 216.65, 0.05474, 295.07, 1.4216e-4},
    {22000.0, 218.65, 0.03999, 296.43, 1.4326e-4},
    {25000.0, 221.65, 0.02511, 298.45, 1.449e-4},
    {30000.0, 226.65, 0.01171, 301.8, 1.476e-4},
    {40000.0, 251.05, 2.775e-3, 317.63, 1.6045e-4},
    {50000.0, 270.65, 7.594e-4, 329.8, 1.7037e-4},
    {60000.0, 245.45, 2.031e-4, 314.07, 1.5756e-4},
    {70000.0, 217.45, 4.634e-5, 295.61, 1.426e-4},
    {80000.0, 196.65, 8.862e-6, 281.12, 1.3095e-4},
    {90000.0, 186.87, 1.835e-6, 274.71, 1.2647e-4},
    {100000.0, 195.08, 3.2011e-7, 274.71, 1.2647e-4},
    {120000.0, 360.0, 2.538e-8, 274.71, 1.2647e-4},
    {150000.0, 627.54, 4.742e-9, 274.71, 1.2647e-4},
    {200000.0, 854.56, 8.473e-10, 274.71, 1.2647e-4},
    {1000000.0, 1000.56, 7.51e-10, 274.71, 1.2647e-4},
};

// Density table, kg/m3: breakpoints every 2 km between 20 km and 86 km.
constexpr double kDensH[] = {
    0,      500,    1000,   1500,   2000,   2500,   3000,   3500,   4000,   4500,   5000,   6000,
    7000,   8000,   9000,   10000,  11000,  12000,  14000,  16000,  18000,  20000,  22000,  24000,
    26000,  28000,  30000,  32000,  34000,  36000,  38000,  40000,  42000,  44000,  46000,  48000,
    50000,  52000,  54000,  56000,  58000,  60000,  62000,  64000,  66000,  68000,  70000,  72000,
    74000,  76000,  78000,  80000,  82000,  84000,  86000,  90000,  100000, 120000, 150000, 200000,
    1000000,
};
constexpr double kDensRho[] = {
    1.225,     1.1673,    1.1116,    1.0581,    1.0065,    0.9568,     0.90912,  0.8632,    0.8191,
    0.7767,    0.7361,    0.6597,    0.5895,    0.5251,    0.4663,     0.4127,   0.3639,    0.3108,
    0.2267,    0.1654,    0.12068,   0.088,     0.06372,   0.046267,   0.033688, 0.024599,  0.018012,
    0.013225,  9.609e-3,  7.034e-3,  5.187e-3,  3.851e-3,  2.878e-3,   2.164e-3, 1.638e-3,  1.258e-3,
    9.78e-4,   7.67e-4,   6.05e-4,   4.75e-4,   3.71e-4,   2.88e-4,    2.23e-4,  1.709e-4,  1.303e-4,
    9.87e-5,   7.42e-5,   5.524e-5,  4.07e-5,   2.981e-5,  2.17e-5,    1.57005e-5, 1.1282e-5, 8.051e-6,
    5.6411e-6, 3.416e-6,  5.604e-7,  2.222e-8,  2.196e-9,  2.541e-10,  3.56e-14,
};
// clang-format on

constexpr int kMainRows = sizeof kMain / sizeof kMain[0];
constexpr int kDensRows = sizeof kDensH / sizeof kDensH[0];
static_assert(kMainRows == 38);
static_assert(kDensRows == 61 && sizeof kDensRho / sizeof kDensRho[0] == 61);

// The breakpoints of both tables in one ascending list.
struct Breakpoints {
    std::array<double, kMainRows + kDensRows> h {};
    int rows = 0;
};
constexpr Breakpoints kMerged = [] {
    Breakpoints b;
    for (int i = 0, j = 0; i < kMainRows || j < kDensRows; ++b.rows) {
        const double hm = i < kMainRows ? kMain[i].h : HUGE_VAL;
        const double hd = j < kDensRows ? kDensH[j] : HUGE_VAL;
        b.h[b.rows] = hm < hd ? hm : hd;
        i += hm <= hd;
        j += hd <= hm;
    }
    return b;
}();
constexpr int kMergedRows = kMerged.rows;

// The segments between two of those breakpoints, each with the main table's
// segment and the density table's segment it lies in (everything above the
// second-to-last breakpoint of a table falls on its last segment).
constexpr std::array<AtmosphereSegment, kMergedRows - 1> kSegmentTable = [] {
    const auto& b = kMerged.h;
    std::array<AtmosphereSegment, kMergedRows - 1> out {};
    for (int k = 0; k + 1 < kMergedRows; ++k) {
        AtmosphereSegment& s = out[k];
        s.lo = k == 0 ? -HUGE_VAL : b[k];
        s.hi = k + 2 == kMergedRows ? HUGE_VAL : b[k + 1];
        int i = 0;
        while (i < kMainRows - 2 && kMain[i + 1].h < b[k + 1])
            ++i;
        const MainRow& lo = kMain[i];
        const MainRow& hi = kMain[i + 1];
        s.mainLo = lo.h, s.mainWidth = hi.h - lo.h;
        s.T0 = lo.T, s.dT = hi.T - lo.T;
        s.p0 = lo.p, s.dp = hi.p - lo.p;
        s.a0 = lo.a, s.da = hi.a - lo.a;
        s.mu0 = lo.mu, s.dmu = hi.mu - lo.mu;
        if (b[k + 1] <= 0) {
            // Below the density table the density stays at its ground
            // value: a line of slope zero on the main segment.
            s.densLo = s.mainLo, s.densWidth = s.mainWidth;
            s.rho0 = kDensRho[0], s.drho = 0;
            s.density = AtmosphereSegment::kSame;
            continue;
        }
        int j = 0;
        while (j < kDensRows - 2 && kDensH[j + 1] < b[k + 1])
            ++j;
        s.densLo = kDensH[j], s.densWidth = kDensH[j + 1] - kDensH[j];
        s.rho0 = kDensRho[j], s.drho = kDensRho[j + 1] - kDensRho[j];
        s.density
            = s.densLo == s.mainLo && s.densWidth == s.mainWidth ? AtmosphereSegment::kSame : AtmosphereSegment::kOwn;
    }
    return out;
}();

// Within a segment a value lies on the line between its two breakpoints, so
// between their values; the floor holds the lowest row's; above the last
// breakpoint the viscosity stays as it is and the density falls to zero.
constexpr AtmosphereExtremes kExtremes = [] {
    static_assert(kMain[kMainRows - 1].mu == kMain[kMainRows - 2].mu, "the viscosity is continued flat");
    static_assert(kDensRho[kDensRows - 1] < kDensRho[kDensRows - 2], "the density is continued falling");
    AtmosphereExtremes e { HUGE_VAL, 0 };
    for (const MainRow& row : kMain)
        e.minMu = row.mu < e.minMu ? row.mu : e.minMu;
    for (const double rho : kDensRho)
        e.maxRho = rho > e.maxRho ? rho : e.maxRho;
    e.minMu *= 1 - 1e-9;
    e.maxRho *= 1 + 1e-9;
    return e;
}();
static_assert(kExtremes.minMu > 0);

int lastSegment = 0;

} // namespace

const AtmosphereSegment* const kAtmosphereSegments = kSegmentTable.data();
const AtmosphereExtremes kAtmosphereExtremes = kExtremes;
const AtmosphereFloor kAtmosphereFloor = { kMain[0].h, kMain[0].T, kMain[0].p, kMain[0].a, kMain[0].mu, kDensRho[0] };

void Atmosphere(double h, double& Temp, double& Druck, double& Aschall, double& Roh, double& Mu)
{
    atmosphereAt(h, lastSegment, Temp, Druck, Aschall, Roh, Mu);
}

void Aerodynamik(
    double model, double /*P*/, double M, double& Alfa, double& Cx, double& Cy, double& Cx0, double& /*Reserve*/)
{
    aerodynamikStep<Checked>(model, M, Alfa, Cx, Cy, Cx0);
}

MotionForces Bewegung(double A, double P, double S, MotionSet set, double& q, double& ny, double& nx, double& Q,
    double& V, double& X, double& H, double& t, double Cy, double Cx, double rho, double dt, double W, double mS,
    double Massa, int BallonModus)
{
    MotionForces out;
    out.BallonModus = BallonModus;
    bewegungStep<Checked>(set, { A, P, S, Cy, Cx, rho, dt, W, mS, Massa },
        { q, ny, nx, Q, V, X, H, t, out.Drag, out.Lift, out.BallonModus });
    return out;
}

} // namespace torv

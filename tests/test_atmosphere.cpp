#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "physics/subrout.h"

using namespace torv;

namespace {

struct Air {
    double T, p, a, rho, mu;
};

Air at(double h)
{
    Air r {};
    Atmosphere(h, r.T, r.p, r.a, r.rho, r.mu);
    return r;
}

constexpr double kRel = 5e-6; // the reference values are given to six digits

void expectRel(double actual, double expected, const char* what, double h)
{
    EXPECT_NEAR(actual, expected, std::fabs(expected) * kRel) << what << " at " << h << " m";
}

struct Case {
    double h;
    double T, p, a, rho, mu; // NaN: not checked
};

} // namespace

TEST(Atmosphere, ReferenceAltitudes)
{
    const double x = NAN;
    const Case cases[] = {
        //      h,       T,       p,         a,      rho,        mu
        { 0, 288.15, 1.013, 340.3, 1.225, 1.7894e-4 },
        { -500, 291.4, 1.076, 342.205, 1.225, 1.8047e-4 },
        { 11000, 216.65, 0.2263, 295.07, 0.3639, 1.4216e-4 },
        { 23000, 219.65, 0.03503, x, 0.0549935, x },
        { 31000, 229.09, x, x, 0.0156185, x },
        { 95000, 190.975, x, 274.71, x, 1.2647e-4 },
        { 250000, 863.685, x, 274.71, 2.38221e-10, 1.2647e-4 },
        { 1000000, 1000.56, 7.51e-10, 274.71, 3.56e-14, 1.2647e-4 },
    };
    for (const Case& c : cases) {
        const Air r = at(c.h);
        if (!std::isnan(c.T))
            expectRel(r.T, c.T, "temperature", c.h);
        if (!std::isnan(c.p))
            expectRel(r.p, c.p, "pressure", c.h);
        if (!std::isnan(c.a))
            expectRel(r.a, c.a, "speed of sound", c.h);
        if (!std::isnan(c.rho))
            expectRel(r.rho, c.rho, "density", c.h);
        if (!std::isnan(c.mu))
            expectRel(r.mu, c.mu, "viscosity", c.h);
    }
}

TEST(Atmosphere, ContinuousAtEveryBreakpoint)
{
    const double breaks[] = { -1000, 0, 500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 6000, 7000, 8000,
        9000, 10000, 11000, 12000, 14000, 16000, 18000, 20000, 22000, 24000, 25000, 26000, 30000, 40000, 50000, 60000,
        70000, 80000, 86000, 90000, 100000, 120000, 150000, 200000 };
    for (double b : breaks) {
        const Air below = at(b);
        const Air justAbove = at(b + 1e-7);
        for (auto [x, y, what] : { std::tuple { below.T, justAbove.T, "T" }, std::tuple { below.p, justAbove.p, "p" },
                 std::tuple { below.a, justAbove.a, "a" }, std::tuple { below.mu, justAbove.mu, "mu" },
                 std::tuple { below.rho, justAbove.rho, "rho" } }) {
            EXPECT_NEAR(x, y, std::fabs(x) * 1e-9) << what << " jumps at " << b << " m";
        }
    }
}

TEST(Atmosphere, BelowSeaLevelDensityStaysAtSeaLevelValue)
{
    for (double h : { -0.001, -700.0, -1000.0, -4999.0 })
        EXPECT_EQ(at(h).rho, 1.225) << h;
    // The other quantities follow the table below sea level.
    expectRel(at(-3000).T, 320.6 + 0.5 * (294.65 - 320.6), "temperature", -3000);
}

TEST(Atmosphere, LowestSegmentUsesStandardPressure)
{
    expectRel(at(-5000 + 1e-6).p, 1.7769, "pressure", -5000);
    expectRel(at(-3000).p, 1.7769 + 0.5 * (1.139 - 1.7769), "pressure", -3000);
}

TEST(Atmosphere, AtAndBelowFloorHoldsFloorValues)
{
    for (double h : { -5000.0, -5000.5, -20000.0, -1e9 }) {
        const Air r = at(h);
        EXPECT_EQ(r.T, 320.6) << h;
        EXPECT_EQ(r.p, 1.7769) << h;
        EXPECT_EQ(r.a, 359.0) << h;
        EXPECT_EQ(r.mu, 1.94e-4) << h;
        EXPECT_EQ(r.rho, 1.225) << h;
    }
}

TEST(Atmosphere, AboveTopContinuesLineButDensityNeverNegative)
{
    // The last segment's line: T grows by 146 K per 800 km.
    expectRel(at(1800000).T, 1000.56 + 146.0, "temperature", 1800000);
    EXPECT_GT(at(1000100).rho, 0.0);
    for (double h : { 1000200.0, 2e6, 1e9 })
        EXPECT_EQ(at(h).rho, 0.0) << h;
    EXPECT_GT(at(2e6).p, 0.0);
}

TEST(Atmosphere, SegmentMemoryDoesNotChangeResults)
{
    // The same altitudes visited in a random order and in a climb must give
    // bit-identical results, however the segment was found.
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-6000, 1.2e6);
    std::vector<double> hs(4000);
    for (double& h : hs)
        h = u(rng);
    hs.insert(hs.end(), { 0.0, 500.0, 20000.0, 86000.0, 90000.0, 200000.0, 1e6 });

    std::vector<Air> shuffled;
    for (double h : hs)
        shuffled.push_back(at(h));
    std::vector<size_t> order(hs.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return hs[a] < hs[b]; });
    for (size_t i : order) {
        const Air climb = at(hs[i]);
        const Air again = at(hs[i]);
        EXPECT_EQ(climb.T, shuffled[i].T);
        EXPECT_EQ(climb.p, shuffled[i].p);
        EXPECT_EQ(climb.rho, shuffled[i].rho);
        EXPECT_EQ(again.mu, shuffled[i].mu);
        EXPECT_EQ(again.a, shuffled[i].a);
    }
}

// The first projectile preset end to end, against a plain re-computation of
// the two passes written here from the description of a run.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "fault/faults.h"
#include "files/resultfiles.h"
#include "model/state.h"
#include "physics/subrout.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "support/runfixtures.h"

using namespace torv;
using namespace torv::testing;

namespace {

struct Sample {
    double t, X, H, V, q, Qgrad, rho;
};

// 1 kg, 0.02 m2, Cx 0.01, from 1 m at 100 m/s and 45 degrees, 5 ms steps,
// until the ground or 100 s. Samples where t crosses a 1/500 of the first
// pass's duration.
std::vector<Sample> referenceFlight()
{
    const double m = 1, S = 0.02, Cx = 0.01, dt = 0.005;
    auto pass = [&](double dtProbe, std::vector<Sample>* out) {
        double H = 1, V = 100, Q = 45 / 57.3, X = 0, t = 0, q = 0, nx = 0, ny = 0;
        double fracOld = 100;
        do {
            double T, p, a, rho, mu;
            Atmosphere(H, T, p, a, rho, mu);
            Bewegung(0, 0, S, MotionSet::kGeneral, q, ny, nx, Q, V, X, H, t, 0, Cx, rho, dt, 0, m / S, m, 0);
            if (out) {
                const double frac = t / dtProbe - std::trunc(t / dtProbe);
                if (frac - fracOld <= 0.0001 && out->size() < 500)
                    out->push_back({ t, X, H < 0 ? 0 : H, V, q, 57.3 * Q, rho });
                fracOld = frac;
            }
        } while (H > 0 && t < 100);
        return t;
    };
    const double duration = pass(1, nullptr);
    std::vector<Sample> samples;
    pass(duration / 500, &samples);
    // Units after the run: the dynamic pressure in kPa once a sample
    // exceeds 1000 Pa (this flight never reaches 100 kPa, 10 km or 1 km/s).
    bool kilo = false;
    for (const Sample& s : samples)
        kilo = kilo || s.q > 1000;
    for (Sample& s : samples)
        s.q = kilo ? s.q / 1000 : s.q;
    return samples;
}

std::string expectedLine(int j, const Sample& s)
{
    char buf[200];
    std::snprintf(buf, sizeof buf, "  %6.2f  %8.2f  %6.2f  %5.1f  %5.1f  %5.1f  %5.1f  %9.6f  ", double(j), s.t, s.X,
        s.H, s.V, s.q, s.Qgrad, s.rho);
    return buf;
}

} // namespace

TEST(Reference, FirstProjectilePreset)
{
    TempWorkDir dir;
    resetState();
    fpClear();
    const std::vector<Sample> ref = referenceFlight();
    ASSERT_GE(ref.size(), 499u);

    resetState();
    choosePreset(PresetList::Projectil, 0);
    activate('.');
    Flugbahn();
    const std::string text = readFile(kSampleFileName);

    std::vector<std::string> lines;
    for (size_t pos = 0, end; (end = text.find("\r\n", pos)) != std::string::npos; pos = end + 2)
        lines.push_back(text.substr(pos, end - pos));
    ASSERT_EQ(lines.size(), 503u);
    for (int j : { 1, 2, 100, 250, 499 })
        EXPECT_EQ(lines[2 + j], expectedLine(j, ref[j - 1])) << "sample " << j;
    EXPECT_EQ(lines[502], expectedLine(500, ref[498])) << "sample 500 repeats 499";

    // Nearly drag-free: the range falls a little short of v^2/g.
    const double vacuumRange = 100.0 * 100.0 / 9.8;
    EXPECT_LT(st.X, vacuumRange);
    EXPECT_GT(st.X, 0.9 * vacuumRange);
    EXPECT_LE(st.H, 0);
}

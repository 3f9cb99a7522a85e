#include <gtest/gtest.h>

#include <cmath>

#include "fault/faults.h"
#include "physics/subrout.h"

using namespace torv;

namespace {

// The in/out arguments of one step.
struct Step {
    double A = 0, P = 0, S = 1;
    MotionSet motion = MotionSet::kGeneral;
    double q = 0, ny = 0, nx = 0;
    double Q = 0, V = 0, X = 0, H = 0, t = 0;
    double Cy = 0, Cx = 0, rho = 1.225, dt = 0.01, W = 0, mS = 1, m = 1;
    int ballonModus = 0;
    double drag = 0, lift = 0;

    void run()
    {
        const MotionForces f
            = Bewegung(A, P, S, motion, q, ny, nx, Q, V, X, H, t, Cy, Cx, rho, dt, W, mS, m, ballonModus);
        drag = f.Drag, lift = f.Lift, ballonModus = f.BallonModus;
    }
};

constexpr double kTol = 1e-12;

std::string faultOf(Step& s)
{
    try {
        s.run();
    } catch (const FloatError& e) {
        return e.what();
    }
    return "";
}

} // namespace

class Motion : public ::testing::Test {
protected:
    void SetUp() override { fpClear(); }
};

TEST_F(Motion, GeneralStepByHand)
{
    Step s;
    s.m = 2;
    s.S = 0.5, s.Cx = 0.4, s.Cy = 0.2, s.rho = 1.2, s.V = 10, s.Q = 0, s.dt = 0.1, s.mS = 4;
    s.run();
    // q = 1.2*100/2; a = -(0.4*60*0.5)/2 = -6; w = (0.2*1.2*9.4^2*0.5/2 - 2*9.8)/(2*9.4)
    EXPECT_NEAR(s.q, 60, kTol);
    EXPECT_NEAR(s.X, 1.0, kTol);
    EXPECT_NEAR(s.H, 0.0, kTol);
    EXPECT_NEAR(s.V, 9.4, kTol);
    EXPECT_NEAR(s.Q, 0.1 * (5.3016 - 19.6) / 18.8, kTol);
    EXPECT_NEAR(s.t, 0.1, kTol);
    EXPECT_NEAR(s.nx, -24 / 39.2, kTol);
    EXPECT_NEAR(s.ny, 12 / 39.2, kTol);
    EXPECT_NEAR(s.drag, 12, kTol);
    EXPECT_NEAR(s.lift, 6, kTol);
    EXPECT_EQ(s.ballonModus, 0);
}

TEST_F(Motion, GeneralStepWithThrustAndBuoyancyOnAClimb)
{
    // 30 degrees: sin = 0.5 exactly enough for a hand check.
    Step s;
    s.m = 10;
    s.A = 20, s.P = 50, s.S = 1, s.Cx = 0, s.Cy = 0, s.rho = 1, s.V = 20, s.Q = std::asin(0.5), s.dt = 0.5;
    const double c = std::cos(s.Q);
    s.run();
    const double a = (20 * 0.5 + 50 - 10 * 9.8 * 0.5) / 10; // 1.1
    EXPECT_NEAR(s.V, 20 + a * 0.5, kTol);
    EXPECT_NEAR(s.H, 20 * 0.5 * 0.5, kTol);
    EXPECT_NEAR(s.X, 20 * c * 0.5, kTol);
    EXPECT_NEAR(s.Q, std::asin(0.5) + (20 * c - 98 * c) / (10 * 20.55) * 0.5, kTol);
}

TEST_F(Motion, ReentryStepByHand)
{
    Step s;
    s.m = 1000;
    s.motion = MotionSet::kReentry, s.S = 2, s.Cx = 1, s.Cy = 0.5, s.rho = 1e-3, s.V = 7000, s.Q = -0.1, s.H = 80000,
    s.dt = 0.1;
    s.A = 1e6, s.P = 1e6, s.W = 300; // take no part in the reentry set
    s.mS = 500;
    s.run();
    // sigma = 2/9800; sigma*rho*V^2*g = 98; the drag term has no 1/2.
    const double a = -98 + 9.8 * std::sin(0.1);
    const double V = 7000 + a * 0.1;
    const double H = 80000 + V * std::sin(-0.1) * 0.1;
    EXPECT_NEAR(s.V, V, 1e-9);
    EXPECT_NEAR(s.H, H, 1e-9);
    EXPECT_NEAR(s.X, V * std::cos(0.1) * 0.1, 1e-9);
    const double q = 1e-3 * 49e6 / 2;
    const double w = ((2.0 / 9800) * 0.5 * q * 9.8 + V * V / (H + 6371302) - 9.8) / V;
    EXPECT_NEAR(s.Q, -0.1 + w * 0.1, 1e-12);
    EXPECT_NEAR(s.q, q, 1e-6);
    EXPECT_NEAR(s.nx, -q / (500 * 9.8), 1e-9);
    EXPECT_NEAR(s.ny, 0.5 * q / (500 * 9.8), 1e-9);
}

TEST_F(Motion, ZeroSpeedBecomesSubstituteSpeed)
{
    Step s;
    s.V = 0, s.Q = 0, s.dt = 0.01;
    s.run();
    EXPECT_NEAR(s.q, 1.225 * 0.0002 * 0.0002 / 2, 1e-20);
    EXPECT_NEAR(s.X, 0.0002 * 0.01, 1e-18);
}

TEST_F(Motion, PathAngleLimits)
{
    Step up; // vertical start, general set: cut to 89.8 degrees after the step
    up.V = 100, up.Q = 90 / 57.3, up.dt = 0.01;
    up.run();
    EXPECT_EQ(up.Q, 1.5671902268760907);

    Step down = up;
    down.Q = -90 / 57.3, down.V = 100;
    down.run();
    EXPECT_EQ(down.Q, -1.5671902268760907);

    // Reentry set: a slow vertical dive turns further down and stops at
    // exactly 90/57.3 rad.
    Step dive;
    dive.motion = MotionSet::kReentry, dive.Cx = 1, dive.S = 1, dive.rho = 0, dive.V = 100, dive.Q = -1.5706,
    dive.H = 1000;
    dive.dt = 1;
    dive.run();
    EXPECT_EQ(dive.Q, -1.5706806282722514);

    Step lift = dive; // strong lift pushes past +90/57.3
    lift.Q = 1.5706, lift.Cy = 1000, lift.rho = 1, lift.V = 1000, lift.dt = 1e-4;
    lift.run();
    EXPECT_EQ(lift.Q, 1.5706806282722514);
}

TEST_F(Motion, WindEntersRangeOnlyOutsideBalloonMode)
{
    Step s;
    s.V = 10, s.Q = 0, s.W = 5, s.dt = 0.1;
    Step b = s;
    s.run();
    EXPECT_NEAR(s.X, (10 + 5) * 0.1, kTol);

    b.motion = MotionSet::kBalloon; // the balloon's set switches balloon mode on
    b.run();
    EXPECT_EQ(b.ballonModus, 1);
    EXPECT_NEAR(b.X, 10 * 0.1, kTol);

    // Balloon mode, once set by anyone, also holds for other classes.
    Step c = b;
    c.X = 0, c.V = 10, c.Q = 0, c.motion = MotionSet::kGeneral;
    c.run();
    EXPECT_NEAR(c.X, 1.0, kTol);

    // A wind acts on the speed through the drag term.
    Step d;
    d.V = 10, d.Q = 0, d.W = 4, d.Cx = 1, d.S = 1, d.rho = 2, d.dt = 0.1;
    d.run();
    EXPECT_NEAR(d.V, 10 + (-100 + 16) * 0.1, kTol);
}

TEST_F(Motion, FaultsRaiseTheirMessagesWhereTheyHappen)
{
    // Zero mass: the tangential acceleration divides by it; nothing moves.
    Step zeroMass;
    zeroMass.m = 0;
    zeroMass.V = 10, zeroMass.Cx = 1, zeroMass.X = 5;
    EXPECT_EQ(faultOf(zeroMass), "Floating point division by zero");
    EXPECT_EQ(zeroMass.X, 5);
    EXPECT_EQ(zeroMass.t, 0);
    EXPECT_EQ(fpPending(), 0);

    // Zero m/S: the load factors divide by it, after time has advanced.
    Step zeroLoad;
    zeroLoad.V = 10, zeroLoad.Cx = 1, zeroLoad.mS = 0, zeroLoad.nx = 7;
    EXPECT_EQ(faultOf(zeroLoad), "Floating point division by zero");
    EXPECT_NEAR(zeroLoad.t, 0.01, kTol);
    EXPECT_EQ(zeroLoad.nx, 7);

    // Reentry with Cx = 0: Cy/Cx, after speed, altitude and range were done.
    Step reentry;
    reentry.motion = MotionSet::kReentry, reentry.V = 7000, reentry.Q = -0.1, reentry.H = 1e5, reentry.Cx = 0,
    reentry.Cy = 0;
    EXPECT_EQ(faultOf(reentry), "Invalid floating point operation");
    EXPECT_NE(reentry.V, 7000);
    EXPECT_NE(reentry.X, 0);
    EXPECT_EQ(reentry.Q, -0.1);
    Step reentryLift = Step {};
    reentryLift.motion = MotionSet::kReentry, reentryLift.V = 7000, reentryLift.H = 1e5, reentryLift.Cy = 0.3;
    EXPECT_EQ(faultOf(reentryLift), "Floating point division by zero");

    // A speed whose square overflows.
    Step fast;
    fast.V = 1e200;
    EXPECT_EQ(faultOf(fast), "Floating point overflow");
    EXPECT_EQ(fast.q, 0);
}

TEST_F(Motion, VacuumProjectileLandsAtTheTextbookRange)
{
    Step s;
    s.Cx = 0, s.V = 100, s.Q = 45 / 57.3, s.dt = 0.005, s.H = 0;
    do
        s.run();
    while (s.H > 0);
    const double range = 100.0 * 100.0 * std::sin(2 * 45 / 57.3) / 9.8;
    EXPECT_NEAR(s.X, range, 0.01 * range);
    EXPECT_EQ(fpPending(), 0);
}

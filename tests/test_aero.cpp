#include <gtest/gtest.h>

#include <cmath>

#include "fault/faults.h"
#include "physics/subrout.h"

using namespace torv;

namespace {

struct Coeffs {
    double alfa = 5, cx = 0.7, cy = 0.3, cx0 = -1, reserve = 0;
};

Coeffs evaluate(double model, double mach)
{
    Coeffs c;
    Aerodynamik(model, 1000, mach, c.alfa, c.cx, c.cy, c.cx0, c.reserve);
    return c;
}

} // namespace

class Aero : public ::testing::Test {
protected:
    void SetUp() override { fpClear(); }
};

TEST_F(Aero, Model1DragFollowsMachAndKeepsLift)
{
    const struct {
        double mach, cx;
    } rows[] = { { 0.3, 0.29 }, { 0.8, 0.29 }, { 1.0, 0.49 }, { 1.067, 0.557 }, { 1.068, 0.5 / 1.068 + 0.091 },
        { 2.0, 0.341 } };
    for (auto r : rows) {
        const Coeffs c = evaluate(1.0, r.mach);
        EXPECT_NEAR(c.cx, r.cx, 1e-12) << "M = " << r.mach;
        EXPECT_EQ(c.cy, 0.3);
        EXPECT_EQ(c.alfa, 5);
        EXPECT_EQ(c.cx0, -1);
    }
}

TEST_F(Aero, Model2ZeroAlphaDragAndNoLift)
{
    const struct {
        double mach, cx;
    } rows[] = { { 0.6, 0.5375 }, { 3.0, 0.03 / std::sqrt(8.0) }, { 6.0, 0.03 } };
    for (auto r : rows) {
        const Coeffs c = evaluate(2.0, r.mach);
        EXPECT_NEAR(c.cx, r.cx, 1e-12) << "M = " << r.mach;
        EXPECT_EQ(c.cx0, c.cx);
        EXPECT_EQ(c.cy, 0.0);
        EXPECT_EQ(c.alfa, 0.0);
    }
    EXPECT_NEAR(evaluate(2.0, 3.0).cx, 0.0106, 5e-5);
}

TEST_F(Aero, ModelNumberRoundsHalfToEven)
{
    EXPECT_NEAR(evaluate(1.4, 2.0).cx, 0.341, 1e-12); // model 1
    EXPECT_EQ(evaluate(1.5, 6.0).cx, 0.03); // model 2
    EXPECT_EQ(evaluate(2.5, 6.0).cx, 0.03); // model 2
    for (double other : { 0.0, 0.5, -1.0, 3.0, 2.6, 100.0 }) {
        const Coeffs c = evaluate(other, 2.0);
        EXPECT_EQ(c.cx, 0.7) << other;
        EXPECT_EQ(c.cy, 0.3) << other;
        EXPECT_EQ(c.alfa, 5) << other;
    }
}

TEST_F(Aero, Model2AtMachOneIsDivisionByZero)
{
    Coeffs c;
    try {
        Aerodynamik(2.0, 0, 1.0, c.alfa, c.cx, c.cy, c.cx0, c.reserve);
        FAIL() << "no fault";
    } catch (const FloatError& e) {
        EXPECT_STREQ(e.what(), "Floating point division by zero");
    }
    EXPECT_EQ(c.cx, 0.7); // the coefficients were not overwritten
    EXPECT_EQ(fpPending(), 0);
}

// The step as a function of its state and the pass inputs, and the unit
// flags that a sequence of samples raises.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <random>
#include <vector>

#include "fault/faults.h"
#include "model/classes.h"
#include "model/quantities.h"
#include "physics/constants.h"
#include "run/step.h"

using namespace torv;

namespace {

struct Flight {
    const char* what;
    StepState start;
    PassInputs in;
};

Flight flight(const char* what, double klasse, double massa, double cx, double cy, double v, double qDeg, double h)
{
    Flight f { what, {}, {} };
    f.start.Massa = massa, f.start.CxRun = cx, f.start.CyRun = cy, f.start.V = v, f.start.Q = qDeg / kDegPerRad;
    f.start.H = h, f.start.P = 0;
    f.in.S = 1, f.in.dt0 = 0.01, f.in.motion = classRow(klasse).motion, f.in.Vwind = 3, f.in.g = kGravity,
    f.in.dtProbe = 1;
    return f;
}

std::vector<Flight> flights()
{
    Flight rocket = flight("rocket", 8, 1000, 0.3, 0, 10, 80, 0);
    rocket.start.P = 30000, rocket.start.tBurn = 1, rocket.in.rocket = true, rocket.in.IudRun = 2500;
    rocket.in.MtRun = 300;
    Flight reentry = flight("reentry vehicle with a model", 7, 5560, 0.85, 0.252, 7800, -6.5, 120000);
    reentry.in.heating = true, reentry.in.RSAT = 2, reentry.in.heatScale = heatScale(2), reentry.in.aero = true;
    reentry.in.AeroModel = 1;
    Flight balloon = flight("balloon", 3, 1000, 0.4, 0, 0, 90, 0);
    balloon.in.buoyant = true, balloon.in.AuftriebSoll = 9898, balloon.in.Gewicht = 9800, balloon.in.HFlug = 2;
    balloon.in.Gasverlust = 4.4, balloon.in.Oberflaeche = 800, balloon.in.Volumen = 1400;
    return { flight("glider", 5, 300, 0.03, 1.5, 40, 0, 2000), rocket, reentry, balloon };
}

template <class F> StepState stepsFrom(StepState s, const PassInputs& in, int n)
{
    for (int k = 0; k < n; ++k)
        step<F, ByInputs>(s, in);
    return s;
}

bool sameState(const StepState& a, const StepState& b)
{
    return sameBits(a, b) && static_cast<const SamplingState&>(a) == static_cast<const SamplingState&>(b);
}

} // namespace

// A checkpoint is a copy of the state: run on from it, with everything else
// in the simulation state overwritten, the steps give the very same state.
// The fault policy changes nothing but where a fault is found.
TEST(Step, ReadsNothingButItsStateAndTheInputs)
{
    for (const Flight& f : flights()) {
        SCOPED_TRACE(f.what);
        fpClear();
        const StepState checkpoint = stepsFrom<Unchecked>(f.start, f.in, 150);
        const StepState straight = stepsFrom<Unchecked>(checkpoint, f.in, 150);
        resetState();
        st.Massa = 1, st.S = 99, st.Klasse = 1, st.BallonModus = 1, st.dt0 = 1, st.g = 1;
        EXPECT_TRUE(sameState(stepsFrom<Unchecked>(checkpoint, f.in, 150), straight));
        EXPECT_TRUE(sameState(stepsFrom<Checked>(f.start, f.in, 300), straight));
        EXPECT_EQ(fpPending(), 0);
    }
}

// One value per flagged quantity stands for every sample of a sequence:
// what it raises is what raising the flags at each sample does.
TEST(UnitFlagWitness, RaisesWhatEverySampleWould)
{
    std::mt19937_64 rng(7);
    // Around the thresholds: 3.6e3 s, 1e3 m/s, 1e3 Pa and 1e5 Pa, 1e4 m, 1e4 N, 1e4 kg.
    std::uniform_real_distribution<double> exponent(2.5, 5.5);
    for (int sequence = 0; sequence < 200; ++sequence) {
        SamplingState each, fromWitness;
        UnitFlagWitness witness;
        const int samples = 1 + sequence % 7;
        for (int k = 0; k < samples; ++k) {
            StepState s;
            s.t = std::pow(10, exponent(rng)), s.V = std::pow(10, exponent(rng)), s.qDyn = std::pow(10, exponent(rng));
            s.H = std::pow(10, exponent(rng)) * (k % 2 ? 1 : -1), s.X = std::pow(10, exponent(rng));
            s.P = std::pow(10, exponent(rng)), s.Massa = std::pow(10, exponent(rng));
            const SampleSource src { s, kGravity, 0, 0 };
            raiseUnitFlags(each, src);
            witness.add(src);
        }
        witness.raise(fromWitness);
        ASSERT_TRUE(each == fromWitness) << "sequence " << sequence;
    }
}

// Samples of a pass in which only the motion and the air change: recording
// only the series that differ, then repeating the others from the first,
// gives the series recording each sample whole does.
TEST(MotionAndAirSamples, RecordWhatWholeSamplesRecord)
{
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> value(-2, 3e4);
    double every[offsetof(FlightState, BallonModus) / sizeof(double)];
    for (double& v : every)
        v = value(rng);
    StepState s;
    std::memcpy(static_cast<void*>(static_cast<FlightState*>(&s)), every, sizeof every);
    std::vector<double> whole(kSamples * kRecordedSeries, 0), some = whole;
    for (int slot = 1; slot <= 40; ++slot) {
        for (double* v : { &s.t, &s.H, &s.X, &s.V, &s.Q, &s.Mach, &s.qDyn, &s.nx, &s.ny, &s.Drag, &s.Lift, &s.Temp,
                 &s.Druck, &s.Roh, &s.Mu })
            *v = value(rng);
        StepState w = s, m = s;
        recordSampleValues<Unchecked>(w, kGravity, 3, 7, slot, whole.data());
        if (slot == 1)
            recordSampleValues<Unchecked>(m, kGravity, 3, 7, slot, some.data());
        else
            recordMotionAndAir<Unchecked>(m, kGravity, 3, 7, slot, some.data());
        EXPECT_EQ(m.Re, w.Re);
    }
    repeatFixedSeries(some.data(), 1, 40);
    EXPECT_EQ(some, whole);
}

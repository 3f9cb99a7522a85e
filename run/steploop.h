// The step loop of a pass: stretches of steps without fault tests, run
// again checked where one raised a fault flag; the checkpoints the timing
// pass keeps; the recording pass replayed from them; and what the run's
// summary takes from the steps.
#pragma once

#include "files/resultfiles.h"
#include "model/quantities.h"
#include "model/state.h"
#include "model/summary.h"
#include "run/step.h"

namespace torv {

// Steps of a pass between two tests of the fault flags, where the form also
// hears of the run's progress.
inline constexpr long long kCheckpointSteps = 4096;

// A pass longer than this would keep the program from answering for many
// seconds (or forever, once t + dt0 no longer grows); it is refused instead.
inline constexpr long long kMaxStepsPerPass = 100000000;

// Where a step starts from.
struct StepEntry {
    double t, H, X, V, Q;
};

// What the run's summary takes from the steps of a pass: the greatest values
// over every step, the start included, and where the last step started, so
// that the end condition can be placed within it.
struct StepTrack {
    double maxH = 0; // m
    double maxAbsNx = 0; // g
    double maxQDyn = 0; // Pa
    double minAccel = 0; // m/s2: the least a + g sin Q, if below 0
    StepEntry lastStart {}; // found once the pass has ended (lastStepEntry)
};

class Checkpoints;

// What a run tells the one who started it, between its steps.
class RunObserver {
public:
    virtual ~RunObserver() = default;
    // A balloon's pass start has sized its envelope: the area field shows
    // the cross-section `S0` (and the run reads back what it shows).
    virtual void balloonArea(double S0);
    // A pass start has formed the area loading MassaStart / S0.
    virtual void areaLoading(double belastung);
    // Called every few thousand steps of a pass (`pass` 1 or 2) with the
    // simulated time so far and the end time; false cancels the run.
    virtual bool progress(int pass, double t, double tEnd);
};

// An observer that lets the run go on and shows nothing.
RunObserver& quietObserver();

// A pass in progress: the state it advances, what it holds fixed and what
// it keeps of its steps.
struct Pass {
    StepState s;
    PassInputs in;
    bool recording = false; // takes the samples step by step
    double* series = nullptr; // the recording's samples, laid out as Ergebnis
    // Whether the samples matter after the pass: a replay leaves `series`
    // alone where they do not.
    bool keepSamples = true;
    RunObserver* observer = &quietObserver();
    StepLog* log = nullptr;
    Checkpoints* keep = nullptr; // the timing pass's states for the recording pass
    long long done = 0; // steps
    StepTrack track;
    // The unit flags a recording in every step would have raised so far
    // (passes without samples), where `witnessed`.
    UnitFlagWitness everyStep;
    bool witnessed = true;
};

// The timing pass's checkpoints (one list per thread, kept from run to run,
// so that a run allocates nothing for it).
Checkpoints& timingCheckpoints();
// The same for the second of two timing passes stepped together.
Checkpoints& secondCheckpoints();

// One pass from the state in `p` to the end condition; the state reaches
// `end` when the pass ends, and where an error ends it. Throws FloatError,
// TorvError when the pass needs too many steps, RunCancelled.
void integrate(Pass& p, StepState& end);

// Two timing passes, each with checkpoints of its own, stepped together
// while both go on, so that their chains of operations overlap; then the one
// left alone. Each reaches its `end` as integrate would take it there. False
// where that cannot be shown (a raised fault flag, a cancel, too many steps,
// passes of different kinds, a log or a recording): the states are then
// left half-way, and each pass must be run again from its start.
bool integrateTwo(Pass& a, StepState& endA, Pass& b, StepState& endB);

// The recording pass `rec`, at its start, for the trajectory the timing
// pass integrated: leaves in `rec` and in the samples what the pass run in
// full would leave. False, with the samples as they were, where that cannot
// be shown: the pass must then be run in full (integrate).
bool replayRecording(Pass& rec, const Pass& timing);

// Where a flight ended within its last step, from the state `before` it
// and `end` after it: on the ground at Hend or at the end time Tk, whichever
// the step reached first, so that the summary follows the step smoothly and
// a flight that ends on its time ends at Tk; the state after the step where
// it ended on neither (on its speed).
StepEntry endCondition(const StepEntry& before, const StepState& end, double Hend, double Tk);

// The summary of a pass from its track and the state after its last step.
RunSummary summarize(const Pass& p, double Hend);

// For tests: every stretch of steps takes the path that tests the fault
// flags after every formula, which must give the very run the fast path does.
void checkEveryStep(bool on);

// For tests: a run that keeps no samples takes them all the same, replayed,
// as where it cannot show that none of them raises a fault flag; both ways
// must give the very same summary, status and message.
void takeUnkeptSamples(bool on);

// For tests: the recording pass integrates the whole flight again step by
// step, as the timing pass did, instead of replaying only its recording
// steps from the timing pass's checkpoints; both must give the very same run.
void recordInFull(bool on);

} // namespace torv

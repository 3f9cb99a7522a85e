#include "sim/steploop.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cfenv>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "fault/faults.h"
#include "physics/constants.h"

namespace torv {

static_assert(offsetof(PassInputs, motion) + sizeof(MotionSet) + 4 * sizeof(bool) == sizeof(PassInputs),
    "no padding between the members of the pass inputs");

bool sameTrajectoryInputs(const PassInputs& a, const PassInputs& b)
{
    PassInputs c = a;
    c.dtProbe = b.dtProbe;
    return std::memcmp(&c, &b, sizeof c) == 0;
}

// States of the timing pass at every `spacing`-th step from its start, at
// most kMaxStates of them: when the list is full, every other one goes and
// the spacing doubles, so that they stay spread over the whole pass however
// long it is. The recording pass replays its samples from them; the state
// after the first step tells whether it integrates the same trajectory.
class Checkpoints {
public:
    static constexpr size_t kMaxStates = 8192;
    static constexpr long long kFirstSpacing = 16;

    Checkpoints() { states_.reserve(kMaxStates); }

    void clear()
    {
        states_.clear();
        spacing_ = kFirstSpacing;
    }
    // The next step after `done` whose state is kept.
    long long nextAfter(long long done) const { return done == 0 ? 1 : (done / spacing_ + 1) * spacing_; }
    // The state after `done` steps, kept if it is one of those. A stretch
    // run again after a fault offers the same states again.
    void offer(long long done, const StepState& s)
    {
        if (done == 1)
            afterFirst_ = s;
        if (done % spacing_ != 0)
            return;
        if (static_cast<size_t>(done / spacing_) < states_.size()) {
            states_[static_cast<size_t>(done / spacing_)] = s;
            return;
        }
        if (states_.size() == kMaxStates) {
            for (size_t i = 0; 2 * i < states_.size(); ++i)
                states_[i] = states_[2 * i];
            states_.resize((states_.size() + 1) / 2);
            spacing_ *= 2;
            if (done % spacing_ != 0)
                return;
        }
        states_.push_back(s);
    }
    // The latest state kept at or before step `step`, and its step.
    const StepState& atOrBefore(long long step, long long& at) const
    {
        const size_t i = std::min(static_cast<size_t>(step / spacing_), states_.size() - 1);
        at = static_cast<long long>(i) * spacing_;
        return states_[i];
    }
    const StepState& afterFirstStep() const { return afterFirst_; }

private:
    std::vector<StepState> states_;
    long long spacing_ = kFirstSpacing;
    StepState afterFirst_;
};

namespace {

// A pass longer than this would keep the program from answering for many
// seconds (or forever, once t + dt0 no longer grows); it is refused instead.
constexpr long long kMaxStepsPerPass = 100000000;
// Steps between two reports to the form, which may cancel the run there.
// The fault flags are tested at these points (and at the end of a pass)
// only; a stretch that raised one is run again from its start with a test
// after every formula, which stops it where the fault happened.
constexpr long long kProgressSteps = kCheckpointSteps;

// The summary's part of a step, in this one place. The acceleration the
// motion step applied, less gravity along the path, is what every other
// force did; its least value gives the greatest deceleration.
inline void trackStep(StepTrack& tr, const FlightState& s, const AppliedMotion& applied)
{
    tr.maxH = std::max(tr.maxH, s.H);
    tr.maxAbsNx = std::max(tr.maxAbsNx, std::fabs(s.nx));
    tr.maxQDyn = std::max(tr.maxQDyn, s.qDyn);
    tr.minAccel = std::min(tr.minAccel, applied.a + kGravity * applied.sinQ);
}

// Test switches, set before runs start and only read while they run.
std::atomic<bool> everyStepChecked = false;
std::atomic<bool> recordingInFull = false;

// The sampling of a step: its phase within the sampling interval, and in the
// recording pass the sample it takes. iPunkt never passes 500, so the test
// of the slot holds for every step. Without samples only the phase of the
// last step is seen: unchecked steps leave it to the hand-over of their
// state (steps), checked ones form it in every step, so that a fault leaves
// the phase of the step before it.
template <class F, bool Record> inline void sampling(StepState& s, const PassInputs& in, StepLog* log, double* series)
{
    if constexpr (F::kTests || Record)
        s.FracNeu = samplingPhase<F>(s.t, in.dtProbe);
    if constexpr (Record) {
        if (s.FracNeu - s.FracAlt <= kRecordTolerance && s.iPunkt <= kSamples) {
            recordSample<F>(s, in.g, in.Vwind, in.Volumen, s.iPunkt, series);
            if (log && in.buoyant)
                log->writeMarker(s.iPunkt);
            if (s.iPunkt < kSamples)
                ++s.iPunkt;
        }
        s.FracAlt = s.FracNeu;
    }
}

// Steps until the end test ends the pass (true) or `done` reaches `stop`.
// The state is advanced as a local value and given back to the pass at the
// end, or where a fault or a file error stops it.
template <class F, class Kind, bool Log, bool Record> bool steps(Pass& p, long long stop)
{
    const PassInputs in = p.in;
    StepState s = p.s;
    StepTrack track = p.track;
    UnitFlagWitness everyStep = p.everyStep;
    long long done = p.done;
    bool ended = false;
    auto giveBack = [&] {
        if constexpr (!F::kTests && !Record)
            s.FracNeu = samplingPhase<F>(s.t, in.dtProbe);
        p.s = s;
        p.track = track;
        p.everyStep = everyStep;
        p.done = done;
    };
    try {
        do {
            const AppliedMotion applied = step<F, Kind>(s, in);
            if constexpr (Log)
                p.log->writeStep(s, in.Volumen);
            sampling<F, Record>(s, in, Log ? p.log : nullptr, p.series);
            trackStep(track, s, applied);
            if constexpr (!Record)
                everyStep.add(SampleSource { s, in.g, in.Vwind, in.Volumen });
            ++done;
            // End test
            ended = !(s.H > in.Hend && s.t < in.Tk);
        } while (!ended && done < stop);
    } catch (...) {
        giveBack();
        throw;
    }
    giveBack();
    return ended;
}

// The reentry vehicle's own steps make its timing pass about a tenth faster
// (bench_runs, Timing pass/Apollo); steps of their own gained nothing
// measurable for the other classes.
template <class F> bool runSteps(Pass& p, long long stop)
{
    const PassInputs& in = p.in;
    if (!p.log && !p.recording && in.heating && in.motion == MotionSet::kReentry && !in.aero)
        return steps<F, ReentryVehicle, false, false>(p, stop);
    if (p.log)
        return p.recording ? steps<F, ByInputs, true, true>(p, stop) : steps<F, ByInputs, true, false>(p, stop);
    return p.recording ? steps<F, ByInputs, false, true>(p, stop) : steps<F, ByInputs, false, false>(p, stop);
}

// Steps up to `stop`, handing every state the pass keeps to its checkpoints.
template <class F> bool stretch(Pass& p, long long stop)
{
    if (!p.keep)
        return runSteps<F>(p, stop);
    for (;;) {
        const bool ended = runSteps<F>(p, std::min(stop, p.keep->nextAfter(p.done)));
        p.keep->offer(p.done, p.s);
        if (ended || p.done >= stop)
            return ended;
    }
}

// Series 0..30 as they were before the recording pass: the slots a stretch
// wrote after a fault get their earlier contents back from here. One buffer
// per thread, kept from run to run.
std::vector<double>& samplesBefore()
{
    thread_local std::vector<double> before(kRecordedSeries * kSamples);
    return before;
}

void saveSamples(const Pass& p)
{
    std::copy_n(p.series, kRecordedSeries * kSamples, samplesBefore().begin());
}

// Slots from `slot` on get their contents from before the recording pass
// back (slot 500 is never written).
void restoreSamples(const Pass& p, int slot)
{
    const std::vector<double>& before = samplesBefore();
    for (int k = 0; k < kRecordedSeries; ++k)
        for (int i = slot; i < kSamples; ++i)
            p.series[k * kSamples + i - 1] = before[k * kSamples + i - 1];
}

// What a stretch starts from, so that it can be run again.
struct StretchStart {
    StepState s;
    long long done = 0;
    StepTrack track;
    UnitFlagWitness everyStep;
    long long logMark = 0;
};

StretchStart stretchStart(const Pass& p)
{
    return { p.s, p.done, p.track, p.everyStep, p.log ? p.log->mark() : 0 };
}

void restore(Pass& p, const StretchStart& cp)
{
    p.s = cp.s;
    p.done = cp.done;
    p.track = cp.track;
    p.everyStep = cp.everyStep;
    if (p.log)
        p.log->rollBack(cp.logMark);
    if (p.recording)
        restoreSamples(p, p.s.iPunkt);
}

// A copy of `p` that runs steps on its own: no samples, no log, nothing kept.
Pass scratchPass(const Pass& p)
{
    Pass r;
    r.s = p.s;
    r.in = p.in;
    r.done = p.done;
    return r;
}

// Runs `r` on to the state after step `step`, without samples or log.
template <class F> void runTo(Pass& r, long long step)
{
    if (r.done < step)
        runSteps<F>(r, step);
}

// Where the last step of a pass started, so that the steps need not keep
// it: the stretch that ended the pass is run again from its checkpoint, up
// to that step, without samples or log. The fault flags are left as they
// were.
StepEntry lastStepEntry(const Pass& p, const StretchStart& start)
{
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    Pass r = scratchPass(p);
    r.s = start.s;
    r.done = start.done;
    if (everyStepChecked)
        runTo<Checked>(r, p.done - 1);
    else
        runTo<Unchecked>(r, p.done - 1);
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
    return { r.s.t, r.s.H, r.s.X, r.s.V, r.s.Q };
}

// The state of a pass reaches the run's when the pass ends, and also where
// an error ends it.
class WriteBack {
public:
    WriteBack(const Pass& p, StepState& end)
        : p_(p)
        , end_(end)
    {
    }
    ~WriteBack() { end_ = p_.s; }
    WriteBack(const WriteBack&) = delete;
    WriteBack& operator=(const WriteBack&) = delete;

private:
    const Pass& p_;
    StepState& end_;
};

} // namespace

// Stretches of steps run without fault tests; a stretch that leaves a fault
// flag raised is run again, checked, from its checkpoint.
void integrate(Pass& p, StepState& end)
{
    WriteBack writeBack(p, end);
    if (p.recording)
        saveSamples(p);
    if (p.keep) {
        p.keep->clear();
        p.keep->offer(0, p.s);
    }
    const int passNumber = p.recording ? 2 : 1;
    for (;;) {
        // The form hears of the progress before every kProgressSteps-th step.
        const long long stop = std::min(((p.done + 1) / kProgressSteps + 1) * kProgressSteps - 1, kMaxStepsPerPass);
        const StretchStart cp = stretchStart(p);
        bool ended = false;
        try {
            ended = everyStepChecked ? stretch<Checked>(p, stop) : stretch<Unchecked>(p, stop);
        } catch (const TorvError&) {
            // A result file error after a fault: the fault is reported, not the file.
            if (!fpPending())
                throw;
        }
        if (fpPending()) {
            restore(p, cp);
            fpClear();
            ended = stretch<Checked>(p, stop);
        }
        if (ended) {
            p.track.lastStart = lastStepEntry(p, cp);
            return;
        }
        if (p.done == kMaxStepsPerPass)
            throw StepRefused(StepRefused::Why::TooMany);
        if (!p.observer->progress(passNumber, p.s.t, p.in.Tk))
            throw RunCancelled();
        fpCheck();
    }
}

namespace {

// Whether the recording pass `rec`, at its start, integrates the very
// trajectory of the timing pass. A step is a function of the state and the
// pass inputs alone: with the same inputs and the same state after the
// first step, every later step is the same too. Nothing but its sampling
// depends on the sampling interval.
bool sameTrajectory(const Pass& rec, const Pass& timing)
{
    if (!sameTrajectoryInputs(rec.in, timing.in))
        return false;
    FlightState first = rec.s;
    step<Unchecked, ByInputs>(first, rec.in);
    fpFenceObject(first);
    if (fpPending()) {
        fpClear();
        return false;
    }
    return sameBits(first, timing.keep->afterFirstStep());
}

// The most recording steps a replay takes one by one.
constexpr size_t kMaxReplayedSamples = 4 * kSamples;

// Which steps of the recording pass record a sample.
struct RecordingSteps {
    std::vector<long long> at; // in order; with `everyStep`, the first kSamples - 1
    bool everyStep = false; // every step records, the later ones into slot 500
};

// The steps of the recording pass that record a sample, found from its time
// sequence alone: t advances from its start by the same additions of dt0 as
// in the timing pass, and the sampling phase depends on t and dtProbe only
// (the slot is never past 500, so it lets every step record). Leaves the
// phases of the last step in `s`. False when too many steps record with
// gaps between them, or the quotient raised a fault flag.
bool findRecordingSteps(long long n, SamplingState& s, double t, const PassInputs& in, RecordingSteps& r)
{
    r.at.clear();
    r.everyStep = true;
    double fracAlt = s.FracAlt;
    double fracNeu = s.FracNeu;
    for (long long k = 1; k <= n; ++k) {
        t = t + in.dt0;
        fracNeu = samplingPhase<Unchecked>(t, in.dtProbe);
        if (fracNeu - fracAlt <= kRecordTolerance) {
            if (r.at.size() < kMaxReplayedSamples)
                r.at.push_back(k);
            else if (!r.everyStep)
                return false;
        } else {
            r.everyStep = false;
            if (r.at.size() == kMaxReplayedSamples)
                return false;
        }
        fracAlt = fracNeu;
    }
    fpFence(fracNeu);
    if (fpPending()) {
        fpClear();
        return false;
    }
    r.everyStep = r.everyStep && r.at.size() == kMaxReplayedSamples;
    if (r.everyStep)
        r.at.resize(kSamples - 1);
    s.FracNeu = fracNeu;
    s.FracAlt = fracAlt;
    return true;
}

// The recording pass for the trajectory the timing pass integrated: each
// step that records is reached from the checkpoint before it (or from the
// step recorded before, if that is nearer), and its sample taken from the
// state there as the step itself would take it. Where every step records,
// the first 499 fill the slots, and the unit flags of all of them are those
// the timing pass raised step by step; the last one leaves its Reynolds
// number. Leaves the state of the pass run in full in `rec`; false, with
// the samples as they were, where that cannot be shown.
template <class F> bool replay(Pass& rec, const Pass& timing)
{
    if (!sameTrajectory(rec, timing))
        return false;
    thread_local RecordingSteps steps;
    steps.at.reserve(kMaxReplayedSamples);
    SamplingState sampled = rec.s;
    if (!findRecordingSteps(timing.done, sampled, rec.s.t, rec.in, steps))
        return false;

    saveSamples(rec);
    Pass r = scratchPass(timing);
    r.done = -1; // nothing reached yet
    long long reported = 0;
    auto record = [&](StepState& s) {
        static_cast<SamplingState&>(s) = sampled;
        recordSample<F>(s, rec.in.g, rec.in.Vwind, rec.in.Volumen, s.iPunkt, rec.series);
        if (s.iPunkt < kSamples)
            ++s.iPunkt;
        sampled = s;
        if (fpPending())
            throw FloatError("");
    };
    try {
        for (const long long k : steps.at) {
            long long from = 0;
            const StepState& cp = timing.keep->atOrBefore(k, from);
            if (r.done < from) {
                r.s = cp;
                r.done = from;
            }
            runTo<F>(r, k);
            record(r.s);
            if (k / kProgressSteps > reported / kProgressSteps) {
                reported = k;
                if (!rec.observer->progress(2, r.s.t, rec.in.Tk))
                    throw RunCancelled();
            }
        }
        rec.s = timing.s;
        if (steps.everyStep) {
            const double fracNeu = sampled.FracNeu, fracAlt = sampled.FracAlt;
            sampled = static_cast<const SamplingState&>(rec.s);
            timing.everyStep.raise(sampled);
            sampled.iPunkt = kSamples;
            sampled.FracNeu = fracNeu;
            sampled.FracAlt = fracAlt;
            record(rec.s);
        }
    } catch (const FloatError&) {
        // A sample that raised a fault: the pass run in full stops where it
        // happened.
        fpClear();
        restoreSamples(rec, 1);
        return false;
    }
    static_cast<SamplingState&>(rec.s) = sampled;
    rec.track = timing.track;
    rec.done = timing.done;
    return true;
}

} // namespace

Checkpoints& timingCheckpoints()
{
    thread_local Checkpoints checkpoints;
    return checkpoints;
}

bool replayRecording(Pass& rec, const Pass& timing)
{
    if (!timing.keep || recordingInFull)
        return false;
    return everyStepChecked ? replay<Checked>(rec, timing) : replay<Unchecked>(rec, timing);
}

RunSummary summarize(const Pass& p, double Hend)
{
    const StepTrack& tr = p.track;
    const StepState& end = p.s;
    RunSummary r;
    StepEntry at { end.t, end.H, end.X, end.V, end.Q };
    // A flight that came down to Hend within its last step ends where the
    // straight line between the step's two states meets it.
    if (end.H <= Hend && tr.lastStart.H > Hend) {
        const double f = (tr.lastStart.H - Hend) / (tr.lastStart.H - end.H);
        auto along = [f](double before, double after) { return before + f * (after - before); };
        at = { along(tr.lastStart.t, end.t), Hend, along(tr.lastStart.X, end.X), along(tr.lastStart.V, end.V),
            along(tr.lastStart.Q, end.Q) };
    }
    r.flightTime = at.t;
    r.range = at.X;
    r.endSpeed = at.V;
    r.endPathAngle = kDegPerRad * at.Q;
    r.maxAltitude = tr.maxH;
    r.maxLoadFactor = tr.maxAbsNx;
    r.maxDynamicPressure = tr.maxQDyn;
    r.maxDeceleration = -tr.minAccel / kGravity;
    r.samples = end.iPunkt >= kSamples ? kSamples : end.iPunkt - 1;
    return r;
}

void RunObserver::balloonArea(double)
{
}

void RunObserver::areaLoading(double)
{
}

bool RunObserver::progress(int, double, double)
{
    return true;
}

RunObserver& quietObserver()
{
    static RunObserver quiet;
    return quiet;
}

void checkEveryStep(bool on)
{
    everyStepChecked = on;
}

void recordInFull(bool on)
{
    recordingInFull = on;
}

} // namespace torv

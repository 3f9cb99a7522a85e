#include "run/steploop.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "fault/faults.h"
#include "physics/constants.h"
#include "physics/subrout.h"

namespace torv {

static_assert(offsetof(PassInputs, motion) + sizeof(MotionSet) + 4 * sizeof(bool) == sizeof(PassInputs),
    "no padding between the members of the pass inputs");

bool sameTrajectoryInputs(const PassInputs& a, const PassInputs& b)
{
    PassInputs c = a;
    c.dtProbe = b.dtProbe;
    return std::memcmp(&c, &b, sizeof c) == 0;
}

// A state copied in 16-byte pieces. The compiler copies a struct this size
// with a string instruction, whose start-up costs more than the copy, and a
// state is copied in every step while the checkpoints keep every step.
using StatePiece = double __attribute__((vector_size(16)));

[[gnu::always_inline]] inline void copyPiece(unsigned char* to, const unsigned char* from)
{
    StatePiece p;
    __builtin_memcpy(&p, from, sizeof p);
    __builtin_memcpy(to, &p, sizeof p);
}

template <size_t... I>
[[gnu::always_inline]] inline void copyPieces(unsigned char* to, const unsigned char* from, std::index_sequence<I...>)
{
    (copyPiece(to + sizeof(StatePiece) * I, from + sizeof(StatePiece) * I), ...);
}

template <class T, class U> [[gnu::always_inline]] inline void copyState(T& to, const U& from)
{
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_copyable_v<U> && sizeof(T) == sizeof(U)
        && sizeof(T) % 8 == 0);
    auto* d = reinterpret_cast<unsigned char*>(&to);
    const auto* f = reinterpret_cast<const unsigned char*>(&from);
    copyPieces(d, f, std::make_index_sequence<sizeof(T) / sizeof(StatePiece)>());
    if constexpr (sizeof(T) % sizeof(StatePiece) != 0) {
        double last;
        __builtin_memcpy(&last, f + sizeof(T) - 8, 8);
        __builtin_memcpy(d + sizeof(T) - 8, &last, 8);
    }
}

// States of the timing pass at every `spacing`-th step from its start, at
// most kMaxStates of them: when the list is full, every other one goes and
// the spacing doubles, so that they stay spread over the whole pass however
// long it is. The spacing starts at one step: a pass of up to kMaxStates
// steps keeps the state after each of them, so that the recording pass finds
// every sample's state kept, however close together the samples are, and a
// longer pass replays at most spacing - 1 steps per sample, about
// kSamples * kMaxStates / 2 steps of the pass whatever its length. The
// recording pass replays its samples from them; the state after the first
// step tells whether it integrates the same trajectory.
//
// A pass whose class changes only the variables of its motion and its air
// (no thrust, no aerodynamic model, no heating, no buoyancy) keeps only
// those of each step (`Moving`): every other variable stays as the first
// step left it. A short pass keeps a state in every step, and so writes
// about half the memory it would with whole states.
class Checkpoints {
public:
    static constexpr size_t kMaxStates = 8192;

    Checkpoints()
        : slots_(std::make_unique_for_overwrite<uint32_t[]>(kMaxStates))
        , times_(std::make_unique_for_overwrite<double[]>(kMaxStates))
    {
        free_.reserve(kMaxStates);
        unthinned();
    }

    // Starts a pass; `moving`: it keeps the moving variables alone, with
    // `area` the pass's area S.
    void clear(bool moving, double area)
    {
        moving_ = moving;
        area_ = area;
        // Allocated where first needed, and not filled: a pass writes each
        // place before it reads it, and a short one touches only the first.
        if (moving && !moves_)
            moves_ = std::make_unique_for_overwrite<Moving[]>(kMaxStates);
        else if (!moving && !pool_)
            pool_ = std::make_unique_for_overwrite<StateBytes[]>(kMaxStates);
        // Until the list first fills, the i-th state is in place i; only
        // thinning out moves them.
        if (shift_ != 0)
            unthinned();
        count_ = 0;
        shift_ = 0;
        fresh_ = 0;
        appendAt_ = 0;
        free_.clear();
    }
    // Steps from one kept state to the next (a power of two).
    long long spacing() const { return 1LL << shift_; }
    // The next step after `done` whose state is kept.
    long long nextAfter(long long done) const { return done == 0 ? 1 : ((done >> shift_) + 1) << shift_; }
    // The state after `done` steps, one of those nextAfter names; returns
    // the next step to keep. A stretch run again after a fault offers the
    // same states again. `MayMove`: the pass may keep its moving variables
    // alone (false where its class heats, say); `Moves`: it does (its class
    // changes only motion and air), which spares the test in every step.
    template <bool MayMove = true, bool Moves = false>
    [[gnu::always_inline]] long long offer(long long done, const FlightState& s)
    {
        static_assert(MayMove || !Moves);
        if (done == appendAt_) [[likely]] {
            // The list fills for the first time: a state in every step, each
            // in the place of its step.
            if (done <= 1) [[unlikely]]
                keepFirst(done, s);
            keepAt<MayMove, Moves>(static_cast<size_t>(done), static_cast<size_t>(done), s);
            appendAt_ = ++count_ < kMaxStates ? done + 1 : -1;
            return done + 1;
        }
        if (done <= 1) [[unlikely]]
            keepFirst(done, s);
        const size_t i = static_cast<size_t>(done >> shift_);
        if ((done & (spacing() - 1)) == 0) {
            if (i < count_)
                keep<MayMove, Moves>(i, s);
            else if (count_ < kMaxStates)
                keepNew<MayMove, Moves>(s);
            else
                thinOut(done, s);
        }
        return nextAfter(done);
    }

private:
    struct Moving;

public:
    // The first fill taken step by step by a loop that keeps its moving
    // variables, without offer's bookkeeping: the state after step k goes
    // to place k, from the step after the first to the list's end. The loop
    // then tells the list how far it got (filled), also before it offers a
    // state again.
    class Appender {
    public:
        bool takes(long long done) const { return static_cast<unsigned long long>(done - 2) < span_; }
        [[gnu::always_inline]] void put(long long done, const FlightState& s)
        {
            moves_[done].from(s);
            times_[done] = s.t;
        }

    private:
        friend class Checkpoints;
        Moving* moves_ = nullptr;
        double* times_ = nullptr;
        unsigned long long span_ = 0; // steps it takes
    };
    Appender appender()
    {
        Appender a;
        if (moving_ && appendAt_ >= 0) {
            a.moves_ = moves_.get();
            a.times_ = times_.get();
            a.span_ = kMaxStates - 2;
        }
        return a;
    }
    // The first fill has taken the states up to step `done`.
    void filled(long long done)
    {
        if (appendAt_ < 2 || done < appendAt_)
            return;
        count_ = std::min(static_cast<size_t>(done) + 1, kMaxStates);
        appendAt_ = count_ < kMaxStates ? static_cast<long long>(count_) : -1;
    }
    // The step of the latest state kept at or before step `step`.
    long long keptAtOrBefore(long long step) const { return static_cast<long long>(index(step)) << shift_; }
    // That state, into `to`; `reloaded`: `to` holds a state this pass
    // kept after its start, with what the steps did since (none of which
    // changes what a pass that keeps its moving variables leaves alone).
    [[gnu::always_inline]] void load(long long step, FlightState& to, bool reloaded = false) const
    {
        const size_t i = index(step);
        if (!moving_) {
            copyState(to, pool_[slots_[i]]);
        } else if (i == 0) {
            copyState(to, start_);
        } else {
            if (!reloaded)
                copyState(to, afterFirst_);
            moves_[slots_[i]].into(to, area_);
        }
    }
    // The same for a state only sampled, never stepped on: what a sample
    // reads, into a state this pass kept (as `reloaded`).
    [[gnu::always_inline]] void loadForSample(long long step, FlightState& to) const
    {
        const size_t i = index(step);
        if (moving_ && i != 0)
            moves_[slots_[i]].sampled(to, area_);
        else
            load(step, to, true);
    }
    // Whether the pass kept the moving variables of every step, each in
    // the place of its step.
    bool movingInEveryStep() const { return moving_ && shift_ == 0; }
    // Then the samples of steps at[0] .. at[n - 1] (past the first) into
    // slots slot .. slot + n - 1 of `series`, taken on `s`, a state this pass
    // kept: only the series that differ between them (recordMotionAndAir).
    // Returns the greatest speed and range of these samples and of `s`, which
    // no step's track holds.
    template <class F>
    std::pair<double, double> recordMotionAndAir(const long long* at, size_t n, StepState& s, double g, double wind,
        double volume, int slot, double* series) const
    {
        // Copies no store into the series can change, each sample's its own:
        // what stays is held in registers, and nothing passes from one
        // sample to the next but the greatest values.
        const StepState fixed = s;
        double greatestV = fixed.V, greatestX = fixed.X;
        double* to = series + (slot - 1);
        for (size_t j = 0; j < n; ++j, ++to) {
            StepState one = fixed;
            moves_[static_cast<size_t>(at[j])].sampled(one, area_);
            torv::recordMotionAndAir<F>(one, g, wind, volume, 1, to);
            greatestV = std::max(greatestV, one.V);
            greatestX = std::max(greatestX, one.X);
        }
        // The last sample again, on `s`: it leaves `s` as taking them one by
        // one would.
        if (n > 0) {
            moves_[static_cast<size_t>(at[n - 1])].sampled(s, area_);
            torv::recordMotionAndAir<F>(s, g, wind, volume, slot + static_cast<int>(n) - 1, series);
        }
        return { greatestV, greatestX };
    }
    // Its time.
    double timeAtOrBefore(long long step) const { return times_[index(step)]; }
    // Asks for the state load(step) gives to be brought into the cache.
    void prefetch(long long step) const
    {
        const size_t at = slots_[index(step)];
        const char* p
            = moving_ ? reinterpret_cast<const char*>(&moves_[at]) : reinterpret_cast<const char*>(&pool_[at]);
        // Every cache line the state touches, also where it starts within one.
        const size_t size = moving_ ? sizeof(Moving) : sizeof(FlightState);
        const size_t skew = reinterpret_cast<uintptr_t>(p) % 64;
        for (size_t line = 0; line < size + skew; line += 64)
            __builtin_prefetch(p - skew + line);
    }
    // The kept states in step order: how many, and the time of each.
    size_t count() const { return count_; }
    double time(size_t i) const { return times_[i]; }
    const double* times() const { return times_.get(); }
    const FlightState& afterFirstStep() const { return afterFirst_; }

private:
    // What a step of such a pass changes: its motion, its dynamic pressure
    // and Mach number, and its air. The area loading and the coefficients
    // stay as the first step left them (mass, area and coefficients do not
    // change), and what the step forms from them, the motion and the air is
    // formed again as the step formed it, so that a state takes less memory.
    struct Moving {
        double t, H, X, V, Q;
        double Mach, qDyn;
        double Temp, Druck, Aschall, Roh, Mu;
        int atmosphereSegment;

        [[gnu::always_inline]] void from(const FlightState& s)
        {
            t = s.t, H = s.H, X = s.X, V = s.V, Q = s.Q;
            Mach = s.Mach, qDyn = s.qDyn;
            Temp = s.Temp, Druck = s.Druck, Aschall = s.Aschall, Roh = s.Roh, Mu = s.Mu;
            atmosphereSegment = s.atmosphereSegment;
        }
        void into(FlightState& s, double area) const
        {
            sampled(s, area);
            derivedValues(s);
            s.Aschall = Aschall;
            s.atmosphereSegment = atmosphereSegment;
            s.Widerstand = s.CxRun * Roh * (V * V) / 2 * area;
        }
        // Only what a sample reads.
        void sampled(FlightState& s, double area) const
        {
            s.t = t, s.H = H, s.X = X, s.V = V, s.Q = Q;
            s.Mach = Mach, s.qDyn = qDyn;
            const double weight = s.Belastung * kGravity;
            s.nx = -s.CxRun * qDyn / weight;
            s.ny = s.CyRun * qDyn / weight;
            s.Drag = s.CxRun * qDyn * area;
            s.Lift = s.CyRun * qDyn * area;
            s.Temp = Temp, s.Druck = Druck, s.Roh = Roh, s.Mu = Mu;
        }
    };

    // The state at the start, or after the first step.
    // Both take a copy of the state, so that the steps' own state need not
    // live in memory for them.
    [[gnu::noinline]] void keepFirst(long long done, const FlightState s) { (done == 1 ? afterFirst_ : start_) = s; }

    size_t index(long long step) const { return std::min(static_cast<size_t>(step >> shift_), count_ - 1); }
    // Every state in the place of its step, four a store (one at a time,
    // the places of a list would take longer to set than the list to fill).
    void unthinned()
    {
        static_assert(kMaxStates % 4 == 0);
        using Four = uint32_t __attribute__((vector_size(16)));
        Four places = { 0, 1, 2, 3 };
        for (size_t i = 0; i < kMaxStates; i += 4, places += 4)
            std::memcpy(&slots_[i], &places, sizeof places);
    }
    // A place in the pool not holding a kept state.
    uint32_t take()
    {
        if (free_.empty())
            return fresh_++;
        const uint32_t slot = free_.back();
        free_.pop_back();
        return slot;
    }
    template <bool MayMove = true, bool Moves = false> [[gnu::always_inline]] void keep(size_t i, const FlightState& s)
    {
        keepAt<MayMove, Moves>(i, slots_[i], s);
    }
    // The i-th state, in place `slot`.
    template <bool MayMove = true, bool Moves = false>
    [[gnu::always_inline]] void keepAt(size_t i, size_t slot, const FlightState& s)
    {
        if (Moves || (MayMove && moving_))
            moves_[slot].from(s);
        else
            copyState(pool_[slot], s);
        times_[i] = s.t;
    }
    template <bool MayMove = true, bool Moves = false> [[gnu::always_inline]] void keepNew(const FlightState& s)
    {
        slots_[count_] = shift_ == 0 ? static_cast<uint32_t>(count_) : take();
        keep<MayMove, Moves>(count_++, s);
    }

    // The list is full: every other state goes (its place in the pool is
    // free again; the states themselves stay where they are), the spacing
    // doubles, and the state after `done` steps is kept if it falls on the
    // new spacing.
    [[gnu::noinline]] void thinOut(long long done, const FlightState s)
    {
        if (shift_ == 0)
            fresh_ = static_cast<uint32_t>(count_); // the places the first fill took
        appendAt_ = -1;
        for (size_t i = 0; i < count_; ++i) {
            if (i % 2 == 0) {
                slots_[i / 2] = slots_[i];
                times_[i / 2] = times_[i];
            } else {
                free_.push_back(slots_[i]);
            }
        }
        count_ = (count_ + 1) / 2;
        ++shift_;
        if ((done & (spacing() - 1)) == 0)
            keepNew(s);
    }

    // A whole state's bytes, which need not be formed as a state first.
    struct alignas(FlightState) StateBytes {
        unsigned char bytes[sizeof(FlightState)];
    };
    std::unique_ptr<StateBytes[]> pool_; // where the states are
    std::unique_ptr<Moving[]> moves_; // or what changes of them
    bool moving_ = false;
    double area_ = 0;
    std::unique_ptr<uint32_t[]> slots_; // the place in the pool of the first count_ states, in step order
    std::unique_ptr<double[]> times_; // their times, in step order
    std::vector<uint32_t> free_; // places given up by thinning out
    size_t count_ = 0;
    uint32_t fresh_ = 0; // places from here on never used in this pass (after the first fill)
    long long appendAt_ = 0; // the step whose state comes next in the first fill; -1 once it is over
    int shift_ = 0; // log2 of the spacing
    FlightState afterFirst_;
    FlightState start_; // the state at the start of a pass that keeps its moving variables
};

namespace {

// Steps between two reports to the form, which may cancel the run there.
// The fault flags are tested at these points (and at the end of a pass)
// only; a stretch that raised one is run again from its start with a test
// after every formula, which stops it where the fault happened.
constexpr long long kProgressSteps = kCheckpointSteps;

// The summary's part of a step, in this one place. The acceleration the
// motion step applied, less gravity along the path, is what every other
// force did; its least value gives the greatest deceleration.
inline void trackMotion(StepTrack& tr, const FlightState& s, const AppliedMotion& applied)
{
    tr.maxH = std::max(tr.maxH, s.H);
    tr.maxQDyn = std::max(tr.maxQDyn, s.qDyn);
    tr.minAccel = std::min(tr.minAccel, applied.a + kGravity * applied.sinQ);
}

inline void trackStep(StepTrack& tr, const FlightState& s, const AppliedMotion& applied)
{
    trackMotion(tr, s, applied);
    tr.maxAbsNx = std::max(tr.maxAbsNx, std::fabs(s.nx));
}

// Test switches, set before runs start and only read while they run.
std::atomic<bool> everyStepChecked = false;
std::atomic<bool> recordingInFull = false;
std::atomic<bool> unkeptSamplesTaken = false;

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
    Checkpoints* const keep = p.keep;
    long long nextKept = keep ? keep->nextAfter(done) : -1;
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
            if (!Record && p.witnessed)
                everyStep.add(SampleSource { s, in.g, in.Vwind, in.Volumen });
            ++done;
            if (done == nextKept)
                nextKept = keep->offer<!std::is_same_v<Kind, ReentryVehicle>, std::is_same_v<Kind, MotionAndAir>>(
                    done, s); // a reentry vehicle heats; onlyMotionAndAir holds for MotionAndAir
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

// Whether the steps of a pass change only the variables of the motion and
// the air: no thrust or mass, no coefficients, no heat flux, no buoyancy, no
// balloon's range.
bool onlyMotionAndAir(const PassInputs& in)
{
    return !in.rocket && !in.aero && !in.heating && !in.buoyant && in.motion != MotionSet::kBalloon;
}

// Whether a pass runs the reentry vehicle's own steps.
bool reentrySteps(const Pass& p)
{
    return !p.log && !p.recording && p.in.heating && p.in.motion == MotionSet::kReentry && !p.in.aero;
}

// Whether a pass changes only its motion and its air under the general
// equations, and so may take the steps of its own kind.
bool generalSteps(const Pass& p)
{
    return onlyMotionAndAir(p.in) && p.in.motion == MotionSet::kGeneral;
}

// Whether a pass may take the steps of a class that changes only its motion
// and its air in still air.
bool stillAirSteps(const Pass& p)
{
    return !p.log && !p.recording && generalSteps(p) && inStillAir(p.in, p.s);
}

// A pass in still air as one lane of a step loop (stillSteps,
// stillStepsTwo), without fault tests: its state, track and checkpoints
// held by the loop. Each step forms the sine and cosine of its path angle
// first, and the pass's weight is formed once. Its load factors and forces,
// and the values derived from its motion, are formed where the stretch ends,
// the greatest load factor with them: each load grows with the dynamic
// pressure, so the greatest dynamic pressure gives the greatest load factor
// over the steps, and a fault any step's loads would have raised.
// `Witnessed`: the unit flags of every step's sample are followed (none of
// the quantities they watch is among those formed late).
template <bool Witnessed> class StillLane {
public:
    explicit StillLane(const Pass& p)
        : s_(p.s)
        , track_(p.track)
        , in_(p.in)
        , keep_(p.keep)
        , append_(keep_ ? keep_->appender() : Checkpoints::Appender())
        , nextKept_(keep_ ? keep_->nextAfter(p.done) : std::numeric_limits<long long>::max())
        , mg_(s_.Massa * kGravity)
        , air_(s_.atmosphereSegment)
        , everyStep_(p.everyStep)
    {
    }

    [[gnu::always_inline]] PathAngle angle() const { return pathAngle(s_.Q); }

    [[gnu::always_inline]] void step(const PathAngle& angle)
    {
        const StepStart entry = stepAir<Unchecked, StillAir>(s_, in_, &air_);
        const AppliedMotion applied = stepMotionAhead<Unchecked, StillAir>(s_, in_, entry, { angle, mg_ });
        trackMotion(track_, s_, applied);
        if constexpr (Witnessed)
            everyStep_.add(SampleSource { s_, in_.g, in_.Vwind, in_.Volumen });
    }

    // Offers the state after `done` steps to the checkpoints.
    [[gnu::always_inline]] void keep(long long done)
    {
        if (append_.takes(done))
            append_.put(done, s_);
        else if (done >= nextKept_) // the first after those it took, or the one offer named
            nextKept_ = offer(*keep_, done, s_, in_);
    }

    // End test
    bool ended() const { return !(s_.H > in_.Hend && s_.t < in_.Tk); }

    [[gnu::always_inline]] void giveBack(Pass& p, long long done)
    {
        if (keep_)
            keep_->filled(done);
        double nx, ny, drag, lift;
        motionLoads<Unchecked>(track_.maxQDyn, motionInputs(s_, in_), nx, ny, drag, lift);
        fpFence(nx), fpFence(ny), fpFence(drag), fpFence(lift);
        track_.maxAbsNx = std::max(track_.maxAbsNx, std::fabs(nx));
        stillAirRest(s_, in_);
        s_.FracNeu = samplingPhase<Unchecked>(s_.t, in_.dtProbe);
        p.s = s_;
        p.track = track_;
        p.everyStep = everyStep_;
        p.done = done;
    }

private:
    // Takes copies, so that the lane need not live in memory for it.
    [[gnu::noinline]] static long long offer(Checkpoints& keep, long long done, FlightState s, const PassInputs in)
    {
        keep.filled(done - 1);
        if (done == 1)
            stillAirRest(s, in); // the first step's state is kept whole
        return keep.offer<true, true>(done, s);
    }

    StepState s_;
    StepTrack track_;
    const PassInputs in_;
    Checkpoints* const keep_;
    Checkpoints::Appender append_;
    long long nextKept_;
    const double mg_; // N
    AtmosphereCursor air_;
    UnitFlagWitness everyStep_;
};

// steps() for a pass in still air.
template <bool Witnessed> bool stillSteps(Pass& p, long long stop)
{
    StillLane<Witnessed> lane(p);
    long long done = p.done;
    bool ended;
    do {
        lane.step(lane.angle());
        ++done;
        lane.keep(done);
        ended = lane.ended();
    } while (!ended && done < stop);
    lane.giveBack(p, done);
    return ended;
}

// stepsTwo() for two passes in still air: both sines and cosines first, then
// both steps.
void stillStepsTwo(Pass& pa, Pass& pb, long long stop, bool& endedA, bool& endedB)
{
    StillLane<false> a(pa), b(pb);
    long long done = pa.done;
    bool ea, eb;
    do {
        const PathAngle angleA = a.angle();
        const PathAngle angleB = b.angle();
        a.step(angleA);
        b.step(angleB);
        ++done;
        a.keep(done);
        b.keep(done);
        ea = a.ended();
        eb = b.ended();
    } while (!ea && !eb && done < stop);
    a.giveBack(pa, done);
    b.giveBack(pb, done);
    endedA = ea;
    endedB = eb;
}

// The last step of the stretch that starts after `done` steps: the form
// hears of the progress before every kProgressSteps-th step.
long long stretchStop(long long done)
{
    return std::min(((done + 1) / kProgressSteps + 1) * kProgressSteps - 1, kMaxStepsPerPass);
}

// The reentry vehicle's own steps make its timing pass about a tenth faster
// (bench_runs, Timing pass/Apollo); those of the classes that change only
// motion and air take about 3 % off a short run in a sweep (bench_sweep),
// where the replay's steps weigh more, and in still air a fifth of the
// timing pass more (about 170 instructions a step besides the sine and
// cosine instead of 270).
template <class F> bool runSteps(Pass& p, long long stop)
{
    if (reentrySteps(p))
        return steps<F, ReentryVehicle, false, false>(p, stop);
    if constexpr (!F::kTests)
        if (stillAirSteps(p))
            return p.witnessed ? stillSteps<true>(p, stop) : stillSteps<false>(p, stop);
    if (!p.log && !p.recording && generalSteps(p))
        return steps<F, MotionAndAir, false, false>(p, stop);
    if (p.log)
        return p.recording ? steps<F, ByInputs, true, true>(p, stop) : steps<F, ByInputs, true, false>(p, stop);
    return p.recording ? steps<F, ByInputs, false, true>(p, stop) : steps<F, ByInputs, false, false>(p, stop);
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

// A copy of `p` that runs steps on its own: no samples, no log, nothing kept
// and nothing witnessed.
Pass scratchPass(const Pass& p)
{
    Pass r;
    r.s = p.s;
    r.in = p.in;
    r.done = p.done;
    r.witnessed = false;
    return r;
}

// Runs `r` on to the state after step `step`, without samples or log.
template <class F> void runTo(Pass& r, long long step)
{
    if (r.done < step)
        runSteps<F>(r, step);
}

// Where the last step of a pass started, so that the steps need not keep
// it: the pass is run again, without samples or log, up to that step from
// the latest state it kept there or before, or else from the start of the
// stretch that ended it. The fault flags are left as they were.
StepEntry lastStepEntry(const Pass& p, const StretchStart& start)
{
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    Pass r = scratchPass(p);
    r.s = start.s;
    r.done = start.done;
    if (p.keep && p.keep->keptAtOrBefore(p.done - 1) > start.done) {
        p.keep->load(p.done - 1, r.s);
        r.done = p.keep->keptAtOrBefore(p.done - 1);
    }
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

// Whether every step of the recording pass may take a sample: only when
// dt0 is at most 0.0001 of the sampling interval, in a pass of 5 million
// steps and more, which must last that long before t reaches Tk. Without
// it, the timing pass need not follow the unit flags of every step.
bool mayRecordEveryStep(const PassInputs& in)
{
    return !(in.Tk < 1e6 * in.dt0);
}

} // namespace

// Stretches of steps run without fault tests; a stretch that leaves a fault
// flag raised is run again, checked, from its checkpoint.
void integrate(Pass& p, StepState& end)
{
    WriteBack writeBack(p, end);
    if (p.recording)
        saveSamples(p);
    if (p.keep) {
        p.keep->clear(onlyMotionAndAir(p.in), p.in.S);
        p.keep->offer(0, p.s);
        p.witnessed = mayRecordEveryStep(p.in);
    }
    const int passNumber = p.recording ? 2 : 1;
    for (;;) {
        const long long stop = stretchStop(p.done);
        const StretchStart cp = stretchStart(p);
        bool ended = false;
        try {
            ended = everyStepChecked ? runSteps<Checked>(p, stop) : runSteps<Unchecked>(p, stop);
        } catch (const TorvError&) {
            // A result file error after a fault: the fault is reported, not the file.
            if (!fpPending())
                throw;
        }
        if (fpPending()) {
            restore(p, cp);
            fpClear();
            ended = runSteps<Checked>(p, stop);
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

// Steps of two passes together until either ends (its flag set) or both
// reach `stop`, without fault tests, samples or log: the body of steps()
// for each of them, in one loop.
template <class Kind> void stepsTwo(Pass& pa, Pass& pb, long long stop, bool& endedA, bool& endedB)
{
    const PassInputs ia = pa.in, ib = pb.in;
    StepState a = pa.s, b = pb.s;
    StepTrack ta = pa.track, tb = pb.track;
    long long done = pa.done;
    Checkpoints* const ka = pa.keep;
    Checkpoints* const kb = pb.keep;
    long long nextKept = ka->nextAfter(done);
    constexpr bool kMayMove = !std::is_same_v<Kind, ReentryVehicle>;
    constexpr bool kMoves = std::is_same_v<Kind, MotionAndAir>; // onlyMotionAndAir holds
    bool ea = false, eb = false;
    do {
        // Each half of the step in both before the next half, so that the
        // operations of the two come close together.
        const StepStart entryA = stepAir<Unchecked, Kind>(a, ia);
        const StepStart entryB = stepAir<Unchecked, Kind>(b, ib);
        const AppliedMotion appliedA = stepMotion<Unchecked, Kind>(a, ia, entryA);
        const AppliedMotion appliedB = stepMotion<Unchecked, Kind>(b, ib, entryB);
        trackStep(ta, a, appliedA);
        trackStep(tb, b, appliedB);
        ++done;
        if (done == nextKept) {
            ka->offer<kMayMove, kMoves>(done, a);
            nextKept = kb->offer<kMayMove, kMoves>(done, b);
        }
        ea = !(a.H > ia.Hend && a.t < ia.Tk);
        eb = !(b.H > ib.Hend && b.t < ib.Tk);
    } while (!ea && !eb && done < stop);
    a.FracNeu = samplingPhase<Unchecked>(a.t, ia.dtProbe);
    b.FracNeu = samplingPhase<Unchecked>(b.t, ib.dtProbe);
    pa.s = a;
    pb.s = b;
    pa.track = ta;
    pb.track = tb;
    pa.done = pb.done = done;
    endedA = ea;
    endedB = eb;
}

} // namespace

bool integrateTwo(Pass& a, StepState& endA, Pass& b, StepState& endB)
{
    if (everyStepChecked || a.recording || b.recording || a.log || b.log || !a.keep || !b.keep || a.keep == b.keep
        || a.done != 0 || b.done != 0 || reentrySteps(a) != reentrySteps(b) || mayRecordEveryStep(a.in)
        || mayRecordEveryStep(b.in) || fpPending())
        return false;
    const bool reentry = reentrySteps(a);
    const bool general = generalSteps(a) && generalSteps(b);
    for (Pass* p : { &a, &b }) {
        p->keep->clear(onlyMotionAndAir(p->in), p->in.S);
        p->keep->offer(0, p->s);
        p->witnessed = false;
    }
    const bool still = stillAirSteps(a) && stillAirSteps(b);
    bool ended[2] = { false, false };
    Pass* const passes[2] = { &a, &b };
    while (!ended[0] || !ended[1]) {
        const Pass& going = ended[0] ? b : a;
        const long long stop = stretchStop(going.done);
        const StretchStart cp[2] = { stretchStart(a), stretchStart(b) };
        bool now[2] = { ended[0], ended[1] };
        if (!ended[0] && !ended[1]) {
            if (reentry)
                stepsTwo<ReentryVehicle>(a, b, stop, now[0], now[1]);
            else if (still)
                stillStepsTwo(a, b, stop, now[0], now[1]);
            else if (general)
                stepsTwo<MotionAndAir>(a, b, stop, now[0], now[1]);
            else
                stepsTwo<ByInputs>(a, b, stop, now[0], now[1]);
        } else {
            const int k = ended[0] ? 1 : 0;
            now[k] = runSteps<Unchecked>(*passes[k], stop);
        }
        // A fault cannot be told to one of them here: both run again singly.
        if (fpPending()) {
            fpClear();
            return false;
        }
        for (int k = 0; k < 2; ++k) {
            Pass& p = *passes[k];
            if (ended[k])
                continue;
            if (now[k]) {
                ended[k] = true;
                p.track.lastStart = lastStepEntry(p, cp[k]);
            } else if (p.done == kMaxStepsPerPass || !p.observer->progress(1, p.s.t, p.in.Tk)) {
                return false;
            }
        }
    }
    endA = a.s;
    endB = b.s;
    return true;
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

// Samples ahead whose checkpoint the replay asks the cache for.
constexpr size_t kPrefetchAhead = 16;

// The greatest number of recording steps a replay takes one by one.
constexpr size_t kMaxReplayedSamples = 4 * kSamples;

// Which steps of the recording pass record a sample.
struct RecordingSteps {
    std::array<long long, kMaxReplayedSamples> at; // in order; with `everyStep`, the first kSamples - 1
    size_t count = 0; // of them
    bool everyStep = false; // every step records, the later ones into slot 500

    bool full() const { return count == kMaxReplayedSamples; }
    void add(long long step) { at[count++] = step; }
};

// The phase the last step of a pass leaves, at time t, in both of the
// sampling state's phases; false where the quotient raised a fault flag.
bool lastPhase(SamplingState& s, double t, double dtProbe)
{
    double fracNeu = fracPart(t / dtProbe);
    fpFence(fracNeu);
    if (fpPending()) {
        fpClear();
        return false;
    }
    s.FracNeu = fracNeu;
    s.FracAlt = fracNeu;
    return true;
}

// The steps of the recording pass that record a sample, found from its time
// sequence alone: t advances from its start by the same additions of dt0 as
// in the timing pass, and the sampling phase depends on t and dtProbe only
// (the slot is never past 500, so it lets every step record). Leaves the
// phases of the last step in `s`. False when too many steps record with
// gaps between them, or the quotient raised a fault flag.
bool findRecordingSteps(long long n, SamplingState& s, double t, const PassInputs& in, RecordingSteps& r)
{
    r.count = 0;
    r.everyStep = true;
    double fracAlt = s.FracAlt;
    double fracNeu = s.FracNeu;
    for (long long k = 1; k <= n; ++k) {
        t = t + in.dt0;
        fracNeu = samplingPhase<Unchecked>(t, in.dtProbe);
        if (fracNeu - fracAlt <= kRecordTolerance) {
            if (!r.full())
                r.add(k);
            else if (!r.everyStep)
                return false;
        } else {
            r.everyStep = false;
            if (r.full())
                return false;
        }
        fracAlt = fracNeu;
    }
    fpFence(fracNeu);
    if (fpPending()) {
        fpClear();
        return false;
    }
    r.everyStep = r.everyStep && r.full();
    if (r.everyStep)
        r.count = kSamples - 1;
    s.FracNeu = fracNeu;
    s.FracAlt = fracAlt;
    return true;
}

// The rest of findRecordingStepsByBoundaries where the timing pass kept
// every step, so that t after step k is the time kept for it; `q` is the
// quotient of step 1. Step k records boundary b where its quotient is the
// first to reach b: it lies about b dtProbe / dt0 steps from the start,
// which the steps' sum of dt0 misses by far less than a step.
bool boundariesOfKeptSteps(
    long long n, SamplingState& s, double q, const PassInputs& in, const Checkpoints& keep, RecordingSteps& r)
{
    const double dtProbe = in.dtProbe;
    const double stepsPerBoundary = dtProbe / in.dt0;
    const double* const time = keep.times();
    long long k = 1; // the latest step that recorded, or the first
    // Where the next step found goes, kept out of memory while they are found.
    long long* next = r.at.data() + r.count;
    long long* const end = r.at.data() + r.at.size();
    for (double boundary = q - fracPart(q) + 1; k < n; boundary += 1) {
        // The first step at or past boundary dtProbe / dt0 steps from the
        // start, within what is left: mostly the one, and never far.
        long long at = std::clamp(static_cast<long long>(boundary * stepsPerBoundary) + 1, k + 1, n);
        while (at > k + 1 && !(time[at - 1] / dtProbe < boundary))
            --at;
        while (at <= n && time[at] / dtProbe < boundary)
            ++at;
        if (at > n)
            break;
        if (next == end)
            return false;
        *next++ = at;
        k = at;
    }
    r.count = static_cast<size_t>(next - r.at.data());
    return lastPhase(s, time[n], dtProbe);
}

// The same from the times the timing pass kept, where the phase grows by
// between 0.0002 and 0.5 in a step: then a step records exactly where the
// whole part of t / dtProbe grows (the phase falls by about 1), or in the
// first step if the phase before it says so, and only the steps close to
// each boundary need the quotient. t after a step is that of the
// checkpoint before it plus dt0 added step by step, as the steps add it.
// False where that does not hold: findRecordingSteps then looks at every
// step.
bool findRecordingStepsByBoundaries(
    long long n, SamplingState& s, double t0, const PassInputs& in, const Checkpoints& keep, RecordingSteps& r)
{
    const double growth = in.dt0 / in.dtProbe;
    if (n < 2 || !(growth >= 2 * kRecordTolerance && growth <= 0.5) || !(t0 == 0) || !std::isfinite(in.dtProbe))
        return false;
    r.count = 0;
    r.everyStep = false;
    // t after step k, from the checkpoint at or before it.
    auto tAfter = [&](long long k) {
        long long at = keep.keptAtOrBefore(k);
        double t = keep.timeAtOrBefore(k);
        for (; at < k; ++at)
            t = t + in.dt0;
        return t;
    };
    double t = tAfter(1);
    double q = t / in.dtProbe;
    if (fracPart(q) - s.FracAlt <= kRecordTolerance)
        r.add(1);
    if (keep.spacing() == 1 && keep.count() > static_cast<size_t>(n))
        return boundariesOfKeptSteps(n, s, q, in, keep, r);
    long long k = 1; // the step whose t is `t`
    size_t i = 0; // the latest kept state before the next boundary
    const size_t count = keep.count();
    const int shift = std::countr_zero(static_cast<unsigned long long>(keep.spacing()));
    const double indexPerTime = 1 / (in.dt0 * static_cast<double>(keep.spacing()));
    for (double boundary = q - fracPart(q) + 1;; boundary += 1) {
        // Below this time the quotient stays below the boundary, whatever
        // the rounding of the division, and from `above` on it has passed
        // it (where no product lost digits by underflow): only the steps
        // between need the division.
        const double atBoundary = boundary * in.dtProbe;
        const double below = atBoundary * (1 - 1e-9);
        const double above = std::isnormal(atBoundary) ? atBoundary * (1 + 1e-9) : HUGE_VAL;
        // From the latest state kept below it, if that is ahead: its guess
        // by the time the steps take, then the kept times one by one.
        const double guess = below * indexPerTime - 2;
        if (guess > static_cast<double>(i) && guess < static_cast<double>(count)
            && keep.time(static_cast<size_t>(guess)) < below)
            i = static_cast<size_t>(guess);
        while (i + 1 < count && keep.time(i + 1) < below)
            ++i;
        if ((static_cast<long long>(i) << shift) > k) {
            k = static_cast<long long>(i) << shift;
            t = keep.time(i);
        }
        while (k < n && t < below) {
            t = t + in.dt0;
            ++k;
        }
        auto passed = [&] { return t >= above || !(t / in.dtProbe < boundary); };
        while (k < n && !passed()) {
            t = t + in.dt0;
            ++k;
        }
        if (!passed())
            break; // step n reached
        if (r.full())
            return false;
        // q lies below boundary + 1: it grows by at most 0.5 a step.
        r.add(k);
        if (k == n)
            break;
    }
    return lastPhase(s, tAfter(n), in.dtProbe);
}

// Whether `n` doubles from `p` on are all finite.
bool allFinite(const double* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
        if (!std::isfinite(p[i]))
            return false;
    return true;
}

// Whether every input of every step of a pass is finite: what it holds
// fixed, and the state after its first step. NaN in heatScale is no input:
// each step then forms the factor itself.
bool finiteInputs(const PassInputs& in, const FlightState& afterFirst)
{
    static_assert(offsetof(FlightState, BallonModus) % sizeof(double) == 0, "the doubles come first");
    PassInputs fixed = in;
    if (std::isnan(fixed.heatScale))
        fixed.heatScale = 0;
    double values[offsetof(PassInputs, motion) / sizeof(double)];
    std::memcpy(values, &fixed, sizeof values);
    double state[offsetof(FlightState, BallonModus) / sizeof(double)];
    std::memcpy(state, &afterFirst, sizeof state);
    return allFinite(values, std::size(values)) && allFinite(state, std::size(state));
}

// What bounds every sample's thrust and mass: the mass moves by the same
// amount in every step while the thrust lasts and then stays, so it lies
// between its values after the first and the last step; the thrust stays
// as the first step leaves it until it drops to 0. Without thrust, neither
// changes after the first step.
struct ThrustAndMass {
    double greatestThrust, strongestThrust; // N: the greatest, the greatest in magnitude
    double lightest, heaviest; // kg, in magnitude
    bool oneSign; // all masses have the sign of the first
};

ThrustAndMass thrustAndMass(const FlightState& first, const FlightState& end)
{
    return { std::max(first.P, 0.0), std::fabs(first.P), std::min(std::fabs(first.Massa), std::fabs(end.Massa)),
        std::max(std::fabs(first.Massa), std::fabs(end.Massa)), (first.Massa > 0) == (end.Massa > 0) };
}

// Whether no sample of the recording pass `rec` can raise a fault flag, for
// the trajectory of the timing pass, which `rec` integrates.
//
// A sample copies the step's variables and the pass's inputs, compares some
// of them with the thresholds of the larger units, and forms Re = Roh * V *
// 1.0 / Mu, Re / 1000, 57.3 * Q, Auftrieb - Massa * g and P / Massa. With
// finite inputs, steps that raised no fault flag (the timing pass ran these
// very steps) leave every variable finite, since an operation on finite
// numbers gives a finite one or raises overflow, invalid or division by
// zero; so the copies and comparisons raise nothing. The step forms 57.3 * Q
// itself (Qgrad). Without buoyancy, Auftrieb stays as the first step leaves
// it; with thrust and mass bounded as thrustAndMass says, |P / Massa| is at
// most the strongest thrust over the lightest mass, and |Massa * g| at most
// the heaviest times g, each formed once here. The motion step squares the
// speed it leaves (in the rate of the path angle, with either set of
// equations), so |V| stays below the root of the largest double; and at any
// altitude Mu is at least minMu > 0 and Roh at most maxRho, so Re stays far
// below the largest double, and Re / 1000 cannot overflow either (underflow
// is no fault here). So none of these classes has a sample that faults where
// its steps do not: the way that takes the samples all the same is tested
// with takeUnkeptSamples.
bool samplesCannotFault(const Pass& rec, const Pass& timing)
{
    const PassInputs& in = rec.in;
    if (in.buoyant)
        return false;
    const FlightState& first = timing.keep->afterFirstStep();
    const ThrustAndMass m = thrustAndMass(first, timing.s);
    double thrustPerMass = m.strongestThrust / m.lightest;
    double netVertical = first.Auftrieb - m.heaviest * in.g;
    fpFence(thrustPerMass);
    fpFence(netVertical);
    if (fpPending()) {
        fpClear();
        return false;
    }
    const double greatestRe = std::sqrt(DBL_MAX) * (kAtmosphereExtremes.maxRho / kAtmosphereExtremes.minMu);
    return m.oneSign && greatestRe < DBL_MAX / 4 && finiteInputs(in, first);
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
    SamplingState sampled = rec.s;
    if (!findRecordingStepsByBoundaries(timing.done, sampled, rec.s.t, rec.in, *timing.keep, steps)
        && !findRecordingSteps(timing.done, sampled, rec.s.t, rec.in, steps))
        return false;
    if (steps.everyStep && !timing.witnessed)
        return false;

    // The samples go into `taken`, laid out as the series, first, and into
    // the series once all of them are taken: a sample that raises a fault,
    // or a cancel, leaves the series as they were. Where none can fault,
    // the samples are taken without the unit flags, which then rise by all
    // of them at once; and where no report of progress can cancel the pass
    // half-way either, they go straight into the series.
    thread_local std::array<double, kSamples * kRecordedSeries> taken;
    const bool keep = rec.keepSamples;
    const bool cannotFault = keep && !steps.everyStep && samplesCannotFault(rec, timing);
    const bool direct = cannotFault && timing.done < kProgressSteps;
    double* const into = direct ? rec.series : taken.data();
    // Where every step's moving variables are kept, the samples after the
    // first are taken from them alone (the first loaded what stays).
    const bool straight = cannotFault && timing.keep->movingInEveryStep();
    bool flagsRaised = !direct && !straight;
    // Where the timing pass kept every step, each sample's state is kept.
    const bool onlyKept = timing.keep->spacing() == 1;
    const double g = rec.in.g, wind = rec.in.Vwind, volume = rec.in.Volumen;
    // What bounds every sample's values with a unit flag: t grows, the
    // track holds the greatest qDyn and H, thrustAndMass those of P and
    // Massa; V and X have none.
    StepState upper = timing.s;
    upper.V = HUGE_VAL;
    upper.qDyn = timing.track.maxQDyn;
    upper.H = timing.track.maxH;
    upper.X = HUGE_VAL;
    const ThrustAndMass m = thrustAndMass(timing.keep->afterFirstStep(), timing.s);
    upper.P = m.greatestThrust;
    upper.Massa = m.heaviest;
    const SampleSource bound { upper, g, wind, volume };
    const int firstSlot = sampled.iPunkt;
    int lastSlot = firstSlot - 1;
    // The sampling state goes from sample to sample in the state the
    // samples are taken from; the steps run between them change only its
    // phase, which the last step's is in the end.
    const double fracNeu = sampled.FracNeu, fracAlt = sampled.FracAlt;
    Pass r = scratchPass(timing);
    static_cast<SamplingState&>(r.s) = sampled;
    r.done = -1; // nothing reached yet
    long long nextReport = kProgressSteps;
    // The form hears of the progress once the samples reach step k past a
    // report's step; false from it cancels the pass.
    auto reportAt = [&](long long k) {
        if (k < nextReport)
            return;
        nextReport = (k / kProgressSteps + 1) * kProgressSteps;
        if (!rec.observer->progress(2, r.s.t, rec.in.Tk))
            throw RunCancelled();
    };
    // Samples nobody keeps are still taken, for their faults and unit
    // flags.
    auto record = [&](StepState& s) {
        const int slot = s.iPunkt;
        if (!flagsRaised && slot < kSamples) {
            recordSampleValues<F>(s, g, wind, volume, slot, into);
        } else {
            if (!flagsRaised) {
                raiseUnitFlagsOver(s, into, firstSlot, lastSlot, bound);
                flagsRaised = true;
            }
            if (keep)
                recordSample<F>(s, g, wind, volume, slot, into);
            else
                takeSampleUnkept<F>(s, g, wind, volume, slot);
        }
        if (slot < kSamples) {
            lastSlot = slot;
            ++s.iPunkt;
        }
    };
    try {
        for (size_t n = 0; n < steps.count; ++n) {
            const long long k = steps.at[n];
            if (straight && n == 1 && r.s.iPunkt < kSamples) {
                // Up to slot 499, each run of them up to the first at or past
                // a report; the series the first left alike, in one go.
                const size_t m = std::min(steps.count - 1, static_cast<size_t>(kSamples - r.s.iPunkt));
                const long long* const last = &steps.at[m];
                double greatestV = -HUGE_VAL, greatestX = -HUGE_VAL;
                for (const long long* from = &steps.at[1]; from <= last;) {
                    const long long* const to = std::min(std::lower_bound(from, last, nextReport), last);
                    // The unit flags of speed and range need look at the
                    // samples only where one of them passes its threshold.
                    const auto [v, x] = timing.keep->recordMotionAndAir<F>(
                        from, static_cast<size_t>(to - from + 1), r.s, g, wind, volume, r.s.iPunkt, into);
                    greatestV = std::max(greatestV, v);
                    greatestX = std::max(greatestX, x);
                    r.s.iPunkt += static_cast<int>(to - from + 1);
                    reportAt(*to);
                    from = to + 1;
                }
                upper.V = greatestV;
                upper.X = greatestX;
                lastSlot = r.s.iPunkt - 1;
                repeatFixedSeries(into, firstSlot, lastSlot);
                n += m - 1;
                continue;
            }
            if (onlyKept && r.done > 0) {
                timing.keep->loadForSample(k, r.s);
                r.done = k;
            } else {
                if (n + kPrefetchAhead < steps.count)
                    timing.keep->prefetch(steps.at[n + kPrefetchAhead]);
                const long long from = timing.keep->keptAtOrBefore(k);
                if (r.done < from) {
                    timing.keep->load(k, r.s, r.done > 0);
                    r.done = from;
                }
                runTo<F>(r, k);
            }
            record(r.s);
            reportAt(k);
        }
        if (!flagsRaised)
            raiseUnitFlagsOver(r.s, into, firstSlot, lastSlot, bound);
        sampled = r.s;
        rec.s = timing.s;
        if (steps.everyStep) {
            sampled = static_cast<const SamplingState&>(rec.s);
            timing.everyStep.raise(sampled);
            sampled.iPunkt = kSamples;
            static_cast<SamplingState&>(rec.s) = sampled;
            record(rec.s);
            sampled = rec.s;
        }
        sampled.FracNeu = fracNeu;
        sampled.FracAlt = fracAlt;
        // Tested once for all the samples: one that raised a fault ends
        // the replay, and no sample reaches the series.
        if (fpPending())
            throw FloatError("");
    } catch (const FloatError&) {
        // A sample that raised a fault: the pass run in full stops where it
        // happened.
        fpClear();
        return false;
    }
    for (int k = 0; keep && !direct && k < kRecordedSeries && firstSlot <= lastSlot; ++k)
        std::copy(taken.begin() + k * kSamples + firstSlot - 1, taken.begin() + k * kSamples + lastSlot,
            rec.series + k * kSamples + firstSlot - 1);
    static_cast<SamplingState&>(rec.s) = sampled;
    rec.track = timing.track;
    rec.done = timing.done;
    return true;
}

// The recording pass of a run that keeps no samples, its samples left out:
// what is read of it, the summary, comes from the timing pass's track and
// end state and from the number of samples, and that pass's faults are the
// run's where no sample raises one. Leaves in `rec` what the replay leaves,
// but for the unit flags and the Reynolds number, which only the samples
// form; false where it cannot show that no sample faults, or how many
// samples there are: the replay then takes them.
//
// How many: t starts at 0 and every step adds dt0, so the quotient q = t /
// dtProbe grows in each step by about dt0 / dtProbe (far beyond rounding,
// t staying below 1e8 dt0): where that lies between 0.0002 and 0.5, the
// phase (the fractional part of q) grows by more than the tolerance of
// 0.0001 in a step that passes no whole number, and falls where q passes
// one, at most one a step. The first step records (the phase before the
// pass is above 1), its q is dt0 / dtProbe, below 1; each later whole
// number q passes records once. So 1 + floor(q) steps record up to the last.
bool withoutSamples(Pass& rec, const Pass& timing)
{
    const PassInputs& in = rec.in;
    if (rec.log || !(rec.s.t == 0) || rec.s.iPunkt != 1 || !(rec.s.FracAlt >= 1))
        return false;
    double growth = in.dt0 / in.dtProbe;
    double q = timing.s.t / in.dtProbe;
    fpFence(growth);
    fpFence(q);
    if (fpPending()) {
        fpClear();
        return false;
    }
    if (!(growth >= 2 * kRecordTolerance && growth <= 0.5) || !(q < kMaxReplayedSamples) || !sameTrajectory(rec, timing)
        || !samplesCannotFault(rec, timing))
        return false;
    if (timing.done >= kProgressSteps && !rec.observer->progress(2, timing.s.t, in.Tk))
        throw RunCancelled();
    const long long recorded = 1 + static_cast<long long>(q);
    SamplingState sampled = rec.s;
    sampled.iPunkt = static_cast<int>(std::min<long long>(1 + recorded, kSamples));
    sampled.FracNeu = sampled.FracAlt = fracPart(q);
    rec.s = timing.s;
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

Checkpoints& secondCheckpoints()
{
    thread_local Checkpoints checkpoints;
    return checkpoints;
}

bool replayRecording(Pass& rec, const Pass& timing)
{
    if (!timing.keep || recordingInFull)
        return false;
    if (!rec.keepSamples && !unkeptSamplesTaken && withoutSamples(rec, timing))
        return true;
    return everyStepChecked ? replay<Checked>(rec, timing) : replay<Unchecked>(rec, timing);
}

StepEntry endCondition(const StepEntry& before, const StepState& end, double Hend, double Tk)
{
    // The share of the last step at which the ground and the end time were
    // reached, each where the straight line between the step's two states
    // meets it; the flight ends at the first of them.
    const double ground = end.H <= Hend && before.H > Hend ? (before.H - Hend) / (before.H - end.H) : 2;
    const double time = end.t >= Tk && before.t < Tk ? (Tk - before.t) / (end.t - before.t) : 2;
    const double f = std::min(ground, time);
    if (f > 1)
        return { end.t, end.H, end.X, end.V, end.Q };
    auto along = [f](double from, double to) { return from + f * (to - from); };
    return { ground <= time ? along(before.t, end.t) : Tk, ground <= time ? Hend : along(before.H, end.H),
        along(before.X, end.X), along(before.V, end.V), along(before.Q, end.Q) };
}

RunSummary summarize(const Pass& p, double Hend)
{
    const StepTrack& tr = p.track;
    const StepState& end = p.s;
    RunSummary r;
    const StepEntry at = endCondition(tr.lastStart, end, Hend, p.in.Tk);
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

void takeUnkeptSamples(bool on)
{
    unkeptSamplesTaken = on;
}

void recordInFull(bool on)
{
    recordingInFull = on;
}

} // namespace torv

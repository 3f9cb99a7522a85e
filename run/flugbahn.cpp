#include "run/flugbahn.h"

#include <cmath>
#include <optional>
#include <string>

#include "fault/faults.h"
#include "files/numfmt.h"
#include "files/resultfiles.h"
#include "model/checked.h"
#include "model/classes.h"
#include "model/quantities.h"
#include "physics/constants.h"
#include "run/activation.h"

namespace torv {

namespace {

// The number a field reads back from the text it shows for `value`
// (general 4), as its change handler reads it.
double shownBack(double value)
{
    const std::string text = general4(value, '.');
    const auto read = parseNumber(text, '.');
    if (!read)
        throw ConvertError(text);
    return *read;
}

// The envelope of a balloon that carries its start mass at ground level,
// shared with the calculation form's activation. It comes before this pass
// sets g, so it uses the g the activation (or the previous pass) left.
void balloonSetup(const RunRequest& in, RunOutcome& v, RunObserver& observer)
{
    v.Hend = 0; // the ground, whose density sizes the envelope
    balloonEnvelope(in, v, RadiusSquare::First);
    store(v.GasVerloren, in.Gasverlust / 86400 / 1000 * v.Oberflaeche * in.dt0);
    balloonCrossSection(v, RadiusSquare::First);
    // The area field shows the new S0, and its change handler stores the
    // number shown back into S0.
    observer.balloonArea(v.S0);
    v.S0 = shownBack(v.S0);
}

// An airship's buoyancy from its own inputs, set up as a balloon's envelope
// is (it carries its start mass at ground level), its area left as given.
void airshipSetup(const RunRequest& in, RunOutcome& v)
{
    balloonEnvelope(in, v, RadiusSquare::First);
}

void passStart(const RunRequest& in, RunOutcome& v, const RunKind& kind, RunObserver& observer)
{
    if (kind.balloon)
        balloonSetup(in, v, observer);
    else if (kind.buoyant)
        airshipSetup(in, v);
    if (!kind.buoyant)
        v.Auftrieb = 0;
    v.FlagT = v.FlagV = v.FlagQ = v.FlagH = v.FlagX = v.FlagP = v.FlagM = 0;
    v.HFlugErreicht = 0;
    v.Hend = in.Hk;
    v.Vend = in.Vk;
    v.g = kGravity;
    v.CxRun = in.Cx;
    v.CyRun = in.Cy;
    v.MtRun = in.Mt;
    v.IudRun = in.Iud;
    v.MdvRun = in.Mdv;
    v.P = in.Schub;
    if (kind.burnTime) {
        store(v.Mdot, v.P / v.IudRun);
        store(v.tBurn, v.MtRun / v.Mdot);
    }
    v.X = 0;
    v.H = in.H0;
    v.t = 0;
    v.V = in.V0;
    v.Q0grad = in.TTO;
    store(v.Q, in.TTO / kDegPerRad);
    v.Massa = in.MassaStart;
    v.S = v.S0;
    v.Volumen = v.VolumenStart;
    v.iPunkt = 1;
    store(v.AuftriebSoll, v.Auftrieb + v.Auftrieb / 100 * in.Auftriebplus);
    double belastung = in.MassaStart / v.S0;
    fpCheck(belastung);
    observer.areaLoading(belastung);
}

// The step state a pass starts from: what its pass start set, and what a
// variable that only some classes or some steps form carries from before
// the pass (from the earlier run, or from the timing pass into the
// recording pass). Everything else starts at zero: every step forms it
// before anything reads it.
StepState passState(const StepState& v)
{
    StepState s;
    // The pass start's
    s.t = v.t;
    s.H = v.H;
    s.X = v.X;
    s.V = v.V;
    s.Q = v.Q;
    s.Massa = v.Massa;
    s.P = v.P;
    s.CxRun = v.CxRun;
    s.CyRun = v.CyRun;
    s.HFlugErreicht = v.HFlugErreicht;
    static_cast<SamplingState&>(s) = v; // the flags, the slot, the phases, Re
    // Formed by some classes or some steps only
    s.Mdot = v.Mdot;
    s.tBurn = v.tBurn;
    s.Alfa = v.Alfa;
    s.Cx0 = v.Cx0;
    s.qWaerme = v.qWaerme;
    s.KWaerme = v.KWaerme;
    s.RohNull = v.RohNull;
    s.VWaerme = v.VWaerme;
    s.ExpV = v.ExpV;
    s.ExpRoh = v.ExpRoh;
    s.Auftrieb = v.Auftrieb;
    s.GasVerloren = v.GasVerloren;
    s.AuftriebVerlust = v.AuftriebVerlust;
    s.BallonModus = v.BallonModus;
    s.atmosphereSegment = v.atmosphereSegment;
    return s;
}

PassInputs passInputs(const RunRequest& in, const RunOutcome& v, const RunKind& kind, bool aero)
{
    PassInputs p;
    p.AeroModel = in.AeroModel;
    p.dt0 = in.dt0;
    p.S = v.S;
    p.Vwind = in.Vwind;
    p.IudRun = v.IudRun;
    p.MtRun = v.MtRun;
    p.RSAT = in.RSAT;
    p.AuftriebSoll = v.AuftriebSoll;
    p.Gewicht = v.Gewicht;
    p.HFlug = in.HFlug;
    p.Gasverlust = in.Gasverlust;
    p.Oberflaeche = v.Oberflaeche;
    p.Volumen = v.Volumen;
    p.g = v.g;
    p.Hend = v.Hend;
    p.Tk = in.Tk;
    p.dtProbe = v.dtProbe;
    p.motion = classRow(in.Klasse).motion;
    p.rocket = kind.rocket;
    p.heating = kind.reentry;
    p.buoyant = kind.buoyant;
    p.aero = aero;
    if (kind.reentry) {
        double scale = heatScale(p.RSAT);
        fpFence(scale);
        p.heatScale = fpPending() ? std::nan("") : scale;
        fpClear();
    }
    return p;
}

Pass startPass(const RunRequest& in, RunOutcome& v, const RunKind& kind, bool aero, StepLog* log, RunObserver& observer)
{
    Pass p;
    p.s = passState(v);
    p.in = passInputs(in, v, kind, aero);
    p.recording = v.Durchlauf2 == 1;
    if (p.recording) {
        p.series = v.series.data();
        p.keepSamples = in.keepSamples;
    }
    p.observer = &observer;
    p.log = log;
    p.track.maxH = v.H;
    return p;
}

// Sample 500 repeats sample 499; large quantities go to larger units.
void finishSeries(RunOutcome& v)
{
    double* e = v.series.data();
    for (int k = 0; k < kRecordedSeries; ++k)
        e[k * kSamples + kSamples - 1] = e[k * kSamples + kSamples - 2];

    for (const Quantity& q : quantities()) {
        const double divisor = divisorFor(q.series, v);
        if (divisor == 1)
            continue;
        double* s = e + code(q.series) * kSamples;
        for (int i = 0; i < kSamples; ++i)
            s[i] = s[i] / divisor;
    }
}

// dtProbe = the pass's duration over the number of samples.
void endPass(RunOutcome& v)
{
    double dtProbe = v.t / v.NPunkte;
    fpCheck(dtProbe);
    v.dtProbe = dtProbe;
}

} // namespace

namespace {

// A run in its three parts: what comes before its timing pass, the timing pass,
// and the rest (the recording pass and the summary), so that the timing
// passes of two runs can be stepped together.
class FlightRun {
public:
    FlightRun(const RunRequest& in, RunOutcome& out, RunObserver& observer, Checkpoints& keep)
        : in_(in)
        , v_(out)
        , observer_(observer)
        , klasse_(classRow(in.scenarioKlasse))
        , kind_(klasse_.run)
        , aero_(std::nearbyint(in.AeroModel) != 0)
    {
        // A step that is not positive (or not a number) would never let the
        // time reach its end; refuse before anything changes.
        if (!(in.dt0 > 0) || !std::isfinite(in.dt0))
            throw StepRefused(StepRefused::Why::NotPositive);
        fpClear();

        RunOutcome& v = v_;
        static_cast<StepState&>(v) = in.before;
        static_cast<RunSettings&>(v) = in.settings;
        if (in.keepSamples)
            v.series = in.series;
        v.summary = {};
        v.defaultGraph = klasse_.defaultGraph;
        v.started = true;

        v.NPunkte = kSamples;
        v.PageSize = 30 * v.NPunkte;
        v.Durchlauf2 = 0;
        v.dtProbe = 1.0;
        v.FracAlt = -100.0;
        if (in.stepLog)
            log_.open(kind_.buoyant);
        logPtr_ = log_.isOpen() ? &log_ : nullptr;

        // The timing pass. Without a step log, it keeps checkpoints for the
        // recording pass.
        passStart(in, v, kind_, observer);
        timing = startPass(in, v, kind_, aero_, logPtr_, observer);
        if (!logPtr_)
            timing.keep = &keep;
    }

    Pass timing;

    void timingPass() { integrate(timing, v_); }

    void finish()
    {
        RunOutcome& v = v_;
        endPass(v);
        v.Durchlauf2 = 1;
        v.FracAlt = 100.0;

        // The recording pass: replayed where it integrates the timing pass's
        // trajectory, else run in full with its own summary.
        passStart(in_, v, kind_, observer_);
        Pass rec = startPass(in_, v, kind_, aero_, logPtr_, observer_);
        if (replayRecording(rec, timing))
            static_cast<StepState&>(v) = rec.s;
        else
            integrate(rec, v);
        endPass(v);

        log_.close();
        const RunSummary summary = summarize(rec, v.Hend);
        if (in_.keepSamples)
            finishSeries(v);
        v.summary = summary;
    }

private:
    const RunRequest& in_;
    RunOutcome& v_;
    RunObserver& observer_;
    const VehicleClassRow& klasse_; // what the run does by class, from Szenario.Klasse
    const RunKind& kind_;
    const bool aero_;
    StepLog log_;
    StepLog* logPtr_ = nullptr;
};

} // namespace

void runFlight(const RunRequest& in, RunOutcome& out, RunObserver& observer)
{
    FlightRun run(in, out, observer, timingCheckpoints());
    run.timingPass();
    run.finish();
}

bool runFlightPair(const RunRequest& inA, RunOutcome& outA, const RunRequest& inB, RunOutcome& outB,
    RunObserver& observer, std::array<std::exception_ptr, 2>& errors)
{
    if (inA.stepLog || inB.stepLog)
        return false;
    std::optional<FlightRun> a, b;
    try {
        a.emplace(inA, outA, observer, timingCheckpoints());
        b.emplace(inB, outB, observer, secondCheckpoints());
        if (!integrateTwo(a->timing, outA, b->timing, outB))
            return false;
    } catch (...) {
        // Run singly, each meets what happened here where it happens.
        fpClear();
        return false;
    }
    errors = {};
    for (int k = 0; k < 2; ++k) {
        fpClear();
        try {
            (k == 0 ? a : b)->finish();
        } catch (...) {
            errors[static_cast<size_t>(k)] = std::current_exception();
        }
    }
    return true;
}

} // namespace torv

#include "run/flugbahn.h"

#include <cmath>
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

void runFlight(const RunRequest& in, RunOutcome& out, RunObserver& observer)
{
    // A step that is not positive (or not a number) would never let the time
    // reach its end; refuse before anything changes.
    if (!(in.dt0 > 0) || !std::isfinite(in.dt0))
        throw StepRefused(StepRefused::Why::NotPositive);
    fpClear();

    // What the run does by class is decided once, from Szenario.Klasse.
    const VehicleClassRow& klasse = classRow(in.scenarioKlasse);
    const RunKind& kind = klasse.run;
    const bool aero = std::nearbyint(in.AeroModel) != 0;

    RunOutcome& v = out;
    static_cast<StepState&>(v) = in.before;
    static_cast<RunSettings&>(v) = in.settings;
    if (in.keepSamples)
        v.series = in.series;
    v.summary = {};
    v.defaultGraph = klasse.defaultGraph;
    v.started = true;

    v.NPunkte = kSamples;
    v.PageSize = 30 * v.NPunkte;
    v.Durchlauf2 = 0;
    v.dtProbe = 1.0;
    v.FracAlt = -100.0;
    StepLog log;
    if (in.stepLog)
        log.open(kind.buoyant);
    StepLog* logPtr = log.isOpen() ? &log : nullptr;

    // The timing pass. Without a step log, it keeps checkpoints for the
    // recording pass.
    passStart(in, v, kind, observer);
    Pass timing = startPass(in, v, kind, aero, logPtr, observer);
    if (!logPtr)
        timing.keep = &timingCheckpoints();
    integrate(timing, v);
    endPass(v);
    v.Durchlauf2 = 1;
    v.FracAlt = 100.0;

    // The recording pass: replayed where it integrates the timing pass's
    // trajectory, else run in full with its own summary.
    passStart(in, v, kind, observer);
    Pass rec = startPass(in, v, kind, aero, logPtr, observer);
    if (replayRecording(rec, timing))
        static_cast<StepState&>(v) = rec.s;
    else
        integrate(rec, v);
    endPass(v);

    log.close();
    const RunSummary summary = summarize(rec, v.Hend);
    if (in.keepSamples)
        finishSeries(v);
    v.summary = summary;
}

} // namespace torv

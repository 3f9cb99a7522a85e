#include "sim/flugbahn.h"

#include <cmath>

#include "physics/constants.h"
#include "physics/faults.h"
#include "sim/activation.h"
#include "sim/catalog.h"
#include "sim/checked.h"
#include "sim/classes.h"
#include "sim/formport.h"
#include "sim/numfmt.h"
#include "sim/quantities.h"
#include "sim/resultfiles.h"
#include "sim/state.h"
#include "sim/steploop.h"

namespace torv {

namespace {

// The envelope of a balloon that carries its start mass at ground level,
// shared with the calculation form's activation. It comes before this pass
// sets g, so it uses the g the activation (or the previous pass) left.
void balloonSetup()
{
    st.Hend = 0; // the ground, whose density sizes the envelope
    balloonEnvelope(RadiusSquare::First);
    store(st.GasVerloren, st.Gasverlust / 86400 / 1000 * st.Oberflaeche * st.dt0);
    // The field's change handler stores the number shown back into S0.
    FormPort& form = formPort();
    form.setEdS0(balloonCrossSection(form.decimalSeparator(), RadiusSquare::First));
}

// An airship's buoyancy from its own inputs, set up as a balloon's envelope
// is (it carries its start mass at ground level), its area left as given.
void airshipSetup()
{
    balloonEnvelope(RadiusSquare::First);
}

void passStart(const RunKind& kind)
{
    if (kind.balloon)
        balloonSetup();
    else if (kind.buoyant)
        airshipSetup();
    if (!kind.buoyant)
        st.Auftrieb = 0;
    st.FlagT = st.FlagV = st.FlagQ = st.FlagH = st.FlagX = st.FlagP = st.FlagM = 0;
    st.HFlugErreicht = 0;
    st.Hend = st.Hk;
    st.Vend = st.Vk;
    st.g = kGravity;
    st.CxRun = st.Cx;
    st.CyRun = st.Cy;
    st.MtRun = st.Mt;
    st.IudRun = st.Iud;
    st.MdvRun = st.Mdv;
    st.P = st.Schub;
    if (kind.burnTime) {
        store(st.Mdot, st.P / st.IudRun);
        store(st.tBurn, st.MtRun / st.Mdot);
    }
    st.X = 0;
    st.H = st.H0;
    st.t = 0;
    st.V = st.V0;
    st.Q0grad = st.TTO;
    store(st.Q, st.TTO / kDegPerRad);
    st.Massa = st.MassaStart;
    st.S = st.S0;
    st.Volumen = st.VolumenStart;
    st.iPunkt = 1;
    store(st.AuftriebSoll, st.Auftrieb + st.Auftrieb / 100 * st.Auftriebplus);
    double belastung = st.MassaStart / st.S0;
    fpCheck(belastung);
    FormPort& form = formPort();
    form.setEdBelastung(general4(belastung, form.decimalSeparator()));
}

PassInputs passInputs(const RunKind& kind, bool aero)
{
    PassInputs in;
    in.AeroModel = st.AeroModel;
    in.dt0 = st.dt0;
    in.S = st.S;
    in.Vwind = st.Vwind;
    in.IudRun = st.IudRun;
    in.MtRun = st.MtRun;
    in.RSAT = st.RSAT;
    in.AuftriebSoll = st.AuftriebSoll;
    in.Gewicht = st.Gewicht;
    in.HFlug = st.HFlug;
    in.Gasverlust = st.Gasverlust;
    in.Oberflaeche = st.Oberflaeche;
    in.Volumen = st.Volumen;
    in.g = st.g;
    in.Hend = st.Hend;
    in.Tk = st.Tk;
    in.dtProbe = st.dtProbe;
    in.motion = classRow(st.Klasse).motion;
    in.rocket = kind.rocket;
    in.heating = kind.reentry;
    in.buoyant = kind.buoyant;
    in.aero = aero;
    if (kind.reentry) {
        double scale = heatScale(in.RSAT);
        fpFence(scale);
        in.heatScale = fpPending() ? std::nan("") : scale;
        fpClear();
    }
    return in;
}

Pass startPass(const RunKind& kind, bool aero, bool recording, StepLog* log)
{
    Pass p;
    p.s = st;
    p.in = passInputs(kind, aero);
    p.recording = recording;
    p.log = log;
    p.track.maxH = st.H;
    return p;
}

// Sample 500 repeats sample 499; large quantities go to larger units.
void finishSeries()
{
    double* e = st.Ergebnis.data();
    for (int k = 0; k < kRecordedSeries; ++k)
        e[k * kSamples + kSamples - 1] = e[k * kSamples + kSamples - 2];

    for (const Quantity& q : quantities()) {
        const double divisor = currentDivisor(q.series);
        if (divisor == 1)
            continue;
        double* s = e + code(q.series) * kSamples;
        for (int i = 0; i < kSamples; ++i)
            s[i] = s[i] / divisor;
    }
}

// dtProbe = the pass's duration over the number of samples.
void endPass()
{
    double dtProbe = st.t / st.NPunkte;
    fpCheck(dtProbe);
    st.dtProbe = dtProbe;
}

} // namespace

void Flugbahn(RunFiles files)
{
    // A step that is not positive (or not a number) would never let the time
    // reach its end; refuse before anything changes.
    if (!(st.dt0 > 0) || !std::isfinite(st.dt0))
        throw StepRefused(StepRefused::Why::NotPositive);
    fpClear();

    // What the run does by class is decided once, from Szenario.Klasse.
    const VehicleClassRow& klasse = classRow(st.Szenario.Klasse);
    const RunKind& kind = klasse.run;
    const bool aero = std::nearbyint(st.AeroModel) != 0;

    st.NPunkte = kSamples;
    st.PageSize = 30 * st.NPunkte;
    st.Trenn = "  ";
    st.Durchlauf2 = 0;
    st.dtProbe = 1.0;
    st.FracAlt = -100.0;
    st.Summary = {};
    StepLog log;
    if (st.DatenSchalter == 1 && files == RunFiles::Write)
        log.open(kind.buoyant);
    StepLog* logPtr = log.isOpen() ? &log : nullptr;

    // The timing pass. Without a step log, it keeps checkpoints for the
    // recording pass.
    passStart(kind);
    Pass timing = startPass(kind, aero, false, logPtr);
    if (!logPtr)
        timing.keep = &timingCheckpoints();
    integrate(timing);
    endPass();
    st.Durchlauf2 = 1;
    st.FracAlt = 100.0;

    // The recording pass: replayed where it integrates the timing pass's
    // trajectory, else run in full with its own summary.
    passStart(kind);
    Pass rec = startPass(kind, aero, true, logPtr);
    if (replayRecording(rec, timing))
        static_cast<StepState&>(st) = rec.s;
    else
        integrate(rec);
    endPass();

    log.close();
    const RunSummary summary = summarize(rec, st.Hend);
    finishSeries();
    if (files == RunFiles::Write)
        writeSampleFile();
    applyGraphSelection(klasse.defaultGraph);
    st.Summary = summary;
    formPort().drawGraph();
}

} // namespace torv

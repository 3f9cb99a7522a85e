// The run on the simulation state: the calculation form's START and every
// caller that works on the state run the flight through here.
#include <memory>
#include <utility>

#include "fault/faults.h"
#include "files/numfmt.h"
#include "files/resultfiles.h"
#include "model/catalog.h"
#include "model/state.h"
#include "run/flugbahn.h"
#include "run/formport.h"

namespace torv {

namespace {

// The settings of a run, copied between the state and a run's value.
template <class From, class To> void copySettings(const From& a, To& b)
{
    b.S0 = a.S0;
    b.Q0grad = a.Q0grad;
    b.S = a.S;
    b.MtRun = a.MtRun;
    b.IudRun = a.IudRun;
    b.MdvRun = a.MdvRun;
    b.Hend = a.Hend;
    b.Vend = a.Vend;
    b.g = a.g;
    b.Gewicht = a.Gewicht;
    b.AuftriebSoll = a.AuftriebSoll;
    b.Volumen = a.Volumen;
    b.VolumenStart = a.VolumenStart;
    b.Radius = a.Radius;
    b.Oberflaeche = a.Oberflaeche;
    b.SBallon = a.SBallon;
    b.NPunkte = a.NPunkte;
    b.PageSize = a.PageSize;
    b.Durchlauf2 = a.Durchlauf2;
    b.dtProbe = a.dtProbe;
}

// What the run leaves in the state: the recording pass's variables, the
// settings and the samples as it left them, if it kept them.
void applyOutcome(const RunRequest& in, const RunOutcome& out, SimState& state)
{
    static_cast<StepState&>(state) = out;
    copySettings(out, state);
    state.Trenn = kRunSeparator;
    if (in.keepSamples)
        std::copy(out.series.begin(), out.series.end(), state.Ergebnis.begin());
}

// The run's way to the calculation form: the fields it changes, and its
// progress.
class FormObserver : public RunObserver {
public:
    void balloonArea(double S0) override
    {
        FormPort& form = formPort();
        form.setEdS0(general4(S0, form.decimalSeparator()));
    }
    void areaLoading(double belastung) override
    {
        FormPort& form = formPort();
        form.setEdBelastung(general4(belastung, form.decimalSeparator()));
    }
    bool progress(int pass, double t, double tEnd) override { return formPort().runProgress(pass, t, tEnd); }
};

class PortProgress : public RunObserver {
public:
    bool progress(int pass, double t, double tEnd) override { return formPort().runProgress(pass, t, tEnd); }
};

} // namespace

RunObserver& portProgress()
{
    static PortProgress observer;
    return observer;
}

namespace {

// Every input of the run but the samples.
void requestInto(const SimState& state, bool files, RunRequest& in)
{
    in.H0 = state.H0;
    in.V0 = state.V0;
    in.TTO = state.TTO;
    in.MassaStart = state.MassaStart;
    in.Cx = state.Cx;
    in.Cy = state.Cy;
    in.dt0 = state.dt0;
    in.Vwind = state.Vwind;
    in.Tk = state.Tk;
    in.Hk = state.Hk;
    in.Vk = state.Vk;
    in.Mt = state.Mt;
    in.Iud = state.Iud;
    in.Mdv = state.Mdv;
    in.Schub = state.Schub;
    in.RSAT = state.RSAT;
    in.Auftriebplus = state.Auftriebplus;
    in.Gasverlust = state.Gasverlust;
    in.GasDensity = state.GasDensity;
    in.HFlug = state.HFlug;
    in.AeroModel = state.AeroModel;
    in.scenarioKlasse = state.Szenario.Klasse;
    in.Klasse = state.Klasse;
    in.stepLog = files && state.DatenSchalter == 1;
    in.before = state;
    copySettings(state, in.settings);
}

} // namespace

RunRequest runRequest(const SimState& state, bool files)
{
    RunRequest in;
    requestInto(state, files, in);
    std::copy_n(state.Ergebnis.begin(), in.series.size(), in.series.begin());
    return in;
}

namespace {

// A run's request and outcome, and whether a run uses them: a run takes
// its thread's, so that it does not clear their 250 KB of samples (and one
// that keeps no samples does not copy them either); a run started while
// they are in use (from an observer) takes new ones.
struct RunValues {
    std::unique_ptr<RunRequest> in = std::make_unique<RunRequest>();
    std::unique_ptr<RunOutcome> out = std::make_unique<RunOutcome>();
    bool busy = false;
};

class Taken {
public:
    explicit Taken(RunValues* values)
        : values_(values)
    {
        if (values_)
            values_->busy = true;
    }
    ~Taken()
    {
        if (values_)
            values_->busy = false;
    }
    Taken(const Taken&) = delete;
    Taken& operator=(const Taken&) = delete;

private:
    RunValues* values_;
};

// The outcome of a run that an error ended put back into the state, if it
// had started.
void applyFailed(const RunRequest& in, const RunOutcome& out, SimState& state)
{
    if (out.started) {
        applyOutcome(in, out, state);
        state.Summary = {};
    }
}

// The run on `state`, its outcome put back there; where an error ends a run
// that had started, what it had done by then, with no summary. Returns the
// run's default graph and summary.
// The thread's request and outcome.
RunValues& reusedValues()
{
    thread_local RunValues values;
    return values;
}

std::pair<Sel, RunSummary> runInState(SimState& state, bool files, RunObserver& observer, RunSamples samples)
{
    RunValues& reused = reusedValues();
    const bool reuse = !reused.busy;
    const Taken taken(reuse ? &reused : nullptr);
    std::unique_ptr<RunRequest> ownIn;
    std::unique_ptr<RunOutcome> ownOut;
    if (!reuse) {
        ownIn = std::make_unique<RunRequest>();
        ownOut = std::make_unique<RunOutcome>();
    }
    RunRequest& in = reuse ? *reused.in : *ownIn;
    RunOutcome& out = reuse ? *reused.out : *ownOut;
    requestInto(state, files, in);
    in.keepSamples = samples == RunSamples::Keep;
    if (in.keepSamples)
        std::copy_n(state.Ergebnis.begin(), in.series.size(), in.series.begin());
    out.started = false;
    try {
        runFlight(in, out, observer);
    } catch (...) {
        applyFailed(in, out, state);
        throw;
    }
    applyOutcome(in, out, state);
    return { out.defaultGraph, out.summary };
}

} // namespace

void runOn(SimState& state, RunObserver& observer, RunSamples samples)
{
    const auto [graph, summary] = runInState(state, false, observer, samples);
    applyGraphSelection(graph, state);
    state.Summary = summary;
}

void runOnPair(
    SimState& a, SimState& b, RunObserver& observer, RunSamples samples, std::array<std::exception_ptr, 2>& errors)
{
    errors = {};
    // The second run's request and outcome, kept from pair to pair as the
    // first run's are.
    thread_local RunValues second;
    RunValues& first = reusedValues();
    bool paired = false;
    if (!first.busy && !second.busy) {
        const Taken takenA(&first), takenB(&second);
        SimState* const states[2] = { &a, &b };
        RunValues* const values[2] = { &first, &second };
        for (int k = 0; k < 2; ++k) {
            requestInto(*states[k], false, *values[k]->in);
            values[k]->in->keepSamples = samples == RunSamples::Keep;
            if (values[k]->in->keepSamples)
                std::copy_n(states[k]->Ergebnis.begin(), values[k]->in->series.size(), values[k]->in->series.begin());
            values[k]->out->started = false;
        }
        paired = runFlightPair(*first.in, *first.out, *second.in, *second.out, observer, errors);
        for (int k = 0; paired && k < 2; ++k) {
            const RunOutcome& out = *values[k]->out;
            if (errors[static_cast<size_t>(k)]) {
                applyFailed(*values[k]->in, out, *states[k]);
            } else {
                applyOutcome(*values[k]->in, out, *states[k]);
                applyGraphSelection(out.defaultGraph, *states[k]);
                states[k]->Summary = out.summary;
            }
        }
    }
    if (paired)
        return;
    SimState* const states[2] = { &a, &b };
    for (int k = 0; k < 2; ++k) {
        try {
            runOn(*states[k], observer, samples);
        } catch (...) {
            errors[static_cast<size_t>(k)] = std::current_exception();
        }
    }
}

void Flugbahn(RunFiles files)
{
    FormObserver observer;
    const auto out = runInState(st, files == RunFiles::Write, observer, RunSamples::Keep);
    st.Summary = {};
    if (files == RunFiles::Write)
        writeSampleFile();
    applyGraphSelection(out.first);
    st.Summary = out.second;
    formPort().drawGraph();
}

} // namespace torv

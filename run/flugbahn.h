// The run: integrates the flight twice from its inputs (a timing pass and a
// recording pass of 500 samples) and converts units, as a function of a
// value of its inputs that gives a value of its result. `Flugbahn` runs it
// on the simulation state: it takes the inputs from the state, puts the
// result back there, writes "Torv_500.txt" and draws the default graph.
#pragma once

#include <array>
#include <exception>

#include "model/catalog.h"
#include "model/state.h"
#include "model/summary.h"
#include "run/steploop.h"

namespace torv {

// The calculation form's inputs a run reads, named as in the state.
struct RunFields {
    double H0 = 0; // m
    double V0 = 0; // m/s
    double TTO = 0; // degree
    double MassaStart = 0; // kg
    double Cx = 0; // -
    double Cy = 0; // -
    double dt0 = 0; // s
    double Vwind = 0; // m/s
    double Tk = 0; // s
    double Hk = 0; // m
    double Vk = 0; // m/s
    double Mt = 0; // kg
    double Iud = 0; // N*s/kg
    double Mdv = 0; // kg
    double Schub = 0; // N
    double RSAT = 0; // m
    double Auftriebplus = 0; // %
    double Gasverlust = 0; // litre per m2 of envelope per 24 h
    double GasDensity = 0; // kg/m3
    double HFlug = 0; // m
    double AeroModel = 0; // 0 constant, 1 Titan-2, 2 zero-alpha model
};

// The variables of the state, besides the step state and the samples, that
// a run sets (and some of them reads first), named as in the state.
struct RunSettings {
    double S0 = 0; // m2: the area field, replaced by a balloon's envelope
    double Q0grad = 0; // degree
    double S = 0; // m2
    double MtRun = 0; // kg
    double IudRun = 0; // N*s/kg
    double MdvRun = 0; // kg
    double Hend = 0; // m
    double Vend = 0; // m/s
    double g = 0; // m/s2
    double Gewicht = 0; // N
    double AuftriebSoll = 0; // N
    double Volumen = 0; // m3
    double VolumenStart = 0; // m3
    double Radius = 0; // m
    double Oberflaeche = 0; // m2
    double SBallon = 0; // m2
    int NPunkte = 0;
    int PageSize = 0;
    int Durchlauf2 = 0;
    double dtProbe = 0; // s
};

// Series 0..30 of Ergebnis: what a run records.
using RecordedSeries = std::array<double, kRecordedSeries * kSamples>;

// Every input of a run: the fields, the class, and what earlier activations
// and runs left that a run reads (a run overwrites only what it reaches, so
// a sample slot it does not reach keeps an earlier run's value).
struct RunRequest : RunFields {
    double scenarioKlasse = 0; // Szenario.Klasse: what the run does by class
    int Klasse = 0; // the start form's class: the motion step's equations
    bool stepLog = false; // writes "Torv Daten.txt" step by step
    // Whether the run leaves its samples. Without them it neither reads
    // `series` nor writes RunOutcome::series; it takes each sample for its
    // faults and unit flags, unless it can show that none of them faults:
    // it then takes none, and leaves the unit flags and the Reynolds number
    // as its recording pass starts them (summary, status and message stay
    // as they would be).
    bool keepSamples = true;
    StepState before; // the step state as the run finds it
    RunSettings settings; // the same for the settings
    RecordedSeries series {};
};

// What a run leaves: the step state of its recording pass's end (with the
// unit flags), the settings, the converted samples, its summary and the
// graph it selects. Where an error ends a run, what it had done by then
// (`started` tells whether it changed anything).
struct RunOutcome : StepState, RunSettings {
    bool started = false;
    RecordedSeries series {};
    RunSummary summary; // all zero unless the run completed
    Sel defaultGraph = Sel::RunEnd;
};

// The inputs of a run from the simulation state; with `files`, the run
// writes the step log where DatenSchalter asks for it.
RunRequest runRequest(const SimState& state, bool files);

// Runs the flight `in` describes into `out`, telling `observer` of its
// progress and of the fields it changes. Reads and writes no process-wide
// state, so runs may go on side by side on threads of their own. Throws
// StepRefused (with `out` untouched) for an unusable step before it starts;
// FloatError on an arithmetic fault, IoError when the step log cannot be
// written, StepRefused when a pass needs too many steps, RunCancelled when
// the observer cancels: `out` then holds what the run had done.
void runFlight(const RunRequest& in, RunOutcome& out, RunObserver& observer = quietObserver());

// Two runs with their timing passes stepped together, for the throughput of
// two independent chains of steps; each leaves in its outcome what
// runFlight would, and its error (if any) in `errors`. False, with nothing
// decided, where the pair cannot show that (a fault flag, a step log, passes
// of different kinds): each run must then be run singly.
bool runFlightPair(const RunRequest& inA, RunOutcome& outA, const RunRequest& inB, RunOutcome& outB,
    RunObserver& observer, std::array<std::exception_ptr, 2>& errors);

// Whether a run writes "Torv_500.txt" (and the step log when DatenSchalter
// is 1); a trial run on a copy of the state leaves the user's files alone,
// and a caller that writes the sample file together with others
// (sampleFileText) writes it itself.
enum class RunFiles { Write, Skip };

// The run on the simulation state, as the calculation form's START makes
// it: the inputs from the state, and the result, also where an error ends
// the run, back into it; then the sample file and the default graph.
// Throws FloatError on an arithmetic fault, IoError when a result file
// cannot be written, TorvError when the integration step is unusable.
void Flugbahn(RunFiles files = RunFiles::Write);

// Whether a run on a state leaves its samples in the state's Ergebnis, or
// leaves Ergebnis as it was (a caller that wants the summary alone).
enum class RunSamples { Keep, Skip };

// The same run on a caller's own state, without files or form: what START
// leaves in the simulation state, left in `state` instead, so that runs on
// states of their own go on side by side. `observer` hears of the progress.
// Throws as Flugbahn.
void runOn(SimState& state, RunObserver& observer = quietObserver(), RunSamples samples = RunSamples::Keep);

// Two such runs, on states of their own, with their timing passes stepped
// together where runFlightPair can (else one after the other): each state
// is left as runOn leaves it, and the error that ended its run (if any) is
// in `errors` instead of thrown.
void runOnPair(
    SimState& a, SimState& b, RunObserver& observer, RunSamples samples, std::array<std::exception_ptr, 2>& errors);

// An observer that only passes the progress on to the installed form port
// (which may cancel), for runs that show nothing.
RunObserver& portProgress();

} // namespace torv

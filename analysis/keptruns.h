// Runs kept for comparison: a run's recorded series with the units they
// were stored in and the inputs it was run from, so that later runs can be
// drawn over it in the same axes and a legend can say what tells them apart.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "model/quantities.h"
#include "model/state.h"

namespace torv {

inline constexpr int kMaxKeptRuns = 8;

// What a run was run from: the scenario record, every field's number (in
// the order of fieldTable()) and the aerodynamic model.
struct RunInputs {
    SzenarioRecord scenario;
    std::vector<double> fields;
    double aeroModel = 0;

    // The inputs the state holds now, or `state` holds.
    static RunInputs current();
    static RunInputs of(const SimState& state);
};

struct KeptRun {
    std::vector<double> series; // codes 0 .. kRecordedSeries-1, kSamples each, as Ergebnis holds them
    std::array<double, kRecordedSeries> divisor {}; // what the run divided each series by (its unit flags)
    RunInputs inputs;
};

// The state's last run, which must be complete; or the run `state` holds.
KeptRun keepRun();
KeptRun keepRun(const SimState& state);

// The kept run's series in the units the state's unit flags choose now,
// laid out as Ergebnis (codes 0 .. kRecordedSeries-1); unchanged where the
// units agree.
std::vector<double> inCurrentUnits(const KeptRun& run);

// What tells a run of `kept` apart from one of `current`: the preset's list
// label when the scenario differs; else every field and the aerodynamic
// model that differ, "Q0 = 30, dt0 = 0.0025", the field names of the field
// table (Q0 for the path angle) with numbers in the general 15-digit format
// and separator `sep`; "same inputs" in language `sprache` when nothing does.
std::string differenceLabel(const RunInputs& kept, const RunInputs& current, int sprache, char sep);

// Every kept run's name, in order, for the legend, the read-out and the
// export: differenceLabel() for a run of the current run's scenario; for
// another's, the class's short name when the class differs (else the
// preset's list label), then the inputs in which it differs from the other
// runs of its own scenario: "Projectile, Q0 = 30".
std::vector<std::string> keptRunLabels(
    const std::vector<RunInputs>& kept, const RunInputs& current, int sprache, char sep);

// The legend's name for the current run in language `sprache`, "current
// run (Q0 = 60)": with its values of the inputs that tell it apart from the
// kept runs of its scenario.
std::string currentRunLabel(const std::vector<RunInputs>& kept, const RunInputs& current, int sprache, char sep);

} // namespace torv

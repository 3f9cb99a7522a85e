// Inside torv-batch: one run of a plan and what its summary line holds,
// shared by the single run and the runs of a sweep or a study.
#pragma once

#include <array>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/study.h"
#include "batch/studyfigures.h"
#include "model/state.h"
#include "run/steploop.h"

namespace torv::batch {

// A run's outcome as the summary reports it.
struct RunResult {
    int status = kOk;
    std::vector<double> numbers; // by summaryColumns(); NaN where the run has none
    std::string error; // the run's message if it failed
    std::string verdict; // the step check's conclusion, with --accuracy
    std::exception_ptr exception; // the error itself, for its kind
    RunTrace trace; // the graph pair, where the caller asks for it
    RunTrace nominal; // the same of the run at the plan's own inputs, where asked
};

// The state as the start form and the calculation form leave it for preset
// `number` (none for the plan's scenario), with the plan's fields and
// `values` typed over; every run starts afresh, so that no run depends on
// the one before.
void prepare(const Plan& plan, const Assignments& values, int number);
// The same in a caller's own state, its samples left as they are, so that
// runs may go on side by side: the rest of it becomes what a fresh state
// prepared would be, whatever it held.
void prepare(const Plan& plan, const Assignments& values, int number, SimState& state);
// The preset that run `i` runs; 0 for the plan's scenario.
int presetOfRun(const Plan& plan, long long i);

// The summary's columns after those that name the run, whatever the run
// summary holds: every quantity, then the samples; with --accuracy each
// quantity again at half the step and extrapolated, and the samples at half
// the step.
std::vector<std::string> summaryColumns(bool accuracy);

// The columns that name a run: "preset", "scenario", the swept fields, or
// "run" and the drawn fields.
std::vector<std::string> keyColumns(const Plan& plan);
// Their values for run `i`: numbers as `text` writes them, each reading
// back as the run's (the scenario's name is text).
std::vector<std::string> keyValues(const Plan& plan, long long i, std::string (*text)(double));
// The directory of run `i` under --out, and how messages name the run:
// "Q0=30", "Q0=30,dt0=0.01", "preset=3", "run=12".
std::string runName(const Plan& plan, long long i);

// The summary's lines in the plan's format: CSV with a header line, or one
// JSON object per line with the header's names as keys, numbers as numbers
// and the error as a string or null.
class SummaryText {
public:
    struct Cell {
        std::string text;
        enum Kind { Number, Text, Empty } kind;
    };
    explicit SummaryText(const Plan& plan);
    // Every column's name: the run's, the summary's and "error".
    const std::vector<std::string>& names() const { return names_; }
    std::string header() const; // "" for JSON lines
    std::string line(const std::vector<Cell>& cells) const;
    std::string runLine(const Plan& plan, long long i, const RunResult& r) const;
    // A number in the general 15-digit format; NaN: empty.
    static Cell numberCell(double v);

private:
    // Cell `k` begins: the comma, and a JSON line's key.
    void startCell(std::string& text, size_t k) const;
    void putCell(std::string& text, size_t k, const Cell& c) const;

    Format format_;
    std::vector<std::string> names_;
    size_t lineRoom_ = 0; // about what a run's line takes
};

// A study's columns after "run" (the drawn fields and the summary's), each
// over the runs that have a value in it, and their figures; nothing for
// runs that are no study.
class StudyColumns {
public:
    explicit StudyColumns(const Plan& plan);
    // Run `i`'s values, the runs taken in any order; a run that failed is
    // only counted, so that every column is over the runs that succeeded.
    void add(const Plan& plan, long long i, const RunResult& r);
    bool empty() const { return columns_.empty(); }
    long long failed() const { return failed_; }
    // Every column's figures (its values sorted on the way).
    std::vector<ColumnStatistics> statistics();

private:
    std::vector<std::vector<double>> columns_;
    long long failed_ = 0;
};

// After a study's lines: n, the runs that failed, mean, standard deviation
// and the 5th, 50th and 95th percentiles of every column; "" for runs that
// are no study.
std::string statisticsLines(const SummaryText& text, StudyColumns& columns);

// Run `i`, without files, on a state of its own: the simulation state is
// left alone, so that runs may go on side by side on threads. `keep`, if
// given, is called with the state the run left, once it has succeeded (with
// --accuracy its step check too), and what it throws is the run's error.
RunResult runAlone(const Plan& plan, long long i, const std::function<void(SimState&)>& keep = {});
// The same with the run's progress told to `observer` rather than to the
// installed form port, which may cancel it.
RunResult runAlone(const Plan& plan, long long i, const std::function<void(SimState&)>& keep, RunObserver& observer);
// The same with `keep` called while the simulation state holds the run, for
// callers that take its files or picture from there.
RunResult runAlone(const Plan& plan, long long i, const std::function<void()>& keep);

// Runs `i` and `j` as runAlone(plan, i) and runAlone(plan, j) make them,
// on states of their own, with the steps of both in one loop where that
// gives the very same results (summaries alone): two independent chains of
// steps overlap on one core.
std::array<RunResult, 2> runTwo(const Plan& plan, long long i, long long j, RunObserver& observer);

// --converge: the step halved until the chosen quantities meet the target;
// the summary line is that of the run at the finest step, whose files
// `commit` writes while the state holds it.
void runConverge(const Plan& plan, const std::function<void()>& commit);

// Run `i`, with its files in `dir` when `keep` (an error writes none).
RunResult runOne(const Plan& plan, long long i, const std::string& dir, bool keep);
// The same with its files, on any thread: `observer` hears its progress, and
// the files of the runs are written one run at a time, from the simulation
// state. Pictures need ensurePainting() first, on the main thread.
RunResult runOne(const Plan& plan, long long i, const std::string& dir, RunObserver& observer);
void ensurePainting();

// The plan's runs again, without files, drawn into the one picture
// plan.overlay names.
void writeOverlay(const Plan& plan);

} // namespace torv::batch

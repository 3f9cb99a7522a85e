#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "analysis/stepcheck.h"
#include "batch/runs.h"
#include "fault/faults.h"
#include "files/numfmt.h"
#include "model/state.h"
#include "model/summary.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "scenarios/scenario.h"

namespace torv::batch {

// The state as the start form and the calculation form leave it for the
// run's preset or scenario, with the fields typed over; every run starts
// afresh, so that no run depends on the one before.
void prepare(const Plan& plan, const Assignments& values, int number)
{
    resetState();
    prepare(plan, values, number, st);
}

namespace {

// The last preset or scenario file a thread activated, keyed by all that the
// activation reads (the record the preset or the file loads, and the
// language), and the state but its samples that it left: a run of the same
// preset or file starts from a copy. The runs of a sweep differ only in the
// values typed over it.
struct Activated {
    bool valid = false;
    int sprache = 0;
    bool file = false;
    int number = 0; // the preset, without a file
    VehicleClass klasse = VehicleClass::None; // the file's
    double aeroModel = 0;
    std::array<double, kFieldCount> inputs {};
    SimStateCore core;

    bool holds(const Plan& plan, int preset) const
    {
        if (!valid || sprache != plan.sprache || file != plan.scenario.has_value())
            return false;
        if (!file)
            return number == preset;
        const Scenario& s = *plan.scenario;
        return klasse == s.klasse && std::memcmp(&aeroModel, &s.aeroModel, sizeof aeroModel) == 0
            && std::memcmp(inputs.data(), s.inputs.data(), sizeof inputs) == 0;
    }
};

} // namespace

void prepare(const Plan& plan, const Assignments& values, int number, SimState& state)
{
    thread_local Activated last;
    if (last.holds(plan, number)) {
        static_cast<SimStateCore&>(state) = last.core;
        // As the activation starts: no earlier fault is pending.
        fpClear();
    } else {
        last.valid = false;
        resetAllButSamples(state);
        if (plan.scenario) {
            loadScenario(*plan.scenario, state);
        } else {
            const PresetRef preset = *presetNumber(number);
            choosePreset(preset.list, preset.index, state);
        }
        state.Sprache = plan.sprache;
        activate('.', state);
        last.core = state;
        last.sprache = plan.sprache;
        last.file = plan.scenario.has_value();
        last.number = number;
        if (plan.scenario) {
            last.klasse = plan.scenario->klasse;
            last.aeroModel = plan.scenario->aeroModel;
            last.inputs = plan.scenario->inputs;
        }
        last.valid = true;
    }
    if (plan.aeroModel)
        state.AeroModel = *plan.aeroModel;
    for (const auto& [field, value] : plan.sets)
        state.*field->var = value;
    for (const auto& [field, value] : values)
        state.*field->var = value;
}

int presetOfRun(const Plan& plan, long long i)
{
    if (plan.numbers.empty())
        return 0;
    return plan.numbers.size() > 1 ? plan.numbers[static_cast<size_t>(i)] : plan.numbers[0];
}

namespace {

void appendSummary(std::vector<double>& numbers, const RunSummary& s)
{
    numbers.reserve(numbers.size() + summaryQuantities().size() + 1);
    for (const SummaryQuantity& q : summaryQuantities())
        numbers.push_back(s.*q.value);
    numbers.push_back(s.samples);
}

// The check's columns: each quantity at half and at a quarter of the step and
// extrapolated (where it has settled in the first order), the samples of the
// two runs, and the largest estimated error at dt0.
void appendCheck(std::vector<double>& numbers, const StepCheck& check)
{
    for (const QuantityCheck& q : check.quantities) {
        numbers.push_back(q.values[1]);
        numbers.push_back(q.values[2]);
        numbers.push_back(q.extrapolated);
    }
    numbers.push_back(check.runs[1].samples);
    numbers.push_back(check.runs[2].samples);
    const StepVerdict v = check.verdict();
    numbers.push_back(v.kind == StepVerdict::Kind::Unsettled ? std::numeric_limits<double>::quiet_NaN() : v.error);
}

std::string number(double v)
{
    return general15(v, '.');
}

std::string shortNumber(double v)
{
    return formatGeneral(v, 6, 0, '.');
}

std::string percent(double fraction)
{
    return formatGeneral(100 * fraction, 3, 0, '.') + " %";
}

// A quantity at the check's three steps.
std::string threeValues(const QuantityCheck& q)
{
    return shortNumber(q.values[0]) + " at dt0, " + shortNumber(q.values[1]) + " at dt0/2, " + shortNumber(q.values[2])
        + " at dt0/4";
}

// Why a quantity has not settled, from the ratio of its successive
// differences.
std::string unsettledReason(const QuantityCheck& q)
{
    const std::string ratio
        = std::isnan(q.ratio) ? std::string() : "ratio of successive differences " + formatGeneral(q.ratio, 3, 0, '.');
    if (q.settling == Settling::NotYet)
        return ratio + ", not yet the first order's 2";
    return (ratio.empty() ? std::string() : ratio + ": ") + "the changes do not shrink as the step halves";
}

// What the step check concludes, in a line for a person.
std::string verdictLine(const StepCheck& check)
{
    const StepVerdict v = check.verdict();
    const std::string target = percent(check.target);
    if (v.worst < 0)
        return "step check: no quantity changes by " + percent(kNegligibleShare * check.target)
            + " or more as the step halves from dt0 = " + number(check.dt0) + " s";
    const QuantityCheck& q = check.quantities[static_cast<size_t>(v.worst)];
    const std::string name = q.quantity->column;
    if (v.kind == StepVerdict::Kind::Unsettled)
        return "step check: " + name + " has not settled at dt0 = " + number(check.dt0) + " s (" + threeValues(q) + "; "
            + unsettledReason(q) + "), so no error, extrapolation or step can be stated; --converge finds the "
            + "converged value";
    std::string line = "step check: " + name + " has the largest estimated error at dt0 = " + number(check.dt0) + " s, "
        + percent(v.error) + " (" + threeValues(q) + ", first order, extrapolated " + number(q.extrapolated) + ")";
    if (v.kind == StepVerdict::Kind::Fine)
        return line + ", below " + target;
    return line + "; the step is " + formatGeneral(v.factor, 3, 0, '.') + " times too coarse for " + target
        + ": dt0 = " + formatGeneral(v.step, 2, 0, '.') + " s meets it";
}

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// The result of a run that the exception being handled ended.
void failed(const Plan& plan, RunResult& r)
{
    r.status = statusOfCurrentException();
    r.numbers.assign(summaryColumns(plan.accuracy).size(), kNone);
    try {
        throw;
    } catch (const std::exception& e) {
        r.error = messageOf(e);
    }
    r.exception = std::current_exception();
}

} // namespace

std::vector<std::string> summaryColumns(bool accuracy)
{
    std::vector<std::string> names;
    for (const SummaryQuantity& q : summaryQuantities())
        names.push_back(q.column);
    names.push_back("samples");
    if (accuracy) {
        for (const SummaryQuantity& q : summaryQuantities()) {
            names.push_back(std::string(q.column) + "_half");
            names.push_back(std::string(q.column) + "_quarter");
            names.push_back(std::string(q.column) + "_extrapolated");
        }
        names.push_back("samples_half");
        names.push_back("samples_quarter");
        names.push_back("step_error");
    }
    return names;
}

std::vector<std::string> keyColumns(const Plan& plan)
{
    std::vector<std::string> names;
    if (!plan.varies.empty())
        names.push_back("run");
    for (const Sweep& sw : plan.sweeps)
        names.push_back(legendName(*sw.field));
    for (const Vary& v : plan.varies)
        names.push_back(legendName(*v.field));
    if (names.empty())
        names.push_back(plan.scenario ? "scenario" : "preset");
    return names;
}

std::vector<std::string> keyValues(const Plan& plan, long long i, std::string (*text)(double))
{
    std::vector<std::string> values;
    if (!plan.varies.empty())
        values.push_back(std::to_string(i + 1));
    for (const auto& [field, value] : plan.assignments(i))
        values.push_back(text(value));
    if (values.empty())
        values.push_back(plan.scenario ? plan.scenario->name : std::to_string(presetOfRun(plan, i)));
    return values;
}

std::string runName(const Plan& plan, long long i)
{
    const std::vector<std::string> names = keyColumns(plan), values = keyValues(plan, i, shortestText);
    if (!plan.varies.empty())
        return names[0] + "=" + values[0];
    std::string name;
    for (size_t k = 0; k < names.size(); ++k)
        name += (k == 0 ? "" : ",") + names[k] + "=" + values[k];
    return name;
}

// The run; `keep` (if any) is called while the state holds the run, once
// it succeeded, at its own step and at half of it. A run that fails, or whose
// `keep` throws, reports its error.
RunResult runAlone(const Plan& plan, long long i, const std::function<void(SimState&)>& keep)
{
    return runAlone(plan, i, keep, portProgress());
}

RunResult runAlone(const Plan& plan, long long i, const std::function<void(SimState&)>& keep, RunObserver& observer)
{
    RunResult r;
    try {
        // A run whose state nobody reads after it needs its summary alone:
        // its thread's state serves, prepared afresh but for samples no such
        // run writes.
        const bool summaryAlone = !keep && !plan.accuracy;
        thread_local const auto scratch = std::make_unique<SimState>();
        std::unique_ptr<SimState> own;
        if (!summaryAlone)
            own = std::make_unique<SimState>();
        SimState* const state = summaryAlone ? scratch.get() : own.get();
        prepare(plan, plan.assignments(i), presetOfRun(plan, i), *state);
        runOn(*state, observer, summaryAlone ? RunSamples::Skip : RunSamples::Keep);
        appendSummary(r.numbers, state->Summary);
        if (plan.accuracy) {
            // One run checks its step on two cores; many runs have them busy.
            const StepCheck check = checkStep(*state, plan.target, !plan.many());
            if (check.failed()) {
                r.numbers.resize(summaryColumns(true).size(), kNone);
                r.error
                    = std::string(check.failedRun == 1 ? "at half" : "at a quarter of") + " the step: " + check.failure;
                r.status = statusOf(check.failureException);
                r.exception = check.failureException;
            } else {
                appendCheck(r.numbers, check);
                // With several runs, only a run that misses the target is
                // worth a line.
                if (!plan.many() || check.worthNotice())
                    r.verdict = verdictLine(check);
            }
        }
        if (keep && r.status == kOk)
            keep(*state);
    } catch (const std::exception&) {
        failed(plan, r);
    }
    return r;
}

std::array<RunResult, 2> runTwo(const Plan& plan, long long i, long long j, RunObserver& observer)
{
    if (plan.accuracy)
        return { runAlone(plan, i, {}, observer), runAlone(plan, j, {}, observer) };
    // The states of both runs, prepared afresh but for samples no such run
    // writes.
    thread_local const auto first = std::make_unique<SimState>();
    thread_local const auto second = std::make_unique<SimState>();
    try {
        prepare(plan, plan.assignments(i), presetOfRun(plan, i), *first);
        prepare(plan, plan.assignments(j), presetOfRun(plan, j), *second);
    } catch (const std::exception&) {
        return { runAlone(plan, i, {}, observer), runAlone(plan, j, {}, observer) };
    }
    std::array<std::exception_ptr, 2> errors;
    runOnPair(*first, *second, observer, RunSamples::Skip, errors);
    std::array<RunResult, 2> results;
    for (size_t k = 0; k < 2; ++k) {
        RunResult& r = results[k];
        try {
            if (errors[k])
                std::rethrow_exception(errors[k]);
            appendSummary(r.numbers, (k == 0 ? *first : *second).Summary);
        } catch (const std::exception&) {
            failed(plan, r);
        }
    }
    return results;
}

RunResult runAlone(const Plan& plan, long long i, const std::function<void()>& keep)
{
    return runAlone(plan, i, [&keep](SimState& state) {
        st = state;
        keep();
    });
}

StudyColumns::StudyColumns(const Plan& plan)
{
    if (!plan.varies.empty())
        columns_.resize(plan.varies.size() + summaryColumns(plan.accuracy).size());
}

void StudyColumns::add(const Plan& plan, long long i, const RunResult& r)
{
    if (columns_.empty())
        return;
    if (r.status != kOk) {
        ++failed_;
        return;
    }
    size_t k = 0;
    for (const auto& [field, value] : plan.assignments(i))
        columns_[k++].push_back(value);
    for (double v : r.numbers) {
        if (!std::isnan(v))
            columns_[k].push_back(v);
        ++k;
    }
}

std::vector<ColumnStatistics> StudyColumns::statistics()
{
    std::vector<ColumnStatistics> figures;
    for (std::vector<double>& column : columns_)
        figures.push_back(batch::statistics(column));
    return figures;
}

std::string statisticsLines(const SummaryText& text, StudyColumns& columns)
{
    if (columns.empty())
        return {};
    std::string lines;
    const std::vector<ColumnStatistics> stats = columns.statistics();
    std::vector<SummaryText::Cell> cells { { "n", SummaryText::Cell::Text } };
    for (const ColumnStatistics& c : stats)
        cells.push_back({ std::to_string(c.n), SummaryText::Cell::Number });
    cells.push_back({ "", SummaryText::Cell::Empty });
    lines += text.line(cells);
    cells = { { "failed", SummaryText::Cell::Text } };
    for (size_t k = 0; k < stats.size(); ++k)
        cells.push_back({ std::to_string(columns.failed()), SummaryText::Cell::Number });
    cells.push_back({ "", SummaryText::Cell::Empty });
    lines += text.line(cells);
    for (const StatisticRow& row : kStatisticRows) {
        cells = { { row.name, SummaryText::Cell::Text } };
        for (const ColumnStatistics& c : stats)
            cells.push_back(c.n >= row.least ? SummaryText::numberCell(c.*row.value)
                                             : SummaryText::Cell { "", SummaryText::Cell::Empty });
        cells.push_back({ "", SummaryText::Cell::Empty });
        lines += text.line(cells);
    }
    return lines;
}

std::string SummaryText::header() const
{
    if (format_ == Format::Jsonl)
        return {};
    std::string h;
    for (const std::string& name : names_)
        h += (h.empty() ? "" : ",") + name;
    return h + "\n";
}

void SummaryText::startCell(std::string& text, size_t k) const
{
    if (format_ == Format::Csv) {
        if (k > 0)
            text += ',';
        return;
    }
    text += k == 0 ? "\"" : ",\"";
    text += names_[k];
    text += "\":";
}

void SummaryText::putCell(std::string& text, size_t k, const Cell& c) const
{
    startCell(text, k);
    if (c.kind == Cell::Text)
        text += format_ == Format::Csv ? csvField(c.text) : quotedText(c.text);
    else if (c.kind == Cell::Empty && format_ == Format::Jsonl)
        text += "null";
    else
        text += c.text;
}

std::string SummaryText::line(const std::vector<Cell>& cells) const
{
    std::string text = format_ == Format::Jsonl ? "{" : "";
    for (size_t k = 0; k < cells.size() && k < names_.size(); ++k)
        putCell(text, k, cells[k]);
    return text + (format_ == Format::Jsonl ? "}\n" : "\n");
}

SummaryText::SummaryText(const Plan& plan)
    : format_(plan.format)
    , names_(keyColumns(plan))
{
    for (const std::string& name : summaryColumns(plan.accuracy))
        names_.push_back(name);
    names_.push_back("error");
    // A number takes at most 22 characters, a JSON line's key its name more.
    for (const std::string& name : names_)
        lineRoom_ += 24 + (format_ == Format::Jsonl ? name.size() + 4 : 0);
}

std::string SummaryText::runLine(const Plan& plan, long long i, const RunResult& r) const
{
    // The cells as line() writes them, the numbers formatted in place.
    std::string text;
    text.reserve(lineRoom_ + r.error.size());
    if (format_ == Format::Jsonl)
        text += '{';
    size_t k = 0;
    const bool textKey = plan.scenario && !plan.many();
    // The swept or drawn values in the look of the other numbers, with every
    // digit that repeats them.
    const auto exact = [](double v) { return exactGeneral(v, '.'); };
    for (std::string& key : keyValues(plan, i, exact))
        if (k < names_.size())
            putCell(text, k++, { std::move(key), textKey ? Cell::Text : Cell::Number });
    for (double v : r.numbers) {
        if (k >= names_.size())
            break;
        if (std::isnan(v)) {
            putCell(text, k++, { "", Cell::Empty });
        } else {
            startCell(text, k++);
            appendGeneral(text, v, 15, 0, '.');
        }
    }
    if (k < names_.size())
        putCell(text, k, { r.error, r.error.empty() ? Cell::Empty : Cell::Text });
    text += format_ == Format::Jsonl ? "}\n" : "\n";
    return text;
}

SummaryText::Cell SummaryText::numberCell(double v)
{
    return std::isnan(v) ? Cell { "", Cell::Empty } : Cell { general15(v, '.'), Cell::Number };
}

void printOut(const std::string& text)
{
    errno = 0;
    if (std::fputs(text.c_str(), stdout) < 0)
        throw IoError(errno != 0 ? errno : EIO, "cannot write standard output");
}

namespace {

// What --converge reached for quantity `i`, in a line for a person.
std::string convergedLine(const ConvergeResult& c, int i)
{
    const SummaryQuantity& q = summaryQuantities()[static_cast<size_t>(i)];
    std::string line = std::string("  ") + q.column + " = " + number(c.finest.*q.value);
    if (c.check.quantities.empty())
        return line + ", no estimate (fewer than three steps run)";
    const QuantityCheck& k = c.check.quantities[static_cast<size_t>(i)];
    switch (k.settling) {
    case Settling::Unchanged:
        return line + ", unchanged within " + percent(k.change) + " over the last halvings";
    case Settling::FirstOrder:
        return line + ", estimated error " + percent(k.finestError) + " (extrapolated " + number(k.extrapolated) + ")";
    default:
        return line + ", not settled (" + shortNumber(k.values[0]) + ", " + shortNumber(k.values[1]) + ", "
            + shortNumber(k.values[2]) + " at the last three steps; " + unsettledReason(k) + ")";
    }
}

} // namespace

void runConverge(const Plan& plan, const std::function<void()>& commit)
{
    prepare(plan, {}, presetOfRun(plan, 0));
    const double dt0 = st.dt0;
    ConvergeRequest request;
    request.target = plan.target;
    request.budget = plan.budget;
    request.quantities = plan.quantities;
    request.progress = [](double step, double elapsed) {
        std::fprintf(stderr, "torv-batch: converging: dt0 = %s s (%s s so far)\n",
            formatGeneral(step, 3, 0, '.').c_str(), formatGeneral(elapsed, 3, 0, '.').c_str());
        return true;
    };
    const ConvergeResult c = converge(request);
    // The run at the preset's own step failed: its error, as without --converge.
    if (c.failureException && !c.finestState)
        std::rethrow_exception(c.failureException);
    if (!c.finestState)
        throw BatchError(kNotConverged, "--converge made no run");
    st = *c.finestState;
    commit();
    RunResult r;
    appendSummary(r.numbers, c.finest);
    const SummaryText text(plan);
    printOut(text.header() + text.runLine(plan, 0, r));

    const std::string halvings = std::to_string(std::lround(std::log2(dt0 / c.step)));
    const std::string where = "dt0 = " + number(c.step) + " s (" + halvings + " halvings of " + number(dt0) + " s, "
        + formatGeneral(c.seconds, 3, 0, '.') + " s)";
    std::string head;
    switch (c.stop) {
    case ConvergeResult::Stop::Converged:
        head = "converged within " + percent(plan.target) + " at " + where;
        break;
    case ConvergeResult::Stop::Budget:
        head = "did not converge within the budget of " + number(plan.budget) + " s; reached " + where;
        break;
    case ConvergeResult::Stop::TooManySteps:
        head = "did not converge: the next halving needs more than 100000000 steps; reached " + where;
        break;
    case ConvergeResult::Stop::Failed:
        head = "did not converge: the run at dt0 = " + number(c.step / 2) + " s failed (" + c.failure + "); reached "
            + where;
        break;
    case ConvergeResult::Stop::Cancelled:
        head = "cancelled; reached " + where;
        break;
    }
    std::string report = "torv-batch: " + head + "\n";
    std::vector<int> chosen = plan.quantities;
    if (chosen.empty())
        for (size_t i = 0; i < summaryQuantities().size(); ++i)
            chosen.push_back(static_cast<int>(i));
    for (const int i : chosen)
        report += convergedLine(c, i) + "\n";
    if (!c.missing.empty()) {
        std::string names;
        for (const int i : c.missing)
            names += (names.empty() ? "" : ", ") + std::string(summaryQuantities()[static_cast<size_t>(i)].column);
        report += "  not within " + percent(plan.target) + ": " + names + "\n";
    }
    std::fputs(report.c_str(), stderr);
    if (c.stop != ConvergeResult::Stop::Converged)
        throw BatchError(kNotConverged, "--converge stopped before every quantity met " + percent(plan.target));
}

void saveScenario(const Plan& plan)
{
    prepare(plan, {}, presetOfRun(plan, 0));
    std::string name;
    if (plan.scenario) {
        name = plan.scenario->name;
    } else {
        const PresetRef ref = *presetNumber(plan.numbers[0]);
        name = presets(ref.list)[static_cast<size_t>(ref.index)].label;
        name.erase(name.find_last_not_of(' ') + 1);
    }
    Scenario scenario = currentScenario(name);
    // Saved from a file, it keeps the file's text, as the window keeps it.
    if (plan.scenario)
        scenario.source = plan.scenario->source;
    if (plan.saveScenario == "-")
        printOut(scenarioText(scenario));
    else
        writeScenario(plan.saveScenario, scenario);
}

} // namespace torv::batch

#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "batch/runs.h"
#include "physics/faults.h"
#include "sim/flugbahn.h"
#include "sim/numfmt.h"
#include "sim/presets.h"
#include "sim/scenario.h"
#include "sim/state.h"
#include "sim/stepcheck.h"
#include "sim/summary.h"

namespace torv::batch {

// The state as the start form and the calculation form leave it for the
// run's preset or scenario, with the fields typed over; every run starts
// afresh, so that no run depends on the one before.
void prepare(const Plan& plan, const Assignments& values, int number)
{
    resetState();
    if (plan.scenario) {
        loadScenario(*plan.scenario);
    } else {
        const PresetRef preset = *presetNumber(number);
        choosePreset(preset.list, preset.index);
    }
    st.Sprache = plan.sprache;
    activate('.');
    if (plan.aeroModel)
        st.AeroModel = *plan.aeroModel;
    for (const auto& [field, value] : plan.sets)
        st.*field->var = value;
    for (const auto& [field, value] : values)
        st.*field->var = value;
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
    for (const SummaryQuantity& q : summaryQuantities())
        numbers.push_back(s.*q.value);
    numbers.push_back(s.samples);
}

void appendHalfStep(std::vector<double>& numbers, const StepCheck& check)
{
    for (const QuantityCheck& q : check.quantities) {
        numbers.push_back(q.half);
        numbers.push_back(q.extrapolated);
    }
    numbers.push_back(check.half.samples);
}

std::string number(double v)
{
    return general15(v, '.');
}

std::string percent(double fraction)
{
    return formatGeneral(100 * fraction, 3, 0, '.') + " %";
}

// What the step check concludes, in a line for a person.
std::string verdictLine(const StepCheck& check)
{
    const StepVerdict v = check.verdict();
    if (v.worst < 0)
        return "step check: no quantity changes at half the step";
    const QuantityCheck& q = check.quantities[static_cast<size_t>(v.worst)];
    std::string line = std::string("step check: ") + q.quantity->column + " changes most, by "
        + percent(std::fabs(q.relative)) + " (" + number(q.full) + " at dt0 = " + number(check.dt0) + " s, "
        + number(q.half) + " at half the step, extrapolated " + number(q.extrapolated) + "); estimated error at dt0 "
        + percent(v.error);
    if (v.step >= check.dt0)
        return line + ", below " + percent(kTargetError) + " already";
    return line + ", below " + percent(kTargetError) + " from dt0 = " + formatGeneral(v.step, 2, 0, '.') + " s";
}

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

// One line of a message, for a CSV field.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == ',')
            c = c == ',' ? ';' : ' ';
    return text;
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
            names.push_back(std::string(q.column) + "_extrapolated");
        }
        names.push_back("samples_half");
    }
    return names;
}

std::vector<std::string> keyColumns(const Plan& plan)
{
    std::vector<std::string> names;
    if (!plan.varies.empty())
        names.push_back("run");
    for (const Sweep& sw : plan.sweeps)
        names.push_back(sw.field->name);
    for (const Vary& v : plan.varies)
        names.push_back(v.field->name);
    if (names.empty())
        names.push_back(plan.scenario ? "scenario" : "preset");
    return names;
}

std::vector<std::string> keyValues(const Plan& plan, long long i)
{
    std::vector<std::string> values;
    if (!plan.varies.empty())
        values.push_back(std::to_string(i + 1));
    for (const auto& [field, value] : plan.assignments(i))
        values.push_back(shortestText(value));
    if (values.empty())
        values.push_back(plan.scenario ? plan.scenario->name : std::to_string(presetOfRun(plan, i)));
    return values;
}

std::string runName(const Plan& plan, long long i)
{
    const std::vector<std::string> names = keyColumns(plan), values = keyValues(plan, i);
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
RunResult runAlone(const Plan& plan, long long i, const std::function<void()>& keep)
{
    RunResult r;
    try {
        prepare(plan, plan.assignments(i), presetOfRun(plan, i));
        Flugbahn(RunFiles::Skip);
        appendSummary(r.numbers, runSummary());
        if (plan.accuracy) {
            const StepCheck check = checkStep();
            if (check.halfFailed) {
                r.numbers.resize(summaryColumns(true).size(), kNone);
                r.error = "at half the step: " + check.halfError;
                r.status = statusOf(check.halfException);
                r.exception = check.halfException;
            } else {
                appendHalfStep(r.numbers, check);
                r.verdict = verdictLine(check);
            }
        }
        if (keep && r.status == kOk)
            keep();
    } catch (const std::exception& e) {
        r.status = statusOfCurrentException();
        r.numbers.assign(summaryColumns(plan.accuracy).size(), kNone);
        r.error = messageOf(e);
        r.exception = std::current_exception();
    }
    return r;
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

std::string SummaryText::header() const
{
    if (format_ == Format::Jsonl)
        return {};
    std::string h;
    for (const std::string& name : names_)
        h += (h.empty() ? "" : ",") + name;
    return h + "\n";
}

std::string SummaryText::line(const std::vector<Cell>& cells) const
{
    std::string text = format_ == Format::Jsonl ? "{" : "";
    for (size_t k = 0; k < cells.size() && k < names_.size(); ++k) {
        const Cell& c = cells[k];
        if (format_ == Format::Csv) {
            text += (k == 0 ? "" : ",") + (c.kind == Cell::Text ? oneLine(c.text) : c.text);
        } else {
            text += (k == 0 ? "\"" : ",\"") + names_[k] + "\":";
            text += c.kind == Cell::Empty ? "null" : c.kind == Cell::Text ? quotedText(c.text) : c.text;
        }
    }
    return text + (format_ == Format::Jsonl ? "}\n" : "\n");
}

SummaryText::SummaryText(const Plan& plan)
    : format_(plan.format)
    , names_(keyColumns(plan))
{
    for (const std::string& name : summaryColumns(plan.accuracy))
        names_.push_back(name);
    names_.push_back("error");
}

std::string SummaryText::runLine(const Plan& plan, long long i, const RunResult& r) const
{
    std::vector<Cell> cells;
    const bool textKey = plan.scenario && !plan.many();
    for (const std::string& key : keyValues(plan, i))
        cells.push_back({ key, textKey ? Cell::Text : Cell::Number });
    for (double v : r.numbers)
        cells.push_back(numberCell(v));
    cells.push_back({ r.error, r.error.empty() ? Cell::Empty : Cell::Text });
    return line(cells);
}

SummaryText::Cell SummaryText::numberCell(double v)
{
    return std::isnan(v) ? Cell { "", Cell::Empty } : Cell { general15(v, '.'), Cell::Number };
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
    const Scenario scenario = currentScenario(name);
    if (plan.saveScenario == "-")
        std::fputs(scenarioText(scenario).c_str(), stdout);
    else
        writeScenario(plan.saveScenario, scenario);
}

} // namespace torv::batch

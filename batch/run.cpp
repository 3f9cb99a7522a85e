#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "batch/runs.h"
#include "physics/faults.h"
#include "plot/grafik.h"
#include "plot/png.h"
#include "sim/atomicfile.h"
#include "sim/csvexport.h"
#include "sim/flugbahn.h"
#include "sim/keptruns.h"
#include "sim/numfmt.h"
#include "sim/resultfiles.h"
#include "sim/scenario.h"
#include "sim/state.h"
#include "sim/stepcheck.h"
#include "sim/summary.h"

namespace torv::batch {

namespace {

// Pictures need a QGuiApplication for their fonts; the offscreen platform
// needs no display. Made once, in the process that draws, and kept to the
// end (destroying it among the static objects at exit is not safe). Qt's
// warnings about the environment are no concern of a batch run.
void ensurePainting()
{
    static int argc = 3;
    static char arg0[] = "torv-batch", arg1[] = "-platform", arg2[] = "offscreen";
    static char* argv[] = { arg0, arg1, arg2, nullptr };
    if (QGuiApplication::instance())
        return;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& message) {
        if (type == QtCriticalMsg || type == QtFatalMsg)
            std::fprintf(stderr, "torv-batch: %s\n", message.toLocal8Bit().constData());
    });
    new QGuiApplication(argc, argv);
}

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

void appendSummary(std::vector<double>& numbers, const RunSummary& s)
{
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

// A file of the run: in `dir` when it holds the run's files, else as given.
std::string inDirectory(const std::string& dir, const std::string& name)
{
    return dir.empty() ? name : dir + "/" + name;
}

// The files of the run just done, all of them or none: the sample file in
// `dir` (created with its parents if missing, "" for the current one), and
// the CSV and the picture if asked for (inside `dir` when there are several
// runs). Throws IoError.
void commitRunFiles(const Plan& plan, const std::string& dir)
{
    FileCommit files;
    files.makeDirectory(dir);
    files.add(inDirectory(dir, kSampleFileName), sampleFileText());
    const std::string extraDir = plan.many() ? dir : std::string();
    if (!plan.csv.empty())
        files.add(inDirectory(extraDir, plan.csv), csvText());
    if (!plan.png.empty()) {
        ensurePainting();
        if (plan.graph)
            applyGraphSelection(*plan.graph);
        files.add(inDirectory(extraDir, plan.png),
            pngBytes(drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, {}, plan.scale)));
    }
    files.commit();
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

// The run, and its files written into `dir` unless `keep` is false. A run
// that fails, at its own step or at half of it, writes nothing and leaves no
// directory behind.
RunResult runOne(const Plan& plan, long long i, const std::string& dir, bool keep)
{
    RunResult r;
    try {
        prepare(plan, plan.assignments(i), presetOfRun(plan, i));
        Flugbahn(RunFiles::Skip);
        appendSummary(r.numbers, runSummary());
        if (plan.accuracy) {
            const StepCheck check = checkStep(plan.target);
            if (check.failed()) {
                r.numbers.resize(summaryColumns(true).size(), kNone);
                r.error
                    = std::string(check.failedRun == 1 ? "at half" : "at a quarter of") + " the step: " + check.failure;
                r.status = statusOf(check.failureException);
            } else {
                appendCheck(r.numbers, check);
                // With several runs, only a run that misses the target is
                // worth a line.
                if (!plan.many() || check.worthNotice())
                    r.verdict = verdictLine(check);
            }
        }
        if (keep && r.status == kOk)
            commitRunFiles(plan, dir);
    } catch (const std::exception& e) {
        r.status = statusOfCurrentException();
        r.numbers.assign(summaryColumns(plan.accuracy).size(), kNone);
        r.error = messageOf(e);
    }
    return r;
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
            text += (k == 0 ? "" : ",") + (c.kind == Cell::Text ? csvField(c.text) : c.text);
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
    // The swept or drawn values in the look of the other numbers, with every
    // digit that repeats them.
    const auto exact = [](double v) { return exactGeneral(v, '.'); };
    for (const std::string& key : keyValues(plan, i, exact))
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

// --converge: the step halved until the chosen quantities meet the target;
// the summary line and the files are those of the run at the finest step.
void runConverge(const Plan& plan)
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
    commitRunFiles(plan, plan.out);
    RunResult r;
    appendSummary(r.numbers, c.finest);
    const SummaryText text(plan);
    std::fputs((text.header() + text.runLine(plan, 0, r)).c_str(), stdout);

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

} // namespace

void runSingle(const Plan& plan)
{
    if (plan.converge) {
        runConverge(plan);
        return;
    }
    const RunResult r = runOne(plan, 0, plan.out, true);
    if (r.status != kOk)
        throw BatchError(r.status, r.error);
    const SummaryText text(plan);
    std::fputs((text.header() + text.runLine(plan, 0, r)).c_str(), stdout);
    if (!r.verdict.empty())
        std::fprintf(stderr, "torv-batch: %s\n", r.verdict.c_str());
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
        std::fputs(scenarioText(scenario).c_str(), stdout);
    else
        writeScenario(plan.saveScenario, scenario);
}

// The runs again, here and without files, drawn into one picture: the first
// run that succeeds as the current run, the others over it as kept runs,
// each named in the legend by its values. Runs that fail are left out (the
// summary has reported them).
void writeOverlay(const Plan& plan)
{
    std::optional<SimState> first;
    std::string firstLabel;
    std::vector<KeptRun> kept;
    std::vector<std::string> labels;
    for (long long i = 0; i < plan.count(); ++i) {
        const Assignments values = plan.assignments(i);
        try {
            prepare(plan, values, presetOfRun(plan, i));
            Flugbahn(RunFiles::Skip);
        } catch (const std::exception&) {
            continue;
        }
        std::string label;
        for (const auto& [field, value] : values)
            label += (label.empty() ? "" : ", ") + std::string(legendName(*field)) + " = " + exactGeneral(value, '.');
        if (!first) {
            first = st;
            firstLabel = label;
        } else {
            kept.push_back(keepRun());
            labels.push_back(label);
        }
    }
    if (!first)
        return;
    st = *first;
    std::vector<std::vector<double>> series;
    series.reserve(kept.size()); // the picture points into them
    GraphExtras extras;
    extras.currentLabel = firstLabel;
    for (size_t r = 0; r < kept.size(); ++r) {
        series.push_back(inCurrentUnits(kept[r]));
        extras.kept.push_back({ series.back().data(), static_cast<int>(series.back().size()), labels[r] });
    }
    ensurePainting();
    if (plan.graph)
        applyGraphSelection(*plan.graph);
    const QImage picture
        = drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, extras, plan.scale);
    writeFileAtomically(plan.overlay, pngBytes(picture));
}

} // namespace torv::batch

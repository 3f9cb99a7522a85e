#include <QGuiApplication>
#include <QImage>

#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "batch/runs.h"
#include "fault/faults.h"
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
            const StepCheck check = checkStep();
            if (check.halfFailed) {
                r.numbers.resize(summaryColumns(true).size(), kNone);
                r.error = "at half the step: " + check.halfError;
                r.status = statusOf(check.halfException);
            } else {
                appendHalfStep(r.numbers, check);
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

void runSingle(const Plan& plan)
{
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
    const Scenario scenario = currentScenario(name);
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
            label += (label.empty() ? "" : ", ") + std::string(legendName(*field)) + " = " + general15(value, '.');
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

#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "analysis/keptruns.h"
#include "batch/runs.h"
#include "files/atomicfile.h"
#include "files/csvexport.h"
#include "files/numfmt.h"
#include "files/resultfiles.h"
#include "model/state.h"
#include "plot/grafik.h"
#include "plot/png.h"
#include "run/flugbahn.h"

namespace torv::batch {

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

namespace {

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

// The run, and its files written into `dir` unless `keep` is false. A run
// that fails, at its own step or at half of it, writes nothing and leaves no
// directory behind.
RunResult runOne(const Plan& plan, long long i, const std::string& dir, bool keep)
{
    if (!keep)
        return runAlone(plan, i);
    return runAlone(plan, i, [&] { commitRunFiles(plan, dir); });
}

RunResult runOne(const Plan& plan, long long i, const std::string& dir, RunObserver& observer)
{
    static std::mutex files;
    const auto commit = [&](SimState& state) {
        const std::lock_guard lock(files);
        st = state;
        commitRunFiles(plan, dir);
    };
    return runAlone(plan, i, commit, observer);
}

void runSingle(const Plan& plan)
{
    if (plan.converge) {
        runConverge(plan, [&] { commitRunFiles(plan, plan.out); });
        return;
    }
    const RunResult r = runOne(plan, 0, plan.out, true);
    if (r.status != kOk)
        throw BatchError(r.status, r.error);
    const SummaryText text(plan);
    printOut(text.header() + text.runLine(plan, 0, r));
    if (!r.verdict.empty())
        std::fprintf(stderr, "torv-batch: %s\n", r.verdict.c_str());
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

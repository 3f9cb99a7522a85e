#include <QGuiApplication>
#include <QImage>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/batch.h"
#include "physics/faults.h"
#include "plot/grafik.h"
#include "plot/png.h"
#include "sim/atomicfile.h"
#include "sim/csvexport.h"
#include "sim/flugbahn.h"
#include "sim/formport.h"
#include "sim/keptruns.h"
#include "sim/numfmt.h"
#include "sim/resultfiles.h"
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

// One run of a plan: a preset, and the swept field with its value.
struct Variant {
    int number = 0;
    const FieldInfo* swept = nullptr;
    double value = 0;
};

// The state as the start form and the calculation form leave it for the
// run's preset, with the fields typed over; every run starts afresh, so
// that no run depends on the one before.
void prepare(const Plan& plan, const Variant& v)
{
    resetState();
    const PresetRef preset = *presetNumber(v.number);
    choosePreset(preset.list, preset.index);
    st.Sprache = plan.sprache;
    if (plan.aeroModel)
        st.AeroModel = *plan.aeroModel;
    activate('.');
    for (const auto& [field, value] : plan.sets)
        st.*field->var = value;
    if (v.swept)
        st.*v.swept->var = v.value;
}

std::string number(double v)
{
    return general15(v, '.');
}

// The summary's columns: every quantity, then the samples; with --accuracy
// each quantity again at half the step and extrapolated, and the samples at
// half the step.
std::string header(const std::string& first, bool accuracy)
{
    std::string h = first;
    for (const SummaryQuantity& q : summaryQuantities())
        h += std::string(",") + q.column;
    h += ",samples";
    if (accuracy) {
        for (const SummaryQuantity& q : summaryQuantities())
            h += std::string(",") + q.column + "_half," + q.column + "_extrapolated";
        h += ",samples_half";
    }
    return h + ",error\n";
}

void appendSummary(std::string& line, const RunSummary& s)
{
    for (const SummaryQuantity& q : summaryQuantities())
        line += "," + number(s.*q.value);
    line += "," + std::to_string(s.samples);
}

void appendHalfStep(std::string& line, const StepCheck& check)
{
    for (const QuantityCheck& q : check.quantities)
        line += "," + number(q.half) + "," + number(q.extrapolated);
    line += "," + std::to_string(check.half.samples);
}

// The empty columns of a run without results.
std::string emptyColumns(bool accuracy)
{
    const size_t n = summaryQuantities().size();
    return std::string(accuracy ? 3 * n + 2 : n + 1, ',');
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

// One line of a message, for a CSV field.
std::string oneLine(std::string text)
{
    for (char& c : text)
        if (c == '\n' || c == '\r' || c == ',')
            c = c == ',' ? ';' : ' ';
    return text;
}

std::string emptyColumns(const Plan& plan)
{
    return emptyColumns(plan.accuracy);
}

struct RunResult {
    int status = kOk;
    std::string columns; // the summary's columns, each led by a comma
    std::string error; // the run's message if it failed
    std::string verdict; // the step check's conclusion, with --accuracy
};

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

// The run, and its files written into `dir` unless `keep` is false. A run
// that fails, at its own step or at half of it, writes nothing and leaves no
// directory behind.
RunResult runHere(const Plan& plan, const std::string& dir, const Variant& v, bool keep)
{
    RunResult r;
    try {
        prepare(plan, v);
        Flugbahn(RunFiles::Skip);
        appendSummary(r.columns, runSummary());
        if (plan.accuracy) {
            const StepCheck check = checkStep();
            if (check.halfFailed) {
                r.columns += emptyColumns(true).substr(emptyColumns(false).size());
                r.error = "at half the step: " + check.halfError;
                r.status = statusOf(check.halfException);
            } else {
                appendHalfStep(r.columns, check);
                r.verdict = verdictLine(check);
            }
        }
        if (keep && r.status == kOk)
            commitRunFiles(plan, dir);
    } catch (const std::exception& e) {
        r.status = statusOfCurrentException();
        r.columns = emptyColumns(plan);
        r.error = messageOf(e);
    }
    return r;
}

} // namespace

void runSingle(const Plan& plan)
{
    const RunResult r = runHere(plan, plan.out, { plan.numbers[0] }, true);
    if (r.status != kOk)
        throw BatchError(r.status, r.error);
    const std::string text
        = header("preset", plan.accuracy) + std::to_string(plan.numbers[0]) + r.columns + "," + oneLine(r.error) + "\n";
    std::fputs(text.c_str(), stdout);
    if (!r.verdict.empty())
        std::fprintf(stderr, "torv-batch: %s\n", r.verdict.c_str());
}

namespace {

int runCount(const Plan& plan)
{
    return plan.sweep ? plan.sweep->count : static_cast<int>(plan.numbers.size());
}

Variant variant(const Plan& plan, int i)
{
    if (plan.sweep)
        return { plan.numbers[0], plan.sweep->field, plan.sweep->value(i) };
    return { plan.numbers[static_cast<size_t>(i)] };
}

// The first column's name, and its value for run `i`.
std::string firstColumn(const Plan& plan)
{
    return plan.sweep ? plan.sweep->field->name : "preset";
}

std::string label(const Plan& plan, int i)
{
    return plan.sweep ? plan.sweep->label(i) : std::to_string(plan.numbers[static_cast<size_t>(i)]);
}

// Set in a worker when the sweep is being ended: its run stops at its next
// progress report (as a cancelled one does), and no further run starts.
volatile sig_atomic_t stopWanted = 0;

class StoppablePort : public FormPort {
public:
    bool runProgress(int, double, double) override { return stopWanted == 0; }
};

// Runs `first`, `first` + `step`, ... and hands each on as one record
// "index status columns,error".
void runShare(const Plan& plan, int first, int step, const std::function<void(const std::string&)>& send)
{
    // Without --out there is nowhere to keep a run's files: none are written.
    const bool keep = !plan.out.empty();
    for (int i = first; i < runCount(plan) && stopWanted == 0; i += step) {
        const std::string dir = keep ? plan.out + "/" + firstColumn(plan) + "=" + label(plan, i) : std::string();
        const RunResult r = runHere(plan, dir, variant(plan, i), keep);
        // A run stopped because the sweep ends is no failure to report.
        if (stopWanted != 0)
            break;
        send(std::to_string(i) + " " + std::to_string(r.status) + " " + r.columns + "," + oneLine(r.error) + "\n");
    }
}

// A worker process: its share of the runs, reported through `fd`, begun
// once `gate` closes. It ends with the sweep: when the parent asks
// (SIGTERM), and when the parent dies.
[[noreturn]] void worker(const Plan& plan, int first, int step, int fd, pid_t parent, int gate)
{
    struct sigaction stop { };
    stop.sa_handler = [](int) { stopWanted = 1; };
    stop.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &stop, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    char none;
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || read(gate, &none, 1) != 0 || getppid() != parent)
        _exit(kWorkerLost);
    close(gate);
    StoppablePort port;
    setFormPort(&port);
    runShare(plan, first, step, [fd](const std::string& record) {
        for (size_t done = 0; done < record.size();) {
            const ssize_t n = write(fd, record.data() + done, record.size() - done);
            if (n <= 0)
                _exit(kWorkerLost);
            done += static_cast<size_t>(n);
        }
    });
    _exit(0);
}

// A sweep's worker processes. They begin their runs only once all of them
// have started, and however the sweep ends, every worker started is ended
// and waited for before it returns: none outlives the program, and a sweep
// that cannot start its workers writes no file.
class Workers {
public:
    Workers() = default;
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers()
    {
        closePipes();
        for (pid_t pid : pids_)
            kill(pid, SIGTERM);
        go();
        wait();
    }

    // Starts a worker for runs `first`, `first` + `step`, ...; returns the
    // read end of the pipe of its records. Throws IoError.
    int start(const Plan& plan, int first, int step)
    {
        if (gate_[0] < 0 && pipe(gate_) != 0)
            failToStart();
        int p[2];
        if (pipe(p) != 0)
            failToStart();
        const pid_t parent = getpid();
        std::fflush(nullptr);
        const pid_t pid = fork();
        if (pid < 0) {
            const int code = errno;
            close(p[0]);
            close(p[1]);
            errno = code;
            failToStart();
        }
        if (pid == 0) {
            close(p[0]);
            closePipes();
            close(gate_[1]);
            worker(plan, first, step, p[1], parent, gate_[0]);
        }
        close(p[1]);
        pids_.push_back(pid);
        fds_.push_back(p[0]);
        return p[0];
    }

    // Lets the workers begin (or, once asked to stop, end).
    void go()
    {
        for (int& fd : gate_)
            if (fd >= 0)
                close(std::exchange(fd, -1));
    }

    // Waits until every worker has ended.
    void wait()
    {
        closePipes();
        for (pid_t pid : pids_)
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) { }
        pids_.clear();
    }

private:
    [[noreturn]] static void failToStart()
    {
        const int code = errno;
        throw IoError(code, "cannot start a worker process");
    }
    void closePipes()
    {
        for (int fd : fds_)
            close(fd);
        fds_.clear();
    }

    std::vector<pid_t> pids_;
    std::vector<int> fds_;
    int gate_[2] = { -1, -1 };
};

// The runs' lines, put out in run order as soon as a line and all before
// it are in.
class Collector {
public:
    Collector(const Plan& plan, bool toFile)
        : plan_(plan)
        , lines_(static_cast<size_t>(runCount(plan)))
        , statuses_(lines_.size(), -1)
        , toFile_(toFile)
        , progress_(isatty(STDERR_FILENO))
    {
        put(header(firstColumn(plan), plan.accuracy));
    }

    void accept(const std::string& record)
    {
        int index = -1, status = 0, used = 0;
        if (std::sscanf(record.c_str(), "%d %d %n", &index, &status, &used) < 2 || index < 0
            || index >= static_cast<int>(lines_.size()))
            return;
        lines_[static_cast<size_t>(index)] = label(plan_, index) + record.substr(static_cast<size_t>(used));
        statuses_[static_cast<size_t>(index)] = status;
        ++received_;
        for (; printed_ < lines_.size() && statuses_[printed_] >= 0; ++printed_)
            put(lines_[printed_]);
        if (!toFile_)
            std::fflush(stdout);
        if (progress_)
            std::fprintf(stderr, "\r%d/%zu runs", received_, lines_.size());
    }

    // Reports the failed runs and returns the first one's status; the text
    // for the summary file.
    int finish(std::string& text)
    {
        if (progress_)
            std::fputc('\n', stderr);
        int result = kOk;
        for (size_t i = 0; i < lines_.size(); ++i) {
            if (statuses_[i] < 0) {
                statuses_[i] = kWorkerLost;
                lines_[i] = label(plan_, static_cast<int>(i)) + emptyColumns(plan_) + ",no result\n";
            }
            if (statuses_[i] != kOk) {
                const std::string message = lines_[i].substr(lines_[i].rfind(',') + 1);
                std::fprintf(stderr, "torv-batch: %s=%s: %s", firstColumn(plan_).c_str(),
                    label(plan_, static_cast<int>(i)).c_str(), message.c_str());
                if (result == kOk)
                    result = statuses_[i];
            }
        }
        for (; printed_ < lines_.size(); ++printed_)
            put(lines_[printed_]);
        text = std::move(text_);
        return result;
    }

private:
    void put(const std::string& line)
    {
        if (toFile_)
            text_ += line;
        else
            std::fputs(line.c_str(), stdout);
    }

    const Plan& plan_;
    std::vector<std::string> lines_;
    std::vector<int> statuses_;
    bool toFile_;
    bool progress_;
    int received_ = 0;
    size_t printed_ = 0;
    std::string text_;
};

// Reads the workers' records until every one has closed its pipe (the
// pipes stay open: they are the workers').
void collect(std::vector<int> fds, Collector& collector)
{
    std::vector<pollfd> polls;
    for (int fd : fds)
        polls.push_back({ fd, POLLIN, 0 });
    std::vector<std::string> pending(fds.size());
    for (size_t open = fds.size(); open > 0;) {
        if (poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(errno);
        }
        for (size_t w = 0; w < polls.size(); ++w) {
            if (polls[w].fd < 0 || !(polls[w].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buf[4096];
            const ssize_t n = read(polls[w].fd, buf, sizeof buf);
            if (n <= 0) {
                polls[w].fd = -1;
                --open;
                continue;
            }
            pending[w].append(buf, static_cast<size_t>(n));
            for (size_t end; (end = pending[w].find('\n')) != std::string::npos; pending[w].erase(0, end + 1))
                collector.accept(pending[w].substr(0, end + 1));
        }
    }
}

// The sweep's runs again, here and without files, drawn into one picture:
// the first run that succeeds as the current run, the others over it as
// kept runs, each named in the legend by its value. Runs that fail are
// left out (the summary has reported them).
void writeOverlay(const Plan& plan)
{
    std::optional<SimState> first;
    std::string firstLabel;
    std::vector<KeptRun> kept;
    std::vector<std::string> labels;
    for (int i = 0; i < runCount(plan); ++i) {
        try {
            prepare(plan, variant(plan, i));
            Flugbahn(RunFiles::Skip);
        } catch (const std::exception&) {
            continue;
        }
        const std::string label = std::string(legendName(*plan.sweep->field)) + " = " + number(plan.sweep->value(i));
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

} // namespace

int runMany(const Plan& plan)
{
    // The runs' directories go inside, and the summary may; made here, it is
    // removed again if it stays empty, however the sweep ends.
    struct Out {
        std::vector<std::string> made;
        ~Out() { removeEmptyDirectories(made); }
    } out { plan.out.empty() ? std::vector<std::string>() : makeDirectories(plan.out) };

    // One job runs here; more run in worker processes, each taking every
    // jobs-th run (the state is the process's, so threads cannot share it).
    // They all start before the first line goes out.
    const int jobs = std::min(plan.jobs, runCount(plan));
    Workers workers;
    std::vector<int> fds;
    for (int j = 0; jobs > 1 && j < jobs; ++j)
        fds.push_back(workers.start(plan, j, jobs));
    workers.go();
    Collector collector(plan, !plan.summary.empty());
    if (jobs <= 1) {
        runShare(plan, 0, 1, [&collector](const std::string& record) { collector.accept(record); });
    } else {
        collect(fds, collector);
        workers.wait();
    }

    std::string text;
    const int result = collector.finish(text);
    if (!plan.summary.empty())
        writeFileAtomically(plan.summary, text);
    if (!plan.overlay.empty())
        writeOverlay(plan);
    return result;
}

} // namespace torv::batch

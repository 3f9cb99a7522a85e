#include <QGuiApplication>
#include <QImage>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/batch.h"
#include "physics/faults.h"
#include "plot/grafik.h"
#include "sim/atomicfile.h"
#include "sim/csvexport.h"
#include "sim/flugbahn.h"
#include "sim/keptruns.h"
#include "sim/numfmt.h"
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

void enterDirectory(const std::string& dir)
{
    errno = 0;
    if ((mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) || chdir(dir.c_str()) != 0)
        throw IoError(errno != 0 ? errno : EIO);
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

constexpr const char* kSummaryHeader = "flight_time_s,range_m,max_altitude_m,end_speed_m_s,max_load_factor_g";

void appendSummary(std::string& line, const RunSummary& s)
{
    for (double v : { s.flightTime, s.range, s.maxAltitude, s.endSpeed, s.maxLoadFactor })
        line += "," + number(v);
}

std::string header(const std::string& first, bool accuracy)
{
    std::string h = first + "," + kSummaryHeader;
    if (accuracy) {
        std::string half = kSummaryHeader;
        for (size_t pos = 0; (pos = half.find(',', pos)) != std::string::npos; pos += 6)
            half.replace(pos, 1, "_half,");
        h += "," + half + "_half";
    }
    return h + ",error\n";
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
    return plan.accuracy ? ",,,,,,,,,," : ",,,,,";
}

struct RunResult {
    int status = kOk;
    std::string columns; // the summary's columns, each led by a comma
    std::string error; // the run's message if it failed
};

// The run in the current directory, with its extra files named by `csv`
// and `png` (empty: none). The extra files are claimed before the run, so
// that an unwritable one stops it before "Torv_500.txt" changes. `files`:
// whether the run writes its sample file at all.
RunResult runHere(const Plan& plan, const std::string& csv, const std::string& png, const Variant& v, RunFiles files)
{
    RunResult r;
    try {
        std::unique_ptr<PendingFile> csvFile, pngFile;
        if (!csv.empty())
            csvFile = std::make_unique<PendingFile>(csv);
        if (!png.empty())
            pngFile = std::make_unique<PendingFile>(png);
        prepare(plan, v);
        Flugbahn(files);
        appendSummary(r.columns, runSummary());
        if (plan.accuracy) {
            const StepCheck check = checkStep();
            if (check.halfFailed) {
                r.columns += ",,,,,";
                r.error = "at half the step: " + check.halfError;
            } else {
                appendSummary(r.columns, check.half);
            }
        }
        if (csvFile)
            csvFile->write(csvText());
        if (pngFile) {
            ensurePainting();
            if (plan.graph)
                applyGraphSelection(*plan.graph);
            const QImage picture
                = drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount, {}, plan.scale);
            errno = 0;
            if (!picture.save(QString::fromStdString(pngFile->tempPath()), "PNG"))
                throw IoError(errno != 0 ? errno : EIO);
        }
        if (csvFile)
            csvFile->commit();
        if (pngFile)
            pngFile->commit();
    } catch (const std::exception& e) {
        r.status = statusOfCurrentException();
        r.columns = emptyColumns(plan);
        r.error = e.what();
    }
    return r;
}

} // namespace

void runSingle(const Plan& plan)
{
    if (!plan.out.empty())
        enterDirectory(plan.out);
    const RunResult r = runHere(plan, plan.csv, plan.png, { plan.numbers[0] }, RunFiles::Write);
    if (r.status != kOk)
        throw BatchError(r.status, r.error);
    const std::string text
        = header("preset", plan.accuracy) + std::to_string(plan.numbers[0]) + r.columns + "," + oneLine(r.error) + "\n";
    std::fputs(text.c_str(), stdout);
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
    const Variant v = variant(plan, i);
    return v.swept ? number(v.value) : std::to_string(v.number);
}

// Runs `first`, `first` + `step`, ... and hands each on as one record
// "index status columns,error".
void runShare(const Plan& plan, int first, int step, const std::function<void(const std::string&)>& send)
{
    // Without --out there is nowhere to keep a run's files: none are written.
    const bool keep = !plan.out.empty();
    const std::string here = std::filesystem::current_path().string();
    for (int i = first; i < runCount(plan); i += step) {
        RunResult r;
        try {
            if (keep)
                enterDirectory(plan.out + "/" + firstColumn(plan) + "=" + label(plan, i));
            r = runHere(plan, plan.csv, plan.png, variant(plan, i), keep ? RunFiles::Write : RunFiles::Skip);
        } catch (const std::exception& e) {
            r.status = statusOfCurrentException();
            r.columns = emptyColumns(plan);
            r.error = e.what();
        }
        send(std::to_string(i) + " " + std::to_string(r.status) + " " + r.columns + "," + oneLine(r.error) + "\n");
    }
    std::error_code ec;
    std::filesystem::current_path(here, ec);
}

// A worker process: its share of the runs, reported through `fd`.
[[noreturn]] void worker(const Plan& plan, int first, int step, int fd)
{
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

// Reads the workers' records until every one has closed its pipe.
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
                close(polls[w].fd);
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
    PendingFile file(plan.overlay);
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
    errno = 0;
    if (!picture.save(QString::fromStdString(file.tempPath()), "PNG"))
        throw IoError(errno != 0 ? errno : EIO);
    file.commit();
}

} // namespace

int runMany(const Plan& plan)
{
    std::unique_ptr<PendingFile> summaryFile;
    if (!plan.summary.empty())
        summaryFile = std::make_unique<PendingFile>(plan.summary);
    if (!plan.out.empty()) {
        const std::string here = std::filesystem::current_path().string();
        enterDirectory(plan.out);
        std::filesystem::current_path(here);
    }
    Collector collector(plan, summaryFile != nullptr);

    // One job runs here; more run in worker processes, each taking every
    // jobs-th run (the state is the process's, so threads cannot share it).
    const int jobs = std::min(plan.jobs, runCount(plan));
    if (jobs <= 1) {
        runShare(plan, 0, 1, [&collector](const std::string& record) { collector.accept(record); });
    } else {
        std::vector<int> fds;
        std::vector<pid_t> pids;
        std::fflush(nullptr);
        for (int j = 0; j < jobs; ++j) {
            int p[2];
            if (pipe(p) != 0)
                throw IoError(errno);
            const pid_t pid = fork();
            if (pid < 0)
                throw IoError(errno);
            if (pid == 0) {
                close(p[0]);
                for (int fd : fds)
                    close(fd);
                worker(plan, j, jobs, p[1]);
            }
            close(p[1]);
            fds.push_back(p[0]);
            pids.push_back(pid);
        }
        collect(fds, collector);
        for (pid_t pid : pids)
            waitpid(pid, nullptr, 0);
    }

    std::string text;
    const int result = collector.finish(text);
    if (summaryFile) {
        summaryFile->write(text);
        summaryFile->commit();
    }
    if (!plan.overlay.empty())
        writeOverlay(plan);
    return result;
}

} // namespace torv::batch

#include <QGuiApplication>
#include <QImage>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/batch.h"
#include "batch/outfile.h"
#include "physics/faults.h"
#include "plot/grafik.h"
#include "sim/csvexport.h"
#include "sim/flugbahn.h"
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

// The state as the start form and the calculation form leave it for the
// plan's preset, with the fields typed over; every run starts afresh, so
// that no run depends on the one before.
void prepare(const Plan& plan, const FieldInfo* swept, double value)
{
    resetState();
    choosePreset(plan.preset.list, plan.preset.index);
    st.Sprache = plan.sprache;
    if (plan.aeroModel)
        st.AeroModel = *plan.aeroModel;
    activate('.');
    for (const auto& [field, v] : plan.sets)
        st.*field->var = v;
    if (swept)
        st.*swept->var = value;
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

struct RunResult {
    int status = kOk;
    std::string columns; // the summary's columns, each led by a comma
    std::string error; // the run's message if it failed
};

// The run in the current directory, with its extra files named by `csv`
// and `png` (empty: none). The extra files are claimed before the run, so
// that an unwritable one stops it before "Torv_500.txt" changes.
RunResult runHere(
    const Plan& plan, const std::string& csv, const std::string& png, const FieldInfo* swept, double value)
{
    RunResult r;
    try {
        std::unique_ptr<PendingFile> csvFile, pngFile;
        if (!csv.empty())
            csvFile = std::make_unique<PendingFile>(csv);
        if (!png.empty())
            pngFile = std::make_unique<PendingFile>(png);
        prepare(plan, swept, value);
        Flugbahn();
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
            const QImage picture = drawGraph(st.Ergebnis.data(), st.GraphCodes.data(), st.NPunkte, st.GraphCount);
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
        r.columns = plan.accuracy ? ",,,,,,,,,," : ",,,,,";
        r.error = e.what();
    }
    return r;
}

} // namespace

void runSingle(const Plan& plan)
{
    if (!plan.out.empty())
        enterDirectory(plan.out);
    const RunResult r = runHere(plan, plan.csv, plan.png, nullptr, 0);
    if (r.status != kOk)
        throw BatchError(r.status, r.error);
    const std::string text = header("preset", plan.accuracy) + std::to_string(plan.number) + r.columns + ",\n";
    std::fputs(text.c_str(), stdout);
}

namespace {

// A sweep's worker: runs `first`, `first` + `step`, ... and reports each as
// one line "index status columns,error" on `fd`.
[[noreturn]] void worker(const Plan& plan, int first, int step, int fd)
{
    const Sweep& sw = *plan.sweep;
    std::string scratch;
    if (plan.out.empty()) {
        // The runs still write their sample file: into a directory of this
        // worker's own, removed at the end.
        std::string tmpl = (std::filesystem::temp_directory_path() / "torv-batch-XXXXXX").string();
        if (mkdtemp(tmpl.data()))
            scratch = tmpl;
    }
    for (int i = first; i < sw.count; i += step) {
        const double v = sw.value(i);
        RunResult r;
        try {
            enterDirectory(scratch.empty() ? plan.out + "/" + sw.field->name + "=" + number(v) : scratch);
            r = runHere(plan, plan.csv, plan.png, sw.field, v);
        } catch (const std::exception& e) {
            r.status = statusOfCurrentException();
            r.columns = plan.accuracy ? ",,,,,,,,,," : ",,,,,";
            r.error = e.what();
        }
        const std::string record
            = std::to_string(i) + " " + std::to_string(r.status) + " " + r.columns + "," + oneLine(r.error) + "\n";
        for (size_t done = 0; done < record.size();) {
            const ssize_t n = write(fd, record.data() + done, record.size() - done);
            if (n <= 0)
                _exit(kWorkerLost);
            done += static_cast<size_t>(n);
        }
    }
    if (!scratch.empty()) {
        std::error_code ec;
        std::filesystem::current_path("/", ec);
        std::filesystem::remove_all(scratch, ec);
    }
    _exit(0);
}

} // namespace

int runSweep(const Plan& plan)
{
    const Sweep& sw = *plan.sweep;
    std::unique_ptr<PendingFile> summaryFile;
    if (!plan.summary.empty())
        summaryFile = std::make_unique<PendingFile>(plan.summary);
    if (!plan.out.empty()) {
        const std::string here = std::filesystem::current_path().string();
        enterDirectory(plan.out);
        std::filesystem::current_path(here);
    }

    const int jobs = std::min(plan.jobs, sw.count);
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

    // Lines go out in the order of the runs, each as soon as it and all
    // before it are in.
    std::vector<std::string> lines(static_cast<size_t>(sw.count));
    std::vector<int> statuses(static_cast<size_t>(sw.count), -1);
    std::vector<std::string> pending(fds.size());
    std::string text = header(sw.field->name, plan.accuracy);
    if (!summaryFile)
        std::fputs(text.c_str(), stdout);
    const bool progress = isatty(STDERR_FILENO);
    int received = 0, printed = 0, open = jobs;
    std::vector<pollfd> polls;
    for (int fd : fds)
        polls.push_back({ fd, POLLIN, 0 });
    while (open > 0) {
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
            for (size_t end; (end = pending[w].find('\n')) != std::string::npos; pending[w].erase(0, end + 1)) {
                int index = -1, status = 0, used = 0;
                if (std::sscanf(pending[w].c_str(), "%d %d %n", &index, &status, &used) < 2 || index < 0
                    || index >= sw.count)
                    continue;
                lines[index] = number(sw.value(index)) + pending[w].substr(used, end - used + 1);
                statuses[index] = status;
                ++received;
            }
        }
        for (; printed < sw.count && statuses[printed] >= 0; ++printed) {
            if (summaryFile)
                text += lines[printed];
            else
                std::fputs(lines[printed].c_str(), stdout);
        }
        if (!summaryFile)
            std::fflush(stdout);
        if (progress)
            std::fprintf(stderr, "\r%d/%d runs", received, sw.count);
    }
    if (progress)
        std::fputc('\n', stderr);
    for (pid_t pid : pids)
        waitpid(pid, nullptr, 0);

    int result = kOk;
    for (int i = 0; i < sw.count; ++i) {
        if (statuses[i] < 0) {
            statuses[i] = kWorkerLost;
            lines[i] = number(sw.value(i)) + (plan.accuracy ? ",,,,,,,,,," : ",,,,,") + ",no result\n";
        }
        if (statuses[i] != kOk) {
            const std::string message = lines[i].substr(lines[i].rfind(',') + 1);
            std::fprintf(stderr, "torv-batch: %s=%s: %s", sw.field->name, number(sw.value(i)).c_str(), message.c_str());
            if (result == kOk)
                result = statuses[i];
        }
    }
    if (summaryFile) {
        for (; printed < sw.count; ++printed)
            text += lines[printed];
        summaryFile->write(text);
        summaryFile->commit();
    } else {
        for (; printed < sw.count; ++printed)
            std::fputs(lines[printed].c_str(), stdout);
    }
    return result;
}

} // namespace torv::batch

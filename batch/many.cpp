// The runs of a sweep, a study or all presets: handed to worker processes
// in order, their lines written in order as they finish, with what is held
// bounded by a window of runs; the statistics of a study after its lines.
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "batch/engine.h"
#include "batch/runs.h"
#include "batch/shares.h"
#include "batch/study.h"
#include "batch/window.h"
#include "fault/faults.h"
#include "files/atomicfile.h"
#include "files/numfmt.h"
#include "run/flugbahn.h"
#include "run/formport.h"

namespace torv::batch {

namespace {

// Set in a worker when the sweep is being ended, and in the program when
// Ctrl+C or SIGTERM ends it: the run stops at its next progress report (as
// a cancelled one does), and no further run starts.
volatile sig_atomic_t stopWanted = 0;

// The exit status of a program ended by Ctrl+C, as shells give it.
constexpr int kInterrupted = 130;

// Ctrl+C and SIGTERM end the sweep, not the program: the lines finished so
// far are kept. Installed while the runs go on (a wait for a worker, which
// no handler restarts, returns at once); the old handlers come back after.
class Interruption {
public:
    Interruption()
    {
        struct sigaction stop { };
        stop.sa_handler = [](int) { stopWanted = 1; };
        stop.sa_flags = SA_RESTART;
        sigemptyset(&stop.sa_mask);
        sigaction(SIGINT, &stop, &oldInt_);
        sigaction(SIGTERM, &stop, &oldTerm_);
    }
    ~Interruption()
    {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    Interruption(const Interruption&) = delete;
    Interruption& operator=(const Interruption&) = delete;
    static bool wanted() { return stopWanted != 0; }

private:
    struct sigaction oldInt_ = {};
    struct sigaction oldTerm_ = {};
};

class StoppablePort : public FormPort {
public:
    bool runProgress(int, double, double) override { return stopWanted == 0; }
};

// Lines read from a descriptor as they come.
class LineReader {
public:
    explicit LineReader(int fd)
        : fd_(fd)
    {
    }
    // The next whole line without its newline; empty at the end or on an
    // error (the other side is gone).
    std::optional<std::string> next()
    {
        for (;;) {
            if (std::optional<std::string> line = ready())
                return line;
            if (!fill())
                return std::nullopt;
        }
    }
    // Reads what is there (once); false at the end or on an error.
    bool fill()
    {
        // The lines taken go before more comes.
        pending_.erase(0, taken_);
        taken_ = 0;
        char buf[4096];
        ssize_t n;
        while ((n = read(fd_, buf, sizeof buf)) < 0 && errno == EINTR) { }
        if (n <= 0)
            return false;
        pending_.append(buf, static_cast<size_t>(n));
        return true;
    }
    // The next whole line already read, if there is one.
    std::optional<std::string> ready()
    {
        const size_t end = pending_.find('\n', taken_);
        if (end == std::string::npos)
            return std::nullopt;
        std::string line = pending_.substr(taken_, end - taken_);
        taken_ = end + 1;
        return line;
    }

private:
    int fd_;
    std::string pending_;
    size_t taken_ = 0; // the lines before it are taken
};

// A run's result on its way from a worker, a line: "index status
// n1,n2,...|verdict|error", each number the 16 hexadecimal digits of its
// bits, empty for none (a verdict holds no bar).
void appendRecord(std::string& out, long long i, const RunResult& r)
{
    static constexpr char kHex[] = "0123456789abcdef";
    char buf[24];
    out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, i).ptr - buf));
    out += ' ';
    out.append(buf, static_cast<size_t>(std::to_chars(buf, buf + sizeof buf, r.status).ptr - buf));
    out += ' ';
    for (size_t k = 0; k < r.numbers.size(); ++k) {
        if (k > 0)
            out += ',';
        if (std::isnan(r.numbers[k]))
            continue;
        std::uint64_t bits;
        std::memcpy(&bits, &r.numbers[k], sizeof bits);
        for (int d = 15; d >= 0; --d, bits >>= 4)
            buf[d] = kHex[bits & 15];
        out.append(buf, 16);
    }
    out += '|';
    out += r.verdict;
    out += '|';
    const size_t error = out.size();
    out += r.error;
    std::replace(out.begin() + static_cast<std::ptrdiff_t>(error), out.end(), '\n', ' ');
    out += '\n';
}

// A number's 16 hexadecimal digits, as appendRecord writes them.
std::optional<double> fromHex(std::string_view digits)
{
    if (digits.size() != 16)
        return std::nullopt;
    // Each character's digit, 16 for none.
    static constexpr auto kDigit = [] {
        std::array<std::uint8_t, 256> d {};
        d.fill(16);
        for (int k = 0; k < 10; ++k)
            d['0' + k] = static_cast<std::uint8_t>(k);
        for (int k = 0; k < 6; ++k)
            d['a' + k] = static_cast<std::uint8_t>(10 + k);
        return d;
    }();
    std::uint64_t bits = 0;
    std::uint8_t any = 0;
    for (char c : digits) {
        const std::uint8_t d = kDigit[static_cast<unsigned char>(c)];
        any |= d;
        bits = bits << 4 | (d & 15);
    }
    if (any & 16)
        return std::nullopt;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// The run a record is of, and its result; empty for a garbled record.
std::optional<std::pair<long long, RunResult>> decode(std::string_view text)
{
    long long i = -1;
    RunResult r;
    const size_t first = text.find(' ');
    const size_t space = first == std::string_view::npos ? first : text.find(' ', first + 1);
    const size_t bar = text.find('|');
    const size_t verdictEnd = bar == std::string_view::npos ? bar : text.find('|', bar + 1);
    if (space == std::string_view::npos || verdictEnd == std::string_view::npos || bar < space)
        return std::nullopt;
    if (std::from_chars(text.data(), text.data() + first, i).ec != std::errc()
        || std::from_chars(text.data() + first + 1, text.data() + space, r.status).ec != std::errc())
        return std::nullopt;
    r.numbers.reserve((bar - space) / 17 + 1);
    for (size_t at = space + 1; at <= bar;) {
        const size_t end = std::min(text.find(',', at), bar);
        double v = std::numeric_limits<double>::quiet_NaN();
        if (end > at) {
            const std::optional<double> bits = fromHex(text.substr(at, end - at));
            if (!bits)
                return std::nullopt;
            v = *bits;
        }
        r.numbers.push_back(v);
        at = end + 1;
    }
    r.verdict = text.substr(bar + 1, verdictEnd - bar - 1);
    r.error = text.substr(verdictEnd + 1);
    return std::pair { i, std::move(r) };
}

RunResult lost(const Plan& plan)
{
    RunResult r;
    r.status = kWorkerLost;
    r.numbers.assign(summaryColumns(plan.accuracy).size(), std::numeric_limits<double>::quiet_NaN());
    r.error = "no result";
    return r;
}

std::string runDirectory(const Plan& plan, long long i)
{
    return plan.out.empty() ? std::string() : plan.out + "/" + runName(plan, i);
}

// A worker process: reads the first index and the number of a few runs
// from `tasks`, runs them, and sends their results back the same way in
// one message, until the parent sends no more. It ends with the sweep: when
// the parent asks (SIGTERM), and when the parent dies.
[[noreturn]] void worker(const Plan& plan, int tasks, pid_t parent)
{
    struct sigaction stop { };
    stop.sa_handler = [](int) { stopWanted = 1; };
    stop.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &stop, nullptr);
    // Ctrl+C reaches the whole process group; the program ends the workers.
    signal(SIGINT, SIG_IGN);
    if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent)
        _exit(kWorkerLost);
    StoppablePort port;
    setFormPort(&port);
    const bool keep = !plan.out.empty();
    LineReader reader(tasks);
    std::string results;
    while (const std::optional<std::string> task = reader.next()) {
        long long first = -1, n = 0;
        const char* end = task->data() + task->size();
        const auto [at, ec] = std::from_chars(task->data(), end, first);
        if (ec == std::errc() && at < end)
            std::from_chars(at + 1, end, n);
        if (first < 0 || n < 1 || n > plan.count() - first)
            break;
        results.clear();
        for (long long i = first; i < first + n && stopWanted == 0;) {
            // Runs without files go two at a time.
            if (!keep && i + 1 < first + n) {
                for (const RunResult& r : runTwo(plan, i, i + 1, portProgress()))
                    appendRecord(results, i++, r);
            } else {
                appendRecord(results, i, runOne(plan, i, runDirectory(plan, i), keep));
                ++i;
            }
        }
        if (stopWanted != 0 || writeAll(tasks, results, true) != 0)
            _exit(stopWanted != 0 ? 0 : kWorkerLost);
    }
    _exit(0);
}

// A sweep's worker processes. However the sweep ends, every worker started
// is ended and waited for before it returns: none outlives the program. A
// worker gets its first run only once all have started, so that a sweep
// that cannot start its workers writes no file.
class Workers {
public:
    Workers() = default;
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers()
    {
        for (pid_t pid : pids_)
            kill(pid, SIGTERM);
        wait();
    }

    // Starts a worker; returns its end of the socket over which it takes
    // runs and gives back results. Throws IoError.
    int start(const Plan& plan)
    {
        int p[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, p) != 0)
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
            for (int fd : fds_)
                close(fd);
            worker(plan, p[1], parent);
        }
        close(p[1]);
        pids_.push_back(pid);
        fds_.push_back(p[0]);
        return p[0];
    }

    const std::vector<pid_t>& pids() const { return pids_; }

    // Waits until every worker has ended.
    void wait()
    {
        for (int fd : fds_)
            close(fd);
        fds_.clear();
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

    std::vector<pid_t> pids_;
    std::vector<int> fds_;
};

// Where the lines go: standard output as they come, or the summary file,
// which replaces its target whole once the last line is in.
class Output {
public:
    explicit Output(const std::string& summary)
    {
        if (!summary.empty())
            file_ = std::make_unique<StreamedFile>(summary);
    }
    void put(const std::string& text)
    {
        if (file_)
            file_->append(text);
        else
            printOut(text);
    }
    // The lines so far reach the reader.
    void flush()
    {
        errno = 0;
        if (!file_ && std::fflush(stdout) != 0)
            throw IoError(errno != 0 ? errno : EIO, "cannot write standard output");
    }
    void finish()
    {
        if (file_)
            file_->commit();
    }

private:
    std::unique_ptr<StreamedFile> file_;
};

// On a terminal: how many runs are done and when the last will be, on one
// line of standard error, renewed a few times a second.
class Progress {
public:
    explicit Progress(long long count)
        : count_(count)
        , shown_(isatty(STDERR_FILENO) == 1)
        , start_(Clock::now())
    {
    }
    ~Progress() { clear(); }

    // The last count stays on its line.
    void finish()
    {
        if (!shown_)
            return;
        if (shownDone_ != count_)
            update(count_);
        std::fputc('\n', stderr);
        written_ = false;
    }

    void update(long long done)
    {
        const auto now = Clock::now();
        if (!shown_ || (done < count_ && now - last_ < std::chrono::milliseconds(250)))
            return;
        last_ = now;
        const double elapsed = std::chrono::duration<double>(now - start_).count();
        std::string line = "\r" + std::to_string(done) + "/" + std::to_string(count_) + " runs";
        if (done > 0 && done < count_) {
            const double left = elapsed * static_cast<double>(count_ - done) / static_cast<double>(done);
            const std::time_t end = std::time(nullptr) + static_cast<std::time_t>(left);
            std::tm local {};
            localtime_r(&end, &local);
            char at[32];
            std::strftime(at, sizeof at, "%H:%M:%S", &local);
            line += ", about " + duration(left) + " left, done at " + at;
        }
        line += "\x1b[K";
        std::fputs(line.c_str(), stderr);
        written_ = true;
        shownDone_ = done;
    }

    // The line is taken away, so that a message stands on a line of its own.
    void clear()
    {
        if (written_)
            std::fputs("\r\x1b[K", stderr);
        written_ = false;
    }

private:
    using Clock = std::chrono::steady_clock;
    static std::string duration(double seconds)
    {
        const long long s = std::llround(seconds);
        if (s < 60)
            return std::to_string(s) + " s";
        if (s < 3600)
            return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
        return std::to_string(s / 3600) + " h " + std::to_string(s / 60 % 60) + " min";
    }

    long long count_;
    bool shown_;
    bool written_ = false;
    long long shownDone_ = -1;
    Clock::time_point start_;
    Clock::time_point last_ {};
};

// What becomes of a run's result in order: its line, its message if it
// failed, its numbers for a study's statistics.
class Report {
public:
    Report(const Plan& plan, Output& output, Progress& progress)
        : plan_(plan)
        , text_(plan)
        , output_(output)
        , progress_(progress)
        , columns_(plan)
        , shares_(plan)
    {
        output_.put(text_.header());
    }

    void put(long long i, const RunResult& r)
    {
        output_.put(text_.runLine(plan_, i, r));
        ++written_;
        if (r.status != kOk) {
            progress_.clear();
            std::fprintf(stderr, "torv-batch: %s: %s\n", runName(plan_, i).c_str(), r.error.c_str());
            if (result_ == kOk)
                result_ = r.status;
        }
        columns_.add(plan_, i, r);
        shares_.add(plan_, i, r);
        if (!r.verdict.empty()) {
            progress_.clear();
            std::fprintf(stderr, "torv-batch: %s: %s\n", runName(plan_, i).c_str(), r.verdict.c_str());
        }
    }

    // After the runs' lines: n, the runs that failed, mean, standard
    // deviation and the 5th, 50th and 95th percentiles of every column of a
    // study.
    void putStatistics()
    {
        output_.put(statisticsLines(text_, columns_));
        output_.put(shares_.lines(text_));
        for (const auto& [column, sum] : shares_.unexplained())
            std::fprintf(stderr,
                "torv-batch: the r2 shares of %s add up to %s, not about 1: its inputs act together or along a "
                "curve, and a squared correlation does not attribute the rest\n",
                column.c_str(), formatGeneral(sum, 3, 0, '.').c_str());
    }

    int result() const { return result_; }
    long long written() const { return written_; }

private:
    const Plan& plan_;
    SummaryText text_;
    Output& output_;
    Progress& progress_;
    StudyColumns columns_;
    ShareColumns shares_;
    long long written_ = 0;
    int result_ = kOk;
};

// Every run here, one after the other.
void runInProcess(const Plan& plan, Report& report, Output& output, Progress& progress)
{
    const bool keep = !plan.out.empty();
    StoppablePort port;
    setFormPort(&port);
    struct Restore {
        ~Restore() { setFormPort(nullptr); }
    } restore;
    for (long long i = 0; i < plan.count() && !Interruption::wanted();) {
        // Runs without files go two at a time.
        std::vector<RunResult> done;
        if (!keep && i + 1 < plan.count()) {
            for (RunResult& r : runTwo(plan, i, i + 1, portProgress()))
                done.push_back(std::move(r));
        } else {
            done.push_back(runOne(plan, i, runDirectory(plan, i), keep));
        }
        // A run cut off by the interruption has no line.
        if (Interruption::wanted())
            break;
        for (RunResult& r : done) {
            report.put(i, r);
            output.flush();
            progress.update(++i);
        }
    }
}

// The runs on threads of this program, each on a state of its own.
void runInThreads(const Plan& plan, Report& report, Output& output, Progress& progress)
{
    StoppablePort port;
    setFormPort(&port);
    struct Restore {
        ~Restore() { setFormPort(nullptr); }
    } restore;
    if (!plan.png.empty())
        ensurePainting();
    // Without files, the engine's own runs (two at a time).
    Engine::RunFunction withFiles;
    if (!plan.out.empty())
        withFiles
            = [&](long long i, RunObserver& observer) { return runOne(plan, i, runDirectory(plan, i), observer); };
    Engine engine(plan, plan.threads, plan.window, withFiles);
    engine.start();
    while (!engine.finished()) {
        if (Interruption::wanted()) {
            engine.cancel();
            break;
        }
        const auto results = engine.take(std::chrono::milliseconds(100));
        for (const auto& [i, r] : results)
            report.put(i, r);
        if (!results.empty())
            output.flush();
        progress.update(engine.taken());
    }
}

// The runs in worker processes: each worker has a few consecutive runs at a
// time, and gets the next few as it gives back their results, while the
// window has room. A short run costs less than the messages that take it
// to a worker and bring its result back; a few together share them.
struct Job {
    int fd;
    std::unique_ptr<LineReader> reader;
    long long next = 0; // the run whose result comes next
    long long end = 0; // after the last run it has; next == end: none
    bool alive = true;
};

// Runs handed to a worker at once: enough to share the messages, few
// enough that every worker has some while the window is full, that the
// workers end close together, and that the lines go out steadily.
long long runsPerMessage(const Plan& plan, size_t workers)
{
    constexpr long long kMost = 16;
    const long long jobs = static_cast<long long>(workers);
    return std::clamp(std::min(plan.window / (4 * jobs), plan.count() / (16 * jobs)), 1LL, kMost);
}

void runInWorkers(const Plan& plan, std::vector<Job>& pool, Report& report, Output& output, Progress& progress)
{
    RunWindow<RunResult> window(plan.count(), plan.window);
    const long long perMessage = runsPerMessage(plan, pool.size());
    auto put = [&](long long i, RunResult r) { report.put(i, r); };
    // The runs a worker has and will not give back have no result.
    auto loseRuns = [&](Job& job) {
        for (; job.next < job.end; ++job.next)
            window.done(job.next, lost(plan), put);
    };
    // Hands each idle worker its next runs; a worker that cannot take them
    // is lost.
    auto handOut = [&] {
        for (Job& job : pool) {
            if (!job.alive || job.next < job.end)
                continue;
            const std::optional<long long> i = window.next();
            if (!i)
                return;
            job.next = *i;
            job.end = *i + 1;
            while (job.end - job.next < perMessage && window.next())
                ++job.end;
            if (writeAll(job.fd, std::to_string(job.next) + " " + std::to_string(job.end - job.next) + "\n", true)
                != 0) {
                job.alive = false;
                loseRuns(job);
            }
        }
    };
    handOut();
    while (!window.finished() && !Interruption::wanted()) {
        std::vector<pollfd> polls;
        for (const Job& job : pool)
            polls.push_back({ job.alive ? job.fd : -1, POLLIN, 0 });
        if (std::none_of(pool.begin(), pool.end(), [](const Job& j) { return j.alive; })) {
            // No worker left: the runs not done have no result.
            while (const std::optional<long long> i = window.next())
                window.done(*i, lost(plan), put);
            break;
        }
        if (poll(polls.data(), polls.size(), -1) < 0) {
            if (errno == EINTR)
                continue;
            throw IoError(errno);
        }
        for (size_t w = 0; w < pool.size(); ++w) {
            Job& job = pool[w];
            if (!job.alive || !(polls[w].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const bool open = job.reader->fill();
            while (const std::optional<std::string> line = job.reader->ready()) {
                if (job.next >= job.end)
                    break;
                std::optional<std::pair<long long, RunResult>> r = decode(*line);
                // A garbled record is the run's lost result.
                const long long run = job.next++;
                window.done(run, r && r->first == run ? std::move(r->second) : lost(plan), put);
            }
            if (!open) {
                job.alive = false;
                loseRuns(job);
            }
        }
        output.flush();
        progress.update(window.written());
        handOut();
    }
}

// The runs' lines written before the interruption, and where they are.
int interrupted(const Plan& plan, long long written, Progress& progress, Output& output)
{
    progress.clear();
    output.finish();
    const std::string where
        = plan.summary.empty() ? std::string("on standard output") : "in " + echoed(plan.summary, 0);
    std::fprintf(stderr, "torv-batch: interrupted: the lines of the first %lld of %lld runs are %s%s\n", written,
        plan.count(), where.c_str(), plan.varies.empty() ? "" : ", without the statistics");
    return kInterrupted;
}

} // namespace

int runMany(const Plan& plan)
{
    // The runs' directories go inside, and the summary may; made here, it is
    // removed again if it stays empty, however the runs end.
    struct Out {
        std::vector<std::string> made;
        ~Out() { removeEmptyDirectories(made); }
    } out { plan.out.empty() ? std::vector<std::string>() : makeDirectories(plan.out) };

    // Set before the workers start, which write the runs' files.
    syncEachCommit(plan.sync == Sync::Each);
    // One job runs here; more run in worker processes (the state is the
    // process's, so threads cannot share it), all started before anything
    // is written.
    const int jobs = plan.threads > 0 ? 1 : static_cast<int>(std::min<long long>(plan.jobs, plan.count()));
    Workers workers;
    std::vector<Job> pool;
    for (int j = 0; jobs > 1 && j < jobs; ++j) {
        const int fd = workers.start(plan);
        pool.push_back({ fd, std::make_unique<LineReader>(fd) });
    }
    Output output(plan.summary);
    Progress progress(plan.count());
    Report report(plan, output, progress);
    const Interruption interruption;
    if (plan.threads > 0)
        runInThreads(plan, report, output, progress);
    else if (pool.empty())
        runInProcess(plan, report, output, progress);
    else
        runInWorkers(plan, pool, report, output, progress);
    if (Interruption::wanted()) {
        for (pid_t pid : workers.pids())
            kill(pid, SIGTERM);
        workers.wait();
        return interrupted(plan, report.written(), progress, output);
    }
    workers.wait();
    progress.finish();
    report.putStatistics();
    output.finish();
    if (!plan.overlay.empty())
        writeOverlay(plan);
    if (plan.sync == Sync::End)
        for (const std::string& path : { plan.out, plan.summary, plan.overlay })
            if (!path.empty())
                syncFileSystem(path);
    return report.result();
}

} // namespace torv::batch

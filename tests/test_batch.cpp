// torv-batch as a script sees it: its exit statuses, its messages, the files
// it leaves, and sweeps that do not depend on the number of processes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
    pid_t group = 0;
};

std::string slurp(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    return { std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>() };
}

// Runs torv-batch in `dir` with no display at all and a platform it could
// not open, so that a picture proves it needs none; in a process group of
// its own, with at most `files` open files if given.
Outcome runBatch(const fs::path& dir, std::vector<std::string> args, rlim_t files = 0)
{
    const fs::path out = dir / ".stdout", err = dir / ".stderr";
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit { files, files };
        if (chdir(dir.c_str()) != 0 || !freopen(out.c_str(), "w", stdout) || !freopen(err.c_str(), "w", stderr)
            || setpgid(0, 0) != 0 || (files > 0 && setrlimit(RLIMIT_NOFILE, &limit) != 0))
            _exit(127);
        unsetenv("DISPLAY");
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        std::vector<char*> argv { const_cast<char*>(TORV_BATCH) };
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(TORV_BATCH, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    Outcome o { WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), slurp(out), slurp(err), pid };
    fs::remove(out);
    fs::remove(err);
    return o;
}

class Batch : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (fs::temp_directory_path() / "torv-batch-test-XXXXXX").string();
        ASSERT_TRUE(mkdtemp(tmpl.data()));
        dir = tmpl;
    }
    void TearDown() override { fs::remove_all(dir); }
    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(dir))
            names.push_back(fs::relative(e.path(), dir).string());
        std::sort(names.begin(), names.end());
        return names;
    }
    fs::path dir;
};

struct ErrorCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string message;
};

class BatchErrors : public Batch, public ::testing::WithParamInterface<ErrorCase> { };

TEST_P(BatchErrors, ExitWithTheirStatusAndMessageAndTouchNoFile)
{
    const ErrorCase& c = GetParam();
    std::ofstream(dir / "Torv_500.txt") << "earlier run";
    const Outcome o = runBatch(dir, c.args);
    EXPECT_EQ(o.status, c.status);
    EXPECT_EQ(o.err, std::string("torv-batch: ") + c.message + "\n");
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(slurp(dir / "Torv_500.txt"), "earlier run");
    EXPECT_EQ(files(), std::vector<std::string> { "Torv_500.txt" });
}

INSTANTIATE_TEST_SUITE_P(EachClass, BatchErrors,
    ::testing::Values(ErrorCase { "UnknownOption", { "--preset", "1", "--colour", "red" }, 2,
                          "unknown option '--colour' (see --help)" },
        ErrorCase { "UnknownPreset", { "--preset", "35" }, 3, "unknown preset '35': the presets are numbered 1 to 34" },
        ErrorCase { "FieldOfAnotherClass", { "--preset", "1", "--set", "Schub=5" }, 4,
            "field 'Schub' is not offered for the class projectile (see --help)" },
        ErrorCase {
            "BadValue", { "--preset", "1", "--set", "V0=1,5" }, 5, "'1,5' is not a valid floating point value" },
        ErrorCase { "FloatFault", { "--preset", "1", "--set", "MassaStart=0" }, 6, "Floating point division by zero" },
        ErrorCase { "IoError", { "--preset", "1", "--csv", "gone/data.csv" }, 7,
            "cannot write gone/data.csv: No such file or directory (I/O error 2)" },
        ErrorCase {
            "RunRefused", { "--preset", "1", "--set", "dt0=-1" }, 8, "The integration step must be a positive number" },
        ErrorCase { "HalfStepFails", // the mass reaches 0 only at half the step
            { "--preset", "34", "--set", "MassaStart=1.5", "--set", "Schub=1", "--set", "Iud=1", "--set", "Mt=100",
                "--set", "dt0=1", "--set", "H0=10000", "--accuracy" },
            6, "at half the step: Floating point division by zero" },
        ErrorCase { "RunsSharingADirectory", { "--preset", "1", "--sweep", "H0=1:1.0000000000000002:3", "--out", "o" },
            2, "runs 1 and 2 of the sweep both have H0=1 and would share a directory under --out" },
        ErrorCase {
            "AfterTheOptions", { "--preset", "1", "--", "--csv" }, 2, "unexpected argument '--csv' (see --help)" },
        ErrorCase { "LongValue", { "--preset", "1", "--set", "V0=" + std::string(100, '7') + "x" }, 5,
            "'" + std::string(80, '7') + "\u2026' is not a valid floating point value" },
        ErrorCase { "OverlayOfTooManyRuns",
            { "--preset", "1", "--sweep", "TTO=10:80:10", "--overlay", "--png", "o.png" }, 2,
            "--overlay draws at most 9 runs in one picture, not 10" }),
    [](const auto& info) { return std::string(info.param.name); });

// One failing run in the middle (no mass) shows that failures keep their
// place too.
TEST_F(Batch, SweepLinesDoNotDependOnTheNumberOfProcesses)
{
    const std::vector<std::string> sweep = { "--preset", "1", "--sweep", "MassaStart=-1:1:9", "--accuracy" };
    auto with = [&](const char* jobs) {
        std::vector<std::string> args = sweep;
        args.insert(args.end(), { "--jobs", jobs });
        return runBatch(dir, args);
    };
    const Outcome one = with("1");
    ASSERT_EQ(one.status, 6) << one.err;
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 10);
    // The preset number, 8 quantities and the samples at both steps, 8
    // extrapolations, the error: 27 commas.
    EXPECT_NE(one.out.find("\n0" + std::string(27, ',') + "Floating point division by zero\n"), std::string::npos)
        << one.out;
    EXPECT_NE(one.out.find(",samples,flight_time_s_half,flight_time_s_extrapolated,range_m_half,"), std::string::npos);
    for (const char* jobs : { "2", "4" }) {
        const Outcome many = with(jobs);
        EXPECT_EQ(many.status, one.status);
        EXPECT_EQ(many.out, one.out) << jobs << " processes";
        EXPECT_EQ(many.err, one.err);
    }
    EXPECT_TRUE(files().empty());
}

// Without a display: the picture is a whole 800 x 600 PNG, the CSV has a
// line per sample, and the run's directories are named by the swept value.
TEST_F(Batch, SweepWritesEachRunsFilesIntoItsOwnDirectory)
{
    const Outcome o = runBatch(dir,
        { "--preset", "1", "--sweep", "TTO=10:80:2", "--out", "runs", "--png", "g.png", "--graph", "V, H = f (x)",
            "--csv", "d.csv", "--summary", "sum.csv" });
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    const std::vector<std::string> expected
        = { "runs", "runs/TTO=10", "runs/TTO=10/Torv_500.txt", "runs/TTO=10/d.csv", "runs/TTO=10/g.png", "runs/TTO=80",
              "runs/TTO=80/Torv_500.txt", "runs/TTO=80/d.csv", "runs/TTO=80/g.png", "sum.csv" };
    EXPECT_EQ(files(), expected);
    const std::string png = slurp(dir / "runs/TTO=80/g.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x20\0\0\x02\x58", 8)); // width 800, height 600
    const std::string csv = slurp(dir / "runs/TTO=10/d.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 501);
    EXPECT_EQ(slurp(dir / "sum.csv").substr(0, 18), "TTO,flight_time_s,");
}

// Too few files for the processes asked for: the workers already started
// are ended before the program, which becomes no one's parent meanwhile.
TEST_F(Batch, SweepThatCannotStartItsWorkersLeavesNoProcessBehind)
{
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const Outcome o = runBatch(dir, { "--preset", "1", "--sweep", "TTO=10:80:40", "--jobs", "40", "--out", "o" }, 20);
    EXPECT_EQ(o.status, 7) << o.err;
    EXPECT_EQ(o.err, "torv-batch: cannot start a worker process: Too many open files (I/O error 24)\n");
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a worker outlived the program";
    EXPECT_TRUE(files().empty()) << "a run wrote its files";
    kill(-o.group, SIGKILL);
    while (waitpid(-1, nullptr, 0) > 0) { }
}

// The directories of a sweep name their values exactly: typed in again, a
// value gives the same data. --out is made with its parents, before the summary.
TEST_F(Batch, SweepValuesTypedInAgainReproduceTheirRuns)
{
    const Outcome o = runBatch(
        dir, { "--preset", "1", "--sweep", "TTO=10:80:4", "--out", "a/b", "--csv", "d.csv", "--summary", "a/b/s.csv" });
    ASSERT_EQ(o.status, 0) << o.err;
    int runs = 0;
    for (const auto& e : fs::directory_iterator(dir / "a/b")) {
        if (!e.is_directory())
            continue;
        ++runs;
        const std::string value = e.path().filename().string();
        ASSERT_EQ(runBatch(dir, { "--preset", "1", "--set", value, "--csv", "again.csv" }).status, 0) << value;
        EXPECT_EQ(slurp(dir / "again.csv"), slurp(e.path() / "d.csv")) << value;
    }
    EXPECT_EQ(runs, 4);
}

// A sweep's runs in one picture, twice the size for a dense screen; the
// runs write no files of their own.
TEST_F(Batch, OverlayDrawsTheSweepInOnePictureAtTheScaleAsked)
{
    const Outcome o
        = runBatch(dir, { "--preset", "1", "--sweep", "TTO=30:60:3", "--overlay", "--png", "all.png", "--scale", "2" });
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(std::count(o.out.begin(), o.out.end(), '\n'), 4);
    EXPECT_EQ(files(), std::vector<std::string> { "all.png" });
    const std::string png = slurp(dir / "all.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x06\x40\0\0\x04\xb0", 8)); // width 1600, height 1200
}

} // namespace

// torv-batch as a script sees it: its exit statuses, its messages, the files
// it leaves, and sweeps that do not depend on the number of processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
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
        ErrorCase { "ScenarioThatIsNoFile", { "--scenario", "/dev/null" }, 9,
            "/dev/null: not a regular file (a folder, a pipe or a device): nothing was read" },
        ErrorCase { "DrawThatIsNotFinite", { "--preset", "1", "--vary", "V0=normal:1e308:1e308", "--runs", "9" }, 2,
            "--vary V0: run 3 would draw inf, not a finite number" },
        ErrorCase { "FolderNamedTwice", { "--preset", "1", "--csv", "/proc/self/cwd/Torv_500.txt" }, 7,
            "cannot write /proc/self/cwd/Torv_500.txt: it is the same file as Torv_500.txt (I/O error 22)" },
        ErrorCase { "MissingScenario", { "--scenario", "gone.toml" }, 7,
            "cannot read gone.toml: No such file or directory (I/O error 2)" },
        ErrorCase { "UnknownSync", { "--preset", "1", "--sweep", "TTO=10:80:2", "--sync", "later" }, 2,
            "--sync takes each, end or none, not 'later'" },
        ErrorCase { "SyncOfOneRun", { "--preset", "1", "--sync", "end" }, 2,
            "--summary, --jobs, --threads, --window and --sync belong to several runs" },
        ErrorCase { "TargetOutOfReach", { "--preset", "1", "--solve", "Q0=5:85", "--target", "range_m=5000" }, 11,
            "range_m=5000 is out of reach for Q0 from 5 to 85: no run of the scan crosses it" },
        ErrorCase { "EvenRatiosThroughZero", { "--preset", "1", "--sweep", "V0=log:-1:10:3" }, 2,
            "--sweep V0=log:...: FROM and TO must have one sign, neither 0" },
        ErrorCase { "OverlayOfTooManyRuns",
            { "--preset", "1", "--sweep", "TTO=10:80:10", "--overlay", "--png", "o.png" }, 2,
            "--overlay draws at most 9 runs in one picture, not 10" }),
    [](const auto& info) { return std::string(info.param.name); });

// What the step check and --converge tell a script: the status, a piece of
// the verdict on standard error, and a piece of the summary.
struct VerdictCase {
    const char* name;
    std::vector<std::string> args;
    int status;
    const char* err;
    const char* out;
};

class BatchVerdicts : public Batch, public ::testing::WithParamInterface<VerdictCase> { };

TEST_P(BatchVerdicts, SayWhatTheStepReaches)
{
    const VerdictCase& c = GetParam();
    const Outcome o = runBatch(dir, c.args);
    EXPECT_EQ(o.status, c.status) << o.err;
    EXPECT_NE(o.err.find(c.err), std::string::npos) << o.err;
    EXPECT_NE(o.out.find(c.out), std::string::npos) << o.out;
}

INSTANTIATE_TEST_SUITE_P(Runs, BatchVerdicts,
    ::testing::Values(
        // No extrapolated range (its column empty) and no step.
        VerdictCase { "ModelRocketUnsettled", { "--preset", "30", "--accuracy" }, 0,
            "step check: range_m has not settled at dt0 = 0.01 s", ",144.520305655118,170.35921343813,," },
        VerdictCase { "SuggestedStepMeetsTarget", { "--preset", "22", "--set", "dt0=0.019", "--accuracy" }, 0,
            ", below 0.1 %\n", "\n22," },
        VerdictCase { "EndOnTime", { "--preset", "2", "--set", "dt0=0.3" }, 0, "", "\n2,100," },
        VerdictCase { "Converged", { "--preset", "1", "--converge", "--target", "1%" }, 0,
            "converged within 1 % at dt0 = 0.00125 s", "\n1,14.0896385177019," },
        VerdictCase { "BudgetSpent", { "--preset", "30", "--converge", "--budget", "0.001" }, 10,
            "did not converge within the budget of 0.001 s; reached dt0 = 0.01 s", "\n30,62.55" },
        // Several runs: a line for each that misses the target only.
        VerdictCase { "EveryPreset", { "--preset", "all", "--accuracy", "--jobs", "2" }, 0,
            "torv-batch: preset=25: step check: end_speed_m_s has the largest estimated error at dt0 = 0.05 s, 1.07 %",
            "\n34," }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Batch, EveryPresetNamesOnlyTheRunsThatMissTheTarget)
{
    const Outcome o = runBatch(dir, { "--preset", "all", "--accuracy", "--jobs", "2" });
    EXPECT_EQ(o.err.find("preset=1:"), std::string::npos) << o.err;
    EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 21) << o.err;
}

// Every line scripts read by its names, as users see it: a column renamed or
// moved fails here. The file is standard output where none is named.
struct OutputLine {
    const char* name;
    std::vector<std::string> args;
    const char* file;
    size_t line;
    std::string text;
};

class BatchOutputLines : public Batch, public ::testing::WithParamInterface<OutputLine> { };

TEST_P(BatchOutputLines, ReadAsTheyAreNamed)
{
    const OutputLine& c = GetParam();
    const Outcome o = runBatch(dir, c.args);
    ASSERT_EQ(o.status, 0) << o.err;
    std::istringstream text(*c.file ? slurp(dir / c.file) : o.out);
    std::string line;
    for (size_t i = 0; i <= c.line; ++i)
        std::getline(text, line);
    EXPECT_EQ(line, c.text);
}

const std::string kSummaryColumns = "flight_time_s,range_m,max_altitude_m,end_speed_m_s,max_load_factor_g,"
                                    "max_dynamic_pressure_pa,end_path_angle_deg,max_deceleration_g,samples";
// The sample file speaks no language of the forms.
const std::string kSampleHeader = "    j      t       X,km      H,km     V      q     Q     Roh\r";

INSTANTIATE_TEST_SUITE_P(Everywhere, BatchOutputLines,
    ::testing::Values(
        OutputLine { "SummaryColumns", { "--preset", "1" }, "", 0, "preset," + kSummaryColumns + ",error" },
        OutputLine { "FirstProjectileAsTheReadmeShowsIt", { "--preset", "1" }, "", 1,
            "1,14.0926659900011,932.997110431986,243.853650572327,91.7043752470613,0.124988224489796,6124.423,"
            "-47.4423008278002,0.124988224489796,500," },
        OutputLine { "SummaryKeys", { "--preset", "1", "--format", "jsonl" }, "", 0,
            R"({"preset":1,"flight_time_s":14.0926659900011,"range_m":932.997110431986,)"
            R"("max_altitude_m":243.853650572327,"end_speed_m_s":91.7043752470613,)"
            R"("max_load_factor_g":0.124988224489796,"max_dynamic_pressure_pa":6124.423,)"
            R"("end_path_angle_deg":-47.4423008278002,"max_deceleration_g":0.124988224489796,"samples":500,)"
            R"("error":null})" },
        OutputLine { "AccuracyColumns", { "--preset", "1", "--accuracy" }, "", 0,
            "preset," + kSummaryColumns
                + ",flight_time_s_half,flight_time_s_quarter,flight_time_s_extrapolated,range_m_half,"
                  "range_m_quarter,range_m_extrapolated,max_altitude_m_half,max_altitude_m_quarter,"
                  "max_altitude_m_extrapolated,end_speed_m_s_half,end_speed_m_s_quarter,end_speed_m_s_extrapolated,"
                  "max_load_factor_g_half,max_load_factor_g_quarter,max_load_factor_g_extrapolated,"
                  "max_dynamic_pressure_pa_half,max_dynamic_pressure_pa_quarter,"
                  "max_dynamic_pressure_pa_extrapolated,end_path_angle_deg_half,end_path_angle_deg_quarter,"
                  "end_path_angle_deg_extrapolated,max_deceleration_g_half,max_deceleration_g_quarter,"
                  "max_deceleration_g_extrapolated,samples_half,samples_quarter,step_error,error" },
        OutputLine { "SampleFileRussian", { "--preset", "1", "--lang", "ru", "--out", "o" }, "o/Torv_500.txt", 1,
            kSampleHeader },
        OutputLine {
            "SampleFileGerman", { "--preset", "1", "--lang", "de", "--out", "o" }, "o/Torv_500.txt", 1, kSampleHeader },
        OutputLine { "SampleFileEnglish", { "--preset", "1", "--lang", "en", "--out", "o" }, "o/Torv_500.txt", 1,
            kSampleHeader },
        OutputLine { "CsvColumns", { "--preset", "1", "--csv", "a.csv" }, "a.csv", 0,
            "time [s],speed [m/s],dynamic pressure [kPa],altitude [m],path angle [deg],reserved 5 [-],reserved 6 [-],"
            "range [m],buoyancy minus weight [N],axial load factor [g],normal load factor [g],"
            "buoyancy minus weight (2) [N],buoyancy [N],wind speed [m/s],stagnation heat flux [kW/m2],thrust [N],"
            "mass [kg],thrust per mass [N/kg],reserved 18 [-],envelope volume [m3],buoyancy (2) [N],drag [N],"
            "lift [N],drag coefficient [-],lift coefficient [-],Mach number [-],air temperature [K],"
            "air pressure [bar],air density [kg/m3],Reynolds number for 1 m / 1000 [-],buoyancy loss [N]" }),
    [](const auto& info) { return std::string(info.param.name); });

// One failing run in the middle (no mass) shows that failures keep their
// place too.
TEST_F(Batch, SweepLinesDoNotDependOnTheNumberOfProcesses)
{
    const std::vector<std::string> sweep = { "--preset", "1", "--sweep", "MassaStart=-1:1:9", "--accuracy" };
    auto with = [&](const char* jobs, const char* option = "--jobs") {
        std::vector<std::string> args = sweep;
        args.insert(args.end(), { option, jobs });
        return runBatch(dir, args);
    };
    const Outcome one = with("1");
    ASSERT_EQ(one.status, 6) << one.err;
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 10);
    // The swept value, 8 quantities and the samples at three steps, 8
    // extrapolations, the estimated error, the error: 37 commas.
    EXPECT_NE(one.out.find("\n0" + std::string(37, ',') + "Floating point division by zero\n"), std::string::npos)
        << one.out;
    EXPECT_NE(
        one.out.find(",samples,flight_time_s_half,flight_time_s_quarter,flight_time_s_extrapolated,range_m_half,"),
        std::string::npos);
    for (const auto& [jobs, option] :
        { std::pair { "2", "--jobs" }, { "4", "--jobs" }, { "1", "--threads" }, { "3", "--threads" } }) {
        const Outcome many = with(jobs, option);
        EXPECT_EQ(many.status, one.status);
        EXPECT_EQ(many.out, one.out) << option << " " << jobs;
        EXPECT_EQ(many.err, one.err);
    }
    EXPECT_TRUE(files().empty());
}

// Short runs go to the workers several at a time; their lines still come
// in run order, the same as from one process.
TEST_F(Batch, ManyShortRunsInWorkersGiveTheLinesOfOneProcess)
{
    const std::vector<std::string> sweep = { "--preset", "1", "--sweep", "TTO=10:80:400", "--jobs" };
    auto with = [&](const char* jobs) {
        std::vector<std::string> args = sweep;
        args.push_back(jobs);
        return runBatch(dir, args);
    };
    const Outcome one = with("1"), three = with("3");
    ASSERT_EQ(one.status, 0) << one.err;
    EXPECT_EQ(std::count(one.out.begin(), one.out.end(), '\n'), 401);
    EXPECT_EQ(three.status, 0) << three.err;
    EXPECT_EQ(three.out, one.out);
}

// Without a display: the picture is a whole 800 x 600 PNG, the CSV has a
// line per sample, and the run's directories are named by the swept value.
TEST_F(Batch, SweepWritesEachRunsFilesIntoItsOwnDirectory)
{
    const Outcome o = runBatch(dir,
        { "--preset", "1", "--sweep", "Q0=10:80:2", "--out", "runs", "--png", "g.png", "--graph", "V, H = f (x)",
            "--csv", "d.csv", "--summary", "sum.csv" });
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_EQ(o.out, "");
    const std::vector<std::string> expected
        = { "runs", "runs/Q0=10", "runs/Q0=10/Torv_500.txt", "runs/Q0=10/d.csv", "runs/Q0=10/g.png", "runs/Q0=80",
              "runs/Q0=80/Torv_500.txt", "runs/Q0=80/d.csv", "runs/Q0=80/g.png", "sum.csv" };
    EXPECT_EQ(files(), expected);
    const std::string png = slurp(dir / "runs/Q0=80/g.png");
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png.substr(16, 8), std::string("\0\0\x03\x20\0\0\x02\x58", 8)); // width 800, height 600
    const std::string csv = slurp(dir / "runs/Q0=10/d.csv");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 501);
    EXPECT_EQ(slurp(dir / "sum.csv").substr(0, 17), "Q0,flight_time_s,");
}

// However the files reach the disk, they are the same files, each whole.
TEST_F(Batch, SyncModesWriteTheSameFiles)
{
    std::vector<std::string> written;
    for (const char* mode : { "each", "end", "none" }) {
        SCOPED_TRACE(mode);
        const Outcome o = runBatch(dir,
            { "--preset", "1", "--sweep", "TTO=10:80:3", "--out", mode, "--summary", mode + std::string(".csv"),
                "--csv", "d.csv", "--jobs", "2", "--sync", mode });
        ASSERT_EQ(o.status, 0) << o.err;
        std::string all = slurp(dir / (mode + std::string(".csv")));
        for (const char* run : { "TTO=10", "TTO=45", "TTO=80" })
            all += slurp(dir / mode / run / "Torv_500.txt") + slurp(dir / mode / run / "d.csv");
        written.push_back(all);
    }
    EXPECT_EQ(written[1], written[0]);
    EXPECT_EQ(written[2], written[0]);
    EXPECT_EQ(files().size(), 3 * 11u);
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

// Every preset written to a file and run from it gives the preset's sample
// file; a value changed in the file runs as --set runs it.
TEST_F(Batch, ScenarioSavedFromEveryPresetRunsToTheSameBytes)
{
    const std::string list = runBatch(dir, { "--list" }).out;
    const int presets = static_cast<int>(std::count(list.begin(), list.end(), '\n'));
    ASSERT_GT(presets, 0);
    for (int n = 1; n <= presets; ++n) {
        const std::string preset = std::to_string(n);
        ASSERT_EQ(runBatch(dir, { "--preset", preset, "--save-scenario", "s.toml" }).status, 0) << n;
        ASSERT_EQ(runBatch(dir, { "--preset", preset, "--out", "p" }).status, 0) << n;
        const Outcome o = runBatch(dir, { "--scenario", "s.toml", "--out", "s" });
        ASSERT_EQ(o.status, 0) << n << o.err;
        EXPECT_EQ(slurp(dir / "s/Torv_500.txt"), slurp(dir / "p/Torv_500.txt")) << "preset " << n;
    }
    std::string text = slurp(dir / "s.toml");
    text.replace(text.find("Schub = 86 "), 10, "Schub = 91.25");
    std::ofstream(dir / "s.toml") << text;
    ASSERT_EQ(runBatch(dir, { "--scenario", "s.toml", "--out", "s" }).status, 0);
    ASSERT_EQ(runBatch(dir, { "--preset", "34", "--set", "Schub=91.25", "--out", "p" }).status, 0);
    EXPECT_EQ(slurp(dir / "s/Torv_500.txt"), slurp(dir / "p/Torv_500.txt"));
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    for (size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        out.push_back(text.substr(at, end - at));
    return out;
}

// A grid's line for each combination, the first sweep varying slowest, holds
// what the run on its own reports, a hidden field among them.
TEST_F(Batch, GridLinesEqualTheSeparateRuns)
{
    const Outcome grid
        = runBatch(dir, { "--preset", "1", "--sweep", "Q0=30:60:3", "--sweep", "Vwind=-5:5:2", "--jobs", "2" });
    ASSERT_EQ(grid.status, 0) << grid.err;
    const std::vector<std::string> got = lines(grid.out);
    ASSERT_EQ(got.size(), 7u);
    EXPECT_EQ(got[0].substr(0, 9), "Q0,Vwind,");
    int k = 1;
    for (const char* angle : { "30", "45", "60" })
        for (const char* wind : { "-5", "5" }) {
            const Outcome one = runBatch(
                dir, { "--preset", "1", "--set", std::string("TTO=") + angle, "--set", std::string("Vwind=") + wind });
            ASSERT_EQ(one.status, 0) << one.err;
            const std::string single = lines(one.out).at(1);
            EXPECT_EQ(got[k++], std::string(angle) + "," + wind + single.substr(single.find(','))) << angle << wind;
        }
}

// A list runs in its order, even ratios end exactly on their ends.
TEST_F(Batch, SweepOverAListOrInEvenRatios)
{
    for (const auto& [sweep, keys] :
        { std::pair { "Q0=60,30,45", "60 30 45 " }, { "V0=log:10:1000:3", "10 100 1000 " } }) {
        const Outcome o = runBatch(dir, { "--preset", "1", "--sweep", sweep, "--jobs", "2" });
        ASSERT_EQ(o.status, 0) << o.err;
        std::string got;
        for (const std::string& line : lines(o.out))
            got += line.substr(0, line.find(',')) + " ";
        EXPECT_EQ(got, std::string(sweep).substr(0, 2) + " " + keys);
    }
}

// A projectile without drag, launched at V from h above the ground, against
// the closed form R = V cos a / g (V sin a + sqrt(V^2 sin^2 a + 2 g h)),
// with g = 9.8 and degrees of 57.3 as the run has them.
TEST_F(Batch, SearchesAndSensitivityAgreeWithTheClosedForm)
{
    constexpr double g = 9.8, h = 1, v = 100, degree = 57.3;
    const auto range = [&](double a, double speed) {
        return speed * std::cos(a) / g
            * (speed * std::sin(a) + std::sqrt(speed * speed * std::sin(a) * std::sin(a) + 2 * g * h));
    };
    const auto run = [&](std::vector<std::string> question) {
        std::vector<std::string> args { "--preset", "1", "--set", "Cx=0", "--set", "dt0=0.001", "--set", "H0=1",
            "--set", "V0=100", "--set", "Hk=0" };
        args.insert(args.end(), question.begin(), question.end());
        const Outcome o = runBatch(dir, args);
        EXPECT_EQ(o.status, 0) << o.err;
        // Each line's numbers: the first and the last.
        std::vector<std::pair<double, double>> rows;
        for (const std::string& line : lines(o.out))
            if (line.rfind("Q0,", 0) == 0 || line.rfind("V0,range_m,", 0) == 0)
                rows.emplace_back(
                    std::atof(line.c_str() + line.find(',') + 1), std::stod(line.substr(line.rfind(',') + 1)));
        return rows;
    };
    const double best = std::asin(1 / std::sqrt(2 + 2 * g * h / (v * v))) * degree;
    const auto greatest = run({ "--maximize", "range_m", "--over", "TTO=5:85" });
    ASSERT_EQ(greatest.size(), 1u);
    EXPECT_NEAR(greatest[0].first, best, 0.1);

    const auto angles = run({ "--solve", "TTO=5:85", "--target", "range_m=800" });
    ASSERT_EQ(angles.size(), 2u);
    for (size_t k = 0; k < 2; ++k) {
        double lo = k == 0 ? 5 : best, hi = k == 0 ? best : 85; // bisection of the closed form
        for (int i = 0; i < 100; ++i)
            ((range((lo + hi) / 2 / degree, v) < 800) == (k == 0) ? lo : hi) = (lo + hi) / 2;
        EXPECT_NEAR(angles[k].first, lo, 0.2) << k;
    }

    const auto elasticity = run({ "--sensitivity", "--inputs", "V0" });
    ASSERT_EQ(elasticity.size(), 1u);
    const double a = 45 / degree, exact = (range(a, v * 1.000001) - range(a, v * 0.999999)) / range(a, v) / 2e-6;
    EXPECT_NEAR(elasticity[0].second, exact, 0.02 * exact);

    // A drawn input changes by one standard deviation of its law instead.
    const std::pair<const char*, double> laws[] = { { "V0=normal:100:3", 3 },
        { "V0=uniform:90:110", 20 / std::sqrt(12.0) }, { "V0=triangular:90:100:110", std::sqrt(300.0 / 18) } };
    for (const auto& [law, sd] : laws) {
        const Outcome o = runBatch(dir,
            { "--preset", "1", "--set", "Cx=0", "--set", "dt0=0.001", "--set", "H0=1", "--set", "V0=100", "--set",
                "Hk=0", "--sensitivity", "--inputs", "V0", "--vary", law });
        ASSERT_EQ(o.status, 0) << o.err;
        const size_t at = o.out.find("\nV0,range_m,");
        ASSERT_NE(at, std::string::npos) << o.out;
        double base = 0, low = 0, high = 0;
        ASSERT_EQ(std::sscanf(o.out.c_str() + at, "\nV0,range_m,%lf,%lf,%lf", &base, &low, &high), 3) << law;
        EXPECT_NEAR(low, range(a, v - sd), 1e-3 * base) << law;
        EXPECT_NEAR(high, range(a, v + sd), 1e-3 * base) << law;
    }
}

// A seeded study gives the same lines, statistics included, with any number
// of processes and any window.
TEST_F(Batch, SeededStudyIsTheSameWithAnyJobs)
{
    auto study = [&](const char* jobs, const char* window, const char* format) {
        return runBatch(dir,
            { "--preset", "16", "--vary", "V0=normal:25:2", "--vary", "Cx=uniform:0.02:0.04", "--runs", "12", "--seed",
                "42", "--jobs", jobs, "--window", window, "--format", format });
    };
    const Outcome one = study("1", "1024", "csv");
    ASSERT_EQ(one.status, 0) << one.err;
    const std::vector<std::string> got = lines(one.out);
    ASSERT_EQ(got.size(), 1u + 12u + 7u);
    const char* rows[] = { "n,12,12,12,", "failed,0,0,0,", "mean,", "sd,", "p5,", "p50,", "p95," };
    for (size_t r = 0; r < std::size(rows); ++r)
        EXPECT_EQ(got[13 + r].rfind(rows[r], 0), 0u) << got[13 + r];
    EXPECT_EQ(study("2", "2", "csv").out, one.out);
    const std::vector<std::string> threads = { "--preset", "16", "--vary", "V0=normal:25:2", "--vary",
        "Cx=uniform:0.02:0.04", "--runs", "12", "--seed", "42", "--threads", "2", "--window", "3" };
    EXPECT_EQ(runBatch(dir, threads).out, one.out);
    const std::vector<std::string> json = lines(study("3", "1", "jsonl").out);
    ASSERT_EQ(json.size(), 12u + 7u);
    EXPECT_EQ(json[0].rfind("{\"run\":1,\"V0\":", 0), 0u) << json[0];
    EXPECT_EQ(json[18].rfind("{\"run\":\"p95\",", 0), 0u) << json[18];
    EXPECT_NE(json[18].find(",\"error\":null}"), std::string::npos) << json[18];
}

// --shares adds each drawn input's r2 and their sum after the statistics,
// the lines before them unchanged; without drag the range is symmetric about
// 45 degrees, which a squared correlation cannot see, and standard error
// says so, while the greatest altitude follows the angle nearly in a line.
TEST_F(Batch, SharesFollowTheStatisticsAndSayWhatTheyMiss)
{
    std::vector<std::string> args
        = { "--preset", "1", "--set", "Cx=0", "--vary", "Q0=normal:45:3", "--runs", "200", "--jobs", "2" };
    const Outcome plain = runBatch(dir, args);
    args.push_back("--shares");
    const Outcome o = runBatch(dir, args);
    ASSERT_EQ(o.status, 0) << o.err;
    ASSERT_EQ(o.out.rfind(plain.out, 0), 0u);
    const std::vector<std::string> rows = lines(o.out.substr(plain.out.size()));
    ASSERT_EQ(rows.size(), 2u);
    // run,Q0,flight_time_s,range_m,max_altitude_m,...
    std::vector<double> shares;
    for (const char* column : { "r2_Q0,,", "r2_sum,," }) {
        const std::string& row = rows[shares.size() / 2];
        ASSERT_EQ(row.rfind(column, 0), 0u) << row;
        const size_t range = row.find(',', std::string(column).size()) + 1;
        shares.push_back(std::stod(row.substr(range)));
        shares.push_back(std::stod(row.substr(row.find(',', range) + 1)));
    }
    EXPECT_LT(shares[0], 0.1);
    EXPECT_GT(shares[1], 0.9);
    EXPECT_EQ(shares[2], shares[0]);
    EXPECT_NE(o.err.find("r2 shares of range_m add up to"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("max_altitude_m"), std::string::npos) << o.err;
}

// A study whose runs fail now and then (a drawn step below 0): every
// column, the drawn one too, is over the runs that succeeded, and the
// failed ones are counted.
TEST_F(Batch, StudyStatisticsAreOverTheRunsThatSucceeded)
{
    const Outcome o = runBatch(dir, { "--preset", "1", "--vary", "dt0=uniform:-0.05:0.05", "--runs", "20" });
    const std::vector<std::string> got = lines(o.out);
    ASSERT_EQ(got.size(), 1u + 20u + 7u) << o.err;
    const auto failed = std::count_if(got.begin() + 1, got.begin() + 21, [](const auto& l) { return l.back() != ','; });
    ASSERT_GT(failed, 0);
    std::string n = "n", f = "failed";
    for (int column = 0; column < 10; ++column) {
        n += "," + std::to_string(20 - failed);
        f += "," + std::to_string(failed);
    }
    EXPECT_EQ(got[21], n + ",");
    EXPECT_EQ(got[22], f + ",");
}

// Ctrl+C on a long sweep: the lines finished so far replace the summary
// file, whole, no temporary file stays, and the status is 130.
TEST_F(Batch, InterruptedSweepKeepsTheFinishedLines)
{
    for (const char* jobs : { "--jobs 2", "--threads 2" }) {
        std::ofstream(dir / "s.csv") << "old\n";
        const std::string command = "cd '" + dir.string() + "' && timeout --preserve-status -s INT 2 " + TORV_BATCH
            + " --preset 1 --sweep H0=0:10:1000000 " + jobs + " --summary s.csv 2> /dev/null";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WEXITSTATUS(status), 130) << jobs;
        const std::vector<std::string> got = lines(slurp(dir / "s.csv"));
        ASSERT_GE(got.size(), 2u) << jobs;
        EXPECT_EQ(got[0].rfind("H0,flight_time_s,", 0), 0u);
        for (const std::string& line : got)
            EXPECT_EQ(std::count(line.begin(), line.end(), ','), 10) << line;
        EXPECT_EQ(files(), std::vector<std::string> { "s.csv" });
    }
}

// A scenario's [study] table runs as the same options on the command line
// would, on threads too; a table with a bad row is refused by its key.
TEST_F(Batch, ScenarioStudyRunsAsItsOptions)
{
    ASSERT_EQ(runBatch(dir, { "--preset", "1", "--save-scenario", "p.toml" }).status, 0);
    const std::string inputs = slurp(dir / "p.toml");
    std::ofstream(dir / "p.toml", std::ios::app)
        << "\n[study]\nruns = 30\nseed = 4\nrows = [{ input = \"Q0\", law = \"triangular\", numbers = "
           "\"30:45:50\" }, { input = \"V0\", law = \"normal\", numbers = \"50:2\" }]\n";
    const Outcome options = runBatch(dir,
        { "--preset", "1", "--vary", "Q0=triangular:30:45:50", "--vary", "V0=normal:50:2", "--runs", "30", "--seed",
            "4" });
    ASSERT_EQ(options.status, 0) << options.err;
    EXPECT_EQ(runBatch(dir, { "--scenario", "p.toml" }).out, options.out);
    EXPECT_EQ(runBatch(dir, { "--scenario", "p.toml", "--threads", "2" }).out, options.out);
    std::ofstream(dir / "bad.toml") << inputs
                                    << "[study]\nrows = [{ input = \"Q0\", law = \"log\", numbers = \"1\" }]\n";
    const Outcome bad = runBatch(dir, { "--scenario", "bad.toml" });
    EXPECT_EQ(bad.status, 9);
    EXPECT_NE(bad.err.find("'study.rows[1].law' = \"log\" is no law"), std::string::npos) << bad.err;
}

// A value of 17 digits goes through --set, --save-scenario and --scenario
// to the same samples; an airship's file runs in a fresh process, the same
// twice; a FIFO is refused at once.
TEST_F(Batch, EveryDigitAndEveryClassFromItsFileAlone)
{
    const std::string v0 = "V0=23.382656816302774";
    ASSERT_EQ(runBatch(dir, { "--preset", "16", "--set", v0, "--csv", "set.csv" }).status, 0);
    ASSERT_EQ(runBatch(dir, { "--preset", "16", "--set", v0, "--save-scenario", "g.toml" }).status, 0);
    ASSERT_EQ(runBatch(dir, { "--scenario", "g.toml", "--csv", "file.csv" }).status, 0);
    EXPECT_EQ(slurp(dir / "set.csv"), slurp(dir / "file.csv"));

    ASSERT_EQ(runBatch(dir, { "--preset", "12", "--save-scenario", "b.toml" }).status, 0);
    std::string airship = slurp(dir / "b.toml");
    airship.replace(airship.find("\"balloon\""), 9, "\"airship\"");
    std::ofstream(dir / "a.toml") << airship << "S0 = 50\nMt = 0\nIud = 1\nSchub = 1\n";
    const Outcome first = runBatch(dir, { "--scenario", "a.toml", "--out", "1" });
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(runBatch(dir, { "--scenario", "a.toml", "--out", "2" }).out, first.out);
    EXPECT_EQ(slurp(dir / "1/Torv_500.txt"), slurp(dir / "2/Torv_500.txt"));

    ASSERT_EQ(mkfifo((dir / "f.toml").c_str(), 0600), 0);
    alarm(10); // a blocked read would end the test here
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runBatch(dir, { "--scenario", "f.toml" }).status, 9);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    alarm(0);
}

// Ten million runs start streaming at once, and the program holds no more
// than a window of them: its memory stays that of a single run.
TEST_F(Batch, LongSweepStreamsInBoundedMemory)
{
    int out[2];
    ASSERT_EQ(pipe(out), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(TORV_BATCH, TORV_BATCH, "--preset", "1", "--sweep", "H0=0:10:10000000", "--jobs", "2", "--window", "4",
            nullptr);
        _exit(127);
    }
    close(out[1]);
    std::string got;
    char buf[4096];
    for (ssize_t n; std::count(got.begin(), got.end(), '\n') < 2000 && (n = read(out[0], buf, sizeof buf)) > 0;)
        got.append(buf, static_cast<size_t>(n));
    const std::string status = slurp("/proc/" + std::to_string(pid) + "/status");
    kill(pid, SIGTERM);
    close(out[0]);
    waitpid(pid, nullptr, 0);
    ASSERT_GE(std::count(got.begin(), got.end(), '\n'), 2000);
    EXPECT_EQ(got.rfind("H0,flight_time_s,", 0), 0u);
    const size_t at = status.find("VmRSS:");
    ASSERT_NE(at, std::string::npos);
    constexpr long kMostKiB = 64 * 1024; // a run's state and the libraries, nothing per run
    EXPECT_LT(std::stol(status.substr(at + 6)), kMostKiB) << status.substr(at, 30);
}

TEST(StandardOutput, LostLinesAreAnErrorWithItsMessage)
{
    for (const char* args : { "--list", "--help", "--version", "--preset 1 --save-scenario -" }) {
        const std::string command = std::string(TORV_BATCH) + " " + args + " 2>&1 >/dev/full";
        std::FILE* p = popen(command.c_str(), "r");
        ASSERT_TRUE(p);
        char line[200] = {};
        const bool read = std::fgets(line, sizeof line, p) != nullptr;
        const int status = pclose(p);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << args;
        EXPECT_TRUE(read && std::string(line).find("No space left on device (I/O error 28)") != std::string::npos)
            << args << ": " << line;
    }
}

TEST(Version, BothProgramsPrintItWithoutADisplay)
{
    for (const char* program : { TORV_BATCH, TORV_GUI }) {
        const std::string command
            = std::string("env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb ") + program + " --version";
        std::FILE* p = popen(command.c_str(), "r");
        ASSERT_TRUE(p);
        char line[200] = {};
        const bool read = std::fgets(line, sizeof line, p) != nullptr;
        EXPECT_EQ(pclose(p), 0) << program;
        ASSERT_TRUE(read) << program;
        EXPECT_NE(std::string(line).find(" 1.16"), std::string::npos) << line;
    }
}

} // namespace

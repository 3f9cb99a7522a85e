// torv-batch as a script sees it: its exit statuses, its messages, the files
// it leaves, and sweeps that do not depend on the number of processes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include <signal.h>
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
        ErrorCase { "BadScenario", { "--scenario", "/dev/null" }, 9,
            "/dev/null: the key 'class' is missing (one of: projectile, parachute, balloon, airship, glider, airplane, "
            "reentry, rocket)" },
        ErrorCase { "MissingScenario", { "--scenario", "gone.toml" }, 7,
            "cannot read gone.toml: No such file or directory (I/O error 2)" },
        ErrorCase { "OverlayOfTooManyRuns",
            { "--preset", "1", "--sweep", "TTO=10:80:10", "--overlay", "--png", "o.png" }, 2,
            "--overlay draws at most 9 runs in one picture, not 10" }),
    [](const auto& info) { return std::string(info.param.name); });

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
                + ",flight_time_s_half,flight_time_s_extrapolated,range_m_half,range_m_extrapolated,"
                  "max_altitude_m_half,max_altitude_m_extrapolated,end_speed_m_s_half,end_speed_m_s_extrapolated,"
                  "max_load_factor_g_half,max_load_factor_g_extrapolated,max_dynamic_pressure_pa_half,"
                  "max_dynamic_pressure_pa_extrapolated,end_path_angle_deg_half,end_path_angle_deg_extrapolated,"
                  "max_deceleration_g_half,max_deceleration_g_extrapolated,samples_half,error" },
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
    EXPECT_EQ(got[0].substr(0, 10), "TTO,Vwind,");
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
    ASSERT_EQ(got.size(), 1u + 12u + 6u);
    const char* rows[] = { "n,12,12,12,", "mean,", "sd,", "p5,", "p50,", "p95," };
    for (size_t r = 0; r < std::size(rows); ++r)
        EXPECT_EQ(got[13 + r].rfind(rows[r], 0), 0u) << got[13 + r];
    EXPECT_EQ(study("2", "2", "csv").out, one.out);
    const std::vector<std::string> json = lines(study("3", "1", "jsonl").out);
    ASSERT_EQ(json.size(), 12u + 6u);
    EXPECT_EQ(json[0].rfind("{\"run\":1,\"V0\":", 0), 0u) << json[0];
    EXPECT_EQ(json[17].rfind("{\"run\":\"p95\",", 0), 0u) << json[17];
    EXPECT_NE(json[17].find(",\"error\":null}"), std::string::npos) << json[17];
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

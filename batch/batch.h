// torv-batch: runs without a window. The options, the plan they make, and
// the exit statuses by which scripts tell the kinds of failure apart.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "model/catalog.h"
#include "run/activation.h"
#include "scenarios/presets.h"
#include "scenarios/scenario.h"

namespace torv::batch {

enum Exit : int {
    kOk = 0,
    kWorkerLost = 1, // a sweep's worker process ended without its results
    kUsage = 2, // unknown option, missing or malformed argument
    kUnknownPreset = 3,
    kUnknownField = 4, // no such field, or not one the preset's class offers
    kBadValue = 5, // a number that does not read as one
    kFloatFault = 6, // division by zero, invalid operation or overflow
    kIoError = 7,
    kRunRefused = 8, // the run refused its input (an unusable step)
    kBadScenario = 9, // a scenario file that is no scenario
    kNotConverged = 10, // --converge stopped before every quantity met its target
    kOutOfReach = 11, // --solve found no value that reaches the target
};

// What in the rows of a sweep or a study makes no plan, for a window that
// says it in its own language; `args` of BatchError name what the message
// names, in this order.
enum class PlanProblem {
    None,
    SweepForm, // the field, the text after its "="
    VaryForm, // the field, the text after its "="
    NotANumber, // the text
    CountNotWhole, // the text
    DistanceNotFinite, // the field
    RatioSigns, // the field
    TriangularOrder, // the field
    NegativeDeviation, // the field
    LowAboveHigh, // the field
    DrawNotFinite, // the field, the run, the value
    FieldTwice, // the field
    ChangesNoRun, // the field
    GridTooLarge,
    SweepAndVary,
    SeedNotWhole, // the text
};

// A failure with its exit status; what() is the one-line message.
class BatchError : public std::runtime_error {
public:
    BatchError(int status, const std::string& message, PlanProblem problem = PlanProblem::None,
        std::vector<std::string> args = {})
        : std::runtime_error(message)
        , status_(status)
        , problem_(problem)
        , args_(std::move(args))
    {
    }
    int status() const { return status_; }
    PlanProblem problem() const { return problem_; }
    const std::vector<std::string>& args() const { return args_; }

private:
    int status_;
    PlanProblem problem_;
    std::vector<std::string> args_;
};

// The exit status of the exception being handled, and of `error`.
int statusOfCurrentException();
int statusOf(std::exception_ptr error);
// The one-line message of `e`: what failed and why for a file error.
std::string messageOf(const std::exception& e);

// The options as given.
struct Options {
    bool help = false;
    bool list = false;
    bool version = false;
    std::string preset;
    std::string scenario;
    std::string saveScenario;
    std::vector<std::string> sets; // NAME=VALUE
    std::string aero;
    std::string lang = "en";
    std::string out;
    std::string csv;
    std::string png;
    std::string graph = "default";
    std::string scale;
    bool overlay = false;
    bool accuracy = false;
    bool converge = false;
    std::string target; // percent, "0.1%" or "0.1"
    std::string budget; // seconds
    std::string quantities; // summary columns, comma-separated
    std::vector<std::string> sweeps; // NAME=FROM:TO:COUNT
    std::vector<std::string> varies; // NAME=normal:MEAN:SD, NAME=uniform:LO:HI or NAME=triangular:LO:MODE:HI
    bool shares = false; // each drawn input's share of the variance after a study's statistics
    bool sensitivity = false;
    std::string delta; // percent
    std::string inputs; // fields, comma-separated
    std::string solve; // NAME=LO:HI
    std::string maximize; // summary column
    std::string minimize;
    std::string over; // NAME=LO:HI
    std::string runs;
    std::string seed;
    std::string format = "csv";
    std::string summary;
    std::string jobs;
    std::string threads;
    std::string window;
    std::string sync;
};

// Throws BatchError(kUsage) for an unknown option or a missing argument.
Options parseOptions(int argc, char** argv);

// One field going evenly (or in even ratios) from `from` to `to` in `count`
// runs, or through the values of a list.
struct Sweep {
    const FieldInfo* field = nullptr;
    double from = 0, to = 0;
    long long count = 0;
    bool logarithmic = false;
    std::vector<double> list;
    double value(long long i) const;
};

// One field drawn at random for every run of a study.
struct Vary {
    enum class Law { Normal, Uniform, Triangular };
    const FieldInfo* field = nullptr;
    Law law = Law::Normal;
    double a = 0, b = 0; // mean and standard deviation, or lowest and highest
    double mode = 0; // the triangular law's peak, from a to b
};

// A question asked around the plan's single run instead of running it.
struct Explore {
    enum class Kind { None, Sensitivity, Solve, Maximize, Minimize };
    Kind kind = Kind::None;
    double delta = 0.01; // sensitivity: the change, a fraction of each input
    std::vector<const FieldInfo*> inputs; // sensitivity: empty for all the run reads
    const FieldInfo* field = nullptr; // the searched input and its range
    double lo = 0, hi = 0;
    int column = 0; // the output, an index into summaryQuantities()
    double target = 0; // --solve's value of the output
};

// The values of one run beyond the preset's: each field with its number.
using Assignments = std::vector<std::pair<const FieldInfo*, double>>;

enum class Format { Csv, Jsonl };

// When the files of several runs reach the disk: each run's before the run
// counts as done, all of them once at the end, or when the system writes
// them back.
enum class Sync { Each, End, None };

// What to do, checked against the preset or the scenario.
struct Plan {
    std::vector<int> numbers; // the presets to run, by their number in --list: one, or all; none for a scenario
    std::optional<Scenario> scenario;
    // The runs: the grid of every sweep's values (the first sweep varying
    // slowest), or `runs` draws of the varied fields, or the presets.
    std::vector<Sweep> sweeps;
    std::vector<Vary> varies;
    long long runs = 0;
    std::uint64_t seed = 0;
    bool shares = false; // the drawn inputs' shares of the variance after the statistics
    bool many() const { return !sweeps.empty() || !varies.empty() || numbers.size() > 1; }
    long long count() const;
    // The swept or drawn values of run `i`.
    Assignments assignments(long long i) const;
    int sprache = 3;
    std::optional<double> aeroModel;
    Assignments sets;
    std::string saveScenario; // write the record as it would run, "-": to standard output
    std::string out; // empty: no run directories (several runs) or the current one
    // As given in a single run, names inside each run's directory with several.
    std::string csv;
    std::string png;
    bool accuracy = false;
    // The step halved until the chosen quantities (indices into
    // summaryQuantities(); empty: all) are within `target`, for at most
    // `budget` seconds.
    bool converge = false;
    double target = 0.001;
    double budget = 60;
    std::vector<int> quantities;
    std::optional<Sel> graph; // empty: the run's own
    double scale = 1; // device pixels per picture pixel
    // Absolute: the picture of all the runs drawn over each other
    // (--overlay with --png); empty: none.
    std::string overlay;
    Format format = Format::Csv;
    std::string summary;
    int jobs = 1;
    int threads = 0; // runs on this many threads of the program instead of worker processes; 0: none
    long long window = 1024; // runs handed out ahead of the first line not yet written
    Sync sync = Sync::Each;
    Explore explore;
};

// Throws BatchError with the status of the first problem found. A scenario
// file's [study] table runs where the options ask for no other runs (no
// --sweep, --vary, --sensitivity, --solve, --maximize, --minimize,
// --converge or --save-scenario).
Plan makePlan(const Options& options);
// The same for `scenario` when given (a scenario already read: the options'
// preset and scenario file are not looked at), else for the options' preset.
Plan makePlan(const Options& options, std::optional<Scenario> scenario);

// A study table's rows as --sweep and --vary, with its --runs and --seed
// for a seeded study.
void addStudy(Options& options, const StudyTable& study);

// The lines that say how to call the program, and all of its help.
std::string usageText();
std::string helpText();
std::string presetListText();
// "torv-batch 1.16 (commit 0123abc)".
std::string versionText();

// Writes `text` to standard output; throws IoError when it cannot, for
// lines lost are results lost.
void printOut(const std::string& text);

// Runs the plan's single run in the output directory. Throws.
void runSingle(const Plan& plan);
// Writes the record as the plan's single run would run it. Throws.
void saveScenario(const Plan& plan);
// Runs the plan's runs, each in a directory of its own, and writes one
// summary line per run as they finish, in order, then the statistics of a
// study and the overlay picture if the plan has them; returns the exit
// status (that of the first run that failed, if any).
int runMany(const Plan& plan);

} // namespace torv::batch

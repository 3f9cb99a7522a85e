// torv-batch: runs without a window. The options, the plan they make, and
// the exit statuses by which scripts tell the kinds of failure apart.
#pragma once

#include <exception>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "sim/presets.h"
#include "plot/catalog.h"
#include "sim/activation.h"

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
};

// A failure with its exit status; what() is the one-line message.
class BatchError : public std::runtime_error {
public:
    BatchError(int status, const std::string& message)
        : std::runtime_error(message)
        , status_(status)
    {
    }
    int status() const { return status_; }

private:
    int status_;
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
    std::string preset;
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
    std::string sweep; // NAME=FROM:TO:COUNT
    std::string summary;
    std::string jobs;
};

// Throws BatchError(kUsage) for an unknown option or a missing argument.
Options parseOptions(int argc, char** argv);

struct Sweep {
    const FieldInfo* field = nullptr;
    double from = 0, to = 0;
    int count = 0;
    double value(int i) const;
    // value(i) in the shortest text that reads back as the same number: the
    // name of its run's directory and its first summary column.
    std::string label(int i) const;
};

// What to do, checked against the preset.
struct Plan {
    std::vector<int> numbers; // the presets to run, by their number in --list: one, or all
    bool many() const { return sweep || numbers.size() > 1; }
    int sprache = 3;
    std::optional<double> aeroModel;
    std::vector<std::pair<const FieldInfo*, double>> sets;
    std::string out; // empty: no run directories (sweep) or the current one
    // As given in a single run, names inside each run's directory in a sweep.
    std::string csv;
    std::string png;
    bool accuracy = false;
    std::optional<Sel> graph; // empty: the run's own
    double scale = 1; // device pixels per picture pixel
    // Absolute: the picture of all the sweep's runs drawn over each other
    // (--overlay with --png); empty: none.
    std::string overlay;
    std::optional<Sweep> sweep;
    std::string summary;
    int jobs = 1;
};

// Throws BatchError with the status of the first problem found.
Plan makePlan(const Options& options);

// The lines that say how to call the program, and all of its help.
std::string usageText();
std::string helpText();
std::string presetListText();

// Runs the plan's single run in the output directory. Throws.
void runSingle(const Plan& plan);
// Runs the plan's sweep, or all presets, each in a directory of its own,
// and writes one summary line per run, then the overlay picture if the plan
// has one; returns the exit status (that of the first run that failed, if
// any).
int runMany(const Plan& plan);

} // namespace torv::batch

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <functional>
#include <string_view>
#include <thread>

#include <unistd.h>

#include "analysis/keptruns.h"
#include "batch/batch.h"
#include "batch/study.h"
#include "fault/faults.h"
#include "files/numfmt.h"
#include "files/resultfiles.h"
#include "model/classes.h"
#include "model/languages.h"
#include "model/summary.h"
#include "version.h"

namespace torv::batch {

namespace {

constexpr double kLargestScale = 4;
// The current run and as many kept ones as the calculation form keeps.
constexpr int kOverlayRuns = 1 + kMaxKeptRuns;

const char* className(double klasse)
{
    return classRow(klasse).words;
}

// The classes whose form shows `f`, as their lists name them.
std::string shownFor(const FieldInfo& f)
{
    bool read = false;
    for (const VehicleClassRow& row : vehicleClasses())
        read = read || runReads(row, f.field);
    if (!read)
        return "read by no run";
    if (f.shown != Shown::ByClass)
        return f.shown == Shown::Always ? "all" : "hidden";
    std::string words;
    for (const VehicleClassRow& row : vehicleClasses())
        if (classField(row, f.field))
            words += std::string(words.empty() ? "" : ", ") + row.words;
    return words;
}

// The graph buttons by short name, with the captions they carry in the
// three languages ("H,V,Q,q,nx" stands on two buttons: the time one).
struct GraphName {
    const char* name;
    const char* what;
    std::optional<Sel> selection; // empty: the run's own graph
    std::vector<std::string_view> captions;
};

const std::vector<GraphName>& graphNames()
{
    static const std::vector<GraphName> kNames = {
        { "default", "the run's own graph", std::nullopt, {} },
        { "hvqqnx-t", "H, V, Q, q, nx over time", Sel::FlightOverTime, { "H,V,Q,q,nx" } },
        { "hvqqnx-x", "H, V, Q, q, nx over range", Sel::FlightOverRange, {} },
        { "vh-t", "speed and altitude over time", Sel::SpeedAltitudeOverTime, { "V, H = f (t)" } },
        { "v-t", "speed over time", Sel::SpeedOverTime, { "V = f (t)" } },
        { "vh-x", "speed and altitude over range", Sel::SpeedAltitudeOverRange, { "V, H = f (x)" } },
        { "h-t", "altitude over time", Sel::AltitudeOverTime, { "H = f (t)" } },
        { "nx-t", "axial load factor over time", Sel::AxialLoadOverTime, { "nx = f (t)" } },
        { "ny-t", "normal load factor over time", Sel::NormalLoadOverTime, { "ny = f (t)" } },
        { "q-t", "dynamic pressure over time", Sel::DynamicPressureOverTime, { "g = f (t)" } },
        { "angle-t", "path angle over time", Sel::PathAngleOverTime, { "Q = f(t)" } },
        { "hvqnxny-t", "H, nx, ny, Q, V over time", Sel::LoadFactorsOverTime, { "H,V,Q,nx,ny" } },
        { "drag-t", "drag force over time", Sel::DragOverTime, { "W=f(t)", "X=f(t)", "Drag=f(t)" } },
        { "lift-t", "lift force over time", Sel::LiftOverTime, { "A=f(t)", "Y=f(t)", "Lift=f(t)" } },
        { "h-v", "altitude over speed", Sel::AltitudeOverSpeed, { "V=f(H)" } },
        { "heat-t", "H, V, Q, q, heat flux, nx over time", Sel::HeatingOverTime, { "H,V,Q,q,qo,nx" } },
        { "buoyancy-t", "H, V, buoyancy, buoyancy less weight", Sel::BuoyancyOverTime, { "H,V,A, A-mg" } },
        { "thrust-t", "H, V, Q, thrust, mass, thrust per mass", Sel::ThrustOverTime, { "H,V,Q,P,m,T" } },
        { "aero-t", "H, drag coefficient, Mach, drag force", Sel::AerodynamicsOverTime, { "H,Ma,cya,cx" } },
        { "atm", "H, V, air temperature, pressure, density, Re", Sel::AtmosphereOverTime, { "atm" } },
    };
    return kNames;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

std::optional<Sel> graphSelection(const std::string& name)
{
    const std::string_view wanted = trimmed(name);
    for (const GraphName& g : graphNames()) {
        bool match = wanted == g.name;
        for (std::string_view caption : g.captions)
            match = match || wanted == caption;
        if (match)
            return g.selection;
    }
    throw BatchError(kUsage, "unknown graph '" + echoed(name) + "' (see --help)");
}

double number(const std::string& text)
{
    const auto v = parseNumber(text, '.');
    if (!v)
        throw ConvertError(text);
    return *v;
}

long long wholeNumber(const std::string& text, const char* what, long long min, double max = 1e9)
{
    const auto v = parseNumber(text, '.');
    if (!v || *v != std::floor(*v) || *v < static_cast<double>(min) || *v > max)
        throw BatchError(kUsage,
            std::string(what) + " must be a whole number from " + std::to_string(min) + " to "
                + formatGeneral(max, 15, 0, '.') + ", not '" + echoed(text) + "'");
    return static_cast<long long>(*v);
}

// The field a NAME of --set, --sweep or --vary names: one the form shows for
// the class, or one it never shows.
const FieldInfo& offeredField(const std::string& name, double klasse)
{
    const FieldInfo* f = fieldNamed(name);
    if (!f)
        throw BatchError(kUnknownField, "unknown field '" + echoed(name) + "' (see --help)");
    if (f->shown != Shown::Never && !fieldShown(*f, klasse))
        throw BatchError(kUnknownField,
            "field '" + echoed(name) + "' is not offered for the class " + className(klasse) + " (see --help)");
    // A value no run reads would give lines that differ in nothing else.
    if (!runReads(classRow(klasse), f->field))
        throw BatchError(kUnknownField,
            "field '" + echoed(name) + "' changes no run of the class " + className(klasse) + " (see --help)",
            PlanProblem::ChangesNoRun, { name });
    return *f;
}

// "NAME=A:B:C" split into NAME and its parts after the "=".
std::pair<std::string, std::vector<std::string>> nameAndParts(const std::string& arg)
{
    const auto eq = arg.find('=');
    if (eq == std::string::npos)
        return {};
    std::vector<std::string> parts;
    for (size_t at = eq + 1;;) {
        const size_t colon = arg.find(':', at);
        parts.push_back(arg.substr(at, colon - at));
        if (colon == std::string::npos)
            break;
        at = colon + 1;
    }
    return { arg.substr(0, eq), parts };
}

// The largest number of runs, so that every run's index is exact as a double.
constexpr double kMostRuns = 9007199254740992.0; // 2^53
// A study keeps every run's numbers for its percentiles: 8 bytes a column.
constexpr double kMostStudyRuns = 1e6;

// The sample file, the CSV and the picture of a run must be three files.
void checkDistinctFiles(const Plan& plan)
{
    namespace fs = std::filesystem;
    const fs::path dir = plan.many() || plan.out.empty() ? fs::path() : fs::path(plan.out);
    const fs::path sample = (dir / kSampleFileName).lexically_normal();
    const fs::path csv = fs::path(plan.csv).lexically_normal(), png = fs::path(plan.png).lexically_normal();
    if ((!plan.csv.empty() && (csv == sample || csv == png)) || (!plan.png.empty() && png == sample))
        throw BatchError(kUsage, "the sample file, --csv and --png must name three different files");
}

// Two runs with the same value would write into one directory, each over
// the one before: refused before any run.
void checkDistinctDirectories(const Sweep& sweep)
{
    for (size_t i = 0; i < sweep.list.size(); ++i)
        for (size_t k = 0; k < i; ++k)
            if (shortestText(sweep.list[i]) == shortestText(sweep.list[k]))
                throw BatchError(kUsage,
                    "values " + std::to_string(k + 1) + " and " + std::to_string(i + 1)
                        + " of the sweep's list both are " + legendName(*sweep.field) + "="
                        + shortestText(sweep.list[i]) + " and would share a directory under --out");
    for (long long i = 1; i < sweep.count; ++i)
        if (sweep.value(i) == sweep.value(i - 1) && shortestText(sweep.value(i)) == shortestText(sweep.value(i - 1)))
            throw BatchError(kUsage,
                "runs " + std::to_string(i) + " and " + std::to_string(i + 1) + " of the sweep both have "
                    + legendName(*sweep.field) + "=" + shortestText(sweep.value(i))
                    + " and would share a directory under --out");
}

// A drawn value that is not a finite number would run as one: every draw of
// the study is made and looked at before any run.
void checkFiniteDraws(const Plan& plan)
{
    for (long long i = 0; i < plan.runs; ++i)
        for (const auto& [field, value] : plan.assignments(i))
            if (!std::isfinite(value))
                throw BatchError(kUsage,
                    "--vary " + std::string(legendName(*field)) + ": run " + std::to_string(i + 1) + " would draw "
                        + shortestText(value) + ", not a finite number",
                    PlanProblem::DrawNotFinite, { legendName(*field), std::to_string(i + 1), shortestText(value) });
}

} // namespace

double Sweep::value(long long i) const
{
    if (!list.empty())
        return list[static_cast<size_t>(i)];
    // Even ratios: the ends exactly as given.
    if (logarithmic)
        return count == 1 || i == 0 ? from
            : i == count - 1        ? to
                             : from * std::pow(to / from, static_cast<double>(i) / static_cast<double>(count - 1));
    return count == 1 ? from : from + (to - from) * static_cast<double>(i) / static_cast<double>(count - 1);
}

long long Plan::count() const
{
    if (!varies.empty())
        return runs;
    long long n = 1;
    for (const Sweep& sw : sweeps)
        n *= sw.count;
    return sweeps.empty() ? static_cast<long long>(numbers.size()) : n;
}

Assignments Plan::assignments(long long i) const
{
    Assignments values;
    if (!varies.empty()) {
        RunDraws draws(seed, i);
        for (const Vary& v : varies)
            values.emplace_back(v.field,
                v.law == Vary::Law::Normal        ? draws.normal(v.a, v.b)
                    : v.law == Vary::Law::Uniform ? draws.uniform(v.a, v.b)
                                                  : draws.triangular(v.a, v.mode, v.b));
        return values;
    }
    // The last sweep varies fastest.
    values.resize(sweeps.size());
    for (size_t k = sweeps.size(); k-- > 0;) {
        values[k] = { sweeps[k].field, sweeps[k].value(i % sweeps[k].count) };
        i /= sweeps[k].count;
    }
    return values;
}

int statusOfCurrentException()
{
    try {
        throw;
    } catch (const BatchError& e) {
        return e.status();
    } catch (const ConvertError&) {
        return kBadValue;
    } catch (const FloatError&) {
        return kFloatFault;
    } catch (const IoError&) {
        return kIoError;
    } catch (const std::filesystem::filesystem_error&) {
        return kIoError;
    } catch (const ScenarioError&) {
        return kBadScenario;
    } catch (const TorvError&) {
        return kRunRefused;
    } catch (...) {
        return kWorkerLost;
    }
}

int statusOf(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (...) {
        return statusOfCurrentException();
    }
}

std::string messageOf(const std::exception& e)
{
    const auto* io = dynamic_cast<const IoError*>(&e);
    return io ? io->detail() : e.what();
}

Options parseOptions(int argc, char** argv)
{
    struct Valued {
        const char* name;
        std::string Options::*target;
    };
    static const Valued kValued[] = {
        { "--preset", &Options::preset },
        { "--scenario", &Options::scenario },
        { "--save-scenario", &Options::saveScenario },
        { "--aero", &Options::aero },
        { "--lang", &Options::lang },
        { "--out", &Options::out },
        { "--csv", &Options::csv },
        { "--png", &Options::png },
        { "--graph", &Options::graph },
        { "--scale", &Options::scale },
        { "--runs", &Options::runs },
        { "--seed", &Options::seed },
        { "--format", &Options::format },
        { "--summary", &Options::summary },
        { "--jobs", &Options::jobs },
        { "--threads", &Options::threads },
        { "--window", &Options::window },
        { "--target", &Options::target },
        { "--budget", &Options::budget },
        { "--quantities", &Options::quantities },
        { "--sync", &Options::sync },
        { "--delta", &Options::delta },
        { "--inputs", &Options::inputs },
        { "--solve", &Options::solve },
        { "--maximize", &Options::maximize },
        { "--minimize", &Options::minimize },
        { "--over", &Options::over },
    };
    struct Repeated {
        const char* name;
        std::vector<std::string> Options::*target;
    };
    static const Repeated kRepeated[] = {
        { "--set", &Options::sets },
        { "--sweep", &Options::sweeps },
        { "--vary", &Options::varies },
    };
    struct Flag {
        const char* name;
        bool Options::*target;
    };
    static const Flag kFlags[] = {
        { "--help", &Options::help },
        { "-h", &Options::help },
        { "--list", &Options::list },
        { "--version", &Options::version },
        { "--accuracy", &Options::accuracy },
        { "--converge", &Options::converge },
        { "--overlay", &Options::overlay },
        { "--sensitivity", &Options::sensitivity },
        { "--shares", &Options::shares },
    };
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--") {
            // The options end here; the program takes no other arguments.
            if (i + 1 < argc)
                throw BatchError(kUsage, "unexpected argument '" + echoed(argv[i + 1]) + "' (see --help)");
            break;
        }
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            arg.resize(eq);
        }
        auto take = [&]() -> std::string {
            if (value)
                return *value;
            if (i + 1 >= argc)
                throw BatchError(kUsage, "option " + arg + " needs a value");
            return argv[++i];
        };
        bool known = false;
        for (const Flag& f : kFlags)
            if (arg == f.name && !value)
                known = o.*f.target = true;
        for (const Repeated& r : kRepeated)
            if (!known && arg == r.name) {
                (o.*r.target).push_back(take());
                known = true;
            }
        for (const Valued& v : kValued)
            if (!known && arg == v.name) {
                o.*v.target = take();
                known = true;
            }
        if (!known)
            throw BatchError(kUsage, "unknown option '" + echoed(argv[i]) + "' (see --help)");
        if (arg == "--save-scenario" && o.saveScenario.empty())
            throw BatchError(kUsage, "--save-scenario needs the name of a file (\"-\": standard output)");
    }
    return o;
}

namespace {

// A number of a sweep's or a study's row.
double rowNumber(const std::string& text)
{
    try {
        return number(text);
    } catch (const ConvertError& e) {
        throw BatchError(kBadValue, e.what(), PlanProblem::NotANumber, { text });
    }
}

// The text after NAME=.
std::string afterName(const std::string& arg)
{
    return arg.substr(std::min(arg.find('=') + 1, arg.size()));
}

Sweep sweepOf(const std::string& arg, const std::function<const FieldInfo&(const std::string&)>& offered)
{
    const auto [name, parts] = nameAndParts(arg);
    const bool logarithmic = parts.size() == 4 && parts[0] == "log";
    if (parts.size() != 3 && parts.size() != 1 && !logarithmic)
        throw BatchError(kUsage,
            "--sweep takes NAME=FROM:TO:COUNT, NAME=log:FROM:TO:COUNT or NAME=A,B,..., not '" + echoed(arg) + "'",
            PlanProblem::SweepForm, { name, afterName(arg) });
    Sweep sw;
    sw.field = &offered(name);
    if (parts.size() == 1) {
        for (size_t at = 0; at <= parts[0].size();) {
            const size_t end = std::min(parts[0].find(',', at), parts[0].size());
            sw.list.push_back(rowNumber(parts[0].substr(at, end - at)));
            at = end + 1;
        }
        sw.count = static_cast<long long>(sw.list.size());
        sw.from = sw.list.front();
        sw.to = sw.list.back();
        return sw;
    }
    const size_t first = logarithmic ? 1 : 0;
    sw.logarithmic = logarithmic;
    sw.from = rowNumber(parts[first]);
    sw.to = rowNumber(parts[first + 1]);
    try {
        sw.count = wholeNumber(parts[first + 2], "the sweep's COUNT", 1, kMostRuns);
    } catch (const BatchError& e) {
        throw BatchError(e.status(), e.what(), PlanProblem::CountNotWhole, { parts[first + 2] });
    }
    if (!std::isfinite(sw.to - sw.from))
        throw BatchError(kUsage, "--sweep " + echoed(name) + ": the distance from FROM to TO is not a finite number",
            PlanProblem::DistanceNotFinite, { name });
    // Even ratios need two ends of one sign, neither of them 0.
    if (logarithmic && !(sw.from / sw.to > 0 && std::isfinite(sw.to / sw.from)))
        throw BatchError(kUsage, "--sweep " + echoed(name) + "=log:...: FROM and TO must have one sign, neither 0",
            PlanProblem::RatioSigns, { name });
    return sw;
}

Vary varyOf(const std::string& arg, const std::function<const FieldInfo&(const std::string&)>& offered)
{
    const auto [name, parts] = nameAndParts(arg);
    const bool triangular = parts.size() == 4 && parts[0] == "triangular";
    if (!triangular && (parts.size() != 3 || (parts[0] != "normal" && parts[0] != "uniform")))
        throw BatchError(kUsage,
            "--vary takes NAME=normal:MEAN:SD, NAME=uniform:LO:HI or NAME=triangular:LO:MODE:HI, not '" + echoed(arg)
                + "'",
            PlanProblem::VaryForm, { name, afterName(arg) });
    Vary v;
    v.field = &offered(name);
    if (triangular) {
        v.law = Vary::Law::Triangular;
        v.a = rowNumber(parts[1]);
        v.mode = rowNumber(parts[2]);
        v.b = rowNumber(parts[3]);
        if (!(v.a <= v.mode && v.mode <= v.b) || !std::isfinite(v.b - v.a))
            throw BatchError(kUsage, "--vary " + echoed(name) + ": LO, MODE and HI must be finite and in that order",
                PlanProblem::TriangularOrder, { name });
        return v;
    }
    v.law = parts[0] == "normal" ? Vary::Law::Normal : Vary::Law::Uniform;
    v.a = rowNumber(parts[1]);
    v.b = rowNumber(parts[2]);
    if (v.law == Vary::Law::Normal && v.b < 0)
        throw BatchError(kUsage, "--vary " + echoed(name) + ": the standard deviation must not be negative",
            PlanProblem::NegativeDeviation, { name });
    if (v.law == Vary::Law::Uniform && v.b < v.a)
        throw BatchError(
            kUsage, "--vary " + echoed(name) + ": LO must not be above HI", PlanProblem::LowAboveHigh, { name });
    return v;
}

// --target, --converge, --budget and --quantities.
void convergeOptions(const Options& o, Plan& plan)
{
    // With --solve, --target names the output's value.
    if (!o.target.empty() && o.solve.empty()) {
        if (!o.accuracy && !o.converge)
            throw BatchError(kUsage, "--target belongs to --accuracy or --converge");
        std::string text = o.target;
        if (!text.empty() && text.back() == '%')
            text.pop_back();
        const auto v = parseNumber(text, '.');
        if (!v || !(*v > 0) || !(*v < 100))
            throw BatchError(
                kUsage, "--target takes a percentage above 0 and below 100, as 0.1%, not '" + echoed(o.target) + "'");
        plan.target = *v / 100;
    }
    if (!o.converge) {
        if (!o.budget.empty() || !o.quantities.empty())
            throw BatchError(kUsage, "--budget and --quantities belong to --converge");
        return;
    }
    if (plan.many() || o.accuracy)
        throw BatchError(kUsage, "--converge runs one preset or scenario, without --accuracy");
    plan.converge = true;
    if (!o.budget.empty()) {
        const auto v = parseNumber(o.budget, '.');
        if (!v || !(*v > 0) || !std::isfinite(*v))
            throw BatchError(kUsage, "--budget takes a number of seconds above 0, not '" + echoed(o.budget) + "'");
        plan.budget = *v;
    }
    const auto all = summaryQuantities();
    for (size_t at = 0; at < o.quantities.size();) {
        const size_t end = std::min(o.quantities.find(',', at), o.quantities.size());
        const std::string name = o.quantities.substr(at, end - at);
        const auto q
            = std::find_if(all.begin(), all.end(), [&name](const SummaryQuantity& s) { return name == s.column; });
        if (q == all.end()) {
            std::string names;
            for (const SummaryQuantity& s : all)
                names += (names.empty() ? "" : ", ") + std::string(s.column);
            throw BatchError(kUsage, "--quantities takes summary columns (" + names + "), not '" + echoed(name) + "'");
        }
        plan.quantities.push_back(static_cast<int>(q - all.begin()));
        at = end + 1;
    }
}

using Offered = std::function<const FieldInfo&(const std::string&)>;

// "range_m" as an index into summaryQuantities().
int outputColumn(const std::string& name, const char* option)
{
    const auto all = summaryQuantities();
    std::string names;
    for (size_t k = 0; k < all.size(); ++k) {
        if (name == all[k].column)
            return static_cast<int>(k);
        names += (names.empty() ? "" : ", ") + std::string(all[k].column);
    }
    throw BatchError(
        kUsage, std::string(option) + " takes a summary column (" + names + "), not '" + echoed(name) + "'");
}

// "NAME=LO:HI": the searched input and its range.
void searchRange(const std::string& arg, const char* option, const Offered& offered, Explore& e)
{
    const auto [name, parts] = nameAndParts(arg);
    if (parts.size() != 2)
        throw BatchError(kUsage, std::string(option) + " takes NAME=LO:HI, not '" + echoed(arg) + "'");
    e.field = &offered(name);
    e.lo = number(parts[0]);
    e.hi = number(parts[1]);
    if (!(e.lo < e.hi) || !std::isfinite(e.hi - e.lo))
        throw BatchError(kUsage, std::string(option) + " " + echoed(name) + ": LO must be below HI, both finite");
}

// --sensitivity, --solve, --maximize and --minimize with their own options.
void exploreOptions(const Options& o, Plan& plan, const Offered& offered)
{
    Explore& e = plan.explore;
    const int asked = static_cast<int>(o.sensitivity) + static_cast<int>(!o.solve.empty())
        + static_cast<int>(!o.maximize.empty()) + static_cast<int>(!o.minimize.empty());
    if (asked == 0 || !o.sensitivity) {
        if (!o.delta.empty() || !o.inputs.empty())
            throw BatchError(kUsage, "--delta and --inputs belong to --sensitivity");
    }
    if (asked == 0) {
        if (!o.over.empty())
            throw BatchError(kUsage, "--over belongs to --maximize or --minimize");
        return;
    }
    if (asked > 1)
        throw BatchError(kUsage, "--sensitivity, --solve, --maximize and --minimize ask one question at a time");
    const bool around = o.sensitivity ? plan.sweeps.empty() && plan.numbers.size() <= 1 : !plan.many();
    if (!around || o.accuracy || o.converge || !o.saveScenario.empty() || !o.out.empty() || !o.csv.empty()
        || !o.png.empty() || o.overlay)
        throw BatchError(kUsage,
            "--sensitivity, --solve, --maximize and --minimize run around one preset or scenario, without --sweep, "
            "--vary (but for --sensitivity), --accuracy, --converge, --save-scenario, --out, --csv, --png or "
            "--overlay");
    if (o.sensitivity) {
        e.kind = Explore::Kind::Sensitivity;
        if (!o.delta.empty()) {
            std::string text = o.delta;
            if (text.back() == '%')
                text.pop_back();
            const auto v = parseNumber(text, '.');
            if (!v || !(*v > 0) || !(*v < 100))
                throw BatchError(
                    kUsage, "--delta takes a percentage above 0 and below 100, as 1%, not '" + echoed(o.delta) + "'");
            e.delta = *v / 100;
        }
        for (size_t at = 0; at < o.inputs.size();) {
            const size_t end = std::min(o.inputs.find(',', at), o.inputs.size());
            const FieldInfo* f = &offered(o.inputs.substr(at, end - at));
            if (std::find(e.inputs.begin(), e.inputs.end(), f) != e.inputs.end())
                throw BatchError(kUsage, std::string("--inputs names ") + legendName(*f) + " twice");
            e.inputs.push_back(f);
            at = end + 1;
        }
        return;
    }
    if (!o.solve.empty()) {
        e.kind = Explore::Kind::Solve;
        if (!o.over.empty())
            throw BatchError(kUsage, "--solve takes its range itself: --solve NAME=LO:HI --target COLUMN=VALUE");
        searchRange(o.solve, "--solve", offered, e);
        const auto eq = o.target.find('=');
        if (o.target.empty() || eq == std::string::npos)
            throw BatchError(kUsage, "--solve needs --target COLUMN=VALUE, the summary column and its value");
        e.column = outputColumn(o.target.substr(0, eq), "--target");
        e.target = number(o.target.substr(eq + 1));
        if (!std::isfinite(e.target))
            throw BatchError(kUsage, "--target: the value must be a finite number");
        return;
    }
    const bool greatest = !o.maximize.empty();
    e.kind = greatest ? Explore::Kind::Maximize : Explore::Kind::Minimize;
    const char* option = greatest ? "--maximize" : "--minimize";
    e.column = outputColumn(greatest ? o.maximize : o.minimize, option);
    if (o.over.empty())
        throw BatchError(kUsage, std::string(option) + " needs --over NAME=LO:HI, the input and its range");
    searchRange(o.over, "--over", offered, e);
}

} // namespace

Plan makePlan(const Options& o)
{
    if (o.preset.empty() == o.scenario.empty())
        throw BatchError(kUsage, "give either --preset N or all (--list shows them) or --scenario FILE");
    if (o.scenario.empty())
        return makePlan(o, std::nullopt);
    Scenario scenario;
    try {
        scenario = readScenario(o.scenario);
    } catch (const ScenarioError& e) {
        throw BatchError(kBadScenario, e.what());
    }
    const bool otherRuns = !o.sweeps.empty() || !o.varies.empty() || o.sensitivity || !o.solve.empty()
        || !o.maximize.empty() || !o.minimize.empty() || o.converge || !o.saveScenario.empty();
    if (!scenario.study || otherRuns)
        return makePlan(o, std::move(scenario));
    Options withStudy = o;
    addStudy(withStudy, *scenario.study);
    return makePlan(withStudy, std::move(scenario));
}

void addStudy(Options& o, const StudyTable& study)
{
    bool seeded = false;
    for (const StudyRow& row : study.rows) {
        const bool sweep = row.law == "sweep";
        (sweep ? o.sweeps : o.varies).push_back(row.input + "=" + (sweep ? "" : row.law + ":") + row.numbers);
        seeded = seeded || !sweep;
    }
    // The command line's own --runs and --seed come first.
    if (seeded && o.runs.empty())
        o.runs = std::to_string(study.runs);
    if (seeded && o.seed.empty())
        o.seed = std::to_string(study.seed);
}

Plan makePlan(const Options& o, std::optional<Scenario> scenario)
{
    Plan plan;
    plan.scenario = std::move(scenario);
    if (!plan.scenario && o.preset == "all") {
        for (int n = 1; n <= presetCount(); ++n)
            plan.numbers.push_back(n);
    } else if (!plan.scenario) {
        const auto n = parseNumber(o.preset, '.');
        if (!n || *n != std::floor(*n) || std::fabs(*n) > 1e9 || !presetNumber(static_cast<int>(*n)))
            throw BatchError(kUnknownPreset,
                "unknown preset '" + echoed(o.preset) + "': the presets are numbered 1 to "
                    + std::to_string(presetCount()));
        plan.numbers.push_back(static_cast<int>(*n));
    }
    // A field must be offered for the class of every preset that runs.
    std::function<const FieldInfo&(const std::string&)> offered = [&plan](const std::string& name) -> const FieldInfo& {
        if (plan.scenario)
            return offeredField(name, static_cast<double>(plan.scenario->klasse));
        const FieldInfo* f = nullptr;
        for (int n : plan.numbers) {
            const PresetRef ref = *presetNumber(n);
            f = &offeredField(name, presets(ref.list)[static_cast<size_t>(ref.index)].Klasse);
        }
        return *f;
    };

    plan.sprache = 0;
    for (int column = 0; column < kLanguages; ++column)
        if (o.lang == kLanguageCodes[column])
            plan.sprache = column + 1;
    if (plan.sprache == 0)
        throw BatchError(kUsage, "unknown language '" + echoed(o.lang) + "': ru, de or en");
    if (!o.aero.empty()) {
        if (o.aero != "0" && o.aero != "1")
            throw BatchError(kUsage, "--aero takes 0 (constant) or 1 (Titan-2), not '" + echoed(o.aero) + "'");
        plan.aeroModel = o.aero == "1" ? 1.0 : 0.0;
    }

    for (const std::string& s : o.sets) {
        const auto eq = s.find('=');
        if (eq == std::string::npos)
            throw BatchError(kUsage, "--set takes NAME=VALUE, not '" + echoed(s) + "'");
        const FieldInfo& f = offered(s.substr(0, eq));
        plan.sets.emplace_back(&f, number(s.substr(eq + 1)));
    }

    if ((!o.sweeps.empty() || !o.varies.empty()) && plan.numbers.size() > 1)
        throw BatchError(kUsage, "a sweep or a study runs one preset");
    if (!o.sweeps.empty() && !o.varies.empty())
        throw BatchError(kUsage, "--sweep and --vary do not go together: a grid or a study", PlanProblem::SweepAndVary);
    double runs = 1;
    for (const std::string& arg : o.sweeps) {
        plan.sweeps.push_back(sweepOf(arg, offered));
        runs *= static_cast<double>(plan.sweeps.back().count);
    }
    if (runs > kMostRuns)
        throw BatchError(kUsage, "the grid has more runs than 2^53", PlanProblem::GridTooLarge);
    for (const std::string& arg : o.varies)
        plan.varies.push_back(varyOf(arg, offered));
    std::vector<const FieldInfo*> fields;
    for (const Sweep& sw : plan.sweeps)
        fields.push_back(sw.field);
    for (const Vary& v : plan.varies)
        fields.push_back(v.field);
    for (size_t k = 0; k < fields.size(); ++k)
        for (size_t m = 0; m < k; ++m)
            if (fields[k] == fields[m])
                throw BatchError(kUsage, std::string("field '") + legendName(*fields[k]) + "' is swept or varied twice",
                    PlanProblem::FieldTwice, { legendName(*fields[k]) });
    if (!plan.varies.empty()) {
        // Around one run, --sensitivity changes a drawn input by its law's
        // standard deviation and draws nothing.
        if (o.sensitivity && (!o.runs.empty() || !o.seed.empty()))
            throw BatchError(kUsage, "--runs and --seed belong to a study, not to --sensitivity");
        if (o.runs.empty() && !o.sensitivity)
            throw BatchError(kUsage, "--vary needs --runs N, the number of runs of the study");
        plan.runs = o.sensitivity ? 1 : wholeNumber(o.runs, "--runs", 1, kMostStudyRuns);
        if (!o.seed.empty()) {
            const auto [end, ec] = std::from_chars(o.seed.data(), o.seed.data() + o.seed.size(), plan.seed);
            if (ec != std::errc() || end != o.seed.data() + o.seed.size())
                throw BatchError(kUsage, "--seed takes a whole number from 0 to 2^64-1, not '" + echoed(o.seed) + "'",
                    PlanProblem::SeedNotWhole, { o.seed });
        }
        checkFiniteDraws(plan);
    } else if (!o.runs.empty() || !o.seed.empty()) {
        throw BatchError(kUsage, "--runs and --seed belong to --vary");
    }

    if (o.format == "jsonl")
        plan.format = Format::Jsonl;
    else if (o.format != "csv")
        throw BatchError(kUsage, "--format takes csv or jsonl, not '" + echoed(o.format) + "'");
    if (plan.many()) {
        const unsigned cores = std::thread::hardware_concurrency();
        plan.jobs = o.jobs.empty() ? static_cast<int>(cores > 0 ? cores : 1)
                                   : static_cast<int>(wholeNumber(o.jobs, "--jobs", 1));
        if (!o.threads.empty()) {
            if (!o.jobs.empty())
                throw BatchError(kUsage, "--jobs and --threads do not go together: processes or threads");
            plan.threads = static_cast<int>(wholeNumber(o.threads, "--threads", 1, 4096));
        }
        if (!o.window.empty())
            plan.window = wholeNumber(o.window, "--window", 1);
        if (o.sync == "end")
            plan.sync = Sync::End;
        else if (o.sync == "none")
            plan.sync = Sync::None;
        else if (!o.sync.empty() && o.sync != "each")
            throw BatchError(kUsage, "--sync takes each, end or none, not '" + echoed(o.sync) + "'");
    } else if (!o.summary.empty() || !o.jobs.empty() || !o.threads.empty() || !o.window.empty() || !o.sync.empty()) {
        throw BatchError(kUsage, "--summary, --jobs, --threads, --window and --sync belong to several runs");
    }
    if (!o.saveScenario.empty()) {
        if (plan.many() || !o.out.empty() || !o.csv.empty() || !o.png.empty() || o.accuracy || o.converge)
            throw BatchError(kUsage,
                "--save-scenario writes the record of one run and runs nothing: it takes --preset N "
                "or --scenario FILE, --set and --aero");
        plan.saveScenario = o.saveScenario;
    }

    plan.graph = graphSelection(o.graph);
    if (o.graph != "default" && o.png.empty())
        throw BatchError(kUsage, "--graph belongs to --png");
    if (!o.scale.empty()) {
        const auto v = parseNumber(o.scale, '.');
        if (!v || *v < 1 || *v > kLargestScale)
            throw BatchError(kUsage, "--scale takes a number from 1 to 4, not '" + o.scale + "'");
        if (o.png.empty())
            throw BatchError(kUsage, "--scale belongs to --png");
        plan.scale = *v;
    }
    plan.out = o.out;
    while (plan.out.size() > 1 && plan.out.back() == '/')
        plan.out.pop_back();
    plan.summary = o.summary;
    plan.accuracy = o.accuracy;
    convergeOptions(o, plan);
    if (o.overlay) {
        if ((plan.sweeps.empty() && plan.varies.empty()) || o.png.empty())
            throw BatchError(
                kUsage, "--overlay draws the runs of a --sweep or a --vary into the one picture --png FILE");
        if (plan.count() > kOverlayRuns)
            throw BatchError(kUsage,
                "--overlay draws at most " + std::to_string(kOverlayRuns) + " runs in one picture, not "
                    + std::to_string(plan.count()));
        plan.overlay = o.png;
    }
    // With --overlay, --png names the one picture of all runs.
    const std::string runPng = o.overlay ? std::string() : o.png;
    plan.csv = o.csv;
    plan.png = runPng;
    if (plan.many()) {
        for (const std::string* name : { &o.csv, &runPng })
            if (!name->empty() && (o.out.empty() || name->find('/') != std::string::npos))
                throw BatchError(
                    kUsage, "with several runs, --csv and --png name a file inside each run's directory under --out");
    }
    if (o.shares && plan.varies.empty())
        throw BatchError(kUsage, "--shares belongs to a study: its inputs drawn with --vary");
    plan.shares = o.shares;
    exploreOptions(o, plan, offered);
    checkDistinctFiles(plan);
    if (!plan.out.empty())
        for (const Sweep& sw : plan.sweeps)
            checkDistinctDirectories(sw);
    return plan;
}

std::string presetListText()
{
    std::string text;
    int number = 1;
    for (PresetList list : kPresetLists)
        for (const Preset& p : presets(list)) {
            char head[48];
            std::snprintf(head, sizeof head, "%2d  %-16s ", number++, className(p.Klasse));
            text += head;
            text += p.label;
            text += '\n';
        }
    return text;
}

std::string versionText()
{
    return std::string("torv-batch ") + TORV_VERSION_TEXT + "\n";
}

std::string usageText()
{
    return R"(Usage: torv-batch --list | --help | --version
       torv-batch (--preset N|all | --scenario FILE) [--set NAME=VALUE ...] [--aero 0|1]
                  [--lang ru|de|en] [--out DIR] [--csv FILE] [--png FILE [--graph NAME] [--scale S]]
                  [--accuracy [--target P%]] [--format csv|jsonl]
                  [--sweep NAME=FROM:TO:COUNT|log:FROM:TO:COUNT|A,B,... ...
                   | --vary NAME=LAW:A:B[:C] ... --runs N [--seed S]]
                  [--summary FILE] [--jobs N|--threads N] [--window N] [--sync each|end|none] [--overlay]
       torv-batch (--preset N | --scenario FILE) [--set NAME=VALUE ...] [--aero 0|1]
                  [--lang ru|de|en] [--out DIR] [--csv FILE] [--png FILE ...]
                  --converge [--target P%] [--budget SECONDS] [--quantities NAME,...]
       torv-batch (--preset N | --scenario FILE) [--set NAME=VALUE ...] [--aero 0|1]
                  --save-scenario FILE|-
       torv-batch (--preset N | --scenario FILE) [--set NAME=VALUE ...] [--aero 0|1]
                  [--format csv|jsonl]
                  (--sensitivity [--delta P%] [--inputs NAME,...]
                   | --solve NAME=LO:HI --target COLUMN=VALUE
                   | (--maximize|--minimize) COLUMN --over NAME=LO:HI)
)";
}

std::string helpText()
{
    std::string t = usageText() + R"(
Runs a preset, or a scenario file, as the calculation form's START would after
choosing it, without a window, and writes "Torv_500.txt" into DIR (default: the
current directory). Standard output gets a summary, one line per run: the preset
number, the scenario's name or the run's swept or drawn values; flight time,
range, end speed and end path angle where the flight reached its end altitude
(within the last step) or its end time; the greatest altitude, axial load factor
|nx|, dynamic pressure and applied deceleration over every step; the sample
slots filled; all in SI units, angles in degrees, loads in g; with --accuracy
each quantity at half and at a quarter of the step and extrapolated, and the
step check's estimated error; and an error column that is empty unless that
run failed.

  --list            the presets, numbered 1 to )"
        + std::to_string(presetCount()) + R"(, with their class
  --preset N        run preset N
  --preset all      run every preset, one summary line each
  --scenario FILE   run the scenario FILE (TOML, as the program's Ctrl+Shift+S
                    and --save-scenario write it) as a preset with that record;
                    it gives every input its class's run reads
  --save-scenario FILE
                    write the record as it would run, with --set and --aero,
                    to the scenario FILE ("-": standard output) and run nothing;
                    from --scenario, the file's text with the changed values
  --set NAME=VALUE  type VALUE into a field after the preset is loaded; VALUE
                    is read as the fields read it, with a full stop, to the
                    nearest double. The fields the form hides (marked below)
                    may be set as well, but none that no run reads
  --aero 0|1        aerodynamic model: 0 constant (default), 1 Titan-2
  --lang ru|de|en   language of the graph titles (default en)
  --out DIR         directory of the results (created with its parents if
                    missing)
  --csv FILE        the 500 samples of every recorded series as CSV
  --png FILE        the graph as an 800 x 600 PNG picture
  --graph NAME      which graph (default: the run's own); a short name below
                    or a graph button's caption
  --scale S         the picture at S device pixels per pixel (1 to 4, default
                    1), as a screen of that pixel ratio shows it: --scale 2
                    writes 1600 x 1200 pixels
  --overlay         with --sweep or --vary and --png FILE: all runs (at most 9)
                    drawn in one picture FILE in the same axes, the first in
                    black, each other in its own colour, with a legend of
                    their values
  --accuracy        the step check: the same run at half and at a quarter of
                    the step. Where a quantity's successive differences shrink
                    by a ratio of 1.6 to 2.5 (the first-order regime of the
                    method), its error is estimated and it is extrapolated
                    (X_extrapolated, 2*quarter - half); elsewhere it has not
                    settled at this step and neither is given. step_error is
                    the largest estimated relative error at the run's step,
                    empty when a quantity has not settled. Standard error gets
                    the verdict: the step meets the target, or which quantity
                    misses it, by what factor the step is too coarse and the
                    step (rounded down) that meets it, or which quantity has not
                    settled; with several runs, a line for each run that does
                    not meet the target
  --converge        halve the step from the run's own until every quantity (or
                    those --quantities names) has settled with an estimated
                    error below the target, within the time budget; progress
                    and the result on standard error, the summary line and
                    the files (--out, --csv, --png) of the run at the finest
                    step. Exit status 10 when it stopped first: standard error
                    says which quantity did not meet the target and what it
                    reached
  --target P%       the step check's target (default 0.1%)
  --target COLUMN=VALUE
                    with --solve: the summary column and the value it seeks
  --budget SECONDS  --converge stops before a halving that would take it past
                    this many seconds of computing (default 60)
  --quantities NAME,...
                    the summary columns --converge must settle (default all)
  --format csv|jsonl
                    the summary as CSV with a header line (default), or as
                    one JSON object per line, keyed by the CSV header's names,
                    numbers as numbers and the error as a string or null
  --sweep NAME=FROM:TO:COUNT
                    COUNT runs with NAME going evenly from FROM to TO. Given
                    several times, the runs form the grid of all combinations,
                    the first --sweep varying slowest, with a column for each
                    swept value
  --sweep NAME=log:FROM:TO:COUNT
                    the same in even ratios (FROM and TO of one sign, not 0)
  --sweep NAME=A,B,...
                    one run for each value of the list, in its order
  --vary NAME=normal:MEAN:SD
  --vary NAME=uniform:LO:HI
  --vary NAME=triangular:LO:MODE:HI
                    a study: in each of the --runs N runs NAME is drawn from a
                    normal distribution, evenly from [LO, HI) or from the
                    triangular distribution peaking at MODE; repeatable.
                    The values of run I depend on the seed and I only, so that
                    any --jobs gives the same lines. After the runs' lines come
                    the rows n (the runs that succeeded), failed (the runs that
                    failed), mean, sd (sample standard deviation), p5, p50 and
                    p95 of every column, over the runs that succeeded; a
                    percentile interpolates linearly between the two closest
                    ranks (as PERCENTILE.INC does)
  --shares          after a study's statistics, a row r2_NAME per drawn
                    input: its share of each column's variance as a straight
                    line explains it, the squared correlation coefficient over
                    the runs (first order, linear); then r2_sum. Where a sum is
                    not within 0.1 of 1, standard error says so: the inputs
                    act together or along a curve, and the rest is not
                    attributed
  --runs N          the number of runs of a study (at most 1000000: the
                    statistics keep every run's numbers, 8 bytes a column)
  --seed S          the seed of a study's random numbers (0 to 2^64-1,
                    default 0)
                    With several runs (all presets, a sweep or a study), each
                    writes its files only with --out, into DIR/NAME=VALUE/
                    (DIR/NAME=VALUE,NAME=VALUE/ for a grid), DIR/preset=N/ or
                    DIR/run=I/, where --csv and --png then name files; VALUE is
                    written in the shortest form that reads back as the run's
                    number
  --summary FILE    the lines of several runs into FILE instead; Ctrl+C
                    writes the lines finished so far and exits with 130
  --jobs N          runs in N processes at once (default: the processors)
  --threads N       runs on N threads of the program instead, each run on a
                    state of its own: the same lines as with --jobs
  --window N        with several runs, at most N runs ahead of the first line
                    not yet written (default 1024): the lines go out in order
                    as the runs finish, and no more than N of them are held.
                    On a terminal, standard error shows the runs done and an
                    estimated end
  --sync MODE       when the files of several runs (--out, --summary, the
                    overlay) reach the disk; each file replaces its target
                    whole, by a rename, in every mode:
                    each  every run's files before the run counts as done
                          (default): after a power cut, every run whose line
                          was written has its files complete
                    end   all of them at once at the end: after a power cut
                          before the program ended, a file of this sweep may
                          be missing, empty or old; once it has ended, all are
                          on the disk
                    none  when the system writes them back (within about 30
                          seconds on Linux): after a power cut, also files of
                          a sweep that has ended may be missing, empty or old
  --sensitivity     around the run: every input its class reads (or those
                    --inputs names) changed by --delta of itself (default 1%)
                    up and down, one at a time. A line per input and summary
                    column: input,output,base,low,high,elasticity; low and
                    high at (1 - delta) and (1 + delta) times the input;
                    elasticity, per cent of output per per cent of input,
                    (high - low) / base over (2 delta), 0 where high and low
                    differ by rounding alone (1e-12 of base); empty where a
                    column has no value or its base is 0. An input that is 0
                    is left out, with a line on standard error. An input
                    drawn with --vary (no --runs) changes instead by one
                    standard deviation of its law, around its own value
  --delta P%        the change of --sensitivity
  --inputs NAME,... the inputs --sensitivity changes (default all)
  --solve NAME=LO:HI
                    every value of NAME in [LO, HI] where the summary column
                    of --target COLUMN=VALUE equals VALUE: runs at 41 evenly
                    spaced values, then Brent's method between each two that
                    lie on either side (crossings closer together than a 40th
                    of the range may be missed). A line per solution:
                    name,value,output,achieved,runs (runs: those made to find
                    it, the scan's included). Exit status 11 and nothing on
                    standard output when no run crosses VALUE
  --maximize COLUMN
  --minimize COLUMN the value of --over NAME=LO:HI with the greatest (least)
                    summary COLUMN: the same scan, then golden-section search
                    between the best value's neighbours; one line as --solve's
  --over NAME=LO:HI the input and range of --maximize and --minimize
                    --solve, --maximize and --minimize then run the step check
                    at each answer and say on standard error how far the
                    step's own error lets it be trusted
  --version         the program's version
  --help            this text
  --                the end of the options

Fields (NAME, unit, meaning; the classes whose form offers them, "hidden" for
those the form never shows):
)";
    for (const FieldInfo& f : fieldTable()) {
        char line[120];
        std::snprintf(line, sizeof line, "  %-13s %-9s %-30s %s\n", f.field == Field::TTO ? "Q0, TTO" : f.name, f.unit,
            f.meaning, shownFor(f).c_str());
        t += line;
    }
    t += "\nGraphs (NAME, what it shows, the captions of its button, also accepted):\n";
    for (const auto& g : graphNames()) {
        char line[120];
        std::snprintf(line, sizeof line, "  %-11s %-44s", g.name, g.what);
        t += line;
        for (std::string_view c : g.captions)
            t += " \"" + std::string(c) + "\"";
        t.erase(t.find_last_not_of(' ') + 1);
        t += '\n';
    }
    t += R"(
Exit status:
  0  done
  1  a worker process ended without its results
  2  unknown option, missing or malformed argument
  3  unknown preset
  4  unknown field, or one the preset's class does not offer
  5  a value that is not a valid floating point number
  6  floating-point fault in the run (its message)
  7  I/O error (with the system's error number)
  8  the run refused its input (an unusable integration step)
  9  a scenario file that is no scenario (the file, the line and the key)
 10  --converge stopped (budget, steps or error) before meeting its target
 11  --solve: the target is out of reach in the range (--maximize, --minimize:
     no run of the scan had the column)
A run's files are written together: an error, also a failed rename, leaves
every file it would have written as it was; a run killed while renaming them
is undone by the next run writing into the sample file's folder. A file that
is a symbolic link or has several hard links is not replaced (I/O error 40 and
31), nor another user's file in a sticky folder (1), nor one named twice (22).
)";
    return t;
}

} // namespace torv::batch

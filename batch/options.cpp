#include <cerrno>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <string_view>
#include <thread>

#include <unistd.h>

#include "batch/batch.h"
#include "physics/faults.h"
#include "sim/keptruns.h"
#include "sim/numfmt.h"
#include "sim/resultfiles.h"

namespace torv::batch {

namespace {

constexpr double kLargestScale = 4;
// The current run and as many kept ones as the calculation form keeps.
constexpr int kOverlayRuns = 1 + kMaxKeptRuns;

constexpr const char* kClassNames[]
    = { "", "projectile", "parachute", "balloon", "airship", "glider", "airplane", "reentry vehicle", "rocket" };

const char* className(double klasse)
{
    return kClassNames[static_cast<int>(vehicleClass(klasse))];
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

int wholeNumber(const std::string& text, const char* what, int min)
{
    const auto v = parseNumber(text, '.');
    if (!v || *v != std::floor(*v) || *v < min || *v > 1e9)
        throw BatchError(kUsage,
            std::string(what) + " must be a whole number of at least " + std::to_string(min) + ", not '" + echoed(text)
                + "'");
    return static_cast<int>(*v);
}

const FieldInfo& offeredField(const std::string& name, double klasse)
{
    const FieldInfo* f = fieldNamed(name);
    if (!f)
        throw BatchError(kUnknownField, "unknown field '" + echoed(name) + "' (see --help)");
    if (!fieldShown(*f, klasse))
        throw BatchError(
            kUnknownField, "field '" + name + "' is not offered for the class " + className(klasse) + " (see --help)");
    return *f;
}

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
    for (int i = 1; i < sweep.count; ++i)
        if (sweep.value(i) == sweep.value(i - 1) && sweep.label(i) == sweep.label(i - 1))
            throw BatchError(kUsage,
                "runs " + std::to_string(i) + " and " + std::to_string(i + 1) + " of the sweep both have "
                    + sweep.field->name + "=" + sweep.label(i) + " and would share a directory under --out");
}

} // namespace

double Sweep::value(int i) const
{
    return count == 1 ? from : from + (to - from) * i / (count - 1);
}

std::string Sweep::label(int i) const
{
    return shortestText(value(i));
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
        { "--aero", &Options::aero },
        { "--lang", &Options::lang },
        { "--out", &Options::out },
        { "--csv", &Options::csv },
        { "--png", &Options::png },
        { "--graph", &Options::graph },
        { "--scale", &Options::scale },
        { "--sweep", &Options::sweep },
        { "--summary", &Options::summary },
        { "--jobs", &Options::jobs },
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
        if ((arg == "--help" || arg == "-h") && !value) {
            o.help = true;
        } else if (arg == "--list" && !value) {
            o.list = true;
        } else if (arg == "--accuracy" && !value) {
            o.accuracy = true;
        } else if (arg == "--overlay" && !value) {
            o.overlay = true;
        } else if (arg == "--set") {
            o.sets.push_back(take());
        } else {
            const Valued* v = nullptr;
            for (const Valued& candidate : kValued)
                if (arg == candidate.name)
                    v = &candidate;
            if (!v)
                throw BatchError(kUsage, "unknown option '" + echoed(argv[i]) + "' (see --help)");
            o.*v->target = take();
        }
    }
    return o;
}

Plan makePlan(const Options& o)
{
    Plan plan;
    if (o.preset.empty())
        throw BatchError(kUsage, "no preset: give --preset N or all (--list shows them)");
    if (o.preset == "all") {
        for (int n = 1; n <= presetCount(); ++n)
            plan.numbers.push_back(n);
    } else {
        const auto n = parseNumber(o.preset, '.');
        if (!n || *n != std::floor(*n) || std::fabs(*n) > 1e9 || !presetNumber(static_cast<int>(*n)))
            throw BatchError(kUnknownPreset,
                "unknown preset '" + echoed(o.preset) + "': the presets are numbered 1 to "
                    + std::to_string(presetCount()));
        plan.numbers.push_back(static_cast<int>(*n));
    }
    // A field must be offered for the class of every preset that runs.
    auto offered = [&plan](const std::string& name) -> const FieldInfo& {
        const FieldInfo* f = nullptr;
        for (int n : plan.numbers) {
            const PresetRef ref = *presetNumber(n);
            f = &offeredField(name, presets(ref.list)[static_cast<size_t>(ref.index)].Klasse);
        }
        return *f;
    };

    static const std::pair<const char*, int> kLanguages[] = { { "ru", 1 }, { "de", 2 }, { "en", 3 } };
    plan.sprache = 0;
    for (const auto& [code, sprache] : kLanguages)
        if (o.lang == code)
            plan.sprache = sprache;
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

    if (!o.sweep.empty()) {
        const auto eq = o.sweep.find('=');
        const auto c1 = o.sweep.find(':', eq == std::string::npos ? 0 : eq);
        const auto c2 = c1 == std::string::npos ? c1 : o.sweep.find(':', c1 + 1);
        if (eq == std::string::npos || c2 == std::string::npos)
            throw BatchError(kUsage, "--sweep takes NAME=FROM:TO:COUNT, not '" + echoed(o.sweep) + "'");
        if (plan.numbers.size() > 1)
            throw BatchError(kUsage, "a sweep runs one preset");
        Sweep sw;
        sw.field = &offered(o.sweep.substr(0, eq));
        sw.from = number(o.sweep.substr(eq + 1, c1 - eq - 1));
        sw.to = number(o.sweep.substr(c1 + 1, c2 - c1 - 1));
        sw.count = wholeNumber(o.sweep.substr(c2 + 1), "the sweep's COUNT", 1);
        plan.sweep = sw;
    }
    if (plan.many()) {
        const unsigned cores = std::thread::hardware_concurrency();
        plan.jobs = o.jobs.empty() ? static_cast<int>(cores > 0 ? cores : 1) : wholeNumber(o.jobs, "--jobs", 1);
    } else if (!o.summary.empty() || !o.jobs.empty()) {
        throw BatchError(kUsage, "--summary and --jobs belong to --sweep and --preset all");
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
    if (o.overlay) {
        if (!plan.sweep || o.png.empty())
            throw BatchError(kUsage, "--overlay draws the runs of a --sweep into the one picture --png FILE");
        if (plan.sweep->count > kOverlayRuns)
            throw BatchError(kUsage,
                "--overlay draws at most " + std::to_string(kOverlayRuns) + " runs in one picture, not "
                    + std::to_string(plan.sweep->count));
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
    checkDistinctFiles(plan);
    if (plan.sweep && !plan.out.empty())
        checkDistinctDirectories(*plan.sweep);
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

std::string usageText()
{
    return R"(Usage: torv-batch --list
       torv-batch --preset N|all [--set NAME=VALUE ...] [--aero 0|1] [--lang ru|de|en]
                  [--out DIR] [--csv FILE] [--png FILE [--graph NAME] [--scale S]] [--accuracy]
                  [--sweep NAME=FROM:TO:COUNT [--summary FILE] [--jobs N] [--overlay]]
)";
}

std::string helpText()
{
    std::string t = usageText() + R"(
Runs a preset as the calculation form's START would after choosing it, without
a window, and writes "Torv_500.txt" into DIR (default: the current directory).
Standard output gets a CSV summary, one line per run: the preset number or the
swept value, flight time, range, greatest altitude, end speed and greatest load
factor in SI units (with --accuracy the same at half the step), and an error
column that is empty unless that run failed.

  --list            the presets, numbered 1 to 34, with their class
  --preset N        run preset N
  --preset all      run every preset, one summary line each
  --set NAME=VALUE  type VALUE into a field after the preset is loaded; VALUE
                    is read as the fields read it, with a full stop
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
  --overlay         with --sweep and --png FILE: all runs of the sweep (at most
                    9) drawn in one picture FILE in the same axes, the first
                    in black, each other in its own colour, with a legend
  --accuracy        add the same run at half the step to the summary
  --sweep NAME=FROM:TO:COUNT
                    COUNT runs with NAME going evenly from FROM to TO.
                    With several runs (a sweep or all presets), each writes its
                    files only with --out, into DIR/NAME=VALUE/ or DIR/preset=N/,
                    where --csv and --png then name files; VALUE is written in
                    the shortest form that reads back as the run's number
  --summary FILE    the lines of a sweep or of all presets into FILE instead
  --jobs N          runs in N processes at once (default: the processors)
  --help            this text
  --                the end of the options

Fields (NAME, unit, meaning; the classes whose form offers them):
)";
    for (const FieldInfo& f : fieldTable()) {
        if (f.shownFor < 0)
            continue;
        char line[120];
        std::snprintf(line, sizeof line, "  %-13s %-9s %-30s %s\n", f.field == Field::TTO ? "TTO, Q0" : f.name, f.unit,
            f.meaning, f.shownFor == 0 ? "all" : className(f.shownFor));
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
  1  a sweep's worker process ended without its results
  2  unknown option, missing or malformed argument
  3  unknown preset
  4  unknown field, or one the preset's class does not offer
  5  a value that is not a valid floating point number
  6  floating-point fault in the run (its message)
  7  I/O error (with the system's error number)
  8  the run refused its input (an unusable integration step)
A run's files are written together: an error leaves every file it would have
written as it was. A file that is a symbolic link or has several hard links is
not replaced (I/O error 40 and 31).
)";
    return t;
}

} // namespace torv::batch

// The Python module `torv`: presets and scenario files, a run with its
// samples and summary, and the sweeps and studies of torv-batch, from the
// Qt-free core. Runs take the batch program's own path (its plan and its run
// of a plan), so that their numbers are the batch program's.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <cfenv>
#include <chrono>
#include <cmath>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch.h"
#include "batch/engine.h"
#include "batch/explore.h"
#include "batch/runs.h"
#include "batch/study.h"
#include "fault/faults.h"
#include "files/atomicfile.h"
#include "files/numfmt.h"
#include "files/resultfiles.h"
#include "model/classes.h"
#include "model/quantities.h"
#include "model/state.h"
#include "scenarios/presets.h"
#include "scenarios/scenario.h"

namespace py = pybind11;
using namespace torv;
using namespace torv::batch;

namespace {

// The engine's work, each run on a state of its own: without the GIL, so
// that Python's other threads and their runs go on side by side, in the
// default floating-point environment, and the caller's environment (flags,
// rounding, traps) is as it was afterwards.
template <typename F> auto released(F&& body)
{
    py::gil_scoped_release others;
    struct Environment {
        std::fenv_t saved;
        Environment()
        {
            std::fegetenv(&saved);
            std::fesetenv(FE_DFL_ENV);
        }
        ~Environment() { std::fesetenv(&saved); }
    } environment;
    return body();
}

// A run as the module keeps it: its summary line's numbers as torv-batch has
// them, and what the state held once it was done.
struct Outcome {
    RunResult row;
    int samples = 0; // the sample slots filled
    std::vector<double> series; // kRecordedSeries x samples, in the recorded units
    std::vector<std::pair<std::string, double>> shown; // by series: the files' unit, its divisor
    std::string sampleFile;
};

// Inputs in, result out: run `i` of `plan`, and with `record` its samples and
// sample file. The only place a run happens.
Outcome compute(const Plan& plan, long long i, bool record)
{
    return released([&] {
        Outcome out;
        std::function<void(SimState&)> keep;
        if (record)
            keep = [&out](SimState& state) {
                out.samples = state.Summary.samples;
                for (const Quantity& q : quantities()) {
                    const double divisor = divisorFor(q.series, state);
                    out.shown.emplace_back(unitFor(q.series, state), divisor);
                    const double* s = state.Ergebnis.data() + code(q.series) * kSamples;
                    for (int j = 0; j < out.samples; ++j)
                        out.series.push_back(divisor == 1 ? s[j] : s[j] * divisor);
                }
                out.sampleFile = sampleFileText(state);
            };
        out.row = runAlone(plan, i, keep);
        return out;
    });
}

// OSError(errno, message), which Python narrows to FileNotFoundError and
// its kin.
[[noreturn]] void raiseOSError(int code, const std::string& message)
{
    PyErr_SetObject(PyExc_OSError, py::make_tuple(code, message).ptr());
    throw py::error_already_set();
}

// The run's failure as a Python exception with the batch program's message.
[[noreturn]] void raiseFailure(const RunResult& r)
{
    if (!r.exception)
        throw py::value_error(r.error);
    try {
        std::rethrow_exception(r.exception);
    } catch (const IoError& e) {
        raiseOSError(e.code(), r.error);
    } catch (...) {
        throw py::value_error(r.error);
    }
}

std::string trimmed(std::string s)
{
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

// A scenario, and the preset it is while unchanged: such a run is the batch
// program's --preset N, any other its --scenario.
struct PyScenario {
    Scenario s;
    int preset = 0;
};

Plan planFor(const PyScenario& scenario, Options o)
{
    if (scenario.preset != 0)
        o.preset = std::to_string(scenario.preset);
    return makePlan(o, scenario.preset != 0 ? std::nullopt : std::optional<Scenario>(scenario.s));
}

// "NAME=A:B:C" as the batch program takes it, the numbers in the shortest
// text that reads back as them.
std::string argument(const std::string& name, const std::vector<std::string>& parts)
{
    std::string text = name + "=";
    for (size_t k = 0; k < parts.size(); ++k)
        text += (k == 0 ? "" : ":") + parts[k];
    return text;
}

std::string numberText(const py::handle& value)
{
    return shortestText(py::float_(py::reinterpret_borrow<py::object>(value)));
}

std::vector<std::string> setsOf(const py::kwargs& inputs)
{
    std::vector<std::string> sets;
    for (const auto& [name, value] : inputs)
        sets.push_back(argument(py::cast<std::string>(name), { numberText(value) }));
    return sets;
}

// A run's outcome for Python.
struct PyResult {
    Plan plan;
    Outcome outcome;
    std::optional<RunResult> check;

    py::dict summary() const
    {
        py::dict d;
        const std::vector<std::string> names = summaryColumns(false);
        for (size_t k = 0; k + 1 < names.size(); ++k)
            d[py::str(names[k])] = outcome.row.numbers[k];
        d[py::str(names.back())] = outcome.samples; // a count
        return d;
    }

    py::dict samples() const
    {
        py::dict d;
        const size_t n = static_cast<size_t>(outcome.samples);
        for (const Quantity& q : quantities()) {
            const double* s = outcome.series.data() + static_cast<size_t>(code(q.series)) * n;
            d[py::str(quantityName(q.series, 3))] = py::array_t<double>(n, s);
        }
        return d;
    }

    py::dict stepCheck()
    {
        if (!check) {
            Plan accurate = plan;
            accurate.accuracy = true;
            check = compute(accurate, 0, false).row;
        }
        if (check->status != kOk)
            raiseFailure(*check);
        py::dict d;
        const std::vector<std::string> names = summaryColumns(true);
        for (size_t k = summaryColumns(false).size(); k < names.size(); ++k)
            d[py::str(names[k])] = check->numbers[k];
        return d;
    }

    std::string writeSampleFile(const std::filesystem::path& dir) const
    {
        const std::string path = (dir / kSampleFileName).string();
        FileCommit files;
        files.makeDirectory(dir.string());
        files.add(path, outcome.sampleFile);
        files.commit();
        return path;
    }
};

PyResult run(const PyScenario& scenario, const py::kwargs& inputs)
{
    Options o;
    o.sets = setsOf(inputs);
    PyResult r { planFor(scenario, o), {}, std::nullopt };
    r.outcome = compute(r.plan, 0, true);
    if (r.outcome.row.status != kOk)
        raiseFailure(r.outcome.row);
    return r;
}

// The runs of a sweep or a study as a structured array, a field per column
// of the batch program's summary (the run's number, the swept or drawn
// values, the figures, the error or None); a study's columns take every
// run's values for its statistics.
py::object table(const Plan& plan, StudyColumns& columns, int threads)
{
    const std::vector<std::string> names = SummaryText(plan).names();
    const long long n = plan.count();
    std::vector<std::vector<double>> numbers(names.size() - 1);
    py::list errors;
    const size_t first = plan.varies.empty() ? 0 : 1;
    auto put = [&](long long i, const RunResult& r) {
        size_t k = 0;
        if (first == 1)
            numbers[k++].push_back(static_cast<double>(i + 1));
        for (const auto& [field, value] : plan.assignments(i))
            numbers[k++].push_back(value);
        for (double v : r.numbers)
            numbers[k++].push_back(v);
        errors.append(r.status == kOk ? py::object(py::none()) : py::object(py::str(r.error)));
        columns.add(plan, i, r);
    };
    if (threads < 1)
        throw py::value_error("threads must be 1 or more");
    if (threads == 1) {
        for (long long i = 0; i < n; ++i) {
            if (PyErr_CheckSignals() != 0)
                throw py::error_already_set();
            put(i, compute(plan, i, false).row);
        }
    } else {
        // The engine's threads need no GIL; Ctrl+C is looked for between
        // the results, and cancels the runs left.
        Engine engine(plan, threads, plan.window);
        engine.start();
        for (bool done = false; !done;) {
            std::vector<std::pair<long long, RunResult>> got;
            {
                py::gil_scoped_release others;
                got = engine.take(std::chrono::milliseconds(100));
                done = engine.finished();
            }
            for (const auto& [i, r] : got)
                put(i, r);
            if (!done && PyErr_CheckSignals() != 0)
                throw py::error_already_set();
        }
    }
    py::module_ np = py::module_::import("numpy");
    py::list dtype;
    for (size_t k = 0; k < names.size(); ++k)
        dtype.append(py::make_tuple(names[k], k + 1 == names.size() ? "O" : k < first ? "i8" : "f8"));
    py::object result = np.attr("zeros")(n, np.attr("dtype")(dtype));
    for (size_t k = 0; k < numbers.size(); ++k)
        result[py::str(names[k])] = py::array_t<double>(numbers[k].size(), numbers[k].data());
    result[py::str("error")] = np.attr("array")(errors, "O");
    return result;
}

py::object sweep(const PyScenario& scenario, int threads, const py::kwargs& ranges)
{
    Options o;
    for (const auto& [name, range] : ranges) {
        const std::string key = py::cast<std::string>(name);
        if (py::isinstance<py::list>(range)) {
            std::string values;
            for (const py::handle v : py::cast<py::list>(range))
                values += (values.empty() ? "" : ",") + numberText(v);
            o.sweeps.push_back(key + "=" + values);
            continue;
        }
        const auto r = py::cast<py::tuple>(range);
        const bool logarithmic = r.size() == 4 && py::isinstance<py::str>(r[0]) && py::cast<std::string>(r[0]) == "log";
        if (r.size() != 3 && !logarithmic)
            throw py::value_error(
                "a sweep takes NAME=(FROM, TO, COUNT), NAME=('log', FROM, TO, COUNT) or NAME=[A, B, ...]");
        std::vector<std::string> parts;
        if (logarithmic)
            parts.push_back("log");
        for (size_t k = logarithmic ? 1 : 0; k < r.size(); ++k)
            parts.push_back(numberText(r[k]));
        o.sweeps.push_back(argument(key, parts));
    }
    const Plan plan = planFor(scenario, o);
    StudyColumns none(plan);
    return table(plan, none, threads);
}

py::tuple study(
    const PyScenario& scenario, long long runs, unsigned long long seed, int threads, const py::kwargs& laws)
{
    Options o;
    o.runs = std::to_string(runs);
    o.seed = std::to_string(seed);
    for (const auto& [name, law] : laws) {
        const auto l = py::cast<py::tuple>(law);
        if (l.size() != 3 && l.size() != 4)
            throw py::value_error("a study takes NAME=('normal', MEAN, SD), NAME=('uniform', LO, HI) or "
                                  "NAME=('triangular', LO, MODE, HI)");
        std::vector<std::string> parts { py::cast<std::string>(l[0]) };
        for (size_t k = 1; k < l.size(); ++k)
            parts.push_back(numberText(l[k]));
        o.varies.push_back(argument(py::cast<std::string>(name), parts));
    }
    const Plan plan = planFor(scenario, o);
    StudyColumns columns(plan);
    py::object runsTable = table(plan, columns, threads);
    const std::vector<std::string> names = SummaryText(plan).names();
    const std::vector<ColumnStatistics> figures = columns.statistics();
    py::dict statistics;
    for (size_t k = 0; k < figures.size(); ++k) {
        const ColumnStatistics& c = figures[k];
        py::dict row;
        row["n"] = c.n;
        row["failed"] = columns.failed();
        for (const StatisticRow& figure : kStatisticRows)
            row[figure.name] = c.n >= figure.least ? c.*figure.value : std::nan("");
        statistics[py::str(names[k + 1])] = row;
    }
    return py::make_tuple(runsTable, statistics);
}

py::object sensitivityTable(const PyScenario& scenario, double delta, const std::vector<std::string>& inputs)
{
    Options o;
    o.sensitivity = true;
    o.delta = shortestText(100 * delta);
    for (const std::string& name : inputs)
        o.inputs += (o.inputs.empty() ? "" : ",") + name;
    const Plan plan = planFor(scenario, o);
    const Explore& e = plan.explore;
    const std::vector<SensitivityRow> rows
        = released([&] { return sensitivity(plan, e.inputs.empty() ? readInputs(plan) : e.inputs, e.delta); });
    py::module_ np = py::module_::import("numpy");
    py::list dtype;
    for (const char* name : { "input", "output" })
        dtype.append(py::make_tuple(name, "O"));
    for (const char* name : { "base", "low", "high", "elasticity" })
        dtype.append(py::make_tuple(name, "f8"));
    py::list records;
    for (const SensitivityRow& r : rows)
        records.append(py::make_tuple(legendName(*r.input), summaryQuantities()[static_cast<size_t>(r.output)].column,
            r.base, r.low, r.high, r.elasticity));
    return np.attr("array")(records, np.attr("dtype")(dtype));
}

// The one keyword NAME=(LO, HI) of a search as torv-batch takes it.
std::string searchedRange(const py::kwargs& range)
{
    for (const auto& [name, r] : range) {
        const auto t = py::cast<py::tuple>(r);
        if (range.size() != 1 || t.size() != 2)
            break;
        return argument(py::cast<std::string>(name), { numberText(t[0]), numberText(t[1]) });
    }
    throw py::value_error("a search takes one range NAME=(LO, HI)");
}

// The answers of the plan's search, each with the output's error at its
// step as the step check estimates it (NaN: not settled).
py::list answers(const Plan& plan)
{
    const Explore& e = plan.explore;
    const std::string output = summaryQuantities()[static_cast<size_t>(e.column)].column;
    py::list list;
    const auto found = released([&] {
        std::vector<std::pair<Solution, double>> withError;
        for (const Solution& s : e.kind == Explore::Kind::Solve
                ? solve(plan, *e.field, e.lo, e.hi, e.column, e.target)
                : optimize(plan, *e.field, e.lo, e.hi, e.column, e.kind == Explore::Kind::Maximize))
            withError.emplace_back(s, stepError(plan, *e.field, s.value, e.column));
        return withError;
    });
    for (const auto& [s, error] : found) {
        py::dict d;
        d["name"] = legendName(*e.field);
        d["value"] = s.value;
        d["output"] = output;
        d["achieved"] = s.achieved;
        d["runs"] = s.runs;
        d["step_error"] = error;
        list.append(d);
    }
    return list;
}

py::list solveFor(const PyScenario& scenario, const std::string& column, double value, const py::kwargs& range)
{
    Options o;
    o.solve = searchedRange(range);
    o.target = column + "=" + shortestText(value);
    return answers(planFor(scenario, o));
}

py::object best(const PyScenario& scenario, const std::string& column, bool greatest, const py::kwargs& range)
{
    Options o;
    (greatest ? o.maximize : o.minimize) = column;
    o.over = searchedRange(range);
    const py::list found = answers(planFor(scenario, o));
    return found.empty() ? py::object(py::none()) : py::object(found[0]);
}

PyScenario presetScenario(int number)
{
    Options o;
    o.preset = std::to_string(number);
    const Plan plan = makePlan(o, std::nullopt);
    const PresetRef ref = *presetNumber(number);
    const std::string name = trimmed(presets(ref.list)[static_cast<size_t>(ref.index)].label);
    return { released([&] {
                const auto state = std::make_unique<SimState>();
                prepare(plan, {}, number, *state);
                return currentScenario(name, *state);
            }),
        number };
}

py::list presetList()
{
    py::list list;
    int number = 1;
    for (PresetList l : kPresetLists)
        for (const Preset& p : presets(l))
            list.append(py::make_tuple(number++, classRow(p.Klasse).key, trimmed(p.label)));
    return list;
}

} // namespace

PYBIND11_MODULE(torv, m)
{
    m.doc() = "Point-mass flight trajectories: the presets, scenario files, runs, sweeps and studies of "
              "torv-batch from Python.\n\n"
              "Runs go side by side: each run has a state of its own and releases the GIL, so runs "
              "started from several Python threads run at once, each giving the numbers it gives alone. "
              "Each run has the default floating-point environment, and the caller's is restored "
              "afterwards. A bad input or a floating-point fault raises ValueError, a file that cannot "
              "be read or written OSError, with the program's message.";

    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const IoError& e) {
            raiseOSError(e.code(), e.detail());
        } catch (const std::filesystem::filesystem_error& e) {
            raiseOSError(e.code().value(), e.what());
        } catch (const TorvError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        } catch (const BatchError& e) {
            PyErr_SetString(PyExc_ValueError, e.what());
        }
    });

    m.def("presets", &presetList,
        "The 34 presets as (number, vehicle class, name), numbered as torv-batch --list numbers them.");

    py::class_<PyScenario> scenario(m, "Scenario",
        "A preset record: the vehicle class, the aerodynamic model and every input of the calculation form "
        "by its scenario-file key (MassaStart, H0, V0, TTO or Q0, dt0, ...), each an attribute; SI units, "
        "angles in degrees.");
    scenario
        .def_static("preset", &presetScenario, py::arg("number"),
            "Preset `number` (1 to 34, see presets()) as a choice on the start form makes it.")
        .def_static(
            "load", [](const std::filesystem::path& path) { return PyScenario { readScenario(path.string()) }; },
            py::arg("path"), "Reads a scenario file (TOML). Raises OSError or ValueError naming the line and key.")
        .def(
            "save", [](const PyScenario& s, const std::filesystem::path& path) { writeScenario(path.string(), s.s); },
            py::arg("path"), "Writes the scenario file whole or not at all.")
        .def_property(
            "name", [](const PyScenario& s) { return s.s.name; },
            [](PyScenario& s, const std::string& name) {
                s.s.name = name;
                s.preset = 0;
            })
        .def_property(
            "vehicle_class", [](const PyScenario& s) { return std::string(classRow(s.s.klasse).key); },
            [](PyScenario& s, const std::string& key) {
                const std::optional<VehicleClass> k = classKeyed(key);
                if (!k)
                    throw py::value_error("unknown class '" + echoed(key) + "': " + std::string(classKeyList()));
                s.s.klasse = *k;
                s.preset = 0;
            },
            "The vehicle class by its scenario-file key.")
        .def_property(
            "aero", [](const PyScenario& s) { return s.s.aeroModel; },
            [](PyScenario& s, double model) {
                if (model != 0 && model != 1)
                    throw py::value_error("the aerodynamic model is 0 (constant) or 1 (Titan-2)");
                s.s.aeroModel = model;
                s.preset = 0;
            },
            "The aerodynamic model: 0 constant coefficients, 1 Titan-2.")
        .def_property_readonly(
            "inputs",
            [](const PyScenario& s) {
                py::dict d;
                for (const FieldInfo& f : fieldTable())
                    d[f.name] = s.s[f.field];
                return d;
            },
            "Every input by its key, a copy: change them as attributes.")
        .def("__repr__", [](const PyScenario& s) {
            return "<torv.Scenario " + quotedText(s.s.name) + ", " + classRow(s.s.klasse).key + ">";
        });
    std::vector<std::string> inputNames;
    for (const FieldInfo& f : fieldTable())
        inputNames.push_back(f.name);
    inputNames.push_back(legendName(fieldInfo(Field::TTO))); // the path angle by its caption's symbol too
    static std::deque<std::string> inputDocs; // the property records keep pointers into it
    for (const std::string& name : inputNames) {
        const FieldInfo& f = *fieldNamed(name);
        inputDocs.push_back(std::string(f.meaning) + ", " + f.unit);
        scenario.def_property(
            name.c_str(), [&f](const PyScenario& s) { return s.s[f.field]; },
            [&f](PyScenario& s, double v) {
                s.s[f.field] = v;
                s.preset = 0;
            },
            inputDocs.back().c_str());
    }

    py::class_<PyResult>(m, "Result", "A finished run.")
        .def_property_readonly("samples", &PyResult::samples,
            "The recorded quantities as numpy arrays, one value per sample slot the run filled (500 "
            "when it ran to the end, the last repeating the one before), keyed by their names in the CSV "
            "header and in the units of `units`.")
        .def_property_readonly(
            "time", [](const PyResult& r) { return py::object(r.samples()[py::str(quantityName(Series::Time, 3))]); },
            "The samples' times, s.")
        .def_property_readonly(
            "units",
            [](const PyResult&) {
                py::dict d;
                for (const Quantity& q : quantities())
                    d[py::str(quantityName(q.series, 3))] = q.unit;
                return d;
            },
            "The unit of each sample array: the quantity's own (m, s, m/s, Pa, ...), never the larger one "
            "(km, min, ...) that the sample file and the graphs may switch to (see file_units). The "
            "samples of such a quantity are the files' values multiplied back, to within a unit in the "
            "last place.")
        .def_property_readonly(
            "file_units",
            [](const PyResult& r) {
                py::dict d;
                for (const Quantity& q : quantities())
                    d[py::str(quantityName(q.series, 3))] = r.outcome.shown[static_cast<size_t>(code(q.series))];
                return d;
            },
            "The unit each quantity has in this run's sample file, CSV and graphs, and what its samples "
            "are divided by there: ('kPa', 1000.0) once its values passed 1000 Pa, else (its unit, 1.0).")
        .def_property_readonly("summary", &PyResult::summary,
            "The batch program's summary: flight_time_s, range_m, max_altitude_m, ..., samples.")
        .def("step_check", &PyResult::stepCheck,
            "The same run at half the step: each summary figure at half the step (NAME_half) and "
            "extrapolated, 2*half - full (NAME_extrapolated), and samples_half, as torv-batch --accuracy "
            "gives them. Raises ValueError if the run at half the step fails.")
        .def(
            "to_pandas", [](const PyResult& r) { return py::module_::import("pandas").attr("DataFrame")(r.samples()); },
            "The samples as a pandas DataFrame (pandas must be installed).")
        .def("write_sample_file", &PyResult::writeSampleFile, py::arg("directory") = ".",
            "Writes Torv_500.txt into `directory` (created if missing), the bytes the program writes; "
            "returns its path.");

    m.def("run", &run, py::arg("scenario"),
        "Runs the scenario as START does, each input given (by its key, e.g. Q0=45, dt0=0.01) typed over "
        "after the scenario is loaded, as torv-batch --set does. Raises ValueError for an unknown input, "
        "an unusable step or a floating-point fault. The GIL is released during the run: runs "
        "from several threads go side by side, with the numbers each gives alone.");
    m.def("sweep", &sweep, py::arg("scenario"), py::kw_only(), py::arg("threads") = 1,
        "Each range NAME=(FROM, TO, COUNT) takes COUNT values evenly from FROM to TO; several form the "
        "grid of all combinations, the first varying slowest. Returns a numpy structured array, one row "
        "per run, with torv-batch --sweep's columns and numbers: the swept values, the summary and "
        "`error` (None, or the run's message). The runs go one after the other, or on `threads` threads "
        "with the same rows; other threads' runs go on meanwhile.");
    m.def("study", &study, py::arg("scenario"), py::kw_only(), py::arg("runs"), py::arg("seed") = 0,
        py::arg("threads") = 1,
        "Each law NAME=('normal', MEAN, SD) or NAME=('uniform', LO, HI) draws NAME for every run as "
        "torv-batch --vary does, from `seed` and the run's number. Returns the runs (run, the drawn "
        "values, the summary, error) and the statistics of every column: n, failed, mean, sd, p5, p50 and "
        "p95, the failed runs left out (NaN where a column has too few values). Also "
        "NAME=('triangular', LO, MODE, HI). The runs go on `threads` threads, with the same rows.");
    m.def("sensitivity", &sensitivityTable, py::arg("scenario"), py::kw_only(), py::arg("delta") = 0.01,
        py::arg("inputs") = std::vector<std::string>(),
        "Every input the run reads (or those named) changed by `delta` of itself up and down, one at a "
        "time, as torv-batch --sensitivity does: a structured array with input, output, base, low, high "
        "and elasticity (per cent of output per per cent of input; NaN where it has no value). Inputs that "
        "are 0 are left out.");
    m.def("solve", &solveFor, py::arg("scenario"), py::arg("column"), py::arg("value"),
        "Every value of the one range NAME=(LO, HI) where the summary column equals `value`, as "
        "torv-batch --solve finds them: a list of dicts (name, value, output, achieved, runs, step_error: "
        "the output's error at the run's step as the step check estimates it, NaN where it has not "
        "settled); empty when the value is out of reach.");
    m.def(
        "maximize",
        [](const PyScenario& s, const std::string& column, const py::kwargs& range) {
            return best(s, column, true, range);
        },
        py::arg("scenario"), py::arg("column"),
        "The value of the one range NAME=(LO, HI) with the greatest summary column, as torv-batch "
        "--maximize finds it: a dict as solve's, or None when no run had the column.");
    m.def(
        "minimize",
        [](const PyScenario& s, const std::string& column, const py::kwargs& range) {
            return best(s, column, false, range);
        },
        py::arg("scenario"), py::arg("column"), "As maximize, for the least value.");
}

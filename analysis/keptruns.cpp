#include "analysis/keptruns.h"

#include <iterator>

#include "files/numfmt.h"
#include "model/classes.h"
#include "model/languages.h"
#include "run/activation.h"
#include "scenarios/presets.h"

namespace torv {

namespace {

enum class Text { CurrentRun, SameInputs, Aerodynamics, Constant };

// clang-format off
struct TextRow {
    Text text;
    Texts language;
};

constexpr TextRow kTexts[] = {
//   text                Russian                  German                English
    {Text::CurrentRun,   {"текущий расчёт",       "aktueller Lauf",     "current run"}},
    {Text::SameInputs,   {"те же данные",         "gleiche Eingaben",   "same inputs"}},
    {Text::Aerodynamics, {"аэродинамика",         "Aerodynamik",        "aerodynamics"}},
    {Text::Constant,     {"постоянная",           "konstant",           "constant"}},
};
// clang-format on

constexpr bool inTextOrder()
{
    for (size_t t = 0; t < std::size(kTexts); ++t)
        if (kTexts[t].text != static_cast<Text>(t))
            return false;
    return std::size(kTexts) == static_cast<size_t>(Text::Constant) + 1;
}
static_assert(inTextOrder(), "the table is indexed by Text");

std::string text(Text t, int sprache)
{
    return inLanguage(kTexts[static_cast<int>(t)].language, sprache);
}

// Which inputs differ: one flag per field of the field table, then one for
// the aerodynamic model.
std::vector<bool> differing(const RunInputs& a, const RunInputs& b)
{
    std::vector<bool> d;
    for (size_t i = 0; i < a.fields.size() && i < b.fields.size(); ++i)
        d.push_back(a.fields[i] != b.fields[i]);
    d.resize(fieldTable().size(), false);
    d.push_back(a.aeroModel != b.aeroModel);
    return d;
}

// "Q0 = 30, dt0 = 0.0025": the values of `in` for the inputs `which` names.
std::string describe(const RunInputs& in, const std::vector<bool>& which, int sprache, char sep)
{
    std::string label;
    const auto add = [&](const std::string& name, const std::string& value) {
        label += (label.empty() ? "" : ", ") + name + " = " + value;
    };
    const auto fields = fieldTable();
    for (size_t i = 0; i < fields.size() && i < in.fields.size() && i < which.size(); ++i)
        if (which[i])
            add(legendName(fields[i]), general15(in.fields[i], sep));
    if (which.size() > fields.size() && which[fields.size()]) {
        // The models by the names the form's list gives them.
        const double m = in.aeroModel;
        add(text(Text::Aerodynamics, sprache),
            m == 0       ? text(Text::Constant, sprache)
                : m == 1 ? std::string("Titan-2")
                         : general15(m, sep));
    }
    return label;
}

// The class's short name in language `sprache`: its start-form entry up to
// the bracket that lists examples, "Projectile".
std::string className(double klasse, int sprache)
{
    std::string name = inLanguage(classRow(klasse).entry, sprache);
    name = name.substr(0, name.find('('));
    while (!name.empty() && (name.back() == ' ' || name.back() == '-'))
        name.pop_back();
    return name;
}

// The inputs in which `run` differs from any other of `runs` run from the
// same scenario record.
std::vector<bool> differingWithin(const RunInputs& run, const std::vector<const RunInputs*>& runs)
{
    std::vector<bool> which(fieldTable().size() + 1, false);
    for (const RunInputs* other : runs)
        if (other->scenario == run.scenario) {
            const std::vector<bool> d = differing(*other, run);
            for (size_t i = 0; i < which.size() && i < d.size(); ++i)
                which[i] = which[i] || d[i];
        }
    return which;
}

} // namespace

RunInputs RunInputs::current()
{
    return of(st);
}

RunInputs RunInputs::of(const SimState& state)
{
    RunInputs in;
    in.scenario = state.Szenario;
    for (const FieldInfo& f : fieldTable())
        in.fields.push_back(state.*f.var);
    in.aeroModel = state.AeroModel;
    return in;
}

KeptRun keepRun()
{
    return keepRun(st);
}

KeptRun keepRun(const SimState& state)
{
    KeptRun run;
    run.series.assign(state.Ergebnis.begin(), state.Ergebnis.begin() + kRecordedSeries * kSamples);
    for (int k = 0; k < kRecordedSeries; ++k)
        run.divisor[k] = divisorFor(static_cast<Series>(k), state);
    run.inputs = RunInputs::of(state);
    return run;
}

std::vector<double> inCurrentUnits(const KeptRun& run)
{
    std::vector<double> out = run.series;
    for (int k = 0; k < kRecordedSeries; ++k) {
        const double now = currentDivisor(static_cast<Series>(k));
        if (now == run.divisor[k])
            continue;
        for (int i = 0; i < kSamples; ++i) {
            double& v = out[static_cast<size_t>(k * kSamples + i)];
            v = v * run.divisor[k] / now;
        }
    }
    return out;
}

std::string differenceLabel(const RunInputs& kept, const RunInputs& current, int sprache, char sep)
{
    if (!(kept.scenario == current.scenario))
        if (const Preset* preset = presetOf(kept.scenario))
            return preset->label;
    const std::string label = describe(kept, differing(kept, current), sprache, sep);
    return label.empty() ? text(Text::SameInputs, sprache) : label;
}

std::vector<std::string> keptRunLabels(
    const std::vector<RunInputs>& kept, const RunInputs& current, int sprache, char sep)
{
    std::vector<const RunInputs*> all { &current };
    for (const RunInputs& k : kept)
        all.push_back(&k);
    std::vector<std::string> labels;
    for (const RunInputs& k : kept) {
        if (k.scenario == current.scenario) {
            labels.push_back(differenceLabel(k, current, sprache, sep));
            continue;
        }
        const Preset* preset = presetOf(k.scenario);
        std::string label = k.scenario.Klasse != current.scenario.Klasse || !preset
            ? className(k.scenario.Klasse, sprache)
            : std::string(preset->label);
        const std::string values = describe(k, differingWithin(k, all), sprache, sep);
        labels.push_back(values.empty() ? label : label + ", " + values);
    }
    return labels;
}

std::string currentRunLabel(const std::vector<RunInputs>& kept, const RunInputs& current, int sprache, char sep)
{
    std::vector<bool> which(current.fields.size() + 1, false);
    for (const RunInputs& k : kept)
        if (k.scenario == current.scenario) {
            const std::vector<bool> d = differing(k, current);
            for (size_t i = 0; i < which.size() && i < d.size(); ++i)
                which[i] = which[i] || d[i];
        }
    const std::string values = describe(current, which, sprache, sep);
    return text(Text::CurrentRun, sprache) + (values.empty() ? "" : " (" + values + ")");
}

} // namespace torv

#include "scenarios/scenario.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <toml++/toml.h>

#include "files/atomicfile.h"
#include "files/numfmt.h"
#include "model/classes.h"
#include "model/languages.h"

namespace torv {

namespace {

using Problem = ScenarioError::Problem;

// A scenario is a page of text; anything much larger is some other file.
constexpr long long kLargestFile = 1 << 20;

// The keys besides the inputs, which go by their field's name.
constexpr const char* kFormatKey = "format";
constexpr const char* kNameKey = "name";
constexpr const char* kClassKey = "class";
constexpr const char* kAeroKey = "aero";
constexpr const char* kStudyKey = "study";
// A study has at most as many runs as torv-batch's statistics keep.
constexpr long long kMostStudyRuns = 1000000;

// What the messages say, in the languages of the forms (Russian, German,
// English). {key}, {value}, {classes} and {format} stand for the key, the
// value found, the class names and the newest format read.
struct ProblemText {
    Problem problem;
    Texts text;
};

// clang-format off
constexpr ProblemText kProblemTexts[] = {
    {Problem::NotToml, {
        "недопустимый TOML ({value})",
        "kein gültiges TOML ({value})",
        "not valid TOML ({value})"}},
    {Problem::NotTomlAtKey, {
        "'{key}': недопустимый TOML ({value})",
        "'{key}': kein gültiges TOML ({value})",
        "'{key}': not valid TOML ({value})"}},
    {Problem::UnknownKey, {
        "неизвестный ключ '{key}'",
        "unbekannter Schlüssel '{key}'",
        "unknown key '{key}'"}},
    {Problem::NotANumber, {
        "'{key}' должно быть числом",
        "'{key}' muss eine Zahl sein",
        "'{key}' must be a number"}},
    {Problem::NotText, {
        "'{key}' должно быть текстом в кавычках",
        "'{key}' muss ein Text in Anführungszeichen sein",
        "'{key}' must be a text in quotes"}},
    {Problem::NotWholeNumber, {
        "'{key}' должно быть целым числом",
        "'{key}' muss eine ganze Zahl sein",
        "'{key}' must be a whole number"}},
    {Problem::MissingClass, {
        "нет ключа 'class' (одно из: {classes})",
        "der Schlüssel 'class' fehlt (einer von: {classes})",
        "the key 'class' is missing (one of: {classes})"}},
    {Problem::UnknownClass, {
        "'class' = \"{value}\" — нет такого класса (одно из: {classes})",
        "'class' = \"{value}\" ist keine Klasse (einer von: {classes})",
        "'class' = \"{value}\" is no class (one of: {classes})"}},
    {Problem::NotFinite, {
        "'{key}' = {value} не является конечным числом",
        "'{key}' = {value} ist keine endliche Zahl",
        "'{key}' = {value} is not a finite number"}},
    {Problem::NewerFormat, {
        "'format' = {value}: формат файла новее, чем читает эта программа ({format})",
        "'format' = {value}: die Datei hat ein neueres Format, als dieses Programm liest ({format})",
        "'format' = {value}: the file is of a newer format than this program reads ({format})"}},
    {Problem::BadFormat, {
        "'format' = {value} — нет такого формата (от 1 до {format})",
        "'format' = {value} ist kein Format (1 bis {format})",
        "'format' = {value} is no format (1 to {format})"}},
    {Problem::BadAero, {
        "'aero' = {value} — нет такой модели: 0 (постоянные коэффициенты) или 1 (Titan-2)",
        "'aero' = {value} ist kein Modell: 0 (konstante Beiwerte) oder 1 (Titan-2)",
        "'aero' = {value} is no model: 0 (constant coefficients) or 1 (Titan-2)"}},
    {Problem::TooLarge, {
        "больше 1 МБ: это не файл сценария",
        "größer als 1 MB: keine Szenariodatei",
        "larger than 1 MB: no scenario file"}},
    {Problem::MissingKeys, {
        "нет ключей, которые читает расчёт этого класса: {key}",
        "es fehlen Schlüssel, die die Rechnung dieser Klasse liest: {key}",
        "missing keys that a run of this class reads: {key}"}},
    {Problem::TwoNames, {
        "'{key}' и 'TTO' оба задают начальный угол наклона траектории: оставьте один",
        "'{key}' und 'TTO' geben beide den Anfangsbahnwinkel an: nur einer darf stehen",
        "'{key}' and 'TTO' both give the initial path angle: keep one"}},
    {Problem::NotPositive, {
        "'{key}' = {value} должно быть больше 0",
        "'{key}' = {value} muss größer als 0 sein",
        "'{key}' = {value} must be greater than 0"}},
    {Problem::StepNotBelowEnd, {
        "'{key}' должен быть меньше времени окончания 'Tk' ({value})",
        "'{key}' muss kleiner als die Endzeit 'Tk' sein ({value})",
        "'{key}' must be less than the end time 'Tk' ({value})"}},
    {Problem::TooManySteps, {
        "'Tk' / '{key}' = {value} шагов: проход делает не больше 100000000",
        "'Tk' / '{key}' = {value} Schritte: ein Durchlauf macht höchstens 100000000",
        "'Tk' / '{key}' = {value} steps: a pass takes at most 100000000"}},
    {Problem::NotAFile, {
        "не обычный файл (папка, канал или устройство): ничего не прочитано",
        "keine gewöhnliche Datei (Ordner, Pipe oder Gerät): nichts gelesen",
        "not a regular file (a folder, a pipe or a device): nothing was read"}},
    {Problem::TooLargeForField, {
        "'{key}' = {value} слишком велико для поля: его 15 значащих цифр не читаются как число (не больше 1.79769313486231E308)",
        "'{key}' = {value} ist zu groß für das Feld: seine 15 signifikanten Stellen lesen sich als keine Zahl (höchstens 1.79769313486231E308)",
        "'{key}' = {value} is too large for its field: its 15 significant digits read as no number (at most 1.79769313486231E308)"}},
    {Problem::NotTable, {
        "'{key}' должно быть таблицей",
        "'{key}' muss eine Tabelle sein",
        "'{key}' must be a table"}},
    {Problem::NotRows, {
        "'{key}' должно быть списком строк [{ input = \"Q0\", law = \"normal\", numbers = \"45:3\" }, ...]",
        "'{key}' muss eine Liste von Zeilen sein [{ input = \"Q0\", law = \"normal\", numbers = \"45:3\" }, ...]",
        "'{key}' must be a list of rows [{ input = \"Q0\", law = \"normal\", numbers = \"45:3\" }, ...]"}},
    {Problem::NotRow, {
        "'{key}' должно быть строкой { input = \"Q0\", law = \"normal\", numbers = \"45:3\" } со всеми тремя ключами",
        "'{key}' muss eine Zeile { input = \"Q0\", law = \"normal\", numbers = \"45:3\" } mit allen drei Schlüsseln sein",
        "'{key}' must be a row { input = \"Q0\", law = \"normal\", numbers = \"45:3\" } with all three keys"}},
    {Problem::UnknownLaw, {
        "'{key}' = \"{value}\" — нет такого закона (sweep, normal, uniform, triangular)",
        "'{key}' = \"{value}\" ist weder Reihe noch Verteilung (sweep, normal, uniform, triangular)",
        "'{key}' = \"{value}\" is no law (sweep, normal, uniform, triangular)"}},
    {Problem::UnknownInput, {
        "'{key}' = \"{value}\" — нет такой величины",
        "'{key}' = \"{value}\" ist keine Eingabegröße",
        "'{key}' = \"{value}\" is no input"}},
    {Problem::NotInRange, {
        "'{key}' = {value} вне допустимого: runs от 1 до 1000000, seed от 0 до 18446744073709551615",
        "'{key}' = {value} liegt außerhalb: runs von 1 bis 1000000, seed von 0 bis 18446744073709551615",
        "'{key}' = {value} is out of range: runs from 1 to 1000000, seed from 0 to 18446744073709551615"}},
};

// Where: "{file}, line {line}" or "{file}".
constexpr ProblemText kAtLine =
    {Problem::NotToml, { "{file}, строка {line}", "{file}, Zeile {line}", "{file}, line {line}"}};
// clang-format on

void replaceAll(std::string& text, std::string_view name, const std::string& by)
{
    for (size_t at = 0; (at = text.find(name, at)) != std::string::npos; at += by.size())
        text.replace(at, name.size(), by);
}

std::string message(
    const std::string& path, int line, const std::string& key, Problem problem, const std::string& detail, int sprache)
{
    std::string where = line > 0 ? inLanguage(kAtLine.text, sprache) : "{file}";
    replaceAll(where, "{file}", echoed(path, 0));
    replaceAll(where, "{line}", std::to_string(line));
    std::string what;
    for (const ProblemText& t : kProblemTexts)
        if (t.problem == (problem == Problem::NotToml && !key.empty() ? Problem::NotTomlAtKey : problem))
            what = inLanguage(t.text, sprache);
    // The missing keys are the program's own names, every one of them told.
    replaceAll(what, "{key}", problem == Problem::MissingKeys ? key : echoed(key));
    replaceAll(what, "{value}", echoed(detail));
    replaceAll(what, "{classes}", std::string(classKeyList()));
    replaceAll(what, "{format}", std::to_string(kScenarioFormat));
    return where + ": " + what;
}

// A number as TOML reads it back exactly: the shortest text in fixed
// notation where that is short (300000, 0.000015), else in scientific
// notation (5e-324), so that no integer exceeds TOML's 64 bits; a negative
// zero keeps its sign.
std::string tomlNumber(double v)
{
    if (v == 0 && std::signbit(v))
        return "-0.0";
    constexpr size_t kLongestFixed = 18;
    char buf[400];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    if (r.ec != std::errc() || static_cast<size_t>(r.ptr - buf) > kLongestFixed)
        r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    return std::string(buf, r.ptr);
}

// A line "key = value", its comment aligned after it.
void addLine(std::string& text, const std::string& assignment, const std::string& comment)
{
    constexpr size_t kCommentColumn = 28;
    text += assignment;
    if (!comment.empty()) {
        text += std::string(assignment.size() < kCommentColumn ? kCommentColumn - assignment.size() : 1, ' ');
        text += "# " + comment;
    }
    text += '\n';
}

// The number a key holds; throws for any other type and for nan and inf.
double numberAt(const toml::node& value, const std::string& path, int line, const std::string& key)
{
    double v = 0;
    if (const auto* i = value.as_integer())
        v = static_cast<double>(i->get());
    else if (const auto* f = value.as_floating_point())
        v = f->get();
    else
        throw ScenarioError(path, line, key, Problem::NotANumber);
    if (!std::isfinite(v))
        throw ScenarioError(path, line, key, Problem::NotFinite, std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf");
    return v;
}

// The field shows a value to 15 significant digits and activation reads that
// text back: near the largest double the rounded text lies beyond it
// (1.79769313486232E308) and would read as no number, a text the file never
// held.
bool tooLargeForField(double v)
{
    return !parseNumber(general15(v, '.'), '.');
}

std::string textAt(const toml::node& value, const std::string& path, int line, const std::string& key)
{
    if (const auto* s = value.as_string())
        return s->get();
    throw ScenarioError(path, line, key, Problem::NotText);
}

// The bare key that line `line` (1-based) of `text` begins with, if it
// begins "key =": the key a reader's complaint is about.
std::string keyOnLine(std::string_view text, int line)
{
    size_t at = 0;
    for (int l = 1; l < line && at != std::string_view::npos; ++l)
        if ((at = text.find('\n', at)) != std::string_view::npos)
            ++at;
    if (line < 1 || at == std::string_view::npos)
        return {};
    std::string_view rest = text.substr(at, text.find('\n', at) - at);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    const size_t end = rest.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-");
    if (end == 0 || end == std::string_view::npos)
        return {};
    const size_t eq = rest.find_first_not_of(" \t", end);
    return eq != std::string_view::npos && rest[eq] == '=' ? std::string(rest.substr(0, end)) : std::string();
}

const FieldInfo* inputNamed(std::string_view key)
{
    if (key == kPathAngleKey)
        return &fieldInfo(Field::TTO);
    for (const FieldInfo& info : fieldTable())
        if (key == info.name)
            return &info;
    return nullptr;
}

int lineOf(const toml::node& node)
{
    return static_cast<int>(node.source().begin.line);
}

// A whole number of the [study] table within [least, most]; the seed may
// also be a text of digits, for seeds beyond TOML's 64-bit integers.
std::uint64_t studyNumber(
    const toml::node& value, const std::string& path, const std::string& key, double least, double most, bool textToo)
{
    const int line = lineOf(value);
    if (const auto* i = value.as_integer()) {
        if (static_cast<double>(i->get()) < least || static_cast<double>(i->get()) > most)
            throw ScenarioError(path, line, key, Problem::NotInRange, std::to_string(i->get()));
        return static_cast<std::uint64_t>(i->get());
    }
    if (const auto* t = value.as_string(); t && textToo) {
        const std::string& digits = t->get();
        std::uint64_t v = 0;
        const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), v);
        if (ec != std::errc() || end != digits.data() + digits.size())
            throw ScenarioError(path, line, key, Problem::NotInRange, digits);
        return v;
    }
    throw ScenarioError(path, line, key, Problem::NotWholeNumber);
}

// The [study] table: its rows, each with all three keys and nothing else,
// a known law and input, and the runs and seed of a seeded study.
StudyTable studyAt(const toml::node& value, const std::string& path)
{
    const auto* table = value.as_table();
    if (!table)
        throw ScenarioError(path, lineOf(value), kStudyKey, Problem::NotTable);
    StudyTable study;
    bool rowsGiven = false;
    for (auto&& [k, item] : *table) {
        const std::string key = std::string(kStudyKey) + "." + std::string(k.str());
        if (k.str() == "runs") {
            study.runs = static_cast<long long>(studyNumber(item, path, key, 1, kMostStudyRuns, false));
        } else if (k.str() == "seed") {
            study.seed = studyNumber(item, path, key, 0, 9.2e18, true);
        } else if (k.str() == "rows") {
            const auto* rows = item.as_array();
            if (!rows)
                throw ScenarioError(path, lineOf(item), key, Problem::NotRows);
            rowsGiven = true;
            for (size_t n = 0; n < rows->size(); ++n) {
                const toml::node& entry = *rows->get(n);
                const std::string rowKey = key + "[" + std::to_string(n + 1) + "]";
                const auto* row = entry.as_table();
                if (!row || row->size() != 3 || !row->contains("input") || !row->contains("law")
                    || !row->contains("numbers"))
                    throw ScenarioError(path, lineOf(entry), rowKey, Problem::NotRow);
                StudyRow r;
                r.input = textAt(*row->get("input"), path, lineOf(entry), rowKey + ".input");
                r.law = textAt(*row->get("law"), path, lineOf(entry), rowKey + ".law");
                r.numbers = textAt(*row->get("numbers"), path, lineOf(entry), rowKey + ".numbers");
                if (!inputNamed(r.input))
                    throw ScenarioError(path, lineOf(entry), rowKey + ".input", Problem::UnknownInput, r.input);
                if (std::find_if(
                        std::begin(kStudyLaws), std::end(kStudyLaws), [&](const char* law) { return r.law == law; })
                    == std::end(kStudyLaws))
                    throw ScenarioError(path, lineOf(entry), rowKey + ".law", Problem::UnknownLaw, r.law);
                study.rows.push_back(r);
            }
        } else {
            throw ScenarioError(path, lineOf(item), key, Problem::UnknownKey);
        }
    }
    if (!rowsGiven)
        throw ScenarioError(path, lineOf(value), std::string(kStudyKey) + ".rows", Problem::NotRows);
    return study;
}

// The [study] table as this program writes it.
std::string studyText(const StudyTable& study)
{
    std::string text;
    addLine(text, "[study]", "torv-batch --scenario runs it, Ctrl+O opens it in the study window");
    addLine(text, "runs = " + std::to_string(study.runs), "runs of a seeded study");
    const bool integer = study.seed <= static_cast<std::uint64_t>(INT64_MAX);
    const std::string seed = std::to_string(study.seed);
    addLine(text, "seed = " + (integer ? seed : quotedText(seed)), "the seed of its random numbers");
    addLine(text, "rows = [", "input, law (sweep, normal, uniform, triangular), numbers as torv-batch takes them");
    for (const StudyRow& r : study.rows)
        text += "  { input = " + quotedText(r.input) + ", law = " + quotedText(r.law)
            + ", numbers = " + quotedText(r.numbers) + " },\n";
    return text + "]\n";
}

// Where a file's [study] table begins: the first line that opens a table
// (no other table belongs in a scenario); the text's end if none does.
size_t studyStart(std::string_view text)
{
    for (size_t at = 0; at < text.size();) {
        const size_t first = text.find_first_not_of(" \t", at);
        if (first != std::string_view::npos && text[first] == '[')
            return at;
        const size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            break;
        at = end + 1;
    }
    return text.size();
}

// The key a file of this program gives an input.
const char* keyOf(const FieldInfo& info)
{
    return info.field == Field::TTO ? kPathAngleKey : info.name;
}

bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// The comment after an input's line: its unit and meaning.
std::string commentOf(const FieldInfo& info, VehicleClass klasse)
{
    const std::string unit = std::strcmp(info.unit, "-") == 0 ? "" : std::string(info.unit) + ", ";
    const bool unusedThrust = klasse == VehicleClass::Airship
        && (info.field == Field::Mt || info.field == Field::Iud || info.field == Field::Schub);
    return unit + info.meaning + (unusedThrust ? " (computed, not applied to an airship)" : "");
}

std::string inputLine(const Scenario& s, const FieldInfo& info)
{
    std::string line;
    addLine(line, std::string(keyOf(info)) + " = " + tomlNumber(s[info.field]), commentOf(info, s.klasse));
    return line;
}

// What a run needs of the inputs, checked before any run: the first input
// that fails, at its line.
void checkPlausible(const Scenario& s, const std::string& path, const std::array<int, kFieldCount>& lines)
{
    auto lineOf = [&](Field f) { return lines[static_cast<size_t>(f)]; };
    const VehicleClassRow& row = classRow(s.klasse);
    // Without thrust or specific impulse the burn time is no number.
    for (Field f : { Field::MassaStart, Field::S0, Field::dt0, Field::Iud, Field::Schub })
        if (runReads(row, f) && !(s[f] > 0))
            throw ScenarioError(path, lineOf(f), keyOf(fieldInfo(f)), Problem::NotPositive, shortestText(s[f]));
    const double step = s[Field::dt0], end = s[Field::Tk];
    if (!(step < end))
        throw ScenarioError(path, lineOf(Field::dt0), "dt0", Problem::StepNotBelowEnd,
            "dt0 = " + shortestText(step) + ", Tk = " + shortestText(end));
    constexpr double kMostStepsPerPass = 100000000;
    if (end / step > kMostStepsPerPass)
        throw ScenarioError(
            path, lineOf(Field::dt0), "dt0", Problem::TooManySteps, formatGeneral(end / step, 3, 0, '.'));
}

// The byte at which a position of toml++ (line, column in characters, both
// from 1) stands in `text`, whose lines begin at `lineStarts`.
size_t offsetOf(std::string_view text, const std::vector<size_t>& lineStarts, const toml::source_position& at)
{
    size_t i = lineStarts[std::min<size_t>(at.line, lineStarts.size()) - 1];
    for (toml::source_index column = 1; column < at.column && i < text.size();) {
        ++i;
        if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80)
            ++column;
    }
    return i;
}

// The file's own text with the values that differ from `s` rewritten where
// they stand, a comment after one kept in its column, and the inputs the
// class reads that it lacks added at its end; empty if the text no longer
// reads as TOML.
std::string rewrittenText(const Scenario& s)
{
    const std::string_view text = s.source;
    toml::table table;
    try {
        table = toml::parse(text);
    } catch (const toml::parse_error&) {
        return {};
    }
    std::vector<size_t> lineStarts { 0 };
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n')
            lineStarts.push_back(i + 1);

    struct Edit {
        size_t begin, end;
        std::string by;
    };
    std::vector<Edit> edits;
    auto rewrite = [&](const toml::node& value, const std::string& by) {
        const size_t begin = offsetOf(text, lineStarts, value.source().begin);
        size_t end = offsetOf(text, lineStarts, value.source().end);
        std::string replacement = by;
        // A comment after the value stays where it stood, a blank at least
        // before it.
        const size_t hash = text.find_first_not_of(' ', end);
        if (hash != std::string_view::npos && text[hash] == '#' && hash > end) {
            const long gap = static_cast<long>(hash - begin) - static_cast<long>(by.size());
            replacement += std::string(static_cast<size_t>(std::max(1L, gap)), ' ');
            end = hash;
        }
        edits.push_back({ begin, end, replacement });
    };
    std::string added;

    if (const toml::node* name = table.get(kNameKey); name && name->as_string() && name->as_string()->get() != s.name)
        rewrite(*name, quotedText(s.name));
    if (const toml::node* klasse = table.get(kClassKey);
        klasse && klasse->as_string() && classKeyed(klasse->as_string()->get()) != s.klasse)
        rewrite(*klasse, quotedText(classRow(s.klasse).key));
    const toml::node* aero = table.get(kAeroKey);
    const std::optional<double> aeroFound = aero ? aero->value<double>() : std::nullopt;
    if (aero && (!aeroFound || !sameBits(*aeroFound, s.aeroModel)))
        rewrite(*aero, tomlNumber(s.aeroModel));
    else if (!aero && s.aeroModel != 0)
        addLine(added, std::string(kAeroKey) + " = " + tomlNumber(s.aeroModel),
            "aerodynamic model: 0 constant coefficients, 1 Titan-2");

    const VehicleClassRow& row = classRow(s.klasse);
    for (const FieldInfo& info : fieldTable()) {
        const toml::node* value = table.get(info.name);
        if (info.field == Field::TTO && !value)
            value = table.get(kPathAngleKey);
        if (!value) {
            if (runReads(row, info.field))
                added += inputLine(s, info);
            continue;
        }
        const std::optional<double> found = value->value<double>();
        if (!found || !sameBits(*found, s[info.field]))
            rewrite(*value, tomlNumber(s[info.field]));
    }

    std::string out(text);
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.begin > b.begin; });
    for (const Edit& e : edits)
        out.replace(e.begin, e.end - e.begin, e.by);
    if (!added.empty() && !out.empty() && out.back() != '\n')
        out += '\n';
    return out + added;
}

} // namespace

ScenarioError::ScenarioError(std::string path, int line, std::string key, Problem problem, std::string detail)
    : TorvError(message(path, line, key, problem, detail, 3))
    , path_(std::move(path))
    , line_(line)
    , key_(std::move(key))
    , problem_(problem)
    , detail_(std::move(detail))
{
}

std::string ScenarioError::text(int sprache) const
{
    return message(path_, line_, key_, problem_, detail_, sprache);
}

bool Scenario::operator==(const Scenario& other) const
{
    if (name != other.name || klasse != other.klasse || !sameBits(aeroModel, other.aeroModel))
        return false;
    for (const FieldInfo& info : fieldTable())
        if (runReads(classRow(klasse), info.field) && !sameBits((*this)[info.field], other[info.field]))
            return false;
    return true;
}

Scenario currentScenario(std::string name, const SimState& state)
{
    Scenario s;
    s.name = std::move(name);
    s.klasse = vehicleClass(state.Szenario.Klasse);
    s.aeroModel = state.AeroModel;
    for (const FieldInfo& info : fieldTable())
        s[info.field] = state.*info.var;
    return s;
}

void loadScenario(const Scenario& s, SimState& state)
{
    state.Klasse = static_cast<int>(s.klasse);
    state.Szenario = {};
    state.Szenario.Klasse = static_cast<double>(s.klasse);
    for (const FieldInfo& info : fieldTable())
        if (info.slot)
            state.Szenario.*info.slot = s[info.field];
    state.FileScenario = { true, s.aeroModel, s[Field::Auftriebplus], s[Field::Gasverlust] };
}

namespace {

// The file's text as this program lays it out, without a study.
std::string freshText(const Scenario& s)
{
    std::string text = "# Torv scenario: a vehicle, its start and its end. Torv opens it with Ctrl+O,\n"
                       "# torv-batch runs it with --scenario FILE.\n";
    addLine(text, std::string(kFormatKey) + " = " + std::to_string(kScenarioFormat), "layout of this file");
    addLine(text, std::string(kNameKey) + " = " + quotedText(s.name), "");
    addLine(text, std::string(kClassKey) + " = " + quotedText(classRow(s.klasse).key), std::string(classKeyList()));
    addLine(text, std::string(kAeroKey) + " = " + tomlNumber(s.aeroModel),
        "aerodynamic model: 0 constant coefficients, 1 Titan-2");
    text += '\n';
    for (const FieldInfo& info : fieldTable())
        if (runReads(classRow(s.klasse), info.field))
            text += inputLine(s, info);
    return text;
}

} // namespace

std::string scenarioText(const Scenario& s)
{
    // The inputs' part and the [study] table after it: the study given, or
    // the file's own.
    Scenario inputs = s;
    const size_t start = studyStart(s.source);
    inputs.source = s.source.substr(0, start);
    std::string text;
    if (!inputs.source.empty())
        text = rewrittenText(inputs);
    if (text.empty())
        text = freshText(s);
    if (s.study) {
        while (text.size() > 1 && text.ends_with("\n\n"))
            text.pop_back();
        return text + "\n" + studyText(*s.study);
    }
    return text + s.source.substr(start);
}

Scenario parseScenario(std::string_view text, const std::string& path)
{
    toml::table table;
    try {
        table = toml::parse(text, path);
    } catch (const toml::parse_error& e) {
        const int line = static_cast<int>(e.source().begin.line);
        throw ScenarioError(path, line, keyOnLine(text, line), Problem::NotToml, std::string(e.description()));
    }

    // A newer layout may explain every other problem: it is reported first.
    if (const toml::node* format = table.get(kFormatKey)) {
        const int line = static_cast<int>(format->source().begin.line);
        const auto* v = format->as_integer();
        if (!v)
            throw ScenarioError(path, line, kFormatKey, Problem::NotWholeNumber);
        if (v->get() > kScenarioFormat)
            throw ScenarioError(path, line, kFormatKey, Problem::NewerFormat, std::to_string(v->get()));
        if (v->get() < 1)
            throw ScenarioError(path, line, kFormatKey, Problem::BadFormat, std::to_string(v->get()));
    }

    Scenario s;
    s.name = scenarioNameOf(path);
    s.source = std::string(text);
    std::array<int, kFieldCount> lines {}; // where each input is given; 0: not given
    // The values a preset choice starts these two at.
    s[Field::Auftriebplus] = 1.0;
    s[Field::Gasverlust] = 4.4;
    bool classGiven = false;
    for (auto&& [k, value] : table) {
        const std::string key(k.str());
        const int line = static_cast<int>(k.source().begin.line);
        if (key == kFormatKey) {
            continue;
        } else if (key == kNameKey) {
            s.name = textAt(value, path, line, key);
        } else if (key == kClassKey) {
            const std::string name = textAt(value, path, line, key);
            const auto klasse = classKeyed(name);
            if (!klasse)
                throw ScenarioError(path, line, key, Problem::UnknownClass, name);
            s.klasse = *klasse;
            classGiven = true;
        } else if (key == kAeroKey) {
            s.aeroModel = numberAt(value, path, line, key);
            if (s.aeroModel != 0 && s.aeroModel != 1)
                throw ScenarioError(path, line, key, Problem::BadAero, shortestText(s.aeroModel));
        } else if (key == kStudyKey) {
            s.study = studyAt(value, path);
        } else if (const FieldInfo* input = inputNamed(key)) {
            if (lines[static_cast<size_t>(input->field)] != 0)
                throw ScenarioError(path, line, kPathAngleKey, Problem::TwoNames);
            s[input->field] = numberAt(value, path, line, key);
            if (tooLargeForField(s[input->field]))
                throw ScenarioError(path, line, key, Problem::TooLargeForField, shortestText(s[input->field]));
            lines[static_cast<size_t>(input->field)] = line;
        } else {
            throw ScenarioError(path, line, key, Problem::UnknownKey);
        }
    }
    if (!classGiven)
        throw ScenarioError(path, 0, kClassKey, Problem::MissingClass);

    // Every input the class's run reads is given; the others, which play no
    // part in it, may be left out.
    const VehicleClassRow& row = classRow(s.klasse);
    std::string missing;
    for (const FieldInfo& info : fieldTable())
        if (runReads(row, info.field) && lines[static_cast<size_t>(info.field)] == 0)
            missing += std::string(missing.empty() ? "" : ", ") + keyOf(info);
    if (!missing.empty())
        throw ScenarioError(path, 0, missing, Problem::MissingKeys);
    checkPlausible(s, path, lines);
    return s;
}

Scenario readScenario(const std::string& path)
{
    // Opened without waiting: a FIFO with no writer would block the open,
    // a device its reads.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        throw IoError(errno, "cannot read " + echoed(path, 0));
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer { fd };
    struct stat info { };
    if (fstat(fd, &info) != 0)
        throw IoError(errno, "cannot read " + echoed(path, 0));
    if (!S_ISREG(info.st_mode))
        throw ScenarioError(path, 0, "", Problem::NotAFile);
    if (info.st_size > kLargestFile)
        throw ScenarioError(path, 0, "", Problem::TooLarge);
    std::string text;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw IoError(errno, "cannot read " + echoed(path, 0));
        if (n == 0)
            break;
        text.append(buf, static_cast<size_t>(n));
        if (static_cast<long long>(text.size()) > kLargestFile)
            throw ScenarioError(path, 0, "", Problem::TooLarge);
    }
    return parseScenario(text, path);
}

void writeScenario(const std::string& path, const Scenario& s)
{
    writeFileAtomically(path, scenarioText(s));
}

std::string scenarioNameOf(const std::string& path)
{
    std::string name = path.substr(path.find_last_of('/') + 1);
    constexpr std::string_view kSuffix = ".toml";
    if (name.size() > kSuffix.size() && name.ends_with(kSuffix))
        name.resize(name.size() - kSuffix.size());
    return name;
}

} // namespace torv

// Scenario files: a preset record of the user's own, in TOML. A file holds
// the class, the aerodynamic model and every input of the calculation form
// by its state variable's name; opening one is choosing a preset whose
// record is the file's. Read and written here, without Qt.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fault/faults.h"
#include "model/state.h"
#include "run/activation.h"

namespace torv {

// The layout of the files this program writes and the newest it reads.
inline constexpr int kScenarioFormat = 1;

// A study kept with a scenario, its [study] table: each row an input (its
// key, as --set names it), its law and the law's numbers as torv-batch's
// --sweep and --vary take them after the law's name; the runs and the seed
// of a seeded study.
struct StudyRow {
    std::string input;
    std::string law; // sweep, normal, uniform or triangular
    std::string numbers; // "10:50:5", "log:1:100:3", "1,2,4"; "45:3" for normal
    bool operator==(const StudyRow&) const = default;
};
struct StudyTable {
    std::vector<StudyRow> rows;
    long long runs = 200;
    std::uint64_t seed = 1;
    bool operator==(const StudyTable&) const = default;
};
// The laws a row may name, as the file writes them.
inline constexpr const char* kStudyLaws[] = { "sweep", "normal", "uniform", "triangular" };

struct Scenario {
    std::string name;
    VehicleClass klasse = VehicleClass::None;
    double aeroModel = 0; // 0 constant, 1 Titan-2
    std::array<double, kFieldCount> inputs {}; // by Field
    // The text of the file it was read from; empty for one made here. Saved
    // again, the file keeps its text and has only its changed values
    // rewritten.
    std::string source;
    // Saved with a study, the [study] table; a file's own stays in its text
    // when this is empty.
    std::optional<StudyTable> study;

    double& operator[](Field f) { return inputs[static_cast<size_t>(f)]; }
    double operator[](Field f) const { return inputs[static_cast<size_t>(f)]; }
    // The same name, class, model and every input the class's run reads,
    // to the bit: the same file and the same run.
    bool operator==(const Scenario& other) const;
};

// What makes a file no scenario: one problem, at one line and key.
class ScenarioError : public TorvError {
public:
    enum class Problem {
        NotToml, // `detail`: the TOML reader's description; `key`: the line's, if any
        UnknownKey,
        NotANumber,
        NotText,
        NotWholeNumber,
        MissingClass,
        UnknownClass, // `detail`: the name found
        NotFinite, // `detail`: the value as written
        NewerFormat, // `detail`: the format found
        BadFormat, // `detail`: the format found, below 1
        BadAero, // `detail`: the model found, neither 0 nor 1
        TooLarge,
        NotTomlAtKey, // how NotToml reads where the line names its key
        MissingKeys, // `key`: every key the class's run reads that the file lacks, joined by ", "
        TwoNames, // `key`: the path angle under both of its names
        NotPositive, // `detail`: the value, which must be above 0
        StepNotBelowEnd, // `key`: dt0; `detail`: the step and the end time
        TooManySteps, // `key`: dt0; `detail`: the steps a pass would take
        NotAFile, // a directory, a FIFO, a device: nothing is read
        TooLargeForField, // `detail`: the value, whose field's text would read as no number
        NotTable, // `key`: the [study] table, or a row of it, given as something else
        NotRows, // `key`: study.rows, not a list
        NotRow, // `key`: a row of study.rows, not a table of its three keys
        UnknownLaw, // `detail`: the law found
        UnknownInput, // `detail`: the input found
        NotInRange, // `detail`: the value; study.runs from 1 to 1000000, study.seed from 0
    };
    ScenarioError(std::string path, int line, std::string key, Problem problem, std::string detail = {});

    // The message in language `sprache` (1 Russian, 2 German, 3 English, as
    // what() gives it): the file, the line where there is one, and what is
    // wrong with which key.
    std::string text(int sprache) const;

    const std::string& path() const { return path_; }
    int line() const { return line_; } // 1-based; 0 where no line is to blame
    const std::string& key() const { return key_; }
    Problem problem() const { return problem_; }
    const std::string& detail() const { return detail_; }

private:
    std::string path_;
    int line_;
    std::string key_;
    Problem problem_;
    std::string detail_;
};

// The scenario the state runs now: the record's class, the aerodynamic
// model and every input as the fields left them.
Scenario currentScenario(std::string name, const SimState& state = st);

// A preset choice of a record that is `s`'s: the class in the class groups
// and in the record, every input with a place in the record there, and the
// rest kept for every activation until a preset is chosen. Activation then
// fills every field from it.
void loadScenario(const Scenario& s, SimState& state = st);

// The file's text: each key the class's run reads with its unit and meaning
// in a comment; numbers in the shortest form that reads back as the same
// double. A scenario read from a file keeps that file's text, comments and
// layout, with only the values that changed rewritten in place.
std::string scenarioText(const Scenario& s);

// The name a file gives the path angle, also in the summary and legends;
// files of old give it as TTO.
inline constexpr const char* kPathAngleKey = "Q0";

// Reads the text of the file `path` (named in errors), with its [study]
// table if it has one: every key the class's
// run reads must be there, and the inputs plausible as a run needs them
// (mass and area above 0, a step above 0 and below the end time, no more
// steps than a pass may take). Throws ScenarioError.
Scenario parseScenario(std::string_view text, const std::string& path);

// Reads the file, never waiting on one that is no regular file. Throws
// IoError if it cannot be read, ScenarioError if it is no scenario.
Scenario readScenario(const std::string& path);

// Writes the file whole or not at all (atomicfile). Throws IoError.
void writeScenario(const std::string& path, const Scenario& s);

// The name a scenario without one takes: the file's name without folder
// and ".toml".
std::string scenarioNameOf(const std::string& path);

} // namespace torv

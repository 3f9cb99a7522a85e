// Scenario files: every preset saved and opened again runs to the same
// bytes; a bad file is refused with its file, line and key; the inputs a
// file sets beyond the record hold at every activation until a preset is
// chosen.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "fault/faults.h"
#include "files/resultfiles.h"
#include "model/classes.h"
#include "model/state.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "scenarios/scenario.h"
#include "support/runfixtures.h"

using namespace torv;

namespace {

// The sample file of a run from the record loaded now.
std::string runToBytes()
{
    st.Sprache = 3;
    activate('.');
    fpClear();
    Flugbahn(RunFiles::Skip);
    return sampleFileText();
}

class EveryPreset : public ::testing::TestWithParam<int> {
protected:
    torv::testing::RecordingPort form;
};

TEST_P(EveryPreset, SavedAndOpenedAgainRunsToTheSameBytes)
{
    resetState();
    const PresetRef ref = *presetNumber(GetParam());
    choosePreset(ref.list, ref.index);
    const std::string fromPreset = runToBytes();
    const Scenario saved = currentScenario("preset");
    const std::string text = scenarioText(saved);

    resetState();
    const Scenario opened = parseScenario(text, "p.toml");
    EXPECT_EQ(opened, saved) << text;
    loadScenario(opened);
    EXPECT_EQ(st.Klasse, static_cast<int>(opened.klasse));
    EXPECT_EQ(runToBytes(), fromPreset) << text;
}

INSTANTIATE_TEST_SUITE_P(Presets, EveryPreset, ::testing::Range(1, presetCount() + 1));

// Any double is written so that it reads back as itself, and a name with
// quotes, backslashes and control characters comes back as it was.
TEST(ScenarioText, EveryNumberAndNameReadsBackExactly)
{
    std::mt19937_64 bits(12345);
    Scenario s;
    s.name = "Tab\there \"quoted\" back\\slash \x01 Fu\xC3\x9F"
             "ball";
    s.klasse = VehicleClass::Airship;
    const double special[] = { 1.5e-5, -0.0, 5e-324, std::numeric_limits<double>::max(), 9.876543210987654e18, 1e22,
        -123456789012345678.0, 0.1 };
    for (int round = 0; round < 200; ++round) {
        for (size_t i = 0; i < s.inputs.size(); ++i) {
            double v;
            do {
                const uint64_t b = bits();
                std::memcpy(&v, &b, sizeof v);
            } while (!std::isfinite(v));
            s.inputs[i] = round == 0 && i < std::size(special) ? special[i] : v;
        }
        // What a run needs of them: mass, area, thrust and impulse above 0,
        // the step below the end time.
        for (Field f : { Field::MassaStart, Field::S0, Field::Iud, Field::Schub, Field::Tk })
            s[f] = std::fabs(s[f]) + 1;
        s[Field::dt0] = s[Field::Tk] / 3;
        const Scenario back = parseScenario(scenarioText(s), "x.toml");
        ASSERT_EQ(back, s) << scenarioText(s);
        EXPECT_EQ(std::signbit(back[Field::H0]), std::signbit(s[Field::H0]));
    }
}

struct BadFile {
    const char* name;
    std::string text;
    ScenarioError::Problem problem;
    int line;
    std::string key;
};

class BadFiles : public ::testing::TestWithParam<BadFile> {
protected:
    torv::testing::TempWorkDir dir;
};

// Read from a file as the forms and the batch program read it.
TEST_P(BadFiles, AreRefusedNamingTheFileTheLineAndTheKey)
{
    const BadFile& c = GetParam();
    std::FILE* f = std::fopen("v2.toml", "w");
    ASSERT_TRUE(f);
    std::fwrite(c.text.data(), 1, c.text.size(), f);
    std::fclose(f);
    try {
        readScenario("v2.toml");
        FAIL() << "accepted";
    } catch (const ScenarioError& e) {
        EXPECT_EQ(e.problem(), c.problem) << e.what();
        EXPECT_EQ(e.line(), c.line) << e.what();
        EXPECT_EQ(e.key(), c.key) << e.what();
        const std::string at = c.line > 0 ? "v2.toml, line " + std::to_string(c.line) + ": " : "v2.toml: ";
        EXPECT_EQ(std::string(e.what()).rfind(at, 0), 0u) << e.what();
        if (!c.key.empty()) {
            EXPECT_NE(std::string(e.what()).find("'" + c.key + "'"), std::string::npos) << e.what();
        }
        for (int language : { 1, 2 })
            EXPECT_NE(e.text(language), e.what()) << "not in language " << language;
    }
}

using P = ScenarioError::Problem;
const std::string kHead = "format = 1\nname = \"x\"\nclass = \"rocket\"\n";

// The V-2's file with `line` in place of the line of its key, or added.
std::string rocket(const std::string& line)
{
    resetState();
    choosePreset(PresetList::Launcher, 0);
    activate('.');
    std::string text = scenarioText(currentScenario("V-2"));
    const size_t at = text.find("\n" + line.substr(0, line.find(' ')) + " = ");
    if (at == std::string::npos)
        return text + line + "\n";
    return text.replace(at + 1, text.find('\n', at + 1) - at - 1, line);
}

// A file without any one key its class's run reads is refused, naming it;
// the keys no run of the class reads are not written.
class EveryClass : public ::testing::TestWithParam<VehicleClassRow> { };

TEST_P(EveryClass, FileWithoutAKeyItsRunReadsIsRefusedNamingIt)
{
    Scenario s;
    s.klasse = GetParam().klasse;
    s.inputs.fill(1);
    s[Field::Tk] = 10;
    const std::string text = scenarioText(s);
    ASSERT_EQ(parseScenario(text, "c.toml"), s);
    for (const FieldInfo& info : fieldTable()) {
        const std::string key = info.field == Field::TTO ? "Q0" : info.name;
        const size_t at = text.find("\n" + key + " = ");
        ASSERT_EQ(at != std::string::npos, runReads(GetParam(), info.field)) << key;
        if (at == std::string::npos)
            continue;
        std::string without = text;
        without.erase(at + 1, text.find('\n', at + 1) - at);
        try {
            parseScenario(without, "c.toml");
            ADD_FAILURE() << "accepted without " << key;
        } catch (const ScenarioError& e) {
            EXPECT_EQ(e.problem(), P::MissingKeys) << e.what();
            EXPECT_EQ(e.key(), key) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Classes, EveryClass, ::testing::ValuesIn(vehicleClasses().begin(), vehicleClasses().end()),
    [](const auto& info) { return std::string(info.param.key); });

INSTANTIATE_TEST_SUITE_P(Kinds, BadFiles,
    ::testing::Values(BadFile { "NotToml", kHead + "S0 = = 1\n", P::NotToml, 4, "S0" },
        BadFile { "NotTomlAtAll", "\x89PNG\r\n", P::NotToml, 1, "" },
        BadFile { "DuplicateKey", kHead + "S0 = 1\nS0 = 2\n", P::NotToml, 5, "S0" },
        BadFile { "UnknownKey", kHead + "S0 = 1\nShub = 5\n", P::UnknownKey, 5, "Shub" },
        BadFile { "TextForANumber", kHead + "\nSchub = \"300000\"\n", P::NotANumber, 5, "Schub" },
        BadFile { "TableForANumber", kHead + "[Cx]\nvalue = 1\n", P::NotANumber, 4, "Cx" },
        BadFile { "NumberForAName", "class = \"rocket\"\nname = 7\n", P::NotText, 2, "name" },
        BadFile { "NotFinite", kHead + "V0 = nan\n", P::NotFinite, 4, "V0" },
        BadFile { "Infinite", kHead + "H0 = -inf\n", P::NotFinite, 4, "H0" },
        BadFile { "TooLargeForItsField", kHead + "H0 = 1.7976931348623157e308\n", P::TooLargeForField, 4, "H0" },
        BadFile { "TooLargeNegative", rocket("Cx = -1.7976931348623155e308"), P::TooLargeForField, 12, "Cx" },
        BadFile { "NoModel", kHead + "aero = 2\n", P::BadAero, 4, "aero" },
        BadFile { "MissingClass", "format = 1\nS0 = 1\n", P::MissingClass, 0, "class" },
        BadFile { "UnknownClass", "class = \"Rakete\"\n", P::UnknownClass, 1, "class" },
        BadFile { "NewerFormat", "S0 = 1\nUnknown = 3\nformat = 2\n", P::NewerFormat, 3, "format" },
        BadFile { "FormatBelowOne", "format = 0\nclass = \"rocket\"\n", P::BadFormat, 1, "format" },
        BadFile { "FormatNotWhole", "format = 1.0\nclass = \"rocket\"\n", P::NotWholeNumber, 1, "format" },
        BadFile { "TooLarge", kHead + std::string(1 << 20, '#'), P::TooLarge, 0, "" },
        BadFile { "NegativeMass", rocket("MassaStart = -5"), P::NotPositive, 8, "MassaStart" },
        BadFile { "TinyStep", rocket("dt0 = 1e-300"), P::TooManySteps, 17, "dt0" },
        BadFile { "StepBeyondTheEnd", rocket("dt0 = 2000"), P::StepNotBelowEnd, 17, "dt0" },
        BadFile { "PathAngleTwice", rocket("TTO = 1"), P::TwoNames, 22, "Q0" },
        BadFile { "StudyNotATable", rocket("study = 3"), P::NotTable, 22, "study" },
        BadFile { "StudyRowsNotAList", rocket("[study]\nrows = 3"), P::NotRows, 23, "study.rows" },
        BadFile { "StudyWithoutRows", rocket("[study]\nruns = 5"), P::NotRows, 22, "study.rows" },
        BadFile { "StudyRowWithoutNumbers", rocket("[study]\nrows = [{ input = \"Q0\", law = \"normal\" }]"), P::NotRow,
            23, "study.rows[1]" },
        BadFile { "StudyUnknownLaw", rocket("[study]\nrows = [{ input = \"Q0\", law = \"log\", numbers = \"1\" }]"),
            P::UnknownLaw, 23, "study.rows[1].law" },
        BadFile { "StudyUnknownInput", rocket("[study]\nrows = [{ input = \"Q9\", law = \"sweep\", numbers = \"1\" }]"),
            P::UnknownInput, 23, "study.rows[1].input" },
        BadFile { "StudyNumbersNotText", rocket("[study]\nrows = [{ input = \"Q0\", law = \"sweep\", numbers = 1 }]"),
            P::NotText, 23, "study.rows[1].numbers" },
        BadFile { "StudyTooManyRuns", rocket("[study]\nruns = 1000001\nrows = []"), P::NotInRange, 23, "study.runs" },
        BadFile { "StudyUnknownKey", rocket("[study]\nrows = []\nsead = 3"), P::UnknownKey, 24, "study.sead" }),
    [](const auto& info) { return std::string(info.param.name); });

// A study is written after the inputs and reads back as it was; saved
// again from its file, a changed input is rewritten in place and the study
// kept, or replaced by the one given.
TEST(ScenarioText, StudyTableReadsBackAndKeepsItsPlace)
{
    Scenario s = parseScenario(rocket("H0 = 1"), "x.toml");
    s.study = StudyTable { { { "Q0", "normal", "45:3" }, { "V0", "sweep", "log:1:100:3" } }, 500, UINT64_MAX };
    const std::string text = scenarioText(s);
    const Scenario back = parseScenario(text, "x.toml");
    EXPECT_EQ(back.study, s.study) << text;
    Scenario again = back;
    again.study.reset();
    again[Field::H0] = 7;
    const std::string kept = scenarioText(again);
    EXPECT_EQ(parseScenario(kept, "x.toml").study, s.study) << kept;
    EXPECT_EQ(parseScenario(kept, "x.toml")[Field::H0], 7);
    again.source = kept;
    again.study = StudyTable { { { "H0", "uniform", "0:10" } }, 3, 0 };
    const std::string replaced = scenarioText(again);
    EXPECT_EQ(parseScenario(replaced, "x.toml").study, again.study) << replaced;
    EXPECT_EQ(replaced.find("[study]"), replaced.rfind("[study]")) << replaced;
    EXPECT_EQ(replaced.substr(0, replaced.find("[study]")), kept.substr(0, kept.find("[study]")));
}

TEST(ReadScenario, TheLargestValueItsFieldReadsBackIsAccepted)
{
    EXPECT_EQ(parseScenario(rocket("Cx = -1.79769313486231e308"), "r.toml")[Field::Cx], -1.79769313486231e308);
}

// A projectile from a file with a rocket's, a balloon's and a reentry
// vehicle's inputs and a model of its own: activation fills them all, again
// after typing, until a preset is chosen.
TEST(OpenScenario, EveryActivationAppliesTheFileUntilAPresetIsChosen)
{
    torv::testing::RecordingPort form;
    resetState();
    Scenario s;
    s.klasse = VehicleClass::Projectile;
    s.aeroModel = 1;
    for (const FieldInfo& info : fieldTable())
        s[info.field] = 10 + static_cast<int>(info.field);
    loadScenario(s);
    for (int activation = 0; activation < 2; ++activation) {
        const Activation shown = activate('.');
        EXPECT_EQ(shown.reached, ActivationStage::Complete);
        EXPECT_EQ(st.AeroModel, 1.0);
        for (const FieldInfo& info : fieldTable())
            EXPECT_EQ(st.*info.var, s[info.field]) << info.name << " after activation " << activation;
        EXPECT_EQ(shown.texts.size(), fieldTable().size());
        // Typed in the form: the next activation restores the file's values.
        st.Mt = 1;
        st.Auftriebplus = 2;
        st.AeroModel = 0;
    }

    choosePreset(PresetList::Projectil, 0);
    activate('.');
    EXPECT_EQ(st.Auftriebplus, 1.0);
    EXPECT_EQ(st.Gasverlust, 4.4);
    EXPECT_EQ(st.Mt, 1.0) << "a preset leaves another class's inputs as they were";
}

} // namespace

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/stepcheck.h"
#include "fault/faults.h"
#include "files/csvexport.h"
#include "files/resultfiles.h"
#include "model/quantities.h"
#include "model/state.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "support/runfixtures.h"

using namespace torv;
using namespace torv::testing;

namespace {

std::vector<std::string> split(const std::string& text, char sep)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, sep);)
        out.push_back(part);
    return out;
}

// A form double that cancels any run once armed.
class CancellingPort : public RecordingPort {
public:
    bool runProgress(int, double, double) override { return !armed; }
    bool armed = false;
};

class Results : public ::testing::Test {
protected:
    void SetUp() override
    {
        resetState();
        fpClear();
    }
    void run(PresetList list, int index)
    {
        choosePreset(list, index);
        activate('.');
        Flugbahn();
    }
    TempWorkDir dir;
    CancellingPort form;
};

TEST_F(Results, CsvHoldsEverySampleExactlyInAnyLocaleAndItsFileIsWholeOrNone)
{
    run(PresetList::Projectil, 0);
    const std::string text = csvText();
    const auto rows = split(text, '\n');
    ASSERT_EQ(rows.size(), 501u);
    EXPECT_EQ(text.back(), '\n');
    const auto header = split(rows[0], ',');
    ASSERT_EQ(header.size(), static_cast<size_t>(kRecordedSeries));
    EXPECT_EQ(header[0], "time [s]");
    EXPECT_EQ(header[3], "altitude [m]");
    EXPECT_EQ(header[28], "air density [kg/m3]");
    const auto row = split(rows[250], ',');
    ASSERT_EQ(row.size(), static_cast<size_t>(kRecordedSeries));
    for (int k = 0; k < kRecordedSeries; ++k)
        EXPECT_EQ(std::strtod(row[k].c_str(), nullptr), st.Ergebnis[k * kSamples + 249]) << "series " << k;

    // The file is written whole or not at all.
    writeCsvFile("out.csv");
    EXPECT_EQ(readFile("out.csv"), text);
    try {
        writeCsvFile("missing/out.csv");
        ADD_FAILURE() << "no error";
    } catch (const IoError& e) {
        EXPECT_EQ(e.code(), ENOENT);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 2) << "only the sample file and out.csv";

    const std::string old = std::setlocale(LC_ALL, nullptr);
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8"))
        GTEST_SKIP() << "de_DE.UTF-8 locale not installed";
    const std::string german = csvText();
    std::setlocale(LC_ALL, old.c_str());
    EXPECT_EQ(german, text);
}

// The registry's sample-file columns hold its series: each value as written
// with at most its field's rounding. The summary undoes the units: metres.
// Every language names the 31 CSV series without a comma, with the units the
// flags chose: Apollo flies above 10 km, faster than 1 km/s, over 10 km.
TEST_F(Results, SampleColumnsAreTheRegistrysSeriesAndCsvUnitsFollowTheFlags)
{
    run(PresetList::Landekapsel, 2);
    EXPECT_NEAR(runSummary().maxAltitude, st.H0, 0.01 * st.H0);
    const auto lines = split(readFile(kSampleFileName), '\n');
    for (const Quantity& q : quantities()) {
        if (q.sampleColumn == 0)
            continue;
        for (int j = 1; j <= kSamples; j += 37) {
            std::istringstream in(lines[j + 2]);
            std::vector<double> values;
            for (double v; in >> v;)
                values.push_back(v);
            EXPECT_NEAR(values.at(q.sampleColumn - 1), st.Ergebnis[code(q.series) * kSamples + j - 1], 0.5)
                << quantityName(q.series, 3) << " sample " << j;
        }
    }

    ASSERT_EQ(st.FlagH, 1);
    for (int language : { 1, 2, 3 }) {
        SCOPED_TRACE(language);
        st.Sprache = language;
        const auto header = split(split(csvText(), '\n')[0], ',');
        ASSERT_EQ(header.size(), static_cast<size_t>(kRecordedSeries));
        EXPECT_TRUE(header[1].ends_with("[km/s]")) << header[1];
        EXPECT_TRUE(header[3].ends_with("[km]")) << header[3];
        EXPECT_TRUE(header[7].ends_with("[km]")) << header[7];
    }
}

struct CheckCase {
    PresetList list;
    int index;
    bool cancel;
};

class StepCheckRun : public Results, public ::testing::WithParamInterface<CheckCase> { };

TEST_P(StepCheckRun, LeavesStateFileAndFormAsTheyWere)
{
    const CheckCase c = GetParam();
    run(c.list, c.index);
    const std::string sample = readFile(kSampleFileName);
    const auto mtime = std::filesystem::last_write_time(kSampleFileName);
    const int graphs = form.graphs;
    const size_t fields = form.edBelastung.size() + form.edS0.size();
    std::vector<char> before(sizeof(SimState));
    std::memcpy(before.data(), static_cast<const void*>(&st), sizeof(SimState));

    form.armed = c.cancel;
    const StepCheck check = checkStep();
    EXPECT_EQ(check.failed(), c.cancel);
    EXPECT_EQ(check.failure, c.cancel ? "The run was cancelled" : "");
    EXPECT_TRUE(c.cancel || check.runs[1].range != check.runs[0].range);

    EXPECT_EQ(std::memcmp(before.data(), static_cast<const void*>(&st), sizeof(SimState)), 0);
    EXPECT_EQ(readFile(kSampleFileName), sample);
    EXPECT_EQ(std::filesystem::last_write_time(kSampleFileName), mtime);
    EXPECT_EQ(form.graphs, graphs);
    EXPECT_EQ(form.edBelastung.size() + form.edS0.size(), fields);
    EXPECT_EQ(&formPort(), &form);
}

INSTANTIATE_TEST_SUITE_P(Presets, StepCheckRun,
    ::testing::Values(CheckCase { PresetList::Projectil, 0, false }, CheckCase { PresetList::Ballon, 0, false },
        CheckCase { PresetList::Landekapsel, 2, true }));

} // namespace

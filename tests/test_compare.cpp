// What the graphs mark and compare, on real runs: the flight's events found
// in its samples, the legend's names for kept runs, kept series in the
// current run's units, and the data export with a run column.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "analysis/events.h"
#include "analysis/keptruns.h"
#include "fault/faults.h"
#include "files/csvexport.h"
#include "model/state.h"
#include "run/activation.h"
#include "run/flugbahn.h"
#include "scenarios/presets.h"
#include "support/runfixtures.h"

using namespace torv;

namespace {

constexpr int kN = kSamples;

void runPreset(int number)
{
    resetState();
    const PresetRef ref = *presetNumber(number);
    choosePreset(ref.list, ref.index);
    st.Sprache = 3;
    activate('.');
    fpClear();
    Flugbahn();
}

double sample(Series s, int position)
{
    return st.Ergebnis[static_cast<size_t>(code(s) * kN + position)];
}

struct EventCase {
    int preset;
    std::set<FlightEvent> expected;
};

class Events : public ::testing::TestWithParam<EventCase> {
protected:
    torv::testing::TempWorkDir dir;
    torv::testing::RecordingPort form;
};

// Which events a flight has, and that each stands where its quantity does
// what the event says.
TEST_P(Events, StandWhereTheSamplesSayAndOnlyWhereTheFlightHasThem)
{
    runPreset(GetParam().preset);
    const std::vector<EventMark> marks
        = findEvents(st.Ergebnis.data(), kN, vehicleClass(st.Szenario.Klasse), !(st.H > 0));
    std::set<FlightEvent> found;
    for (const EventMark& m : marks) {
        found.insert(m.event);
        ASSERT_GE(m.position, 1);
        ASSERT_LT(m.position, kN);
        const auto greatest = [&](Series s, auto key) {
            for (int i = 1; i < kN; ++i)
                EXPECT_LE(key(sample(s, i)), key(sample(s, m.position))) << "position " << i;
        };
        switch (m.event) {
        case FlightEvent::Apogee:
            greatest(Series::Altitude, [](double v) { return v; });
            EXPECT_GT(sample(Series::Altitude, m.position), sample(Series::Altitude, kN - 1));
            break;
        case FlightEvent::MaxDynamicPressure:
            greatest(Series::DynamicPressure, [](double v) { return v; });
            break;
        case FlightEvent::MaxLoadFactor:
            greatest(Series::LoadFactorX, [](double v) { return std::fabs(v); });
            break;
        case FlightEvent::Burnout:
            EXPECT_GT(sample(Series::Thrust, m.position), 0);
            EXPECT_EQ(sample(Series::Thrust, m.position + 1), 0);
            break;
        case FlightEvent::Landing:
            EXPECT_EQ(m.position, kN - 1);
            break;
        }
    }
    EXPECT_EQ(found, GetParam().expected);
}

using E = FlightEvent;
INSTANTIATE_TEST_SUITE_P(Presets, Events,
    ::testing::Values(EventCase { 1, { E::Apogee, E::MaxDynamicPressure, E::MaxLoadFactor, E::Landing } },
        // Floats until its end time: no landing.
        EventCase { 12, { E::Apogee, E::MaxDynamicPressure, E::MaxLoadFactor } },
        // Enters from its highest point: no apogee.
        EventCase { 22, { E::MaxDynamicPressure, E::MaxLoadFactor, E::Landing } },
        EventCase { 29, { E::Apogee, E::MaxDynamicPressure, E::MaxLoadFactor, E::Burnout, E::Landing } }),
    [](const auto& info) { return "Preset" + std::to_string(info.param.preset); });

TEST(EventLabels, NameSymbolValueAsTheAxesWriteItAndUnit)
{
    torv::testing::TempWorkDir dir;
    torv::testing::RecordingPort form;
    runPreset(29); // the V-2: 74.77 km high, in km since FlagH is set
    const std::vector<EventMark> marks = findEvents(st.Ergebnis.data(), kN, VehicleClass::Rocket, true);
    ASSERT_EQ(marks.front().event, FlightEvent::Apogee);
    EXPECT_EQ(eventLabel(marks.front(), st.Ergebnis.data(), kN, 3, '.'), "apogee H=74.77 km");
    EXPECT_EQ(eventLabel(marks.front(), st.Ergebnis.data(), kN, 2, ','), "Gipfelpunkt H=74,77 km");
    EXPECT_EQ(eventLabel(marks.front(), st.Ergebnis.data(), kN, 1, '.'), "апогей H=74.77 km");
}

// The legend names a kept run by what it was run with that the current run
// was not.
TEST(KeptRuns, LegendNamesWhatDiffers)
{
    resetState();
    choosePreset(PresetList::Projectil, 0);
    activate('.');
    const RunInputs current = RunInputs::current();
    const auto with = [&](std::initializer_list<std::pair<Field, double>> changes, double aero = 0) {
        RunInputs in = current;
        for (const auto& [field, value] : changes)
            in.fields[static_cast<size_t>(field)] = value;
        in.aeroModel = aero;
        return in;
    };
    EXPECT_EQ(differenceLabel(with({ { Field::TTO, 30 } }), current, 3, '.'), "Q0 = 30");
    EXPECT_EQ(differenceLabel(with({ { Field::TTO, 30 }, { Field::dt0, 0.0025 } }), current, 3, ','),
        "Q0 = 30, dt0 = 0,0025");
    EXPECT_EQ(differenceLabel(with({}, 1), current, 2, '.'), "Aerodynamik = Titan-2");
    EXPECT_EQ(differenceLabel(current, current, 1, '.'), "те же данные");
    RunInputs other = current;
    loadPreset(PresetList::Projectil, 1);
    other.scenario = st.Szenario;
    EXPECT_EQ(differenceLabel(other, current, 3, '.'), presets(PresetList::Projectil)[1].label);
    EXPECT_EQ(currentRunLabel({ with({ { Field::TTO, 30 } }), other }, current, 3, '.'), "current run (Q0 = 45)");
}

// Kept runs of another class are named by their class and what sets them
// apart from each other, in the legend and in the export alike.
TEST(KeptRuns, AfterAClassChangeTheClassAndWhatDiffers)
{
    resetState();
    choosePreset(PresetList::Projectil, 0);
    activate('.');
    std::vector<RunInputs> kept;
    for (double angle : { 30.0, 45.0, 60.0 }) {
        kept.push_back(RunInputs::current());
        kept.back().fields[static_cast<size_t>(Field::TTO)] = angle;
    }
    choosePreset(PresetList::Glider, 0);
    activate('.');
    const RunInputs glider = RunInputs::current();
    EXPECT_EQ(keptRunLabels(kept, glider, 3, '.'),
        (std::vector<std::string> { "Projectile, Q0 = 30", "Projectile, Q0 = 45", "Projectile, Q0 = 60" }));
    EXPECT_EQ(keptRunLabels({ kept[0] }, glider, 2, ','), std::vector<std::string> { "Ballistik" });
    EXPECT_EQ(currentRunLabel(kept, glider, 3, '.'), "current run");

    const std::vector<double> series(static_cast<size_t>(kSeriesCount * kN), 0.0);
    const std::string csv = csvText({ series, series }, { "current run", "Projectile, Q0 = 30", "x \"y\"" });
    EXPECT_EQ(csv.substr(0, 10), "run,label,");
    EXPECT_NE(csv.find("\n1,\"Projectile, Q0 = 30\",0,"), std::string::npos);
    EXPECT_NE(csv.find("\n2,\"x \"\"y\"\"\",0,"), std::string::npos);
}

// A kept run stored in km/s is drawn and exported in m/s when the current
// run's speeds are in m/s; series whose units agree are taken as stored.
TEST(KeptRuns, SeriesFollowTheCurrentRunsUnitsAndTheExportNumbersTheRuns)
{
    torv::testing::TempWorkDir dir;
    torv::testing::RecordingPort form;
    runPreset(29);
    ASSERT_EQ(st.FlagV, 1);
    const KeptRun fast = keepRun();
    runPreset(1);
    ASSERT_EQ(st.FlagV, 0);
    const std::vector<double> now = inCurrentUnits(fast);
    for (int i : { 1, 250, 499 }) {
        EXPECT_DOUBLE_EQ(now[code(Series::Speed) * kN + i], fast.series[code(Series::Speed) * kN + i] * 1000);
        EXPECT_EQ(now[code(Series::Time) * kN + i], fast.series[code(Series::Time) * kN + i]);
    }

    const std::string csv = csvText({ now, now });
    EXPECT_EQ(csv.substr(0, 16), "run,time [s],spe");
    std::vector<std::string> lines;
    for (size_t at = 0, end; (end = csv.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(csv.substr(at, end - at));
    ASSERT_EQ(lines.size(), 1u + 3 * kN);
    for (int run = 0; run < 3; ++run)
        for (int i : { 0, kN - 1 })
            EXPECT_EQ(lines[static_cast<size_t>(1 + run * kN + i)].substr(0, 2), std::to_string(run) + ",");
    EXPECT_EQ(csvText().substr(0, 9), "time [s],");
}

} // namespace

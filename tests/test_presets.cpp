#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <set>
#include <string>

#include "model/classes.h"
#include "model/state.h"
#include "scenarios/presets.h"

using namespace torv;

namespace {

struct ListShape {
    PresetList list;
    size_t entries;
    double klasse;
};

const ListShape kShapes[] = {
    { PresetList::Projectil, 9, 1.0 },
    { PresetList::Fallschirm, 2, 2.0 },
    { PresetList::Ballon, 4, 3.0 },
    { PresetList::Glider, 4, 5.0 },
    { PresetList::Landekapsel, 9, 7.0 },
    { PresetList::Launcher, 6, 8.0 },
};

} // namespace

TEST(Presets, ListsHaveTheirEntriesAndClass)
{
    size_t total = 0;
    for (const ListShape& s : kShapes) {
        const auto entries = presets(s.list);
        ASSERT_EQ(entries.size(), s.entries);
        total += entries.size();
        for (size_t i = 0; i < entries.size(); ++i) {
            resetState();
            loadPreset(s.list, static_cast<int>(i));
            EXPECT_EQ(st.Szenario.Klasse, s.klasse) << entries[i].label;
            EXPECT_GT(st.Szenario.dt, 0) << entries[i].label;
            EXPECT_GT(std::strlen(entries[i].label), 0u);
        }
    }
    EXPECT_EQ(total, 34u);
}

// The start form shows a class's list from the class table; each list holds
// presets of that class only, and every list belongs to one class.
TEST(Presets, EachClassListsPresetsOfItsOwnClass)
{
    std::set<PresetList> lists;
    for (const VehicleClassRow& row : vehicleClasses()) {
        if (!row.presets)
            continue;
        EXPECT_TRUE(lists.insert(*row.presets).second) << row.key;
        for (const Preset& p : presets(*row.presets))
            EXPECT_EQ(vehicleClass(p.Klasse), row.klasse) << p.label;
    }
    EXPECT_EQ(lists.size(), std::size(kPresetLists));
}

TEST(Presets, LabelsKeepTheirExactCharacters)
{
    // UTF-8 spelt out byte by byte, blanks counted.
    EXPECT_STREQ(presets(PresetList::Projectil)[2].label,
        "Fu\xC3\x9F"
        "ball (m=450 g, Umfang = 70 cm)");
    EXPECT_STREQ(presets(PresetList::Projectil)[3].label,
        "Pellmor - 1865 De la Terre \xC3\xA0 la Lune (= Von der Erde zum Mond)");
    EXPECT_STREQ(presets(PresetList::Landekapsel)[2].label, "Apollo               ( K = 0,3  V=11,2 km/s )");
    EXPECT_STREQ(presets(PresetList::Launcher)[3].label, "Globale Glider (Kolvend Prinzip) ");
    const std::string ss1 = presets(PresetList::Launcher)[4].label;
    const std::string head = "SpaceShipOne (SS1) ->  ";
    ASSERT_EQ(ss1.compare(0, head.size(), head), 0) << ss1;
    EXPECT_EQ(ss1.compare(head.size(), 8, "https://"), 0) << ss1;
    EXPECT_EQ(ss1.find(' ', head.size()), std::string::npos) << "the address has no blanks";
}

TEST(Presets, ChoiceWritesTheRowAndZeroEndConditions)
{
    // Masse, S0, Cx, Cy, H0, V0, TTO, Tk, dt, then Hk, Vk, Vwind as 0.
    constexpr int kFields = 12;
    const char* const names[kFields]
        = { "Masse", "S0", "Cx", "Cy", "H0", "V0", "TTO", "Tk", "dt", "Hk", "Vk", "Vwind" };
    struct Row {
        PresetList list;
        int index;
        double want[kFields];
    } rows[] = {
        { PresetList::Projectil, 6, { 0.0002, 1.5e-5, 0.45, 0, 8000, 0, -87, 400, 0.02 } },
        { PresetList::Glider, 0, { 300, 6, 0.03, 1.5, 2000, 25.45, -1.1, 5000, 0.1 } },
        { PresetList::Landekapsel, 5, { 36, 0.2, 0.5, 0, 120000, 10950, -80, 30, 0.05 } },
        { PresetList::Launcher, 5, { 0.9, 0.008, 0.5, 0, 1, 0.001, 85, 500, 0.01 } },
    };
    for (const Row& r : rows) {
        resetState();
        st.Szenario.Hk = 5, st.Szenario.Vk = 6, st.Szenario.Vwind = 7;
        loadPreset(r.list, r.index);
        const SzenarioRecord& s = st.Szenario;
        const double got[kFields] = { s.Masse, s.S0, s.Cx, s.Cy, s.H0, s.V0, s.TTO, s.Tk, s.dt, s.Hk, s.Vk, s.Vwind };
        for (int i = 0; i < kFields; ++i)
            EXPECT_EQ(got[i], r.want[i]) << presets(r.list)[r.index].label << ": " << names[i];
    }
}

TEST(Presets, ClassFieldsComeOnlyFromTheirOwnList)
{
    resetState();
    loadPreset(PresetList::Launcher, 0); // V-2
    loadPreset(PresetList::Projectil, 0);
    EXPECT_EQ(st.Szenario.Klasse, 1.0);
    EXPECT_EQ(st.Szenario.Mt, 8200);
    EXPECT_EQ(st.Szenario.Iud, 2200);
    EXPECT_EQ(st.Szenario.Mdv, 2000);
    EXPECT_EQ(st.Szenario.Schub, 300000);

    loadPreset(PresetList::Ballon, 3);
    EXPECT_EQ(st.Szenario.GasDichte, 0.178);
    EXPECT_EQ(st.Szenario.HFlug, 10000);
    loadPreset(PresetList::Landekapsel, 0);
    EXPECT_EQ(st.Szenario.RSAT, 1.15);
    EXPECT_EQ(st.Szenario.HFlug, 10000);
}

TEST(Presets, IndexOutsideTheListChangesNothing)
{
    resetState();
    loadPreset(PresetList::Glider, 1);
    const SzenarioRecord before = st.Szenario;
    for (int index : { -1, 4, 1000 }) {
        loadPreset(PresetList::Glider, index);
        for (int pos = 0; pos < kScenarioSize; ++pos)
            EXPECT_EQ(st.Szenario.at(pos), before.at(pos)) << "index " << index << " position " << pos;
    }
}

#include "scenarios/presets.h"

#include <utility>

#include "model/state.h"

namespace torv {

namespace {

// One constructor per list: each fixes its list's class and takes the
// columns that list's table carries, in the table's order.
constexpr Preset projectil(const char* label, double m, double s0, double cx, double cy, double h0, double v0,
    double tto, double tk, double dt)
{
    return { label, 1.0, m, s0, cx, cy, h0, v0, tto, tk, dt };
}

constexpr Preset fallschirm(const char* label, double m, double s0, double cx, double cy, double h0, double v0,
    double tto, double tk, double dt)
{
    return { label, 2.0, m, s0, cx, cy, h0, v0, tto, tk, dt };
}

constexpr Preset ballon(const char* label, double m, double s0, double cx, double cy, double h0, double v0, double tto,
    double tk, double dt, double gas, double hFlug)
{
    Preset p { label, 3.0, m, s0, cx, cy, h0, v0, tto, tk, dt };
    p.GasDichte = gas;
    p.HFlug = hFlug;
    return p;
}

constexpr Preset glider(const char* label, double m, double s0, double cx, double cy, double h0, double v0, double tto,
    double tk, double dt)
{
    return { label, 5.0, m, s0, cx, cy, h0, v0, tto, tk, dt };
}

constexpr Preset landekapsel(const char* label, double m, double s0, double cx, double cy, double h0, double v0,
    double tto, double tk, double dt, double rsat)
{
    Preset p { label, 7.0, m, s0, cx, cy, h0, v0, tto, tk, dt };
    p.RSAT = rsat;
    return p;
}

constexpr Preset launcher(const char* label, double m, double s0, double cx, double cy, double h0, double v0,
    double tto, double tk, double dt, double mt, double iud, double mdv, double schub)
{
    Preset p { label, 8.0, m, s0, cx, cy, h0, v0, tto, tk, dt };
    p.Mt = mt;
    p.Iud = iud;
    p.Mdv = mdv;
    p.Schub = schub;
    return p;
}

// Labels are shown as they are; their numbers need not agree with the values.
// clang-format off
constexpr Preset kProjectil[] = {
    // label, Masse kg, S0 m2, Cx, Cy, H0 m, V0 m/s, TTO deg, Tk s, dt s
    projectil("Projectil, Q= 45 Grad,  V= 100 m/s, H= 0 m", 1, 0.02, 0.01, 0, 1, 100, 45, 100, 0.005),
    projectil("Projectil, Q= -88 Grad,  V= 0 m/s, H= 10 km", 1, 0.02, 0.45, 0, 10000, 0, -88, 100, 0.01),
    projectil("Fußball (m=450 g, Umfang = 70 cm)", 0.41, 0.038, 0.47, 0, 0.1, 30, 45, 100, 0.001),
    projectil("Pellmor - 1865 De la Terre à la Lune (= Von der Erde zum Mond)", 10000, 5, 0.2, 0, 0.1, 18000, 89, 5, 0.001),
    projectil("Railgun (K=0, Q=89)", 100, 0.1, 0.1, 0, 0.1, 14000, 89, 10, 0.001),
    projectil("Railgun (K=1, Q=12)", 100, 0.1, 0.1, 0.1, 0.1, 14000, 12, 10, 0.001),
    projectil("Tropfen, Drop", 0.0002, 1.5e-5, 0.45, 0, 8000, 0, -87, 400, 0.02),
    projectil("Brannok (Ho=31300)", 80.1, 0.8, 0.9, 0, 31300, 0, -87, 250, 0.02),
    projectil("Selmarin? (Ho=38000, M>1)", 80, 0.8, 0.6, 0, 38000, 0, -87, 200, 0.02),
};

constexpr Preset kFallschirm[] = {
    // label, Masse kg, S0 m2, Cx, Cy, H0 m, V0 m/s, TTO deg, Tk s, dt s
    fallschirm("Parachute ( V = 0 m/s, Cx = 0.8, Ho = 4000 m,  m = 100kg )", 100, 36, 0.8, 0, 4000, 0, -90, 5000, 0.1),
    fallschirm("Parachute ( V = 0 m/s, Cx = 1.0, Ho = 4000 m,  m = 100kg )", 100, 36, 1, 0, 4000, 0, -90, 5000, 0.1),
};

constexpr Preset kBallon[] = {
    // label, Masse kg, S0 m2, Cx, Cy, H0 m, V0 m/s, TTO deg, Tk s, dt s, GasDichte kg/m3, HFlug m
    ballon("Gasballon (Gas - H, m=1000 kg, H=1km)", 1000, 6, 0.45, 0, 0, 0, 90, 3500, 0.1, 0.085, 1000),
    ballon("Gasballon (Gas - He, m=1000 kg, H=1km)", 1000, 6, 0.45, 0, 0, 0, 90, 3500, 0.1, 0.178, 1000),
    ballon("Vakuumballon (Vakuum, m=1000 kg, H=1km)", 1000, 6, 0.45, 0, 0, 0, 90, 3500, 0.1, 0, 1000),
    ballon("Luftballon (Gas - He, m=100 g)", 0.1, 1, 0.45, 0, 0, 0, 90, 50, 0.01, 0.178, 10000),
};

constexpr Preset kGlider[] = {
    // label, Masse kg, S0 m2, Cx, Cy, H0 m, V0 m/s, TTO deg, Tk s, dt s
    glider("Glider (Vo=40m/s, Ho=2000m, K=50)", 300, 6, 0.03, 1.5, 2000, 25.45, -1.1, 5000, 0.1),
    glider("Glider (Vo=0m/s, Ho=28km, K=20)", 5, 1, 0.06, 1.2, 28000, 57, -0.01, 35000, 1),
    glider("Model Glider (Vo=5m/s, Ho=2m, K=20)", 1, 0.5, 0.06, 1.2, 2, 5, -3.4, 500, 0.001),
    glider("Segelflugzeug  DS-8 (18m, K=48)", 525, 10.5, 0.021, 1, 500, 29, -1.5, 1500, 0.1),
};

constexpr Preset kLandekapsel[] = {
    // label, Masse kg, S0 m2, Cx, Cy, H0 m, V0 m/s, TTO deg, Tk s, dt s, RSAT m
    landekapsel("Wostok            ( K = 0 V = 7,8 km/s )", 2460, 4.15, 0.5, 0, 120000, 7800, -3, 400, 0.1, 1.15),
    landekapsel("Sojuz                ( K = 0,25  V = 7,8 km/s )", 2800, 3.8, 0.5, 0.125, 120000, 7800, -3, 400, 0.1, 2),
    landekapsel("Apollo               ( K = 0,3  V=11,2 km/s )", 5560, 12, 0.85, 0.252, 120000, 11200, -6.5, 2000, 0.1, 2.8),
    landekapsel("Space Shuttle   ( K = 1,4 V= 8 km/s )", 104000, 500, 1, 1.4, 77000, 7800, -1, 2000, 0.1, 2),
    landekapsel("Meterorit           ( K = 0, V = 20 km/s,  Density=2t/m3, D=10m)", 1046000, 78.5, 0.5, 0, 120000, 20000, -45, 2000, 0.01, 10),
    landekapsel("Luna-16            ( K = 0, V = 11,2 km/s )", 36, 0.2, 0.5, 0, 120000, 10950, -80, 30, 0.05, 0.25),
    landekapsel("Superlight Reentry Vehicles ( K = 0  V = 7,8 km/s)", 10, 1, 0.5, 0, 120000, 7800, -3, 450, 0.1, 0.5),
    landekapsel("Superlight Reentry Vehicles ( K = 0,3  V = 7,8 km/s)", 10, 1, 0.5, 0.17, 120000, 7800, -3, 450, 0.1, 0.5),
    landekapsel("Apollo               ( K = 0,0  V=11,2 km/s ) - ballistic Re-Entry", 5560, 12, 1, 0, 120000, 11200, -6.5, 2000, 0.1, 2.8),
};

constexpr Preset kLauncher[] = {
    // label, Masse kg, S0 m2, Cx, Cy, H0 m, V0 m/s, TTO deg, Tk s, dt s, Mt kg, Iud N*s/kg, Mdv kg, Schub N
    launcher("Launcher V-2", 12700, 2, 0.25, 0, 1, 1, 89.3, 1500, 0.01, 8200, 2200, 2000, 300000),
    launcher("Raketenmodel (m=10 kg)", 10, 0.01, 0.6, 0, 1, 0.01, 90, 500, 0.01, 4, 1200, 5, 500),
    launcher("SpaceShipTwo (SS2)- Virgin Galactic", 6000, 12.5, 0.3, 0.7, 15200, 200.01, -0.1, 380, 0.02, 3000, 2600, 600, 120000),
    launcher("Globale Glider (Kolvend Prinzip) ", 200000, 200.5, 0.3, 1.2, 20000, 350.01, 17.1, 1000, 0.1, 160000, 3500, 12000, 3800000),
    launcher("SpaceShipOne (SS1) ->  https://en.wikipedia.org/wiki/SpaceShipOne", 3600, 15, 0.3, 0.4, 16200, 200.01, 0.1, 500, 0.02, 2100, 2450, 600, 74000),
    launcher("Rocket Model (F=86N, Q=85, t=2s))", 0.9, 0.008, 0.5, 0, 1, 0.001, 85, 500, 0.01, 0.1056, 1640, 0.228, 86),
};
// clang-format on

// The columns of the classes' own fields, by the field each fills.
constexpr std::pair<Field, double Preset::*> kOwnColumns[] = { { Field::RSAT, &Preset::RSAT },
    { Field::Mt, &Preset::Mt }, { Field::Iud, &Preset::Iud }, { Field::Schub, &Preset::Schub },
    { Field::Mdv, &Preset::Mdv }, { Field::GasDensity, &Preset::GasDichte }, { Field::HFlug, &Preset::HFlug } };

} // namespace

std::span<const Preset> presets(PresetList list)
{
    switch (list) {
    case PresetList::Projectil:
        return kProjectil;
    case PresetList::Fallschirm:
        return kFallschirm;
    case PresetList::Ballon:
        return kBallon;
    case PresetList::Glider:
        return kGlider;
    case PresetList::Landekapsel:
        return kLandekapsel;
    case PresetList::Launcher:
        return kLauncher;
    }
    return {};
}

void loadPreset(PresetList list, int index, SimState& state)
{
    const auto entries = presets(list);
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size())
        return;
    const Preset& p = entries[static_cast<std::size_t>(index)];
    SzenarioRecord& s = state.Szenario;
    s.Klasse = p.Klasse;
    s.Masse = p.Masse;
    s.S0 = p.S0;
    s.Cx = p.Cx;
    s.Cy = p.Cy;
    s.H0 = p.H0;
    s.V0 = p.V0;
    s.TTO = p.TTO;
    s.Hk = 0;
    s.Vk = 0;
    s.Tk = p.Tk;
    s.dt = p.dt;
    s.Vwind = 0;
    // The record is no longer a scenario file's.
    state.FileScenario = {};
    // A class's own fields are written only by its presets, so a rocket's
    // fields survive a later projectile choice.
    for (const ClassField& own : classRow(p.Klasse).fields)
        for (const auto& [field, column] : kOwnColumns)
            if (field == own.field)
                s.*fieldInfo(field).slot = p.*column;
}

void choosePreset(PresetList list, int index, SimState& state)
{
    const auto entries = presets(list);
    if (index < 0 || static_cast<std::size_t>(index) >= entries.size())
        return;
    state.Klasse = static_cast<int>(entries[static_cast<std::size_t>(index)].Klasse);
    loadPreset(list, index, state);
}

std::optional<PresetRef> presetNumber(int number)
{
    int first = 1;
    for (PresetList list : kPresetLists) {
        const int n = static_cast<int>(presets(list).size());
        if (number >= first && number < first + n)
            return PresetRef { list, number - first };
        first += n;
    }
    return std::nullopt;
}

int presetCount()
{
    int n = 0;
    for (PresetList list : kPresetLists)
        n += static_cast<int>(presets(list).size());
    return n;
}

const Preset* presetOf(const SzenarioRecord& sz)
{
    for (PresetList list : kPresetLists)
        for (const Preset& p : presets(list))
            if (p.Klasse == sz.Klasse && p.Masse == sz.Masse && p.S0 == sz.S0 && p.Cx == sz.Cx && p.Cy == sz.Cy
                && p.H0 == sz.H0 && p.V0 == sz.V0 && p.TTO == sz.TTO && p.Tk == sz.Tk && p.dt == sz.dt)
                return &p;
    return nullptr;
}

} // namespace torv

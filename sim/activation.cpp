#include "sim/activation.h"

#include <cmath>

#include "physics/constants.h"
#include "physics/faults.h"
#include "physics/subrout.h"
#include "sim/checked.h"
#include "sim/numfmt.h"

namespace torv {

const char* const kTitel = "  TORV vers 1.16 Beta  ";

namespace {

constexpr double kEveryClass = 0;
constexpr double kNever = -1;

// clang-format off
constexpr FieldInfo kFields[] = {
    // field,              name,           variable,                record,                      unit,        meaning,                               shown for
    { Field::MassaStart,   "MassaStart",   &SimState::MassaStart,   &SzenarioRecord::Masse,      "kg",        "initial mass",                        kEveryClass },
    { Field::H0,           "H0",           &SimState::H0,           &SzenarioRecord::H0,         "m",         "initial altitude",                    kEveryClass },
    { Field::V0,           "V0",           &SimState::V0,           &SzenarioRecord::V0,         "m/s",       "initial speed",                       kEveryClass },
    { Field::RSAT,         "RSAT",         &SimState::RSAT,         &SzenarioRecord::RSAT,       "m",         "nose radius",                         kNever },
    { Field::S0,           "S0",           &SimState::S0,           &SzenarioRecord::S0,         "m2",        "reference area",                      kEveryClass },
    { Field::Cx,           "Cx",           &SimState::Cx,           &SzenarioRecord::Cx,         "-",         "drag coefficient",                    kEveryClass },
    { Field::Cy,           "Cy",           &SimState::Cy,           &SzenarioRecord::Cy,         "-",         "lift coefficient",                    kEveryClass },
    { Field::TTO,          "TTO",          &SimState::TTO,          &SzenarioRecord::TTO,        "degree",    "initial path angle",                  kEveryClass },
    { Field::Tk,           "Tk",           &SimState::Tk,           &SzenarioRecord::Tk,         "s",         "end time",                            kEveryClass },
    { Field::Hk,           "Hk",           &SimState::Hk,           &SzenarioRecord::Hk,         "m",         "end altitude",                        kNever },
    { Field::Vk,           "Vk",           &SimState::Vk,           &SzenarioRecord::Vk,         "m/s",       "end speed",                           kNever },
    { Field::dt0,          "dt0",          &SimState::dt0,          &SzenarioRecord::dt,         "s",         "integration step",                    kEveryClass },
    { Field::Vwind,        "Vwind",        &SimState::Vwind,        &SzenarioRecord::Vwind,      "m/s",       "wind speed",                          kNever },
    { Field::Auftriebplus, "Auftriebplus", &SimState::Auftriebplus, nullptr,                     "%",         "buoyancy surplus over weight",        3 },
    { Field::Gasverlust,   "Gasverlust",   &SimState::Gasverlust,   nullptr,                     "L/m2/24h",  "gas loss through the envelope",       3 },
    { Field::Mt,           "Mt",           &SimState::Mt,           &SzenarioRecord::Mt,         "kg",        "fuel mass",                           8 },
    { Field::Iud,          "Iud",          &SimState::Iud,          &SzenarioRecord::Iud,        "N*s/kg",    "specific impulse",                    8 },
    { Field::Schub,        "Schub",        &SimState::Schub,        &SzenarioRecord::Schub,      "N",         "thrust",                              8 },
    { Field::Mdv,          "Mdv",          &SimState::Mdv,          &SzenarioRecord::Mdv,        "kg",        "engine mass without fuel",            kNever },
    { Field::GasDensity,   "GasDensity",   &SimState::GasDensity,   &SzenarioRecord::GasDichte,  "kg/m3",     "lifting-gas density",                 3 },
    { Field::HFlug,        "HFlug",        &SimState::HFlug,        &SzenarioRecord::HFlug,      "m",         "float altitude",                      3 },
};
// clang-format on

// The field shows general 15 of `value`; its variable holds what that reads as.
void fill(Activation& shown, Field f, double value, char sep)
{
    std::string text = general15(value, sep);
    const auto read = parseNumber(text, sep);
    if (!read)
        throw ConvertError(text);
    st.*fieldInfo(f).var = *read;
    shown.texts.push_back({ f, std::move(text) });
}

} // namespace

std::span<const FieldInfo> fieldTable()
{
    return kFields;
}

const FieldInfo& fieldInfo(Field f)
{
    return kFields[static_cast<int>(f)];
}

static_assert(std::size(kFields) == kFieldCount);

namespace {

// The path angle is also known by its caption's symbol.
constexpr std::string_view kPathAngleSymbol = "Q0";

} // namespace

const FieldInfo* fieldNamed(std::string_view name)
{
    if (name == kPathAngleSymbol)
        name = "TTO";
    for (const FieldInfo& info : kFields)
        if (name == info.name)
            return &info;
    return nullptr;
}

const char* legendName(const FieldInfo& info)
{
    return info.field == Field::TTO ? kPathAngleSymbol.data() : info.name;
}

bool fieldShown(const FieldInfo& info, double klasse)
{
    return info.shownFor == kEveryClass || info.shownFor == klasse;
}

namespace {

double radiusArea(double c, RadiusSquare order)
{
    return order == RadiusSquare::First ? c * (st.Radius * st.Radius) : c * st.Radius * st.Radius;
}

} // namespace

void balloonEnvelope(RadiusSquare order)
{
    store(st.Auftrieb, st.MassaStart * st.g);
    st.Gewicht = st.Auftrieb;
    store(st.AuftriebSoll, st.Auftrieb + st.Auftrieb / 100 * st.Auftriebplus);
    Atmosphere(0, st.Temp, st.Druck, st.Aschall, st.Roh, st.Mu);
    // The force in N over the density difference, as the volume is defined.
    store(st.Volumen, st.Auftrieb / (st.Roh - st.GasDensity));
    st.VolumenStart = st.Volumen;
    store(st.Radius, std::pow(3 * st.Volumen / 4 / 3.14, 0.33));
    store(st.Oberflaeche, radiusArea(12.56, order));
}

std::string balloonCrossSection(char sep, RadiusSquare order)
{
    store(st.SBallon, radiusArea(3.14, order));
    st.S0 = st.SBallon;
    return general4(st.S0, sep);
}

void activate(char sep, Activation& shown)
{
    fpClear();
    const SzenarioRecord& sz = st.Szenario;
    const ScenarioExtras& file = st.FileScenario;
    const VehicleClass klasse = vehicleClass(sz.Klasse);
    shown = {};

    st.Titel = kTitel;
    st.BallonModus = (klasse == VehicleClass::Balloon || klasse == VehicleClass::Airship) ? 1 : 0;
    st.DatenSchalter = 0;
    st.g = kGravity;

    // A scenario file sets every input: also those of other classes, which
    // a preset leaves as they were, and the two a preset starts at fixed
    // values.
    auto fromRecord = [&](Field f) { fill(shown, f, sz.*fieldInfo(f).slot, sep); };
    if (file.open)
        st.AeroModel = file.AeroModel;
    fromRecord(Field::MassaStart);
    fromRecord(Field::H0);
    fromRecord(Field::V0);
    if (klasse == VehicleClass::Reentry || file.open)
        fromRecord(Field::RSAT);
    for (Field f :
        { Field::S0, Field::Cx, Field::Cy, Field::TTO, Field::Tk, Field::Hk, Field::Vk, Field::dt0, Field::Vwind })
        fromRecord(f);
    fill(shown, Field::Auftriebplus, file.open ? file.Auftriebplus : 1.0, sep);
    fill(shown, Field::Gasverlust, file.open ? file.Gasverlust : 4.4, sep);
    if (klasse == VehicleClass::Rocket || file.open)
        for (Field f : { Field::Mt, Field::Iud, Field::Schub, Field::Mdv })
            fromRecord(f);
    // A balloon's own step below fills these.
    if (file.open && klasse != VehicleClass::Balloon) {
        fromRecord(Field::GasDensity);
        fromRecord(Field::HFlug);
    }
    shown.reached = ActivationStage::Fields;

    // A glider's speed of steady level flight at its initial altitude.
    if (klasse == VehicleClass::Glider) {
        Atmosphere(st.H0, st.Temp, st.Druck, st.Aschall, st.Roh, st.Mu);
        store(st.Vopt, std::pow(2 * st.MassaStart * kGravity / st.Cy / st.Roh / st.S0, 0.5));
        shown.levelFlightSpeed = general15(st.Vopt, sep);
    }
    shown.reached = ActivationStage::LevelFlight;

    if (klasse == VehicleClass::Balloon) {
        fromRecord(Field::GasDensity);
        fromRecord(Field::HFlug);
        balloonEnvelope(RadiusSquare::LeftToRight);
        const std::string area = balloonCrossSection(sep, RadiusSquare::LeftToRight);
        const auto read = parseNumber(area, sep);
        if (!read)
            throw ConvertError(area);
        st.S0 = *read;
        shown.texts.push_back({ Field::S0, area });
    }
    shown.reached = ActivationStage::Balloon;

    double belastung = st.MassaStart / st.S0;
    fpCheck(belastung);
    shown.areaLoading = general4(belastung, sep);
    shown.reached = ActivationStage::Complete;
}

Activation activate(char sep)
{
    Activation shown;
    activate(sep, shown);
    return shown;
}

} // namespace torv

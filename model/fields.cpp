#include "model/fields.h"

#include <iterator>

namespace torv {

namespace {

using enum Shown;

// clang-format off
constexpr FieldInfo kFields[] = {
    // field,              name,           variable,                record,                      unit,        meaning,                               shown
    { Field::MassaStart,   "MassaStart",   &SimState::MassaStart,   &SzenarioRecord::Masse,      "kg",        "initial mass",                        Always },
    { Field::H0,           "H0",           &SimState::H0,           &SzenarioRecord::H0,         "m",         "initial altitude",                    Always },
    { Field::V0,           "V0",           &SimState::V0,           &SzenarioRecord::V0,         "m/s",       "initial speed",                       Always },
    { Field::RSAT,         "RSAT",         &SimState::RSAT,         &SzenarioRecord::RSAT,       "m",         "nose radius",                         Never },
    { Field::S0,           "S0",           &SimState::S0,           &SzenarioRecord::S0,         "m2",        "reference area",                      Always },
    { Field::Cx,           "Cx",           &SimState::Cx,           &SzenarioRecord::Cx,         "-",         "drag coefficient",                    Always },
    { Field::Cy,           "Cy",           &SimState::Cy,           &SzenarioRecord::Cy,         "-",         "lift coefficient",                    Always },
    { Field::TTO,          "TTO",          &SimState::TTO,          &SzenarioRecord::TTO,        "degree",    "initial path angle",                  Always },
    { Field::Tk,           "Tk",           &SimState::Tk,           &SzenarioRecord::Tk,         "s",         "end time",                            Always },
    { Field::Hk,           "Hk",           &SimState::Hk,           &SzenarioRecord::Hk,         "m",         "end altitude",                        Never },
    { Field::Vk,           "Vk",           &SimState::Vk,           &SzenarioRecord::Vk,         "m/s",       "end speed",                           Never },
    { Field::dt0,          "dt0",          &SimState::dt0,          &SzenarioRecord::dt,         "s",         "integration step",                    Always },
    { Field::Vwind,        "Vwind",        &SimState::Vwind,        &SzenarioRecord::Vwind,      "m/s",       "wind speed",                          Never },
    { Field::Auftriebplus, "Auftriebplus", &SimState::Auftriebplus, nullptr,                     "%",         "buoyancy surplus over weight",        ByClass },
    { Field::Gasverlust,   "Gasverlust",   &SimState::Gasverlust,   nullptr,                     "L/m2/24h",  "gas loss through the envelope",       ByClass },
    { Field::Mt,           "Mt",           &SimState::Mt,           &SzenarioRecord::Mt,         "kg",        "fuel mass",                           ByClass },
    { Field::Iud,          "Iud",          &SimState::Iud,          &SzenarioRecord::Iud,        "N*s/kg",    "specific impulse",                    ByClass },
    { Field::Schub,        "Schub",        &SimState::Schub,        &SzenarioRecord::Schub,      "N",         "thrust",                              ByClass },
    { Field::Mdv,          "Mdv",          &SimState::Mdv,          &SzenarioRecord::Mdv,        "kg",        "engine mass without fuel",            Never },
    { Field::GasDensity,   "GasDensity",   &SimState::GasDensity,   &SzenarioRecord::GasDichte,  "kg/m3",     "lifting-gas density",                 ByClass },
    { Field::HFlug,        "HFlug",        &SimState::HFlug,        &SzenarioRecord::HFlug,      "m",         "float altitude",                      ByClass },
};
// clang-format on

static_assert(std::size(kFields) == kFieldCount);

constexpr bool inFieldOrder()
{
    for (int f = 0; f < kFieldCount; ++f)
        if (kFields[f].field != static_cast<Field>(f))
            return false;
    return true;
}
static_assert(inFieldOrder(), "the table is indexed by Field");

// The path angle is also known by its caption's symbol.
constexpr std::string_view kPathAngleSymbol = "Q0";

} // namespace

std::span<const FieldInfo> fieldTable()
{
    return kFields;
}

const FieldInfo& fieldInfo(Field f)
{
    return kFields[static_cast<int>(f)];
}

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

} // namespace torv

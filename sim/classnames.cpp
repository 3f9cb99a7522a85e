#include "sim/classnames.h"

#include <string>

namespace torv {

namespace {

// clang-format off
constexpr ClassName kNames[] = {
    {VehicleClass::Projectile, "projectile", "projectile"},
    {VehicleClass::Parachute,  "parachute",  "parachute"},
    {VehicleClass::Balloon,    "balloon",    "balloon"},
    {VehicleClass::Airship,    "airship",    "airship"},
    {VehicleClass::Glider,     "glider",     "glider"},
    {VehicleClass::Airplane,   "airplane",   "airplane"},
    {VehicleClass::Reentry,    "reentry",    "reentry vehicle"},
    {VehicleClass::Rocket,     "rocket",     "rocket"},
};
// clang-format on

const ClassName* entry(VehicleClass klasse)
{
    for (const ClassName& n : kNames)
        if (n.klasse == klasse)
            return &n;
    return nullptr;
}

} // namespace

std::span<const ClassName> classNames()
{
    return kNames;
}

std::optional<VehicleClass> classKeyed(std::string_view key)
{
    for (const ClassName& n : kNames)
        if (key == n.key)
            return n.klasse;
    return std::nullopt;
}

const char* classKey(VehicleClass klasse)
{
    const ClassName* n = entry(klasse);
    return n ? n->key : "";
}

const char* classWords(VehicleClass klasse)
{
    const ClassName* n = entry(klasse);
    return n ? n->words : "";
}

std::string_view classKeyList()
{
    static const std::string list = [] {
        std::string s;
        for (size_t i = 0; i < std::size(kNames); ++i)
            s += std::string(i == 0 ? "" : ", ") + kNames[i].key;
        return s;
    }();
    return list;
}

} // namespace torv

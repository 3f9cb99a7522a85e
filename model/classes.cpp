#include "model/classes.h"

#include <iterator>
#include <string>

namespace torv {

namespace {

using enum VehicleClass;

// clang-format off
constexpr ClassField kBalloonFields[] = {{Field::Auftriebplus, 150}, {Field::Gasverlust, 110}, {Field::GasDensity}, {Field::HFlug}};
constexpr ClassField kReentryFields[] = {{Field::RSAT}};
constexpr ClassField kRocketFields[]  = {{Field::Mt, 50}, {Field::Iud, 130}, {Field::Schub, 170}, {Field::Mdv, 90}};

constexpr const char* kPicture1 = ":/pictures/class1.jpg";
constexpr const char* kPicture3 = ":/pictures/class3.jpg";
constexpr const char* kPicture6 = ":/pictures/class6.jpg";
constexpr const char* kPicture8 = ":/pictures/class8.jpg";

//                            balloon buoyant reentry rocket burnTime
constexpr RunKind kPlain     {false,  false,  false,  false, false};
constexpr RunKind kBalloon   {true,   true,   false,  false, false};
constexpr RunKind kAirship   {false,  true,   false,  false, true};
constexpr RunKind kReentry   {false,  false,  true,   false, false};
constexpr RunKind kRocket    {false,  false,  false,  true,  true};

constexpr VehicleClassRow kClasses[] = {
    {Projectile, "projectile", "projectile",
        {"Снаряд",
         "Ballistik (Projectil, Kugel, Ball,Tropfen, Railgun etc.)",
         "Projectile (Railguns, Ballistic, Drop, Pellmor projectil, Brannok ,balls etc. )"},
        PresetList::Projectil,   kPicture1, kPlain,   Sel::RunEnd,        {},             false, MotionSet::kGeneral},
    {Parachute, "parachute", "parachute",
        {"Парашют", "Fallschirm", "Parachute"},
        PresetList::Fallschirm,  nullptr,   kPlain,   Sel::RunEnd,        {},             false, MotionSet::kGeneral},
    {Balloon, "balloon", "balloon",
        {"Воздушный шар",
         "Ballon (Ballon, Luftballon, Gasballon (H,He,HeisseLuft, Vakuum) etc.)",
         "Ballon (He-, H-, HotAir-, Vacuum- Ballons)"},
        PresetList::Ballon,      kPicture3, kBalloon, Sel::RunEndBalloon, kBalloonFields, false, MotionSet::kBalloon},
    {Airship, "airship", "airship",
        {"Дирижабль", "Luftschiff", "Airship"},
        std::nullopt,            nullptr,   kAirship, Sel::RunEnd,        {},             false, MotionSet::kGeneral},
    {Glider, "glider", "glider",
        {"Планер", "Segelflugzeug (Modelle etc. )", "Glider (Stratospheric, Modell etc.)"},
        PresetList::Glider,      nullptr,   kPlain,   Sel::RunEnd,        {},             true,  MotionSet::kGeneral},
    {Airplane, "airplane", "airplane",
        {"Самолет", "Flugzeug (konventionell, elektrische Antrieb, Raketenflugzeug)", "Airplane"},
        std::nullopt,            kPicture6, kPlain,   Sel::RunEnd,        {},             false, MotionSet::kGeneral},
    {Reentry, "reentry", "reentry vehicle",
        {"Спускаемый аппарат",
         "Landekapsel (Soyuz, Appollo, Space Shuttle, Meteoriten, Luna 16 etc.)",
         "Reentry Vehicles (Wostok, Apollo, Sojuz, Space Shuttle, Meteorits etc.)"},
        PresetList::Landekapsel, nullptr,   kReentry, Sel::RunEnd,        kReentryFields, false, MotionSet::kReentry},
    {Rocket, "rocket", "rocket",
        {"Ракетоноситель",
         "Raketetraeger - (V-2, Raketenmodele, SpaceShipOne, Globale Glider etc.)",
         "Rocket (Launcher, Model of rockets, SpaceSpipOne etc.)"},
        PresetList::Launcher,    kPicture8, kRocket,  Sel::RunEnd,        kRocketFields,  false, MotionSet::kGeneral},
};

constexpr VehicleClassRow kNoClass =
    {None, "", "", {}, std::nullopt, nullptr, kPlain, Sel::RunEnd, {}, false, MotionSet::kGeneral};
// clang-format on

constexpr bool inClassOrder()
{
    for (size_t k = 0; k < std::size(kClasses); ++k)
        if (static_cast<size_t>(kClasses[k].klasse) != k + 1)
            return false;
    return std::size(kClasses) == static_cast<size_t>(kVehicleClasses);
}
static_assert(inClassOrder(),
    "kClasses needs one row per VehicleClass value (model/state.h), in its order from 1 on: add the new class's row");

constexpr bool ownFieldsInFieldOrder()
{
    for (const VehicleClassRow& row : kClasses)
        for (size_t i = 1; i < row.fields.size(); ++i)
            if (!(row.fields[i - 1].field < row.fields[i].field))
                return false;
    return true;
}
static_assert(ownFieldsInFieldOrder(), "a class's own fields in the order activation fills them");

} // namespace

std::span<const VehicleClassRow> vehicleClasses()
{
    return kClasses;
}

const VehicleClassRow& classRow(VehicleClass klasse)
{
    return klasse == None ? kNoClass : kClasses[static_cast<int>(klasse) - 1];
}

const VehicleClassRow& classRow(double klasse)
{
    return classRow(vehicleClass(klasse));
}

std::optional<VehicleClass> classKeyed(std::string_view key)
{
    for (const VehicleClassRow& row : kClasses)
        if (key == row.key)
            return row.klasse;
    return std::nullopt;
}

std::string_view classKeyList()
{
    static const std::string list = [] {
        std::string s;
        for (const VehicleClassRow& row : kClasses)
            s += std::string(s.empty() ? "" : ", ") + row.key;
        return s;
    }();
    return list;
}

const ClassField* classField(const VehicleClassRow& row, Field f)
{
    for (const ClassField& own : row.fields)
        if (own.field == f)
            return &own;
    return nullptr;
}

bool someClassOwns(Field f)
{
    for (const VehicleClassRow& row : kClasses)
        if (classField(row, f))
            return true;
    return false;
}

bool runReads(const VehicleClassRow& row, Field f)
{
    switch (f) {
    case Field::Vk: // no end test uses the speed
    case Field::Mdv: // no computation uses the engine's mass
        return false;
    case Field::S0: // a balloon's envelope gives its area
        return !row.run.balloon;
    case Field::RSAT:
        return row.run.reentry;
    case Field::Auftriebplus:
    case Field::Gasverlust:
    case Field::GasDensity:
    case Field::HFlug:
        return row.run.buoyant;
    case Field::Mt:
    case Field::Iud:
    case Field::Schub:
        return row.run.burnTime;
    default:
        return true;
    }
}

bool fieldShown(const FieldInfo& info, double klasse)
{
    return info.shown == Shown::Always || (info.shown == Shown::ByClass && classField(classRow(klasse), info.field));
}

} // namespace torv

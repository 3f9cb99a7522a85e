// The vehicle classes, one row each: what the forms, the run and the batch
// program know of a class. Plain data.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "model/catalog.h"
#include "model/fields.h"
#include "model/languages.h"
#include "model/state.h"
#include "physics/subrout.h"

namespace torv {

// The start form's preset lists, in its order.
enum class PresetList { Projectil, Fallschirm, Ballon, Glider, Landekapsel, Launcher };

// What a run does by class, besides the motion step's equations.
struct RunKind {
    bool balloon = false; // envelope set-up at every pass start
    bool buoyant = false; // balloon, airship: buoyancy rule in every step, BallonModus
    bool reentry = false; // stagnation-point heat flux
    bool rocket = false; // thrust and fuel consumption
    bool burnTime = false; // airship, rocket: Mdot and tBurn at pass start
};

// A field of the class's own on the calculation form: the top at which it
// and its caption stand in the class frame (0: where they were created).
// The form shows it where the field table says Shown::ByClass.
struct ClassField {
    Field field;
    int top = 0;
};

struct VehicleClassRow {
    VehicleClass klasse;
    const char* key; // one word: a scenario file's `class`
    const char* words; // as the batch program's lists name it
    Texts entry; // the start form's class entry
    std::optional<PresetList> presets; // the start form's list of its presets
    const char* picture; // the calculation form's class picture; nullptr: none
    RunKind run;
    Sel defaultGraph; // the graph a run draws at its end
    // The fields of its own, in the order of Field: activation fills them
    // from the scenario record, a preset choice copies them into it.
    std::span<const ClassField> fields;
    bool levelFlightSpeed; // the form shows the speed of steady level flight
    MotionSet motion; // the motion step's equations
};

// The eight classes in their order, 1 to 8.
std::span<const VehicleClassRow> vehicleClasses();
// The row of `klasse`; for VehicleClass::None a row of nothing: no presets,
// no picture, no fields of its own, the general equations.
const VehicleClassRow& classRow(VehicleClass klasse);
// The row of a class given as the scenario record's double or the start
// form's integer.
const VehicleClassRow& classRow(double klasse);

// The class whose key is `key`; empty if none is.
std::optional<VehicleClass> classKeyed(std::string_view key);
// The keys joined for a message: "projectile, parachute, ..., rocket".
std::string_view classKeyList();

// The class's own field `f`; nullptr if it has none such.
const ClassField* classField(const VehicleClassRow& row, Field f);
// Whether some class has `f` as a field of its own.
bool someClassOwns(Field f);
// Whether a run of the class reads the input `f`: a scenario file of the
// class must give it, and holds no other.
bool runReads(const VehicleClassRow& row, Field f);
// Whether the form laid out for `klasse` shows the field (and so offers it).
bool fieldShown(const FieldInfo& info, double klasse);

} // namespace torv

// The calculation form's parameter fields: which input each stores, where
// the scenario record keeps its value, its unit and meaning, and whether the
// form shows it. Plain data.
#pragma once

#include <span>
#include <string_view>

#include "model/state.h"

namespace torv {

// The parameter fields, in the order activation fills them.
enum class Field {
    MassaStart,
    H0,
    V0,
    RSAT,
    S0,
    Cx,
    Cy,
    TTO,
    Tk,
    Hk,
    Vk,
    dt0,
    Vwind,
    Auftriebplus,
    Gasverlust,
    Mt,
    Iud,
    Schub,
    Mdv,
    GasDensity,
    HFlug,
};

inline constexpr int kFieldCount = 21;

// Where the form shows a field once activated.
enum class Shown {
    Always, // on the form of every class
    ByClass, // on the form of the classes whose row lists it (model/classes.h)
    Never, // nowhere: the scenario gives its value
};

struct FieldInfo {
    Field field;
    const char* name; // the state variable's name
    double SimState::*var;
    // The scenario record's value that activation copies into the field;
    // nullptr for the two that activation sets to fixed values.
    double SzenarioRecord::*slot;
    const char* unit;
    const char* meaning;
    Shown shown;
};

// Every field, one row each, in the order of Field.
std::span<const FieldInfo> fieldTable();
const FieldInfo& fieldInfo(Field f);
// The field whose state variable is `name` (the path angle TTO also as Q0);
// nullptr if there is none.
const FieldInfo* fieldNamed(std::string_view name);
// The name a legend gives the field: its variable's name, Q0 for the path
// angle (the symbol of its caption).
const char* legendName(const FieldInfo& info);

} // namespace torv

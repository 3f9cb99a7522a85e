// The vehicle classes by name: the word a scenario file and the batch
// program's options use for each, and the words its lists show. Plain data.
#pragma once

#include <optional>
#include <span>
#include <string_view>

#include "sim/state.h"

namespace torv {

struct ClassName {
    VehicleClass klasse;
    const char* key; // one word: the scenario file's `class`
    const char* words; // as a list names it: "reentry vehicle"
};

// The eight classes in their order, 1 to 8.
std::span<const ClassName> classNames();
// The class whose key is `key`; empty if none is.
std::optional<VehicleClass> classKeyed(std::string_view key);
// The key and the words of `klasse`; "" for VehicleClass::None.
const char* classKey(VehicleClass klasse);
const char* classWords(VehicleClass klasse);
// The keys joined for a message: "projectile, parachute, ..., rocket".
std::string_view classKeyList();

} // namespace torv

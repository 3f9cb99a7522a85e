// The 34 preset scenarios of the start form's six lists. Plain data, no Qt.
#pragma once

#include <optional>
#include <span>

#include "model/classes.h"
#include "model/state.h"

namespace torv {

// The six lists in the start form's order.
inline constexpr PresetList kPresetLists[] = { PresetList::Projectil, PresetList::Fallschirm, PresetList::Ballon,
    PresetList::Glider, PresetList::Landekapsel, PresetList::Launcher };

struct Preset {
    const char* label; // UTF-8, exactly as the list shows it
    double Klasse;
    double Masse, S0, Cx, Cy, H0, V0, TTO, Tk, dt;
    double GasDichte = 0, HFlug = 0; // balloon presets
    double RSAT = 0; // reentry presets
    double Mt = 0, Iud = 0, Mdv = 0, Schub = 0; // rocket presets
};

std::span<const Preset> presets(PresetList list);

// Writes entry `index` of `list` into the scenario record (Hk, Vk and Vwind
// as 0), which is then no scenario file's; an index outside the list changes
// nothing. `state` is the simulation state by default, a caller's own value
// for a run beside others.
void loadPreset(PresetList list, int index, SimState& state = st);

// The start form's whole choice of entry `index` of `list`: the preset's
// class in the class groups (Klasse), then the entry (loadPreset).
void choosePreset(PresetList list, int index, SimState& state = st);

// A preset by its number 1..34, counted through the six lists in order.
struct PresetRef {
    PresetList list;
    int index;
};
std::optional<PresetRef> presetNumber(int number);
int presetCount();

struct SzenarioRecord;

// The preset whose values the scenario record holds, if any.
const Preset* presetOf(const SzenarioRecord& sz);

} // namespace torv

// The 34 preset scenarios of the start form's six lists. Plain data, no Qt.
#pragma once

#include <span>

namespace torv {

enum class PresetList { Projectil, Fallschirm, Ballon, Glider, Landekapsel, Launcher };

struct Preset {
    const char* label;  // UTF-8, exactly as the list shows it
    double Klasse;
    double Masse, S0, Cx, Cy, H0, V0, TTO, Tk, dt;
    double GasDichte = 0, HFlug = 0;                 // balloon presets
    double RSAT = 0;                                 // reentry presets
    double Mt = 0, Iud = 0, Mdv = 0, Schub = 0;      // rocket presets
};

std::span<const Preset> presets(PresetList list);

// Writes entry `index` of `list` into the scenario record (Hk, Vk and Vwind
// as 0); an index outside the list changes nothing.
void loadPreset(PresetList list, int index);

}  // namespace torv

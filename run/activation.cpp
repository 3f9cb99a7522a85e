#include "run/activation.h"

#include <cmath>

#include "fault/faults.h"
#include "files/numfmt.h"
#include "model/checked.h"
#include "model/classes.h"
#include "physics/constants.h"
#include "physics/subrout.h"

namespace torv {

const char* const kTitel = "  TORV vers 1.16 Beta  ";

namespace {

// What a field's text reads as, as its change handler reads it.
double readBack(const std::string& text, char sep)
{
    const auto read = parseNumber(text, sep);
    if (!read)
        throw ConvertError(text);
    return *read;
}

// The field shows general 15 of `value`, with the digits more that a file's
// value may need to read back exactly; its variable holds what that reads as.
void fill(SimState& state, Activation& shown, Field f, double value, char sep)
{
    std::string text = exactGeneral(value, sep);
    state.*fieldInfo(f).var = readBack(text, sep);
    shown.texts.push_back({ f, std::move(text) });
}

} // namespace

void balloonEnvelope(RadiusSquare order)
{
    balloonEnvelope(st, st, order);
}

std::string balloonCrossSection(char sep, RadiusSquare order)
{
    balloonCrossSection(st, order);
    return general4(st.S0, sep);
}

void activate(char sep, Activation& shown, SimState& state)
{
    fpClear();
    const SzenarioRecord& sz = state.Szenario;
    const ScenarioExtras& file = state.FileScenario;
    const VehicleClassRow& klasse = classRow(sz.Klasse);
    shown = {};

    state.Titel = kTitel;
    state.BallonModus = klasse.run.buoyant ? 1 : 0;
    state.DatenSchalter = 0;
    state.g = kGravity;

    // Every field in its order: the fields every class has from the record,
    // a class's own fields (another class's keep their values), and the two
    // that start at fixed values. A scenario file sets every input: also
    // those of other classes and the two fixed ones.
    if (file.open)
        state.AeroModel = file.AeroModel;
    for (const FieldInfo& f : fieldTable()) {
        if (f.field == Field::Auftriebplus)
            fill(state, shown, f.field, file.open ? file.Auftriebplus : 1.0, sep);
        else if (f.field == Field::Gasverlust)
            fill(state, shown, f.field, file.open ? file.Gasverlust : 4.4, sep);
        else if (file.open || !someClassOwns(f.field) || classField(klasse, f.field))
            fill(state, shown, f.field, sz.*f.slot, sep);
    }
    shown.reached = ActivationStage::Fields;

    // A glider's speed of steady level flight at its initial altitude.
    if (klasse.levelFlightSpeed) {
        Atmosphere(state.H0, state.Temp, state.Druck, state.Aschall, state.Roh, state.Mu);
        store(state.Vopt, std::pow(2 * state.MassaStart * kGravity / state.Cy / state.Roh / state.S0, 0.5));
        shown.levelFlightSpeed = general15(state.Vopt, sep);
    }
    shown.reached = ActivationStage::LevelFlight;

    if (klasse.run.balloon) {
        balloonEnvelope(state, state, RadiusSquare::LeftToRight);
        balloonCrossSection(state, RadiusSquare::LeftToRight);
        const std::string area = general4(state.S0, sep);
        state.S0 = readBack(area, sep);
        shown.texts.push_back({ Field::S0, area });
    }
    shown.reached = ActivationStage::Balloon;

    double belastung = state.MassaStart / state.S0;
    fpCheck(belastung);
    shown.areaLoading = general4(belastung, sep);
    shown.reached = ActivationStage::Complete;
}

Activation activate(char sep, SimState& state)
{
    Activation shown;
    activate(sep, shown, state);
    return shown;
}

} // namespace torv

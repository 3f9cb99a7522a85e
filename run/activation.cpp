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
void fill(Activation& shown, Field f, double value, char sep)
{
    std::string text = exactGeneral(value, sep);
    st.*fieldInfo(f).var = readBack(text, sep);
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

void activate(char sep, Activation& shown)
{
    fpClear();
    const SzenarioRecord& sz = st.Szenario;
    const ScenarioExtras& file = st.FileScenario;
    const VehicleClassRow& klasse = classRow(sz.Klasse);
    shown = {};

    st.Titel = kTitel;
    st.BallonModus = klasse.run.buoyant ? 1 : 0;
    st.DatenSchalter = 0;
    st.g = kGravity;

    // Every field in its order: the fields every class has from the record,
    // a class's own fields (another class's keep their values), and the two
    // that start at fixed values. A scenario file sets every input: also
    // those of other classes and the two fixed ones.
    if (file.open)
        st.AeroModel = file.AeroModel;
    for (const FieldInfo& f : fieldTable()) {
        if (f.field == Field::Auftriebplus)
            fill(shown, f.field, file.open ? file.Auftriebplus : 1.0, sep);
        else if (f.field == Field::Gasverlust)
            fill(shown, f.field, file.open ? file.Gasverlust : 4.4, sep);
        else if (file.open || !someClassOwns(f.field) || classField(klasse, f.field))
            fill(shown, f.field, sz.*f.slot, sep);
    }
    shown.reached = ActivationStage::Fields;

    // A glider's speed of steady level flight at its initial altitude.
    if (klasse.levelFlightSpeed) {
        Atmosphere(st.H0, st.Temp, st.Druck, st.Aschall, st.Roh, st.Mu);
        store(st.Vopt, std::pow(2 * st.MassaStart * kGravity / st.Cy / st.Roh / st.S0, 0.5));
        shown.levelFlightSpeed = general15(st.Vopt, sep);
    }
    shown.reached = ActivationStage::LevelFlight;

    if (klasse.run.balloon) {
        balloonEnvelope(RadiusSquare::LeftToRight);
        const std::string area = balloonCrossSection(sep, RadiusSquare::LeftToRight);
        st.S0 = readBack(area, sep);
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

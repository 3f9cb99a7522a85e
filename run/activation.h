// The calculation form's activation without the form: copies the scenario
// record into the inputs as the fields would read their texts back, sets up
// a balloon's envelope, and works out the values the form only shows. The
// form, the headless runner and the tests all activate through here.
#pragma once

#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "model/checked.h"
#include "model/fields.h"
#include "model/state.h"
#include "physics/subrout.h"

namespace torv {

// How far an activation got: each stage is done once its numbers are sound.
enum class ActivationStage { None, Fields, LevelFlight, Balloon, Complete };

// What an activation leaves the form to show, in the order it was stored.
struct Activation {
    struct Text {
        Field field;
        std::string text; // what the field shows; its variable holds what it reads as
    };
    std::vector<Text> texts; // EdS0 comes twice for a balloon
    std::string levelFlightSpeed; // glider only
    std::string areaLoading;
    ActivationStage reached = ActivationStage::None;
};

// Activates the loaded scenario (state.Szenario) with decimal separator `sep`;
// `shown` collects what is done. Sets Titel, BallonModus, DatenSchalter, g,
// every input, Vopt for a glider and the envelope for a balloon. A fault
// throws FloatError where it happened; what was done before stays done.
// `state` is the simulation state by default; a run beside others activates
// a value of its own.
void activate(char sep, Activation& shown, SimState& state = st);
Activation activate(char sep, SimState& state = st);

// The title text of the caption and the graphs.
extern const char* const kTitel;

// How the envelope's areas take the radius: the run squares it first
// (c * (R * R)), activation multiplies left to right (c * R * R). The two
// may differ in the last bit, and each keeps its own.
enum class RadiusSquare { First, LeftToRight };

inline double radiusArea(double c, double radius, RadiusSquare order)
{
    return order == RadiusSquare::First ? c * (radius * radius) : c * radius * radius;
}

// The envelope that carries `in.MassaStart` at ground level with gravity
// `v.g`: Auftrieb, Gewicht, AuftriebSoll, Volumen, VolumenStart, Radius and
// Oberflaeche of `v`, and the air at the ground it is sized by. Each value
// reaches `v` only once it is known to be sound.
template <class In, class Vars> void balloonEnvelope(const In& in, Vars& v, RadiusSquare order)
{
    store(v.Auftrieb, in.MassaStart * v.g);
    v.Gewicht = v.Auftrieb;
    store(v.AuftriebSoll, v.Auftrieb + v.Auftrieb / 100 * in.Auftriebplus);
    Atmosphere(0, v.Temp, v.Druck, v.Aschall, v.Roh, v.Mu);
    // The force in N over the density difference, as the volume is defined.
    store(v.Volumen, v.Auftrieb / (v.Roh - in.GasDensity));
    v.VolumenStart = v.Volumen;
    store(v.Radius, std::pow(3 * v.Volumen / 4 / 3.14, 0.33));
    store(v.Oberflaeche, radiusArea(12.56, v.Radius, order));
}

// SBallon and S0 of `v` become the envelope's cross-section.
template <class Vars> void balloonCrossSection(Vars& v, RadiusSquare order)
{
    store(v.SBallon, radiusArea(3.14, v.Radius, order));
    v.S0 = v.SBallon;
}

// The same for the state; returns EdS0's text for it (general 4 with
// `sep`), which the field reads back into S0.
void balloonEnvelope(RadiusSquare order);
std::string balloonCrossSection(char sep, RadiusSquare order);

} // namespace torv

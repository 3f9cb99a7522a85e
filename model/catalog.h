// The graph catalogue: titles, markers and spacing of every series code, and
// every graph selection of the program. Plain data, no Qt.
#pragma once

#include <string>

#include "model/state.h"

namespace torv {

// Every graph selection, named after what it draws: the run's two defaults
// and one per graph button of the calculation form.
enum class Sel {
    RunEnd, // H, V, Q, q, nx over time
    RunEndBalloon, // H, V, drag, q, nx, volume over time
    FlightOverRange, // H, V, Q, q, nx over range
    FlightOverTime, // H, V, Q, q, nx over time
    SpeedAltitudeOverTime,
    SpeedOverTime,
    SpeedAltitudeOverRange,
    AltitudeOverTime,
    AxialLoadOverTime, // nx
    NormalLoadOverTime, // ny
    DynamicPressureOverTime, // q
    PathAngleOverTime, // Q
    LoadFactorsOverTime, // H, nx, ny, Q, V
    DragOverTime,
    LiftOverTime,
    AltitudeOverSpeed, // H over V
    HeatingOverTime, // H, V, Q, q, nx, heat flux
    BuoyancyOverTime, // H, V, buoyancy, buoyancy less weight
    ThrustOverTime, // H, V, Q, thrust, mass, thrust per mass
    AerodynamicsOverTime, // H, drag coefficient, Mach, drag
    AtmosphereOverTime, // H, V, air temperature, pressure, density, Re
};

// Writes the selection's codes into GraphCodes[0..n-1] (later entries keep
// their values), GraphCount = n + 1 and GraphPage = 0.
void applyGraphSelection(Sel s, SimState& state = st);

// A marker symbol of the marker routine: its kind and size in pixels.
struct MarkStyle {
    int kind = 0;
    int size = 0;
};

// How a series is marked as a curve: the symbol on the foot of its axis,
// the symbol repeated along it, and the interval offset d (a curve marker
// stands at every position divisible by rnd(sqrt(N)) + d).
struct SeriesMarks {
    MarkStyle legend;
    MarkStyle curve;
    int d = 0;
};

// The marks of series `code`; nullptr for a code the catalogue does not
// know (it gets no markers).
const SeriesMarks* seriesMarks(int code);

// A curve's title and where its top-left corner stands, relative to the
// curve's axis x and axis top. `raised` is drawn separately at its own
// offset (the squared unit of the heat flux).
struct CurveTitle {
    std::string text; // empty: no title
    int dx = 0;
    int dy = 0;
    std::string raised;
    int raisedDx = 0;
    int raisedDy = 0;
};

// The title of curve `code`, chosen by the unit flags and Sprache of the
// state; `negative`: the curve has negative values; `firstCurve`: it is
// the selection's first curve.
CurveTitle curveTitle(int code, bool negative, bool firstCurve);

// The title of the horizontal axis when series `code` stands there, chosen
// by the unit flags; empty for a code without one.
std::string horizontalTitle(int code);

} // namespace torv

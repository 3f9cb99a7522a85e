// The moments of a flight worth marking on its graphs, found in the recorded
// samples the graphs are drawn from: the highest point, the greatest dynamic
// pressure, the greatest axial load factor in magnitude, a rocket's burnout
// and the landing.
#pragma once

#include <string>
#include <vector>

#include "model/quantities.h"
#include "model/state.h"
#include "model/summary.h"

namespace torv {

enum class FlightEvent { Apogee, MaxDynamicPressure, MaxLoadFactor, Burnout, Landing };

struct EventMark {
    FlightEvent event;
    int position; // the sample's position 1 .. N-1 in its series
    Series curve; // the curve it belongs on
    Series reported; // the quantity whose value it reports
};

// The events of the series `ergebnis` (laid out as Ergebnis, `n` positions a
// series, only positions 1 .. n-1 read, as the graphs read them), in the
// order of FlightEvent:
// - apogee: the first greatest altitude, when it lies strictly between the
//   first and the last position;
// - greatest dynamic pressure and greatest |nx|: their first greatest sample,
//   when it is above 0;
// - burnout (rocket only): the last sample with thrust before the first
//   without;
// - landing: the last position, when the flight `landed` (ended on the
//   ground, which falls between two samples) after flying above it.
std::vector<EventMark> findEvents(const double* ergebnis, int n, VehicleClass klasse, bool landed);

// "apogee H=83.46 km": the event's name in language `sprache` (1 Russian,
// 2 German, anything else English), the reported quantity's symbol, its
// value at the event's position in the general format of the axis labels
// with separator `sep`, and its unit as the state's unit flags make it.
// With the run's `summary` (of a run that completed), the landing's range
// and the extremes are its figures, as torv-batch reports them, rather than
// the nearest sample's.
std::string eventLabel(
    const EventMark& mark, const double* ergebnis, int n, int sprache, char sep, const RunSummary* summary = nullptr);

} // namespace torv

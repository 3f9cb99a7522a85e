// The figures that sum up a finished run, in SI units whatever the unit
// flags did to the stored series.
#pragma once

namespace torv {

struct RunSummary {
    double flightTime = 0; // s, the time at which the run ended
    double range = 0; // m, horizontal distance at the end
    double maxAltitude = 0; // m, the greatest recorded altitude sample
    double endSpeed = 0; // m/s
    double endPathAngle = 0; // degree (57.3 per radian, as everywhere)
    // The greatest magnitude of the load factor vector over the recorded
    // samples, sqrt(nx^2 + ny^2) in g, with nx the axial and ny the normal
    // load factor of the motion step.
    double maxLoadFactor = 0;
};

// Read from the state after a completed run: the end values from the
// integration variables, the greatest values from the recorded series, with
// the run's unit conversion undone.
RunSummary runSummary();

} // namespace torv

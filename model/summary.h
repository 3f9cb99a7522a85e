// The figures that sum up a finished run, in SI units whatever the unit
// flags did to the stored series. The run driver tracks them over every step
// of the recording pass, so that they do not depend on which steps the 500
// samples caught.
#pragma once

#include <span>

namespace torv {

struct RunSummary {
    // At the end condition: interpolated linearly within the last step to
    // H = Hend or t = Tk, whichever the flight reached first, so that they
    // follow the step smoothly and a flight that ends on its time lasts Tk.
    double flightTime = 0; // s
    double range = 0; // m, horizontal distance
    double endSpeed = 0; // m/s
    double endPathAngle = 0; // degree (57.3 per radian, as everywhere)
    // Greatest values over every step, the start included.
    double maxAltitude = 0; // m
    double maxLoadFactor = 0; // g, the axial load factor |nx| as the motion step reports it
    double maxDynamicPressure = 0; // Pa
    // The greatest deceleration the motion step applied: the acceleration a
    // of a step along the path (V_new = V + a*dt0, so a is the speed change
    // over the step) less gravity along the path, -(a + g sin Q)/g, at least
    // 0. Where drag is the only other force it equals |nx|, except for the
    // reentry set, whose equations apply rho*V^2*Cx*S/m while nx is reported
    // with rho*V^2/2: there it is twice |nx|.
    double maxDeceleration = 0; // g
    // Sample slots this run filled (500 once slot 499 was reached, since slot
    // 500 repeats it); the slots beyond keep an earlier run's values.
    int samples = 0;

    bool operator==(const RunSummary&) const = default;
};

// A quantity of the summary that the step check compares. Its relative
// change is taken against its magnitude, but never against less than
// `floor`: a quantity smaller than that is negligible for what the run is
// used for (a range of a millimetre on a vertical drop, the centimetres per
// second of a floating balloon, a path angle of a hundredth of a degree),
// and its relative change says nothing. The floors: 0.1 s, 1 m, 1 m/s,
// 0.01 g, 10 Pa (the dynamic pressure at 4 m/s near the ground), 1 degree.
struct SummaryQuantity {
    const char* column; // its column in torv-batch's summary
    double RunSummary::*value;
    double floor; // in the quantity's unit
};

// flight time, range, greatest altitude, end speed, greatest load factor,
// greatest dynamic pressure, end path angle, greatest deceleration
std::span<const SummaryQuantity> summaryQuantities();

} // namespace torv

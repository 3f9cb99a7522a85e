#include "sim/summary.h"

#include <algorithm>
#include <cmath>

#include "sim/quantities.h"
#include "sim/state.h"

namespace torv {

namespace {

const double* series(Series s)
{
    return st.Ergebnis.data() + code(s) * kSamples;
}

} // namespace

RunSummary runSummary()
{
    RunSummary r;
    r.flightTime = st.t;
    r.range = st.X;
    r.endSpeed = st.V;
    r.endPathAngle = 57.3 * st.Q;

    const double* h = series(Series::Altitude);
    r.maxAltitude = *std::max_element(h, h + kSamples) * currentDivisor(Series::Altitude);

    const double* nx = series(Series::LoadFactorX);
    const double* ny = series(Series::LoadFactorY);
    for (int i = 0; i < kSamples; ++i)
        r.maxLoadFactor = std::max(r.maxLoadFactor, std::hypot(nx[i], ny[i]));
    return r;
}

} // namespace torv

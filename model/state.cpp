#include "model/state.h"

#include <cstring>
#include <new>
#include <type_traits>

namespace torv {

static_assert(std::is_standard_layout_v<SzenarioRecord>);
static_assert(sizeof(SzenarioRecord) == kScenarioSize * sizeof(double));
static_assert(offsetof(SzenarioRecord, Klasse) == 0 * sizeof(double));
static_assert(offsetof(SzenarioRecord, GasDichte) == 2 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Masse) == 5 * sizeof(double));
static_assert(offsetof(SzenarioRecord, S0) == 6 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Cx) == 7 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Cy) == 8 * sizeof(double));
static_assert(offsetof(SzenarioRecord, H0) == 11 * sizeof(double));
static_assert(offsetof(SzenarioRecord, V0) == 12 * sizeof(double));
static_assert(offsetof(SzenarioRecord, TTO) == 13 * sizeof(double));
static_assert(offsetof(SzenarioRecord, HFlug) == 14 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Hk) == 16 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Vk) == 17 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Tk) == 18 * sizeof(double));
static_assert(offsetof(SzenarioRecord, dt) == 19 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Vwind) == 20 * sizeof(double));
static_assert(offsetof(SzenarioRecord, RSAT) == 22 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Mt) == 30 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Iud) == 31 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Mdv) == 32 * sizeof(double));
static_assert(offsetof(SzenarioRecord, Schub) == 33 * sizeof(double));

static_assert(std::is_standard_layout_v<FlightState>);
static_assert(offsetof(FlightState, BallonModus) % alignof(double) == 0
        && offsetof(FlightState, HFlugErreicht) == offsetof(FlightState, BallonModus) + sizeof(int)
        && offsetof(FlightState, atmosphereSegment) == offsetof(FlightState, HFlugErreicht) + sizeof(int),
    "the doubles, then the integers, without padding between them");

bool sameBits(const FlightState& a, const FlightState& b)
{
    constexpr size_t kMembers = offsetof(FlightState, atmosphereSegment) + sizeof(int);
    return std::memcmp(&a, &b, kMembers) == 0;
}

SimState st;

VehicleClass vehicleClass(double klasse)
{
    for (int k = 1; k <= kVehicleClasses; ++k)
        if (klasse == k)
            return static_cast<VehicleClass>(k);
    return VehicleClass::None;
}

double& SzenarioRecord::at(int pos)
{
    // The record is 40 doubles laid out without padding (asserted above).
    return reinterpret_cast<double*>(this)[pos];
}

double SzenarioRecord::at(int pos) const
{
    double v;
    std::memcpy(&v, reinterpret_cast<const char*>(this) + pos * sizeof(double), sizeof v);
    return v;
}

void resetState()
{
    // Built in place: a fresh state assigned would move its 400 KB of
    // samples twice.
    st.~SimState();
    new (&st) SimState();
}

void resetAllButSamples(SimState& state)
{
    static_cast<SimStateCore&>(state) = SimStateCore();
}

RunSummary runSummary()
{
    return st.Summary;
}

} // namespace torv

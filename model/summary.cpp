#include "model/summary.h"

#include <iterator>

namespace torv {

std::span<const SummaryQuantity> summaryQuantities()
{
    // clang-format off
    static constexpr SummaryQuantity kQuantities[] = {
        {"flight_time_s",           &RunSummary::flightTime,         0.1},
        {"range_m",                 &RunSummary::range,              1.0},
        {"max_altitude_m",          &RunSummary::maxAltitude,        1.0},
        {"end_speed_m_s",           &RunSummary::endSpeed,           1.0},
        {"max_load_factor_g",       &RunSummary::maxLoadFactor,      0.01},
        {"max_dynamic_pressure_pa", &RunSummary::maxDynamicPressure, 10.0},
        {"end_path_angle_deg",      &RunSummary::endPathAngle,       1.0},
        {"max_deceleration_g",      &RunSummary::maxDeceleration,    0.01},
    };
    // clang-format on
    return kQuantities;
}

} // namespace torv

// Constants the models and the run share, with their designed values.
#pragma once

namespace torv {

// Degrees per radian: the designed 57.3, not 180/pi.
inline constexpr double kDegPerRad = 57.3;
// Gravity, m/s2.
inline constexpr double kGravity = 9.8;

} // namespace torv

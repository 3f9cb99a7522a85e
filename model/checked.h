// Storing a computed value in the state only once it is known to be sound.
#pragma once

#include "fault/faults.h"

namespace torv {

// Stores `v` in `target` unless computing it raised a floating-point fault;
// then throws FloatError and leaves `target` as it was.
inline void store(double& target, double v)
{
    fpCheck(v);
    target = v;
}

} // namespace torv

#include "physics/faults.h"

namespace torv {

void fpRaise(int flags)
{
    fpClear();
    if (flags & FE_DIVBYZERO)
        throw FloatError("Floating point division by zero");
    if (flags & FE_OVERFLOW)
        throw FloatError("Floating point overflow");
    throw FloatError("Invalid floating point operation");
}

}  // namespace torv

#include "sim/flugbahn.h"

namespace torv {

void Flugbahn() {}

}  // namespace torv

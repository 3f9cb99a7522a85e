#include "plot/catalog.h"

namespace torv {

void applyGraphSelection(Sel) {}

}  // namespace torv

// How GoogleTest shows a MonitorMode in failure messages and in the names of
// parameterised cases: as its number, the value the dialog and the tool use.
#pragma once

#include "measure/BlockProcessor.h"

#include <ostream>

namespace kestrava::measure {

// Found by argument-dependent lookup, so it lives beside MonitorMode.
inline void PrintTo(MonitorMode mode, std::ostream* os)
{
    *os << static_cast<int>(mode);
}

}  // namespace kestrava::measure

// Real numbers as text in the shortest form that reads back to the same double.
#pragma once

#include <string>

namespace sim {

// The first of %.15g, %.16g and %.17g that reads back to the same double, so 1000 stays "1000"
// and 0.1 stays "0.1".
std::string FormatReal(double value);

}  // namespace sim

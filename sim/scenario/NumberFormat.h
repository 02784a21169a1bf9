// Real numbers as text: in the shortest form that reads back to the same double, and times for
// messages.
#pragma once

#include <string>

namespace sim {

// The first of %.15g, %.16g and %.17g that reads back to the same double, so 1000 stays "1000"
// and 0.1 stays "0.1".
std::string FormatReal(double value);

// A time for messages, to the microsecond and without trailing zeros: "37.3", "520", "0.000125".
std::string FormatSeconds(double seconds);

}  // namespace sim

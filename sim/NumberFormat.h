// Real numbers as text in the shortest form that reads back to the same double.
#pragma once

#include <string>

namespace sim {

std::string FormatReal(double value);

}  // namespace sim

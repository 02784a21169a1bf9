#include "NumberFormat.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

std::string FormatReal(double value) {
  char text[40];
  // From 15 digits up, so that whole numbers and short decimals print as written (1000, 0.1).
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

}  // namespace sim

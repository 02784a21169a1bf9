#include "NumberFormat.h"

#include <cstdio>
#include <cstdlib>

namespace sim {

std::string FormatReal(double value) {
  char text[40];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (std::strtod(text, nullptr) == value) break;
  }
  return text;
}

}  // namespace sim

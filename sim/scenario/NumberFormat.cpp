#include "sim/scenario/NumberFormat.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace sim {

// `to_chars` with a precision writes exactly what printf's "%.*g" writes, and `from_chars` reads
// exactly as strtod does, both without the cost of the C library's general formatting.
std::string FormatReal(double value) {
  char text[40];
  if (!std::isfinite(value)) {
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
  }
  std::to_chars_result written{};
  for (int digits = 15; digits <= 17; ++digits) {
    written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    double back = 0;
    std::from_chars(text, written.ptr, back);
    if (back == value) break;
  }
  return std::string(text, written.ptr);
}

std::string FormatSeconds(double seconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%.6f", seconds);
  std::string shown = text;
  if (shown.find('.') != std::string::npos) {
    shown.erase(shown.find_last_not_of('0') + 1);
    if (shown.back() == '.') shown.pop_back();
  }
  return shown == "-0" ? "0" : shown;
}

std::string ReadReal(std::string_view word, double &value) {
  const char *first = word.data();
  const char *last = word.data() + word.size();
  if (first != last && *first == '+') ++first;
  double read = 0;
  const std::from_chars_result result = std::from_chars(first, last, read);
  if (result.ec == std::errc::result_out_of_range) return "is out of range";
  if (result.ec != std::errc() || result.ptr != last) return "is not a number";
  if (!std::isfinite(read)) return "is not a finite number";
  value = read;
  return "";
}

}  // namespace sim

#include "sim/scenario/NumberFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace sim {

namespace {

// The definition: `to_chars` with a precision writes exactly what printf's "%.*g" writes, and
// `from_chars` reads exactly as strtod does. Up to three conversions and three readings.
size_t FormatByTrial(double value, char (&text)[40]) {
  if (!std::isfinite(value)) return static_cast<size_t>(std::snprintf(text, sizeof text, "%.17g", value));
  std::to_chars_result written{};
  for (int digits = 15; digits <= 17; ++digits) {
    written = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    double back = 0;
    std::from_chars(text, written.ptr, back);
    if (back == value) break;
  }
  return static_cast<size_t>(written.ptr - text);
}

// The same text from one shortest conversion, for a normal double that is not a power of two
// (the fast case; false for the others).
//
// The shortest digits S that read back (d of them, the closest such to the value, ties to even)
// decide it. No decimal of fewer than d digits reads back, so neither does "%.*g" below d digits.
// With d <= 15: the value's reading interval is at most 2.3e-16 of it wide, decimals of 15 digits
// lie at least 1e-15 of it apart, so S padded with zeros is the only 15-digit decimal in it and
// therefore the nearest one, which is what "%.15g" rounds to. With d = 16 or 17: "%.*g" rounds to
// the nearest decimal of d digits; it is at least as near as S, and in the interval, which is
// symmetric about a value that is not a power of two; so it is S, ties going to even in both.
// Either way the text is S's digits written as "%.*g" writes them, with trailing zeros dropped.
bool FormatShortest(double value, char (&text)[40], size_t &length) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  const uint64_t exponentBits = (bits >> 52) & 0x7FF, mantissaBits = bits & ((uint64_t{1} << 52) - 1);
  if (exponentBits == 0 || exponentBits == 0x7FF || mantissaBits == 0) return false;

  // "-d.ddde+XX": the sign, the digits without the point, the decimal exponent.
  char shortest[32];
  const std::to_chars_result end =
      std::to_chars(shortest, shortest + sizeof shortest, value, std::chars_format::scientific);
  const char *p = shortest;
  const bool negative = *p == '-';
  if (negative) ++p;
  char digits[20];
  int count = 0;
  for (; *p != 'e'; ++p)
    if (*p != '.') digits[count++] = *p;
  ++p;
  const bool negativeExponent = *p == '-';
  int exponent = 0;
  for (++p; p < end.ptr; ++p) exponent = exponent * 10 + (*p - '0');
  if (negativeExponent) exponent = -exponent;

  const int precision = count <= 15 ? 15 : count;
  char *out = text;
  if (negative) *out++ = '-';
  if (exponent < -4 || exponent >= precision) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      std::memcpy(out, digits + 1, static_cast<size_t>(count - 1));
      out += count - 1;
    }
    *out++ = 'e';
    *out++ = exponent < 0 ? '-' : '+';
    const int magnitude = exponent < 0 ? -exponent : exponent;
    if (magnitude >= 100) *out++ = static_cast<char>('0' + magnitude / 100);
    *out++ = static_cast<char>('0' + magnitude / 10 % 10);
    *out++ = static_cast<char>('0' + magnitude % 10);
  } else if (exponent < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exponent; --i) *out++ = '0';
    std::memcpy(out, digits, static_cast<size_t>(count));
    out += count;
  } else {
    // The integer part, padded with zeros where the digits end before it does, then the rest.
    for (int i = 0; i <= exponent; ++i) *out++ = i < count ? digits[i] : '0';
    if (count > exponent + 1) {
      *out++ = '.';
      std::memcpy(out, digits + exponent + 1, static_cast<size_t>(count - exponent - 1));
      out += count - exponent - 1;
    }
  }
  length = static_cast<size_t>(out - text);
  return true;
}

size_t Format(double value, char (&text)[40]) {
  // A zero is "0" or "-0" in every precision, and reads back equal.
  if (value == 0) {
    const bool negative = std::signbit(value);
    std::memcpy(text, "-0", 2);
    if (!negative) text[0] = '0';
    return negative ? 2 : 1;
  }
  size_t length = 0;
  if (FormatShortest(value, text, length)) return length;
  return FormatByTrial(value, text);
}

}  // namespace

std::string FormatReal(double value) {
  char text[40];
  return std::string(text, Format(value, text));
}

void AppendReal(std::string &out, double value) {
  char text[40];
  out.append(text, Format(value, text));
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

int Decimals(double value) {
  if (!std::isfinite(value)) return -1;
  const std::string text = FormatReal(std::fabs(value));
  const size_t point = text.find('.'), e = text.find('e');
  const size_t mantissaEnd = e == std::string::npos ? text.size() : e;
  int decimals = point == std::string::npos || point > mantissaEnd ? 0 : static_cast<int>(mantissaEnd - point - 1);
  if (e != std::string::npos) decimals -= std::atoi(text.c_str() + e + 1);
  decimals = std::max(decimals, 0);
  return decimals > maxDecimals ? -1 : decimals;
}

double RoundedTime(double time, int decimals) {
  if (decimals < 0 || !std::isfinite(time)) return time;
  const double scale = std::pow(10.0, decimals);
  // Past 2^52 units a double holds no fraction to round away.
  if (!(std::fabs(time * scale) < 4503599627370496.0)) return time;
  return std::round(time * scale) / scale;
}

}  // namespace sim

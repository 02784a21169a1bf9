// std::from_chars and std::to_chars for double and float where the C++ library has only the
// integer ones (the libc++ of Debian's emscripten), included ahead of every source of the live
// page's build, so that a scenario reads and writes the same numbers as in the other builds.
// Reading takes what the standard function takes — an optional minus, digits with an optional
// point and exponent, or inf, infinity and nan; no blanks, no plus — and converts exactly that
// text with strtod or strtof, which round correctly. Writing with a precision is printf's, which
// the standard defines it by; the shortest scientific form is the fewest digits printf rounds to
// that read back, which is the standard's for every value that is not a power of two (the
// nearest of those digits lies within the value's reading interval, symmetric about it).
#pragma once

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <system_error>

#if defined(_LIBCPP_VERSION) && _LIBCPP_VERSION < 200000

namespace std {

namespace kestrane_charconv {

// The end of the number that starts at `first`, or null when none does.
inline const char *NumberEnd(const char *first, const char *last) {
  const char *p = first;
  if (p != last && *p == '-') ++p;
  const auto lower = [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); };
  const auto startsWith = [&](const char *from, const char *word) {
    for (; *word != '\0'; ++word, ++from)
      if (from == last || lower(*from) != *word) return false;
    return true;
  };
  const char *end = p;
  if (startsWith(p, "infinity")) {
    end = p + 8;
  } else if (startsWith(p, "inf")) {
    end = p + 3;
  } else if (startsWith(p, "nan")) {
    end = p + 3;
    // nan(chars): the parenthesis only when closed.
    if (end != last && *end == '(') {
      const char *q = end + 1;
      while (q != last && (std::isalnum(static_cast<unsigned char>(*q)) || *q == '_')) ++q;
      if (q != last && *q == ')') end = q + 1;
    }
  } else {
    bool digits = false;
    while (end != last && *end >= '0' && *end <= '9') ++end, digits = true;
    if (end != last && *end == '.') {
      ++end;
      while (end != last && *end >= '0' && *end <= '9') ++end, digits = true;
    }
    if (!digits) return nullptr;
    // An exponent only when it has digits.
    if (end != last && (*end == 'e' || *end == 'E')) {
      const char *q = end + 1;
      if (q != last && (*q == '+' || *q == '-')) ++q;
      if (q != last && *q >= '0' && *q <= '9') {
        while (q != last && *q >= '0' && *q <= '9') ++q;
        end = q;
      }
    }
  }
  return end;
}

template <class Real, class Convert>
from_chars_result Read(const char *first, const char *last, Real &value, Convert convert) {
  const char *end = NumberEnd(first, last);
  if (end == nullptr) return {first, errc::invalid_argument};
  const string text(first, end);
  errno = 0;
  const Real read = convert(text.c_str(), nullptr);
  // Beyond the range: no value, as the standard function gives none. A result below the normal
  // range that is not zero is the nearest value there is.
  if (errno == ERANGE && (read == 0 || std::isinf(read))) return {end, errc::result_out_of_range};
  value = read;
  return {end, errc{}};
}

}  // namespace kestrane_charconv

inline from_chars_result from_chars(const char *first, const char *last, double &value,
                                    chars_format = chars_format::general) {
  return kestrane_charconv::Read(first, last, value, strtod);
}

inline from_chars_result from_chars(const char *first, const char *last, float &value,
                                    chars_format = chars_format::general) {
  return kestrane_charconv::Read(first, last, value, strtof);
}

inline to_chars_result to_chars(char *first, char *last, double value, chars_format format, int precision) {
  char text[400];
  const int length = std::snprintf(text, sizeof text,
                                   format == chars_format::scientific ? "%.*e"
                                   : format == chars_format::fixed    ? "%.*f"
                                                                      : "%.*g",
                                   precision, value);
  if (length < 0 || length > last - first) return {last, errc::value_too_large};
  for (int i = 0; i < length; ++i) first[i] = text[i];
  return {first + length, errc{}};
}

inline to_chars_result to_chars(char *first, char *last, double value, chars_format format) {
  if (format != chars_format::scientific || !std::isfinite(value)) return to_chars(first, last, value, format, 17);
  for (int digits = 1; digits < 17; ++digits) {
    char text[40];
    std::snprintf(text, sizeof text, "%.*e", digits - 1, value);
    if (strtod(text, nullptr) == value) return to_chars(first, last, value, format, digits - 1);
  }
  return to_chars(first, last, value, format, 16);
}

}  // namespace std

#endif

// The browser build's std::from_chars and std::to_chars for floating point (sim/live/FloatCharconv.h)
// against what the C++ library of the Linux build gives for the same numbers and texts. Run by node
// in the live page's tree; prints each difference and exits 1 when there is one.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <system_error>

namespace {

struct Written {
  double value;
  const char *shortest;   // scientific, the fewest digits that read back
  const char *fifteen;    // general, 15 significant digits
};

// The Linux build's results (libstdc++), which the scenario writer's number format is built on.
const Written written[] = {
    {0.1, "1e-01", "0.1"},
    {1.0 / 3, "3.333333333333333e-01", "0.333333333333333"},
    {6771000, "6.771e+06", "6771000"},
    {7672.5986, "7.6725986e+03", "7672.5986"},
    {-2.5e-07, "-2.5e-07", "-2.5e-07"},
    {0.30000000000000004, "3.0000000000000004e-01", "0.3"},
    {4.9406564584124654e-324, "5e-324", "4.94065645841247e-324"},
    {2.2250738585072014e-308, "2.2250738585072014e-308", "2.2250738585072e-308"},
    {1.7976931348623157e+308, "1.7976931348623157e+308", "1.79769313486232e+308"},
    {9007199254740992, "9.007199254740992e+15", "9.00719925474099e+15"},
    {1.2345678901234568e+17, "1.2345678901234568e+17", "1.23456789012346e+17"},
    {1e23, "1e+23", "1e+23"},
    {8.41e21, "8.41e+21", "8.41e+21"},
    {2000, "2e+03", "2000"},
    {149.9, "1.499e+02", "149.9"},
};

enum class Outcome { Read, Invalid, OutOfRange };

struct Read {
  const char *text;
  int used;  // characters taken
  Outcome outcome;
  double value;  // as read; −7 (the value before) when nothing is
};

const Read reads[] = {
    {" 1", 0, Outcome::Invalid, -7},       {"+1", 0, Outcome::Invalid, -7},
    {"1e", 1, Outcome::Read, 1},           {"1e+", 1, Outcome::Read, 1},
    {".5", 2, Outcome::Read, 0.5},         {"-.5e2x", 5, Outcome::Read, -50},
    {"inf", 3, Outcome::Read, INFINITY},   {"-infinity", 9, Outcome::Read, -INFINITY},
    {"x", 0, Outcome::Invalid, -7},        {"1e999", 5, Outcome::OutOfRange, -7},
    {"1e-999", 6, Outcome::OutOfRange, -7}, {"0x1p3", 1, Outcome::Read, 0},
    {"4.9e-324", 8, Outcome::Read, 4.9406564584124654e-324}, {"-", 0, Outcome::Invalid, -7},
    {".", 0, Outcome::Invalid, -7},
};

Outcome OutcomeOf(std::errc ec) {
  return ec == std::errc() ? Outcome::Read : ec == std::errc::invalid_argument ? Outcome::Invalid : Outcome::OutOfRange;
}

}  // namespace

int main() {
  int failures = 0;
  for (const Written &w : written) {
    char text[64];
    const std::to_chars_result shortest = std::to_chars(text, text + sizeof text, w.value, std::chars_format::scientific);
    const std::string got(text, shortest.ptr);
    const std::to_chars_result fifteen = std::to_chars(text, text + sizeof text, w.value, std::chars_format::general, 15);
    const std::string gotFifteen(text, fifteen.ptr);
    if (got != w.shortest || gotFifteen != w.fifteen) {
      std::printf("%.17g: wrote %s and %s, not %s and %s\n", w.value, got.c_str(), gotFifteen.c_str(), w.shortest, w.fifteen);
      ++failures;
    }
  }
  for (const Read &r : reads) {
    double value = -7;
    const std::from_chars_result read = std::from_chars(r.text, r.text + std::strlen(r.text), value);
    if (read.ptr - r.text != r.used || OutcomeOf(read.ec) != r.outcome || value != r.value) {
      std::printf("'%s': took %d characters, outcome %d, %.17g\n", r.text, static_cast<int>(read.ptr - r.text),
                  static_cast<int>(OutcomeOf(read.ec)), value);
      ++failures;
    }
  }
  double nan = 0;
  const char *text = "nan(x1)";
  const std::from_chars_result read = std::from_chars(text, text + 7, nan);
  if (!std::isnan(nan) || read.ptr != text + 7) {
    std::printf("'%s' read as %g, %d characters\n", text, nan, static_cast<int>(read.ptr - text));
    ++failures;
  }
  std::printf("%d of %zu checks failed\n", failures, sizeof written / sizeof *written + sizeof reads / sizeof *reads + 1);
  return failures == 0 ? 0 : 1;
}

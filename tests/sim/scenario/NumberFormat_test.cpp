#include "sim/scenario/NumberFormat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

// The definition the files rely on: printf's text, read back correctly rounded. The 32-bit MinGW
// library's readers (from_chars and strtod) are not: in rare cases they round twice, through the
// x87's extended precision ("-8.09433917212626e+23" comes back one unit in the last place off).
// There printf's text cannot be the reference; what the files need is still checked: the text
// reads back to the value.
#if defined(__MINGW32__) && defined(__i386__)
constexpr bool correctlyRoundedReader = false;
#else
constexpr bool correctlyRoundedReader = true;
#endif

double ReadBack(const std::string &text) {
  double back = 0;
  std::from_chars(text.data(), text.data() + text.size(), back);
  return back;
}

std::string ByPrintf(double value) {
  char text[40];
  for (int digits = 15; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, value);
    if (ReadBack(text) == value) break;
  }
  return text;
}

// FormatReal's text is printf's, or where the reader is not the reference, one that reads back.
void ExpectAsPrintf(double value) {
  if (correctlyRoundedReader)
    ASSERT_EQ(sim::FormatReal(value), ByPrintf(value)) << value;
  else
    ASSERT_EQ(ReadBack(sim::FormatReal(value)), value) << sim::FormatReal(value);
}

TEST(NumberFormatTest, ShortestOfFifteenToSeventeenDigitsThatReadsBack) {
  EXPECT_EQ(sim::FormatReal(1000), "1000");
  EXPECT_EQ(sim::FormatReal(0.1), "0.1");
  EXPECT_EQ(sim::FormatReal(0.1 + 0.2), "0.30000000000000004");
  EXPECT_EQ(sim::FormatReal(1e21), "1e+21");
  EXPECT_EQ(sim::FormatReal(-2.5e-7), "-2.5e-07");
  EXPECT_EQ(sim::FormatReal(-0.0), "-0");
  EXPECT_EQ(sim::FormatReal(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(sim::FormatReal(std::numeric_limits<double>::denorm_min()), "4.94065645841247e-324");
}

// Every bit pattern class: random doubles over the whole exponent range, and decimal fractions
// of the kind scenarios hold.
TEST(NumberFormatTest, AgreesWithPrintfOnRandomDoubles) {
  std::mt19937_64 random(42);
  for (int i = 0; i < 200000; ++i) {
    uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    ASSERT_NO_FATAL_FAILURE(ExpectAsPrintf(value)) << bits;
    ASSERT_NO_FATAL_FAILURE(
        ExpectAsPrintf(static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) / 1000.0));
  }
}

// The values where a text of fewer digits and one of more lie closest: next to powers of two
// (where a value's reading interval is lopsided) and of ten (where the digit count changes),
// halfway between two decimals of 16 and 17 digits (ties), long integers, and the products and
// quotients a simulation makes. AppendReal writes the same text after what is there.
TEST(NumberFormatTest, AgreesWithPrintfWhereTextsOfDifferentLengthsMeet) {
  std::mt19937_64 random(7);
  auto check = [](double value) {
    ExpectAsPrintf(value);
    ExpectAsPrintf(-value);
  };
  for (int e = -1074; e <= 1023; ++e) {
    const double power = std::ldexp(1.0, e);
    double up = power, down = power;
    for (int i = 0; i < 4; ++i) {
      check(up);
      check(down);
      up = std::nextafter(up, HUGE_VAL);
      down = std::nextafter(down, 0.0);
    }
  }
  for (int e = -320; e <= 308; ++e) {
    double up = std::pow(10.0, e), down = up;
    for (int i = 0; i < 4; ++i) {
      check(up);
      check(down);
      up = std::nextafter(up, HUGE_VAL);
      down = std::nextafter(down, 0.0);
    }
  }
  for (int i = 0; i < 20000; ++i) {
    // k + 1/4 and k + 3/4 with 15 or 16 digits before the point: the 16- or 17-digit texts either
    // side are equally near.
    const double whole = std::ldexp(static_cast<double>(random() >> 11), -static_cast<int>(random() % 6));
    check(std::floor(whole) + 0.25);
    check(std::floor(whole) + 0.75);
    check(static_cast<double>(random() % 1000000000000000000ull));
    const double a = static_cast<double>(random() % 100000000) / 7.0, b = 6771000.0 + a / 3.0;
    check(a * b);
    check(b / (a + 1));
    check(std::sqrt(a * a + b * b));
  }
  std::string row = "t,";
  sim::AppendReal(row, 0.1 + 0.2);
  row += ',';
  sim::AppendReal(row, -0.0);
  EXPECT_EQ(row, "t,0.30000000000000004,-0");
}

}  // namespace

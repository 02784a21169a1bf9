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

// The definition the files rely on: printf's text, read back correctly rounded (as the scenario
// reader reads; not every C library's strtod does).
std::string ByPrintf(double value) {
  char text[40];
  for (int digits = 15; digits <= 17; ++digits) {
    const int length = std::snprintf(text, sizeof text, "%.*g", digits, value);
    double back = 0;
    std::from_chars(text, text + length, back);
    if (back == value) break;
  }
  return text;
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
    ASSERT_EQ(sim::FormatReal(value), ByPrintf(value)) << bits;
    const double decimal = static_cast<double>(static_cast<int64_t>(random() % 2000001) - 1000000) / 1000.0;
    ASSERT_EQ(sim::FormatReal(decimal), ByPrintf(decimal)) << decimal;
  }
}

}  // namespace

#include "sim/scenario/ScenarioStream.h"
#include "sim/scenario/NumberFormat.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

TEST(ScenarioStreamTest, WritersPutItemAndValueInTheHostNotation) {
  sim::ScenarioStream out;
  char item[] = "Key";
  char name[] = "Tug";
  VECTOR3 v{{0.1, -2, 1e-7}};
  oapiWriteScenario_int(out.Handle(), item, -42);
  oapiWriteScenario_string(out.Handle(), item, name);
  oapiWriteScenario_float(out.Handle(), item, 1000);
  oapiWriteScenario_float(out.Handle(), item, 1000.1);
  oapiWriteScenario_float(out.Handle(), item, 1.0 / 3.0);
  oapiWriteScenario_float(out.Handle(), item, 0.1f);  // a widened float needs all its digits
  oapiWriteScenario_float(out.Handle(), item, 6.02214076e23);
  oapiWriteScenario_float(out.Handle(), item, 1e16);
  oapiWriteScenario_float(out.Handle(), item, 12345678);
  oapiWriteScenario_vec(out.Handle(), item, v);
  const std::vector<std::string> expected = {
      "  Key -42",
      "  Key Tug",
      "  Key 1000",
      "  Key 1000.1",
      "  Key 0.3333333333333333",
      "  Key 0.10000000149011612",
      "  Key 6.02214076e+23",
      "  Key 1e+16",
      "  Key 12345678",
      "  Key 0.1 -2 1e-07",
  };
  EXPECT_EQ(out.Written(), expected);
}

TEST(ScenarioStreamTest, RealsReadBackToTheSameDouble) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value)) continue;
    // Read as the scenario reader reads: correctly rounded, which not every C library's strtod is.
    const std::string text = sim::FormatReal(value);
    double back = 0;
    std::from_chars(text.data(), text.data() + text.size(), back);
    ASSERT_EQ(back, value) << text;
  }
}

TEST(ScenarioStreamTest, NextLineTrimsDropsCommentsAndStopsAtEnd) {
  sim::ScenarioStream in({
      "  SetupTetherLength 1000  ; metres",
      "",
      "   \t ",
      "; a comment line",
      "\tTetherData 0 CONNECT 0\t",
      "END_MFD",
      "END ; the host's end",
      "after",
  });
  std::vector<std::string> got;
  char *line = nullptr;
  while (oapiReadScenario_nextline(in.Handle(), line)) got.push_back(line);
  const std::vector<std::string> expected = {"SetupTetherLength 1000", "TetherData 0 CONNECT 0", "END_MFD"};
  EXPECT_EQ(got, expected);
  EXPECT_EQ(in.LinesRead(), 7u);

  // The host compares END without regard to case, and a module's own "… END" lines are lines.
  sim::ScenarioStream lower({"  SW END", "END INTERNAL", "  end  ", "after"});
  got.clear();
  while (oapiReadScenario_nextline(lower.Handle(), line)) got.push_back(line);
  EXPECT_EQ(got, (std::vector<std::string>{"SW END", "END INTERNAL"}));

  sim::ScenarioStream noEnd({"a", "ENDING"});
  got.clear();
  while (oapiReadScenario_nextline(noEnd.Handle(), line)) got.push_back(line);
  EXPECT_EQ(got, (std::vector<std::string>{"a", "ENDING"}));
  EXPECT_FALSE(oapiReadScenario_nextline(noEnd.Handle(), line));
  EXPECT_FALSE(oapiReadScenario_nextline(nullptr, line));
}

}  // namespace

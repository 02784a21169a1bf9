// The plug-in's block read for the tether samples, from its lines and from its entries as written.
#include "sim/run/TetherBlock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

using Entry = sim::ScenarioStream::Entry;
using Kind = Entry::Kind;

Entry Make(Kind kind, const std::string &item, const std::string &text = "", int integer = 0,
           std::vector<double> reals = {0, 0, 0}) {
  Entry entry;
  entry.kind = kind;
  entry.item = item;
  entry.text = text;
  entry.integer = integer;
  for (int i = 0; i < 3; ++i) entry.real[i] = reals[static_cast<size_t>(i)];
  return entry;
}

// The same bits, or both not a number: the text of a negative NaN keeps its sign with some C
// libraries' printf and not with others, so a NaN read from a line may have lost it.
bool SameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b)); }

// Reading the entries directly must give what reading the lines they become gives, bit for bit:
// the entries the plug-in writes, and every kind of entry that is not what its field takes.
TEST(TetherBlockTest, EntriesReadAsTheirLines) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  const std::vector<Entry> entries = {
      Make(Kind::Real, "SetupTetherLength", "", 0, {1500.0000000001, 0, 0}),
      Make(Kind::Integer, "TetherData 0 CONNECT", "", 1),
      Make(Kind::Text, "TetherData 0 Ship1", "Tug"),
      Make(Kind::Text, "TetherData 0 Ship2", "  Cargo Pod  "),
      Make(Kind::Real, "TetherData 0 Length", "", 0, {1440.1000000014164, 0, 0}),
      Make(Kind::Real, "TetherData 0 Force", "", 0, {-0.0, 0, 0}),
      Make(Kind::Vector, "TetherData 0 Attach1", "", 0, {0.1, -2, 1e-300}),
      Make(Kind::Vector, "TetherData 0 Attach2", "", 0, {nan, -inf, 5e-324}),
      Make(Kind::Integer, "TetherData 0 SpoolMode", "", 1),
      Make(Kind::Real, "TetherData 0 ReelSpeed", "", 0, {-nan, 0, 0}),
      // Keys that are not plain: blanks, a tab, a link of two digits or out of range, a key
      // whose value carries the field.
      Make(Kind::Integer, "TetherData  1 CONNECT", "", 1),
      Make(Kind::Integer, "TetherData\t2 CONNECT", "", 1),
      Make(Kind::Integer, "TetherData 03 CONNECT", "", 1),
      Make(Kind::Integer, "TetherData 8 CONNECT", "", 1),
      Make(Kind::Real, "TetherData 4", "", 0, {12.5, 0, 0}),
      Make(Kind::Text, "TetherData 5", "Length 99.5"),
      Make(Kind::Text, "TetherData 6 Length extra", "7"),
      Make(Kind::Text, "", "TetherData 7 CONNECT 1"),
      // Values of another kind than the field takes.
      Make(Kind::Real, "TetherData 1 CONNECT", "", 0, {1, 0, 0}),
      Make(Kind::Real, "TetherData 2 CONNECT", "", 0, {1.5, 0, 0}),
      Make(Kind::Integer, "TetherData 1 Length", "", 250),
      Make(Kind::Text, "TetherData 1 Force", "3e3"),
      Make(Kind::Text, "TetherData 1 ReelSpeed", "fast"),
      Make(Kind::Real, "TetherData 1 Ship1", "", 0, {42, 0, 0}),
      Make(Kind::Vector, "TetherData 1 Ship2", "", 0, {1, 2, 3}),
      Make(Kind::Real, "TetherData 1 Attach1", "", 0, {7, 0, 0}),
      Make(Kind::Text, "TetherData 1 Attach2", "1 2"),
      Make(Kind::Text, "TetherData 3 Attach2", "1 2 3 4"),
      Make(Kind::Vector, "TetherData 3 Length", "", 0, {8, 9, 10}),
      Make(Kind::Text, "TetherData 3 Ship1", ""),
      Make(Kind::Integer, "TetherData 3 Unknown", "", 5),
  };
  sim::TetherBlock fromEntries, fromLines;
  fromEntries.Clear();
  fromLines.Clear();
  for (const Entry &entry : entries) {
    fromEntries.ReadEntry(entry);
    fromLines.ReadLine(sim::ScenarioStream::LineOf(entry));
  }
  for (size_t i = 0; i < 8; ++i) {
    const tetherblock::LinkRecord &a = fromEntries.records[i], &b = fromLines.records[i];
    EXPECT_EQ(a.connected, b.connected) << i;
    EXPECT_EQ(a.ship1, b.ship1) << i;
    EXPECT_EQ(a.ship2, b.ship2) << i;
    EXPECT_EQ(a.spoolMode, b.spoolMode) << i;
    for (const auto &[x, y] : {std::pair{a.length, b.length}, std::pair{a.force, b.force},
                               std::pair{a.reelSpeed, b.reelSpeed}, std::pair{a.attach1[0], b.attach1[0]},
                               std::pair{a.attach1[2], b.attach1[2]}, std::pair{a.attach2[0], b.attach2[0]},
                               std::pair{a.attach2[1], b.attach2[1]}, std::pair{a.attach2[2], b.attach2[2]}})
      EXPECT_TRUE(SameBits(x, y)) << i << ": " << x << " against " << y;
  }
  // What the plug-in's own entries say.
  EXPECT_EQ(fromEntries.records[0].ship2, "Cargo");
  EXPECT_EQ(fromEntries.records[0].length, 1440.1000000014164);
  EXPECT_TRUE(std::signbit(fromEntries.records[0].force));
  EXPECT_TRUE(std::isnan(fromEntries.records[0].reelSpeed) && std::signbit(fromEntries.records[0].reelSpeed));
  EXPECT_EQ(fromEntries.records[0].attach2[1], -inf);
  EXPECT_EQ(fromEntries.records[5].length, 99.5);
  EXPECT_EQ(fromEntries.records[7].connected, 1);
  EXPECT_EQ(fromEntries.records[1].length, 250.0);
}

}  // namespace

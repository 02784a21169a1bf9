// The tether CSV's figures for links in unusual states: each link's pull is what the plug-in
// applied for it, and every connected link's geometry is measured.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

std::vector<CsvRow> LinkRows(const std::vector<CsvRow> &rows, int link, bool wanted = true) {
  std::vector<CsvRow> kept;
  for (const CsvRow &row : rows)
    if ((row.at("link") == std::to_string(link)) == wanted) kept.push_back(row);
  return kept;
}

// The text after "Label : " on the screen's row that starts with `label`, up to the unit.
std::string ScreenValue(const std::string &screen, const std::string &label) {
  const size_t row = screen.find("\n" + label);
  if (row == std::string::npos) return "";
  const size_t start = screen.find(": ", row) + 2;
  return screen.substr(start, screen.find(' ', start) - start);
}

}  // namespace

// pairs.scn: link n ties Tug<n> (attach point 5 0 0) to Pod<n> (attach point −3 0 0); the pairs
// touch only through their own tethers. At 2 s the target steps back from Tug1 to Tug0, the own
// vessel, and J on link 0 keeps it connected with both names Tug0 and its attach points: a link
// tied from a vessel to itself, before seven pulling links. At 4 s Pod3 goes: a link without its
// vessel between pulling links 2 and 4.
TEST(TetherCsvTest, SelfTiedAndVesselLessLinksLeaveEveryOtherLinksPullAsItWas) {
  const std::string common = " --duration 8 --every 0.5 --quiet";
  Result r = Sim("run " + TestScenario("pairs.scn") + common + " --tethers csv_base.csv", "csv_base");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Sim("run " + TestScenario("pairs.scn") + common +
              " --keys 2:EQUALS,2:EQUALS,2.02:J,2.04:PERIOD --delete 4:Pod3 --tethers csv_odd.csv --screen csv_odd.txt",
          "csv_odd");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<CsvRow> base = ReadCsv("csv_base.csv"), odd = ReadCsv("csv_odd.csv");
  ASSERT_EQ(odd.size(), base.size());
  ASSERT_EQ(odd.size(), 17u * 8);

  // Links 1, 2 and 4 to 7 pull exactly as without the odd links; those that hold or reel in pull
  // all the time.
  for (int link : {1, 2, 4, 5, 6, 7}) {
    const std::vector<CsvRow> rows = LinkRows(odd, link), expected = LinkRows(base, link);
    for (size_t i = 0; i < rows.size(); ++i) {
      EXPECT_EQ(rows[i], expected[i]) << "link " << link << " at " << rows[i].at("time");
      if (Num(rows[i], "time") > 0 && rows[i].at("spool_mode") == "0") {
        EXPECT_GT(Num(rows[i], "pull"), 0.0) << "link " << link << " at " << rows[i].at("time");
      }
    }
  }

  // The self-tied link measures from one attach point to the other on the same vessel, which the
  // pull along x leaves unturned: 8 m, 0.8 % of 1000 m, slack.
  for (const CsvRow &row : LinkRows(odd, 0)) {
    if (Num(row, "time") <= 2) continue;
    EXPECT_EQ(row.at("ship1"), "Tug0");
    EXPECT_EQ(row.at("ship2"), "Tug0");
    EXPECT_EQ(row.at("connected"), "1");
    EXPECT_DOUBLE_EQ(Num(row, "distance"), 8.0) << row.at("time");
    EXPECT_DOUBLE_EQ(Num(row, "stretch"), 0.8) << row.at("time");
    EXPECT_EQ(Num(row, "pull"), 0.0) << row.at("time");
  }
  for (const CsvRow &row : LinkRows(odd, 3)) {
    if (Num(row, "time") > 4) {
      EXPECT_EQ(Num(row, "pull"), 0.0) << row.at("time");
    }
  }

  // The display shows the pull of link 1, the current one, as the plug-in has it: the CSV's last
  // row agrees. (The CSV's geometry is measured after the frame's motion, the display's before.)
  const std::string screen = FileText("csv_odd.txt");
  const CsvRow last = LinkRows(odd, 1).back();
  char pull[32];
  std::snprintf(pull, sizeof pull, "%.1f", Num(last, "pull"));
  EXPECT_EQ(ScreenValue(screen, "Pull     "), pull) << screen;
}

// The clock is the count of steps times the step; written to the decimals the step, the start and
// a shorter last step need, it reads as the time it counts, each sample's time its own.
TEST(TetherCsvTest, TimesAreWrittenAsTheStepsCountThemWithoutTheClocksLastBits) {
  const auto times = [](const std::string &args) {
    EXPECT_EQ(Sim("run " + TestScenario("pair.scn") + args + " --vessels times.csv --quiet", "times").status, 0);
    std::string column;
    for (const CsvRow &row : ReadCsv("times.csv"))
      if (row.at("name") == "Tug") column += row.at("time") + " ";
    return column;
  };
  EXPECT_EQ(times(" --duration 1 --every 0.1"), "0 0.1 0.2 0.3 0.4 0.5 0.6 0.7 0.8 0.9 1 ");
  EXPECT_EQ(times(" --duration 0.1 --dt 0.03 --every 0.01"), "0 0.03 0.06 0.09 0.1 ");
  EXPECT_EQ(times(" --duration 0.0305 --dt 0.03 --every 0.01"), "0 0.03 0.0305 ");
}

// Vessels that the host deletes during a run (`kestrane-sim run --delete`): a tether that loses an
// end is disconnected at the plug-in's next step, the other tethers run on untouched, the display
// keeps drawing, and the link can be tied again.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "Support.h"

namespace {

using namespace e2e;

// The time at which every deletion below happens, s; a whole sample time: the vessel goes at the
// end of the frame that reaches it, so the sample at this time is the first without it.
constexpr double deletionTime = 4;

// pairs.scn: link i ties Tug<i> (vessel 1) to Pod<i> (vessel 2); the eight pairs touch only
// through their own tethers, so a run that deletes one vessel must leave every other link's and
// vessel's numbers exactly as a run without the deletion has them.
struct Vanishing {
  int link;
  const char *vessel;
  const char *what;
};

std::vector<CsvRow> RowsWhere(const std::vector<CsvRow> &rows, const char *field, const std::string &value,
                              bool equal) {
  std::vector<CsvRow> kept;
  for (const CsvRow &row : rows)
    if ((row.at(field) == value) == equal) kept.push_back(row);
  return kept;
}

}  // namespace

TEST(DeleteTest, EitherEndCanGoInEverySpoolModeAndTheOtherSevenLinksRunOnAsBefore) {
  ASSERT_EQ(Sim("run " + TestScenario("pairs.scn") +
                    " --duration 12 --quiet --tethers del_base_t.csv --vessels "
                    "del_base_v.csv",
                "del_base")
                .status,
            0);
  const std::vector<CsvRow> baseTethers = ReadCsv("del_base_t.csv"), baseVessels = ReadCsv("del_base_v.csv");
  ASSERT_EQ(baseTethers.size(), 13u * 8);

  const Vanishing cases[] = {
      {0, "Tug0", "vessel 1 of a holding tether"},       {3, "Pod3", "vessel 2 of a holding tether"},
      {1, "Tug1", "vessel 1 of a reeling tether"},       {4, "Pod4", "vessel 2 of a reeling tether"},
      {2, "Tug2", "vessel 1 of a free-spooling tether"}, {5, "Pod5", "vessel 2 of a free-spooling tether"},
  };
  for (const Vanishing &c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = "del_" + std::string(c.vessel);
    const Result r = Sim("run " + TestScenario("pairs.scn") + " --duration 12 --quiet --delete 4:" + c.vessel +
                             " --tethers " + name + "_t.csv --vessels " + name + "_v.csv",
                         name);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const std::vector<CsvRow> tethers = ReadCsv(name + "_t.csv"), vessels = ReadCsv(name + "_v.csv");

    // Every other link, and every vessel of the other pairs, exactly as without the deletion.
    const std::string link = std::to_string(c.link);
    EXPECT_EQ(RowsWhere(tethers, "link", link, false), RowsWhere(baseTethers, "link", link, false));
    const std::string tug = "Tug" + link, pod = "Pod" + link;
    auto otherPairs = [&](const std::vector<CsvRow> &rows) {
      return RowsWhere(RowsWhere(rows, "name", tug, false), "name", pod, false);
    };
    EXPECT_EQ(otherPairs(vessels), otherPairs(baseVessels));

    // The deleted vessel is gone from the sample at its time on.
    for (const CsvRow &row : RowsWhere(vessels, "name", c.vessel, true)) EXPECT_LT(Num(row, "time"), deletionTime);

    // The tether without its end pulls nothing: the survivor coasts at the velocity it had.
    const std::string survivor = c.vessel == tug ? pod : tug;
    const std::vector<CsvRow> coasting = RowsWhere(vessels, "name", survivor, true);
    const CsvRow *last = nullptr;
    for (const CsvRow &row : coasting) {
      if (Num(row, "time") < deletionTime) continue;
      if (last != nullptr) {
        for (const char *field : {"vx", "vy", "vz"}) EXPECT_EQ(row.at(field), last->at(field)) << row.at("time");
      }
      last = &row;
    }
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->at("time"), "12");

    // At the deletion's sample the plug-in has not stepped since: the link is still tied, with
    // nothing left to measure; its next step disconnects it.
    for (const CsvRow &row : RowsWhere(tethers, "link", link, true)) {
      const double t = Num(row, "time");
      if (t < deletionTime) continue;
      EXPECT_EQ(row.at("connected"), t == deletionTime ? "1" : "0") << row.at("time");
      EXPECT_EQ(Num(row, "pull"), 0.0) << row.at("time");
      EXPECT_EQ(Num(row, "distance"), 0.0) << row.at("time");
    }
  }
}

// trio.scn: the tug tied to the pod, the probe untied, the pod the display's target.
TEST(DeleteTest, TheDisplayShowsTheLinkLetGoAndJTiesItToAnotherVessel) {
  // After the pod has gone: the target moves on to the probe, and the link is not connected.
  Result r = Sim("run " + TestScenario("trio.scn") + " --duration 2.5 --quiet --delete 2:Pod --screen del_gone.txt",
                 "del_gone");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileText("del_gone.txt"),
            "Kestrane\n"
            "SETUP:\n"
            "This Ship   : Tug at CoG\n"
            "Target Ship : Probe at CoG\n"
            "Length      : 1000.0 m\n"
            "Force       : 100.0 N@1%\n"
            "\n"
            "\n"
            " Warning! Length < Distance\n"
            " Projected force (N) = 2000.0\n"
            "\n"
            "Tethers >> *0*-1--2--3--4--5--6--7-\n"
            "\n"
            "Status  : Not connected\n");

  // J at 3 s ties the current link to the probe, 1200 m up y: it pulls the tug that way.
  r = Sim("run " + TestScenario("trio.scn") +
              " --duration 6 --quiet --delete 2:Pod --keys 3:J --screen del_again.txt --tethers del_again_t.csv "
              "--vessels del_again_v.csv",
          "del_again");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string screen = FileText("del_again.txt");
  EXPECT_NE(screen.find("Status  : Connected\nShipOne  : Tug\nShipTwo  : Probe\n"), std::string::npos) << screen;
  const std::vector<CsvRow> tethers = ReadCsv("del_again_t.csv");
  const CsvRow &link0 = tethers[tethers.size() - 8];
  EXPECT_EQ(link0.at("connected"), "1");
  EXPECT_EQ(link0.at("ship2"), "Probe");
  EXPECT_GT(Num(link0, "pull"), 0.0);

  std::map<double, CsvRow> tug;
  for (const CsvRow &row : RowsWhere(ReadCsv("del_again_v.csv"), "name", "Tug", true)) tug[Num(row, "time")] = row;
  // Coasting between the deletion and the J, then drawn towards the probe.
  EXPECT_EQ(tug.at(2).at("vx"), tug.at(3).at("vx"));
  EXPECT_EQ(Num(tug.at(3), "vy"), 0.0);
  EXPECT_GT(Num(tug.at(6), "vy"), 0.0);
}

TEST(DeleteTest, AVesselGoesBeforeTheKeysAtItsTime) {
  // The display last named the pod as the target. A (setup length from the distance) at the time
  // of the deletion finds it gone and keeps the length; a frame before, it measures to the pod.
  const Result same =
      Sim("run " + TestScenario("trio.scn") + " --duration 4 --quiet --delete 3:Pod --keys 3:A --screen del_order.txt",
          "del_order");
  ASSERT_EQ(same.status, 0) << same.err;
  const Result earlier = Sim(
      "run " + TestScenario("trio.scn") + " --duration 4 --quiet --delete 3.02:Pod --keys 3:A --screen del_order2.txt",
      "del_order2");
  ASSERT_EQ(earlier.status, 0) << earlier.err;
  EXPECT_NE(FileText("del_order.txt").find("Length      : 1000.0 m\n"), std::string::npos) << FileText("del_order.txt");
  EXPECT_EQ(FileText("del_order2.txt").find("Length      : 1000.0 m\n"), std::string::npos)
      << FileText("del_order2.txt");
}

TEST(DeleteTest, DeletingTheFocusVesselPassesTheFocusToTheNextVessel) {
  // The tug has the focus and carries the tether's drawing; names match without regard to case.
  const Result r = Sim("run " + TestScenario("trio.scn") +
                           " --duration 6 --quiet --delete 2:TUG --keys 3:J --screen del_focus.txt --tethers "
                           "del_focus_t.csv --save del_focus.scn",
                       "del_focus");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileText("del_focus.txt"),
            "Kestrane\n"
            "SETUP:\n"
            "This Ship   : Pod at CoG\n"
            "Target Ship : Probe at CoG\n"
            "Length      : 1000.0 m\n"
            "Force       : 100.0 N@1%\n"
            "\n"
            "\n"
            " Warning! Length < Distance\n"
            " Projected force (N) = 8822.8\n"
            "\n"
            "Tethers >> *0*-1--2--3--4--5--6--7-\n"
            "\n"
            "Status  : Connected\n"
            "ShipOne  : Pod\n"
            "ShipTwo  : Probe\n"
            "Length   : 1000.0 m\n"
            "Distance : 1882.7 m\n"
            "Stretch  : 188.273 %\n"
            "Force    : 100.0 N@1%\n"
            "Pull     : 8604.1 N\n"
            "Reel     : 0.00 m/sec\n");
  const std::string saved = FileText("del_focus.scn");
  EXPECT_NE(saved.find("BEGIN_FOCUS\n  Ship Pod\nEND_FOCUS\n"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("Tug:"), std::string::npos) << saved;
  EXPECT_NE(saved.find("  TetherData 0 Ship1 Pod\n  TetherData 0 Ship2 Probe\n"), std::string::npos) << saved;
}

TEST(DeleteTest, BadDeleteListsExitWithStatusTwoAndOneLine) {
  struct Case {
    std::string list, expected;
  } cases[] = {
      {"1:Nobody", "--delete names no vessel 'Nobody' of the scenario"},
      {"1:Pod,2:POD", "--delete names vessel 'POD' twice"},
      {"Pod", "--delete entry 'Pod' is not TIME:NAME"},
      {"x:Pod", "--delete entry 'x:Pod' has no valid time"},
      {"-1:Pod", "--delete entry '-1:Pod' has no valid time"},
      {"inf:Pod", "--delete entry 'inf:Pod' has no valid time"},
      {"1:", "--delete entry '1:' names no vessel"},
      {"1:Pod,,2:Tug", "empty entry in --delete list"},
      {"\"\"", "empty entry in --delete list"},
  };
  int n = 0;
  for (const Case &c : cases) {
    const Result r = Sim("run " + TestScenario("trio.scn") + " --duration 1 --quiet --delete " + c.list,
                         "del_bad" + std::to_string(n++));
    EXPECT_EQ(r.status, 2) << c.list;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << c.list << ": " << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
}

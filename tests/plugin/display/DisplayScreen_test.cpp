#include <string>
#include <vector>

#include "tests/plugin/display/DisplayTest.h"

namespace kestrane {

namespace {

constexpr COLORREF label = 0xC000;
constexpr COLORREF value = 0xFF00;
constexpr COLORREF notice = 0xC0C0;
constexpr COLORREF current = 0xC0C0C0;

const VECTOR3 origin = {{0.0, 0.0, 0.0}};

using ScreenTest = TugAndProbeTest;

TEST_F(ScreenTest, FreshStartShowsTheSetupAndNoLink) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  const std::vector<std::string> expected = {
      "Kestrane",
      "SETUP:",
      "This Ship   : Tug at CoG",
      "Target Ship : Probe at CoG",
      "Length      : 1000.0 m",
      "Force       : 10.000 kN@1%",
      "",
      "",
      "",
      "",
      "",
      "Tethers >> *0*-1--2--3--4--5--6--7-",
      "",
      "Status  : Not connected",
  };
  EXPECT_EQ(Rows(*d), expected);

  EXPECT_EQ(ColourOf(*d, "SETUP:"), notice);
  EXPECT_EQ(ColourOf(*d, "This Ship   : "), label);
  EXPECT_EQ(ColourOf(*d, "Tug"), value);
  EXPECT_EQ(ColourOf(*d, "Probe"), value);
  EXPECT_EQ(ColourOf(*d, "1000.0 m"), value);
  EXPECT_EQ(ColourOf(*d, "Tethers >> "), label);
  EXPECT_EQ(ColourOf(*d, "*0*"), current);
  EXPECT_EQ(ColourOf(*d, "-1-"), label);
  EXPECT_EQ(ColourOf(*d, "Status  : "), notice);
  EXPECT_EQ(ColourOf(*d, "Not connected"), value);
}

TEST_F(ScreenTest, UnitIsChosenOnTheValueNotTheRoundedText) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  struct Case {
    double length, force;
    const char *lengthRow, *forceRow;
  };
  const Case cases[] = {
      {10000.0, 9999.0, "Length      : 10.000 km", "Force       : 9999.0 N@1%"},
      {9999.9, 1000000.0, "Length      : 9999.9 m", "Force       : 1000.000 kN@1%"},
      {9999.96, 9999.96, "Length      : 10000.0 m", "Force       : 10000.0 N@1%"},
  };
  for (const Case &c : cases) {
    Data().setupLength = c.length;
    Data().setupForce = c.force;
    host.Redraw(*d);
    EXPECT_EQ(Row(*d, 4), c.lengthRow);
    EXPECT_EQ(Row(*d, 5), c.forceRow);
  }
}

TEST_F(ScreenTest, ConnectedLinkShowsItsStatusWordAndDetails) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  TetherLink &link = *Data().TM[0];
  link.Connect("Tug", "Probe", 1000.0, 10000.0, origin, origin);
  ASSERT_EQ(link.IsConnected(), 1);

  link.reelSpeed = -0.1;
  host.Redraw(*d);
  const std::vector<std::string> expected = {
      "Status  : Reeling",
      "ShipOne  : Tug",
      "ShipTwo  : Probe",
      "Length   : 1000.0 m",
      "Distance : 500.0 m",
      "Stretch  : 50.000 %",
      "Force    : 10.000 kN@1%",
      "Pull     : 0.0 N",
      "Reel     : -0.10 m/sec",
  };
  std::vector<std::string> rows = Rows(*d);
  ASSERT_EQ(rows.size(), 22u);
  EXPECT_EQ(std::vector<std::string>(rows.begin() + 13, rows.end()), expected);
  EXPECT_EQ(ColourOf(*d, "Reeling"), notice);
  EXPECT_EQ(ColourOf(*d, "ShipOne  : "), label);
  EXPECT_EQ(ColourOf(*d, "-0.10 m/sec"), value);

  link.reelSpeed = 0.0;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 13), "Status  : Connected");
  EXPECT_EQ(ColourOf(*d, "Connected"), notice);

  // Free-spooling wins over the reel speed; the details switch units on their own values.
  link.spoolMode = SpoolMode::FreeSpooling;
  link.reelSpeed = 0.5;
  link.length = 10000.0;
  link.distance = 15000.0;
  link.stretch = 150.0;
  link.pull = 12345.0;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 13), "Status  : Freespooling");
  EXPECT_EQ(Row(*d, 16), "Length   : 10.000 km");
  EXPECT_EQ(Row(*d, 17), "Distance : 15.000 km");
  EXPECT_EQ(Row(*d, 18), "Stretch  : 150.000 %");
  EXPECT_EQ(Row(*d, 20), "Pull     : 12.345 kN");
  EXPECT_EQ(Row(*d, 21), "Reel     : 0.50 m/sec");
}

TEST_F(ScreenTest, StripMarksCurrentConnectedAndFreeLinks) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  Data().TM[0]->Connect("Tug", "Probe", 1000.0, 10000.0, origin, origin);
  Data().TM[5]->Connect("Probe", "Tug", 1000.0, 10000.0, origin, origin);
  Data().currentTether = 2;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 11), "Tethers >> |0|-1-*2*-3--4-|5|-6--7-");
  EXPECT_EQ(ColourOf(*d, "|0|"), value);
  EXPECT_EQ(ColourOf(*d, "*2*"), current);
  EXPECT_EQ(ColourOf(*d, "-3-"), label);
  // The current link is free while others are connected: nothing below the status row.
  EXPECT_EQ(Row(*d, 13), "Status  : Not connected");
  EXPECT_EQ(Rows(*d).size(), 14u);
}

TEST_F(ScreenTest, CurrentLinkOutOfRangeIsBroughtBackBeforeItIsRead) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  Data().TM[0]->Connect("Tug", "Probe", 1000.0, 10000.0, origin, origin);
  Data().currentTether = 9;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 11), "Tethers >> *0*-1--2--3--4--5--6--7-");
  EXPECT_EQ(Row(*d, 13), "Status  : Connected");
  EXPECT_EQ(Data().currentTether, 0);
}

TEST_F(ScreenTest, TargetBeingTheFocusVesselShowsTheNotice) {
  world.SetFocus(probe);
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Row(*d, 2), "This Ship   : Probe at CoG");
  EXPECT_EQ(Row(*d, 3), "Target Ship : Probe at CoG");
  EXPECT_EQ(Row(*d, 8), " Cannot tether vessel to iteslf.");
  EXPECT_EQ(Row(*d, 9), "");
  EXPECT_EQ(ColourOf(*d, " Cannot tether vessel to iteslf."), notice);
}

TEST_F(ScreenTest, WarningAndProjectedForceWhenTheAttachPointsAreFartherThanTheLength) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);

  probe->pos = {0, 0, 1000};
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 8), "");
  EXPECT_EQ(Row(*d, 9), "");

  // The pull the tension law gives at 150 % of the 1000 m: 50 % at 10 000 N per percent.
  probe->pos = {0, 0, 1500};
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 8), " Warning! Length < Distance");
  EXPECT_EQ(Row(*d, 9), " Projected force (N) = 500000.0");
  EXPECT_EQ(ColourOf(*d, " Warning! Length < Distance"), notice);
  EXPECT_EQ(ColourOf(*d, " Projected force (N) = 500000.0"), notice);

  // Exactly 1.0e7, the first value in exponent form; far out, the law's limit of 10 000 times the
  // force setting.
  probe->pos = {0, 0, 11000};
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 9), " Projected force (N) = 1.000e+07");
  probe->pos = {0, 0, 1.0e7};
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 9), " Projected force (N) = 1.000e+08");

  // Between the docking ports a tie would take: the tug's port 8 m towards the probe and the
  // probe's 2 m beyond its centre put them 1002 m apart where the centres are 1008 m.
  probe->pos = {0, 0, 1008};
  tug->docks = {{{0, 0, 8}, {0, 0, 1}, {0, 1, 0}}};
  probe->docks = {{{0, 0, 2}, {0, 0, 1}, {0, 1, 0}}};
  Data().attachTypeV1 = Data().attachTypeV2 = 1;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 9), " Projected force (N) = 2000.0");
  Data().setupLength = 1002;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 8), "");
}

TEST_F(ScreenTest, AttachSuffixFollowsTheKind) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  Data().attachTypeV1 = 1;
  Data().attachNoV1 = 2;
  Data().attachTypeV2 = 2;
  Data().attachNoV2 = 0;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 2), "This Ship   : Tug at Dock: 2");
  EXPECT_EQ(Row(*d, 3), "Target Ship : Probe at Grap: 0");
  EXPECT_EQ(ColourOf(*d, " at Dock: 2"), value);

  Data().attachTypeV1 = 7;
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 2), "This Ship   : Tug");
}

TEST_F(ScreenTest, FocusChangeShowsAtTheNextRedrawWithoutAKey) {
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  sim::Vessel *barge = AddVessel("Barge", {0, 0, 0});
  world.SetFocus(barge);
  host.Redraw(*d);
  EXPECT_EQ(Row(*d, 2), "This Ship   : Barge at CoG");
}

TEST_F(ScreenTest, SetupNameThatNamesNoVesselLeavesItsRowsEmpty) {
  // Longer than the setup name buffer: the stored name is cut and no longer names the vessel.
  const std::string longName(300, 'W');
  sim::Vessel *ship = AddVessel(longName.c_str(), {0, 0, 5000});
  ASSERT_NE(ship, nullptr);
  world.SetFocus(ship);
  Display *d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(Row(*d, 1), "SETUP:");
  EXPECT_EQ(Row(*d, 2), "");
  EXPECT_EQ(Row(*d, 3), "Target Ship : Probe at CoG");
  EXPECT_EQ(Row(*d, 4), "Length      : 1000.0 m");
  EXPECT_EQ(Row(*d, 8), "");
  EXPECT_EQ(Row(*d, 9), "");
  EXPECT_EQ(Row(*d, 11), "Tethers >> *0*-1--2--3--4--5--6--7-");
}

}  // namespace

}  // namespace kestrane

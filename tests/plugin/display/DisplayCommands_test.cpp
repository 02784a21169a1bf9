#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/math/VecMath.h"
#include "tests/plugin/display/DisplayTest.h"

namespace kestrane {

namespace {

// The focus vessel Tug (three docking ports, no attachment points) with the target Probe (no
// docking ports, one attachment point), 300 m apart; Barge is the last vessel of the list.
class KeysTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    probe = AddVessel("Probe", {0, 300, 0});
    tug = AddVessel("Tug", {0, 0, 0});
    barge = AddVessel("Barge", {0, 0, -40});
    world.SetFocus(tug);
    tug->docks = {{{0, 0, 8}, {0, 0, 1}, {0, 1, 0}},
                  {{0, 0, -8}, {0, 0, -1}, {0, 1, 0}},
                  {{2, 0, 0}, {1, 0, 0}, {0, 1, 0}}};
    probe->attachments = {{{0, -2, 0}, {0, -1, 0}, {0, 0, 1}}};
    display = Open();
    ASSERT_NE(display, nullptr);
  }

  // Presses a key through the host in a frame of its own: the display is redrawn at the frame's end
  // when it asked for it.
  bool Press(DWORD key) {
    const bool consumed = host.PressKey(*display, key);
    host.RedrawRequested();
    return consumed;
  }
  int Redraws() const { return display->RedrawCount(); }
  TetherLink &Link(int i) { return *Data().TM[i]; }

  sim::Vessel *probe = nullptr;
  sim::Vessel *tug = nullptr;
  sim::Vessel *barge = nullptr;
  Display *display = nullptr;
};

TEST_F(KeysTest, SetupLengthStepsApplyOnlyTheirOwnBound) {
  Data().setupLength = 12.0;
  EXPECT_TRUE(Press(DIK_LBRACKET));
  EXPECT_DOUBLE_EQ(Data().setupLength, 10.0);

  Data().setupLength = 1000.0;
  Press(DIK_LBRACKET);
  EXPECT_DOUBLE_EQ(Data().setupLength, 800.0);
  Press(DIK_RBRACKET);
  EXPECT_DOUBLE_EQ(Data().setupLength, 960.0);

  Data().setupLength = 9000000.0;
  Press(DIK_RBRACKET);
  EXPECT_DOUBLE_EQ(Data().setupLength, 10000000.0);

  // Length from distance takes the attach points with no floor, and lengthening keeps below 10 m.
  probe->pos = {0, 3, 4};
  EXPECT_TRUE(Press(DIK_A));
  EXPECT_DOUBLE_EQ(Data().setupLength, 5.0);
  Press(DIK_RBRACKET);
  EXPECT_DOUBLE_EQ(Data().setupLength, 6.0);
  EXPECT_EQ(Row(*display, 4), "Length      : 6.0 m");
}

TEST_F(KeysTest, AThenJTiesATautTetherBetweenTheChosenDockingPorts) {
  // The tug's third port, 2 m to its side, and the probe's port 3 m behind it: 300.02 m apart
  // where the centres are 300 m.
  probe->docks = {{{0, 0, -3}, {0, 0, -1}, {0, 1, 0}}};
  for (DWORD key : {DIK_2, DIK_7, DIK_7, DIK_5}) Press(key);
  ASSERT_EQ(Row(*display, 2), "This Ship   : Tug at Dock: 2");
  ASSERT_EQ(Row(*display, 3), "Target Ship : Probe at Dock: 0");
  Data().setupLength = 300;
  Press(DIK_A);
  EXPECT_EQ(Data().setupLength, std::sqrt(2.0 * 2.0 + 300.0 * 300.0 + 3.0 * 3.0));
  EXPECT_EQ(Row(*display, 8), "") << "the ports are no farther apart than the length";

  Press(DIK_J);
  TetherLink &link = Link(0);
  EXPECT_EQ(link.GetStretch(), 100.0);
  link.TimeStep();
  EXPECT_EQ(link.GetStretch(), 100.0);
  EXPECT_EQ(link.GetPull(), 0.0);
}

TEST_F(KeysTest, SetupForceStepsApplyOnlyTheirOwnBound) {
  Data().setupForce = 900000.0;
  EXPECT_TRUE(Press(DIK_APOSTROPHE));
  EXPECT_DOUBLE_EQ(Data().setupForce, 1000000.0);

  Data().setupForce = 0.0;
  Press(DIK_APOSTROPHE);
  EXPECT_DOUBLE_EQ(Data().setupForce, 0.0);

  Data().setupForce = -500.0;
  EXPECT_TRUE(Press(DIK_SEMICOLON));
  EXPECT_DOUBLE_EQ(Data().setupForce, 0.0);

  Data().setupForce = 10000.0;
  Press(DIK_SEMICOLON);
  EXPECT_DOUBLE_EQ(Data().setupForce, 8000.0);
}

TEST_F(KeysTest, LinkSelectionWraps) {
  EXPECT_TRUE(Press(DIK_COMMA));
  EXPECT_EQ(Data().currentTether, 7);
  EXPECT_EQ(Row(*display, 11), "Tethers >> -0--1--2--3--4--5--6-*7*");
  EXPECT_TRUE(Press(DIK_PERIOD));
  EXPECT_EQ(Data().currentTether, 0);
  Press(DIK_PERIOD);
  EXPECT_EQ(Data().currentTether, 1);
}

TEST_F(KeysTest, TargetStepsBackBelowTheFirstAndTheRefreshWrapsToTheLast) {
  EXPECT_EQ(Data().setupTargetIndex, 0u);
  // Straight to the display, so that no redraw refreshes the index in between.
  EXPECT_TRUE(display->Object()->ConsumeKeyBuffered(DIK_EQUALS));
  EXPECT_EQ(Data().setupTargetIndex, UINT32_MAX);
  host.RedrawRequested();
  EXPECT_EQ(Data().setupTargetIndex, 2u);
  EXPECT_EQ(Row(*display, 3), "Target Ship : Barge at CoG");

  EXPECT_TRUE(Press(DIK_MINUS));
  EXPECT_EQ(Data().setupTargetIndex, 0u);
  EXPECT_EQ(Row(*display, 3), "Target Ship : Probe at CoG");
}

TEST_F(KeysTest, AttachKindFallsBackToTheCentreWithoutPortsOrPoints) {
  EXPECT_TRUE(Press(DIK_2));
  EXPECT_EQ(Data().attachTypeV1, 1);
  EXPECT_TRUE(Press(DIK_3));
  EXPECT_EQ(Data().attachTypeV1, 0) << "the own vessel has no attachment points";
  Data().attachTypeV1 = 2;
  EXPECT_TRUE(Press(DIK_1));
  EXPECT_EQ(Data().attachTypeV1, 0);

  EXPECT_TRUE(Press(DIK_6));
  EXPECT_EQ(Data().attachTypeV2, 2);
  EXPECT_TRUE(Press(DIK_5));
  EXPECT_EQ(Data().attachTypeV2, 0) << "the target has no docking ports";
  Data().attachTypeV2 = 2;
  EXPECT_TRUE(Press(DIK_4));
  EXPECT_EQ(Data().attachTypeV2, 0);
}

TEST_F(KeysTest, DockingPortCycling) {
  Data().attachTypeV1 = 1;
  Press(DIK_7);
  EXPECT_EQ(Data().attachNoV1, 1);
  Press(DIK_7);
  EXPECT_EQ(Data().attachNoV1, 2);
  Press(DIK_7);
  EXPECT_EQ(Data().attachNoV1, 0);
  // A number from a scenario, read as unsigned, starts over at the first port.
  Data().attachNoV1 = -4;
  Press(DIK_7);
  EXPECT_EQ(Data().attachNoV1, 0);
  EXPECT_EQ(Row(*display, 2), "This Ship   : Tug at Dock: 0");

  // Centre: consumed, but nothing changes and nothing is redrawn.
  Data().attachTypeV1 = 0;
  Data().attachNoV1 = 1;
  int redraws = Redraws();
  EXPECT_TRUE(Press(DIK_7));
  EXPECT_EQ(Data().attachNoV1, 1);
  EXPECT_EQ(Redraws(), redraws);

  // Attachment point: nothing changes, but the display redraws.
  Data().attachTypeV1 = 2;
  redraws = Redraws();
  EXPECT_TRUE(Press(DIK_7));
  EXPECT_EQ(Data().attachNoV1, 1);
  EXPECT_EQ(Redraws(), redraws + 1);

  // The target's cycling counts the target's ports: Probe has none.
  Data().attachTypeV2 = 1;
  Data().attachNoV2 = 3;
  EXPECT_TRUE(Press(DIK_8));
  EXPECT_EQ(Data().attachNoV2, 0);
}

TEST_F(KeysTest, ConnectTiesTheCurrentLinkWithTheSetup) {
  // Attachment points tie at the origins.
  Data().attachTypeV1 = 2;
  Data().attachTypeV2 = 2;
  Data().setupLength = 250.0;
  Data().setupForce = 5000.0;
  Data().currentTether = 4;
  Press(DIK_O);
  EXPECT_TRUE(Press(DIK_J));
  TetherLink &link = Link(4);
  ASSERT_EQ(link.IsConnected(), 1);
  EXPECT_STREQ(link.ship1Name, "Tug");
  EXPECT_STREQ(link.ship2Name, "Probe");
  EXPECT_DOUBLE_EQ(link.GetLength(), 250.0);
  EXPECT_DOUBLE_EQ(link.GetForce(), 5000.0);
  EXPECT_DOUBLE_EQ(link.GetDistance(), 300.0);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(link.attach1.data[i], 0.0);
    EXPECT_EQ(link.attach2.data[i], 0.0);
  }
  EXPECT_EQ(Row(*display, 13), "Status  : Reeling") << "a reel speed set before connecting stays";

  // A docking port ties at the port's position in the vessel's frame.
  Data().attachTypeV1 = 1;
  Data().attachNoV1 = 1;
  Data().attachTypeV2 = 0;
  Press(DIK_J);
  EXPECT_EQ(link.attach1.x, 0.0);
  EXPECT_EQ(link.attach1.y, 0.0);
  EXPECT_EQ(link.attach1.z, -8.0);
}

TEST_F(KeysTest, PortNumberNoLongerOnTheVesselTiesAtTheCentre) {
  Data().attachTypeV1 = 1;
  for (int32_t number : {3, -1}) {
    Data().attachNoV1 = number;
    EXPECT_TRUE(Press(DIK_J));
    ASSERT_EQ(Link(0).IsConnected(), 1);
    EXPECT_EQ(Link(0).attach1.x, 0.0);
    EXPECT_EQ(Link(0).attach1.y, 0.0);
    EXPECT_EQ(Link(0).attach1.z, 0.0);
    EXPECT_EQ(Data().attachNoV1, number) << "the stored number is left as it is";
  }
}

TEST_F(KeysTest, StaleNameLeavesTheCommandsThatNeedItWithoutEffect) {
  Data().setupLength = 700.0;
  ASSERT_TRUE(world.DeleteVessel(probe));
  MFD &object = *display->Object();
  // Straight to the display: the name buffers still hold the deleted target.
  ASSERT_STREQ(Data().targetShipName, "Probe");
  EXPECT_TRUE(object.ConsumeKeyBuffered(DIK_J));
  EXPECT_EQ(Link(0).IsConnected(), 0);
  Data().attachTypeV2 = 1;
  EXPECT_TRUE(object.ConsumeKeyBuffered(DIK_6));
  EXPECT_EQ(Data().attachTypeV2, 1);
  // Length from distance refreshes the names but measures between the vessels it started with.
  EXPECT_TRUE(object.ConsumeKeyBuffered(DIK_A));
  EXPECT_DOUBLE_EQ(Data().setupLength, 700.0);
  EXPECT_STRNE(Data().targetShipName, "Probe");
}

TEST_F(KeysTest, LinkCommandsActOnTheCurrentLink) {
  Data().currentTether = 2;
  Press(DIK_J);
  TetherLink &link = Link(2);
  ASSERT_EQ(link.IsConnected(), 1);

  // The link force keys change the link without a redraw.
  int redraws = Redraws();
  EXPECT_TRUE(Press(DIK_L));
  EXPECT_DOUBLE_EQ(link.GetForce(), 12000.0);
  EXPECT_TRUE(Press(DIK_K));
  EXPECT_DOUBLE_EQ(link.GetForce(), 9600.0);
  EXPECT_EQ(Redraws(), redraws);

  Press(DIK_I);
  EXPECT_DOUBLE_EQ(link.reelSpeed, -0.1);
  Press(DIK_S);
  EXPECT_EQ(link.spoolMode, SpoolMode::FreeSpooling);
  EXPECT_EQ(Row(*display, 13), "Status  : Freespooling");
  Press(DIK_U);
  EXPECT_EQ(link.IsConnected(), 0);
  EXPECT_EQ(Row(*display, 11), "Tethers >> -0--1-*2*-3--4--5--6--7-");

  // An index from a scenario outside 0..7 is brought back before a link is touched.
  Data().currentTether = 40;
  EXPECT_TRUE(Press(DIK_O));
  EXPECT_DOUBLE_EQ(Link(0).reelSpeed, 0.1);
}

TEST_F(KeysTest, KeysOutsideTheCommandSetAreNotConsumed) {
  const double length = Data().setupLength;
  int redraws = Redraws();
  EXPECT_TRUE(Press(DIK_SLASH));
  EXPECT_EQ(Redraws(), redraws);
  for (DWORD key : {DWORD{0x00}, DWORD{DIK_ESCAPE}, DWORD{DIK_9}, DWORD{DIK_0}, DWORD{DIK_P}, DWORD{DIK_D},
                    DWORD{DIK_RSHIFT}, DWORD{DIK_SPACE}, DWORD{0xFF}, DWORD{0xFFFFFFFF}})
    EXPECT_FALSE(Press(key)) << key;
  EXPECT_EQ(Redraws(), redraws);
  EXPECT_DOUBLE_EQ(Data().setupLength, length);
}

// The buttons, as the host numbers them across its pages of twelve (the left side top to bottom,
// then the right), with the key each one stands for as a pilot types it.
struct ButtonSpec {
  const char *label;
  const char *line1;
  const char *line2;
  char key;
};

// clang-format off
const ButtonSpec buttons[] = {
    {"CON", "Connect tether", "with the setup", 'J'},  {"DIS", "Disconnect", "current tether", 'U'},
    {"IN", "Reel in faster", "(stops pay-out)", 'I'},  {"OUT", "Reel out faster", "(stops reel-in)", 'O'},
    {"SPL", "Spool mode:", "reel/free-spool", 'S'},    {"LEN", "Setup length", "= distance", 'A'},
    {"TG+", "Next target", nullptr, '-'},              {"TG-", "Previous target", nullptr, '='},
    {"TH-", "Previous tether", nullptr, ','},          {"TH+", "Next tether", nullptr, '.'},
    {"TF-", "Tether force", "one fifth down", 'K'},    {"TF+", "Tether force", "one fifth up", 'L'},
    {"OCG", "Own attach:", "centre", '1'},             {"ODK", "Own attach:", "docking port", '2'},
    {"OAP", "Own attach:", "attachment pt", '3'},      {"OD+", "Own next", "docking port", '7'},
    {"SL-", "Setup length", "one fifth down", '['},    {"SL+", "Setup length", "one fifth up", ']'},
    {"TCG", "Target attach:", "centre", '4'},          {"TDK", "Target attach:", "docking port", '5'},
    {"TAP", "Target attach:", "attachment pt", '6'},   {"TD+", "Target next", "docking port", '8'},
    {"SF-", "Setup force", "one fifth down", ';'},     {"SF+", "Setup force", "one fifth up", '\''},
};
// clang-format on

// The keys' table: each command's key as typed, and its code.
DWORD KeyOf(char typed) {
  static const struct {
    char typed;
    DWORD code;
  } keys[] = {{'1', DIK_1},         {'2', DIK_2},           {'3', DIK_3},     {'4', DIK_4},        {'5', DIK_5},
              {'6', DIK_6},         {'7', DIK_7},           {'8', DIK_8},     {'-', DIK_MINUS},    {'=', DIK_EQUALS},
              {'U', DIK_U},         {'I', DIK_I},           {'O', DIK_O},     {'[', DIK_LBRACKET}, {']', DIK_RBRACKET},
              {'A', DIK_A},         {'S', DIK_S},           {'J', DIK_J},     {'K', DIK_K},        {'L', DIK_L},
              {';', DIK_SEMICOLON}, {'\'', DIK_APOSTROPHE}, {',', DIK_COMMA}, {'.', DIK_PERIOD},   {'/', DIK_SLASH}};
  for (const auto &key : keys)
    if (key.typed == typed) return key.code;
  return 0;
}

TEST_F(KeysTest, EveryButtonIsLabelledAndListedWithItsKey) {
  MFD &object = *display->Object();
  const MFDBUTTONMENU *menu = nullptr;
  ASSERT_EQ(object.ButtonMenu(&menu), 24);
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(object.ButtonMenu(nullptr), 24);

  std::set<char> keys;
  for (int bt = 0; bt < 24; ++bt) {
    const ButtonSpec &expected = buttons[bt];
    ASSERT_NE(object.ButtonLabel(bt), nullptr) << bt;
    EXPECT_STREQ(object.ButtonLabel(bt), expected.label) << bt;
    // The host's entries are packed: their fields are read out, not referred to.
    const char *line1 = menu[bt].line1;
    const char *line2 = menu[bt].line2;
    const char key = menu[bt].selchar;
    EXPECT_STREQ(line1, expected.line1) << bt;
    if (expected.line2 == nullptr)
      EXPECT_EQ(line2, nullptr) << bt;
    else
      EXPECT_STREQ(line2, expected.line2) << bt;
    EXPECT_EQ(key, expected.key) << bt;
    // What the host has room for.
    EXPECT_LE(std::strlen(object.ButtonLabel(bt)), 3u) << bt;
    EXPECT_LE(std::strlen(line1), 16u) << bt;
    if (line2 != nullptr) {
      EXPECT_LE(std::strlen(line2), 16u) << bt;
    }
    keys.insert(key);
  }
  // Every key but the slash, which does nothing, has its button, and only one.
  EXPECT_EQ(keys.size(), 24u);
  EXPECT_EQ(keys.count('/'), 0u);
  for (char key : keys) EXPECT_NE(KeyOf(key), 0u) << key;
  for (int bt : {-1, 24, 25, 1000}) EXPECT_EQ(object.ButtonLabel(bt), nullptr) << bt;
}

// Each button, clicked, does what its key does, from two registries set up so that no two keys do
// the same from both; holding or releasing a button, or the right mouse button, does nothing.
TEST_F(KeysTest, EveryButtonRunsItsKey) {
  tug->attachments = {{{0, 2, 0}, {0, 1, 0}, {0, 0, 1}}};
  probe->docks = {{{0, 0, 3}, {0, 0, 1}, {0, 1, 0}}};
  MFD &object = *display->Object();

  auto reset = [&](int variant) {
    delete tetherData;
    tetherData = new TetherData;
    TetherData &data = Data();
    data.setupTargetIndex = variant == 0 ? 0 : 2;
    data.RefreshSetup();
    data.currentTether = variant == 0 ? 2 : 7;
    TetherLink &link = Link(data.currentTether);
    link.Connect("Tug", data.targetShipName, variant == 0 ? 400 : 30, variant == 0 ? 5000 : 100, MakeVector(0, 0, 0),
                 MakeVector(0, 0, 0));
    link.reelSpeed = variant == 0 ? 0.2 : -0.4;
    link.spoolMode = variant == 0 ? SpoolMode::Powered : SpoolMode::FreeSpooling;
    data.attachTypeV1 = variant == 0 ? 1 : 0;
    data.attachTypeV2 = variant == 0 ? 2 : 1;
    data.setupLength = variant == 0 ? 1000 : 50;
    data.setupForce = variant == 0 ? 10000 : 300;
  };
  // What a press did: its answer, whether the display was redrawn, and the registry after it.
  auto outcome = [&](bool taken, int redrawsBefore) {
    host.RedrawRequested();
    const TetherData &data = Data();
    std::ostringstream out;
    out.precision(17);
    out << taken << ' ' << (Redraws() - redrawsBefore) << " | " << data.setupLength << ' ' << data.setupForce << ' '
        << data.setupTargetIndex << ' ' << data.currentTether << ' ' << data.attachTypeV1 << ' ' << data.attachNoV1
        << ' ' << data.attachTypeV2 << ' ' << data.attachNoV2 << " |";
    for (const TetherLink *link : data.TM)
      out << ' ' << link->IsConnected() << ' ' << link->ship2Name << ' ' << link->GetLength() << ' ' << link->GetForce()
          << ' ' << link->reelSpeed << ' ' << static_cast<int>(link->spoolMode) << ' ' << link->attach1.z;
    return out.str();
  };
  auto byKey = [&](int variant, DWORD key) {
    reset(variant);
    const int redraws = Redraws();
    return outcome(object.ConsumeKeyBuffered(key), redraws);
  };
  auto byButton = [&](int variant, int bt, int event) {
    reset(variant);
    const int redraws = Redraws();
    return outcome(object.ConsumeButton(bt, event), redraws);
  };

  std::set<std::string> distinct;
  for (int bt = 0; bt < 24; ++bt) {
    const DWORD key = KeyOf(buttons[bt].key);
    for (int variant : {0, 1}) {
      EXPECT_EQ(byButton(variant, bt, PANEL_MOUSE_LBDOWN), byKey(variant, key)) << buttons[bt].label;
      const std::string untouched = byKey(variant, 0);
      for (int event : {PANEL_MOUSE_LBPRESSED, PANEL_MOUSE_LBUP, PANEL_MOUSE_RBDOWN, 0})
        EXPECT_EQ(byButton(variant, bt, event), untouched) << buttons[bt].label << " event " << event;
    }
    distinct.insert(byKey(0, key) + " / " + byKey(1, key));
  }
  EXPECT_EQ(distinct.size(), 24u) << "two keys do the same in both registries: the test tells them apart";
  for (int bt : {-1, 24, 100}) EXPECT_FALSE(object.ConsumeButton(bt, PANEL_MOUSE_LBDOWN)) << bt;
}

}  // namespace

}  // namespace kestrane

// Displays of the Kestrane mode opened through the simulated host's display host, over a small
// world of vessels and a fresh registry.
#pragma once

#include <string>
#include <vector>

#include "plugin/display/TetherDisplay.h"
#include "plugin/registry/TetherData.h"
#include "sim/display/DisplayHost.h"
#include "support/TestWorld.h"

namespace kestrane {

class DisplayTest : public WorldTest {
protected:
  using Display = sim::DisplayHost::Display;

  void SetUp() override {
    tetherData = new TetherData;
    MFDMODESPEC spec{const_cast<char *>(modeName), modeKey, ModeMessageProc};
    ASSERT_GT(host.RegisterMode(spec), 0);
  }

  void TearDown() override {
    host.CloseAll();
    delete tetherData;
    tetherData = nullptr;
  }

  // A display opened and drawn, as the host draws it at the end of the frame it opened in.
  Display *Open() {
    std::string error;
    Display *display = host.Open(modeName, world.Focus() ? world.Focus()->Interface() : nullptr, &error);
    EXPECT_NE(display, nullptr) << error;
    if (display != nullptr) host.Redraw(*display);
    return display;
  }

  static std::vector<std::string> Rows(const Display &display) { return display.Surface().Rows(); }
  static std::string Row(const Display &display, int row) { return display.Surface().Row(row); }

  // The text colour of the one run drawn with exactly this text; 1 (no colour the screen uses)
  // when no run or several runs match.
  static COLORREF ColourOf(const Display &display, const std::string &text) {
    COLORREF colour = 1;
    int matches = 0;
    for (const sim::TextRun &run : display.Surface().Runs()) {
      if (run.text != text) continue;
      EXPECT_EQ(run.backMode, TRANSPARENT) << text;
      colour = run.textColour;
      ++matches;
    }
    return matches == 1 ? colour : 1;
  }

  TetherData &Data() { return *tetherData; }

  sim::DisplayHost host;
};

// The focus vessel Tug with the target Probe 500 m away: the target index 0 names Probe, the
// first vessel of the list.
class TugAndProbeTest : public DisplayTest {
protected:
  void SetUp() override {
    DisplayTest::SetUp();
    probe = AddVessel("Probe", {0, 0, 500});
    tug = AddVessel("Tug", {0, 0, 0});
    world.SetFocus(tug);
  }

  sim::Vessel *probe = nullptr;
  sim::Vessel *tug = nullptr;
};

}  // namespace kestrane

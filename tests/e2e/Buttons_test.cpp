// The buttons beside the display on the command line: BTN1 to BTN12 click them, F2 turns their
// page and GRAVE shows their menu, as the host's keys do; --show prints their labels beside the
// screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Support.h"

namespace {

using namespace e2e;

// What the program printed or wrote, with the line ends of every platform as "\n".
std::string Lines(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

// The tug tied to the pod and reeling in, a softer setup force and both attach points at docking
// ports: once by keys, once by the buttons that carry them, the second page's after F2.
TEST(ButtonsTest, ClicksDoWhatTheirKeysDo) {
  const std::string run = "run " + std::string(KESTRANE_SCENARIOS) + "/tug.scn --duration 5 --quiet";
  Result r =
      Sim(run + " --keys 0:MINUS,0.02:A,0.04:J,1:I,3:SEMICOLON,3:2,3:5,4:J --tethers by_keys.csv --screen by_keys.txt",
          "by_keys");
  ASSERT_EQ(r.status, 0) << r.err;
  r = Sim(
      run +
          " --keys 0:BTN7,0.02:BTN6,0.04:BTN1,1:BTN3,3:F2,3:BTN11,3:BTN2,3:BTN8,3:F2,4:BTN1 --tethers by_buttons.csv "
          "--screen by_buttons.txt",
      "by_buttons");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(FileText("by_buttons.csv"), FileText("by_keys.csv"));
  EXPECT_EQ(FileText("by_buttons.txt"), FileText("by_keys.txt"));
  EXPECT_NE(FileText("by_keys.txt").find("Force       : 1600.0 N@1%"), std::string::npos) << FileText("by_keys.txt");
  EXPECT_NE(FileText("by_keys.txt").find("Target Ship : Pod at Dock: 0"), std::string::npos) << FileText("by_keys.txt");
}

TEST(ButtonsTest, TheLabelsShowBesideTheScreenAndTheMenuInPlaceOfIt) {
  Result r = Sim("run " + TestScenario("tug.scn") + " --duration 2 --keys 0:MINUS,1:F2 --show", "labels");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string shown = Lines(FileText("labels.out"));
  // The first page until the frame that starts at 1 s, the second after it.
  const size_t second = shown.find("-- t = 1.02 s\n");
  ASSERT_NE(second, std::string::npos) << shown;
  EXPECT_NE(shown.find("\n CON Target Ship : Pod at CoG                 TG+\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("\n OCG Target Ship : Pod at CoG                 TCG\n", second), std::string::npos) << shown;
  EXPECT_EQ(shown.find(" CON ", second), std::string::npos) << shown;

  r = Sim("run " + TestScenario("tug.scn") + " --duration 2 --keys 1:GRAVE --screen menu.txt --quiet", "menu");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string menu = Lines(FileText("menu.txt"));
  EXPECT_EQ(menu.substr(0, menu.find('\n')), "MFD MENU");
  EXPECT_NE(
      menu.find("\nConnect tether\nwith the setup              Next target\n[LShift-J]                   [LShift--]\n"),
      std::string::npos)
      << menu;
}

}  // namespace

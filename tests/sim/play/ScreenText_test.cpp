// The texts beside the display in play, compared as text.
#include "sim/play/ScreenText.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayScreenTest, VesselListKeepsTheFocusVesselInViewWhenCut) {
  auto window = sim::VesselWindow(2, 5, 1);
  EXPECT_EQ(window.first, 0u);
  EXPECT_EQ(window.shown, 2u);
  EXPECT_FALSE(window.more);

  // Ten vessels in four lines: three vessels and "... 7 more".
  window = sim::VesselWindow(10, 4, 1);
  EXPECT_EQ(window.first, 0u);
  EXPECT_EQ(window.shown, 3u);
  EXPECT_TRUE(window.more);
  window = sim::VesselWindow(10, 4, 8);
  EXPECT_EQ(window.first, 6u);  // vessels 6, 7, 8
  EXPECT_EQ(window.shown, 3u);

  window = sim::VesselWindow(10, 1, 8);
  EXPECT_EQ(window.first, 8u);
  EXPECT_EQ(window.shown, 1u);
  EXPECT_FALSE(window.more);
  EXPECT_EQ(sim::VesselWindow(10, 0, 8).shown, 0u);
}

TEST(PlayScreenTest, VesselAndStatusLinesReadAsText) {
  EXPECT_EQ(sim::FormatDistance(1500.0), "1500.0 m");
  EXPECT_EQ(sim::FormatDistance(9999.96), "10000.0 m");  // the unit follows the value, not the text
  EXPECT_EQ(sim::FormatDistance(10000.0), "10.000 km");
  EXPECT_EQ(sim::FormatSpeed(0.45), "0.45 m/s");
  EXPECT_EQ(sim::FormatSpeed(7712.0), "7712.00 m/s");
  EXPECT_EQ(sim::FormatSpeed(12345.0), "12.345 km/s");

  EXPECT_EQ(sim::VesselHeader(38), "  Vessel        Distance    Rel. speed");
  // The focus vessel is where the others are measured from.
  EXPECT_EQ(sim::VesselLine({"Tug", 0.0, 0.0, true}, 38), "> Tug                  -             -");
  EXPECT_EQ(sim::VesselLine({"Pod", 1500.0, 0.45, false}, 38), "  Pod           1500.0 m      0.45 m/s");
  // A long name is cut so the numbers stay in their columns.
  EXPECT_EQ(sim::VesselLine({"Interplanetary-Freighter", 12345.0, 3.0, false}, 38),
            "  Interplan    12.345 km      3.00 m/s");
  EXPECT_EQ(sim::MoreVesselsLine(7, 14), "  ... 7 more  ");

  sim::PlayStatus status;
  status.scenario = "tug.scn";
  status.time = 12.34;
  status.acceleration = "64";
  EXPECT_EQ(sim::StatusLine(status, 40), " tug.scn   t = 12.3 s   time x64        ");
  status.actualFactor = 18.64;
  status.paused = true;
  status.note = "key J";
  EXPECT_EQ(sim::StatusLine(status, 80),
            " tug.scn   t = 12.3 s   time x64 (running at x18.6)   PAUSED   key J            ");
  EXPECT_EQ(sim::StatusLine(status, 20), " tug.scn   t = 12.3 ");

  for (int width : {40, 79, 80, 120}) {
    const std::string help = sim::HelpLine(width);
    EXPECT_EQ(help.size(), static_cast<size_t>(width));
    EXPECT_NE(help.find("q"), std::string::npos) << width;
    EXPECT_NE(help.find("pause"), std::string::npos) << width;
  }
  // The Delete key is named wherever the terminal is as wide as play needs.
  for (int width : {72, 80, 100, 120}) EXPECT_NE(sim::HelpLine(width).find("Del delete"), std::string::npos) << width;
  // And where every key is to be found, at any width.
  for (int width : {40, 79, 80, 120}) EXPECT_NE(sim::HelpLine(width).find("? "), std::string::npos) << width;
}

TEST(PlayScreenTest, DescriptionIsWrappedToThePanelWithItsParagraphs) {
  // The file's line ends are blanks inside a paragraph; a blank line parts two.
  const std::string text = "Two ShuttlePBs 1.5 km apart.\nPress MINUS, A, J.\n\n\nThen I to reel in.";
  EXPECT_EQ(sim::WrapText(text, 20), (std::vector<std::string>{"Two ShuttlePBs 1.5", "km apart. Press", "MINUS, A, J.",
                                                               "", "Then I to reel in."}));
  // A word longer than the line is cut; blanks at either end go.
  EXPECT_EQ(sim::WrapText("  abcdefghij xy  ", 4), (std::vector<std::string>{"abcd", "efgh", "ij", "xy"}));
  EXPECT_TRUE(sim::WrapText("", 20).empty());
  EXPECT_TRUE(sim::WrapText("text", 0).empty());

  const std::vector<std::string> lines = sim::DescriptionLines("tug.scn", "Reel in the pod.", 38);
  EXPECT_EQ(lines, (std::vector<std::string>{"About tug.scn", "", "Reel in the pod.", "",
                                             "Shown until the first key. ? or h:", "every key."}));
  EXPECT_TRUE(sim::DescriptionLines("tug.scn", "", 38).empty());
}

}  // namespace

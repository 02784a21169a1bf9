// The display's colours as terminals of fewer colours show them.
#include "sim/play/Colours.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayColoursTest, TerminalColoursNearestTheDisplaysColours) {
  // The screen's label, value, notice and current colours.
  const COLORREF label = 0xC000, value = 0xFF00, notice = 0xC0C0, current = 0xC0C0C0;
  auto basic = [](COLORREF c) {
    const sim::BasicColour b = sim::NearestBasicColour(c);
    return std::make_pair(b.index, b.bright);
  };
  EXPECT_EQ(basic(label), std::make_pair(2, false));    // green
  EXPECT_EQ(basic(value), std::make_pair(2, true));     // bright green
  EXPECT_EQ(basic(notice), std::make_pair(3, false));   // yellow
  EXPECT_EQ(basic(current), std::make_pair(7, false));  // white (grey)
  EXPECT_EQ(basic(0x000000), std::make_pair(0, false));
  EXPECT_EQ(basic(0x0000FF), std::make_pair(1, true));  // 0x00BBGGRR: pure red

  EXPECT_EQ(sim::NearestPaletteColour(label), 34);
  EXPECT_EQ(sim::NearestPaletteColour(value), 46);
  EXPECT_EQ(sim::NearestPaletteColour(notice), 142);
  EXPECT_EQ(sim::NearestPaletteColour(current), 250);  // the grey ramp, nearer than the cube's 145
  EXPECT_EQ(sim::NearestPaletteColour(0x000000), 16);
  EXPECT_EQ(sim::NearestPaletteColour(0xFFFFFF), 231);
}

}  // namespace

// Where the parts of play's screen go in terminals of several sizes.
#include "sim/play/Layout.h"

#include <gtest/gtest.h>

namespace {

TEST(PlayLayoutTest, LayoutPutsTheVesselsBesideOrBelowTheDisplayOrSaysWhatSizeIsNeeded) {
  const sim::DisplayCells display;  // 40 × 25 cells, 23 rows at least

  // 80 × 24: the display's 23 rows, its menu's last one among them, and the key help on the
  // status line.
  const sim::PlayLayout standard = sim::LayoutFor(80, 24, display, 2);
  ASSERT_TRUE(standard.fits);
  EXPECT_EQ(standard.displayRows, 23);
  EXPECT_EQ(standard.displayColumns, 40);
  EXPECT_EQ(standard.vesselsTop, 0);
  EXPECT_EQ(standard.vesselsLeft, 42);
  EXPECT_EQ(standard.vesselsColumns, 38);
  EXPECT_EQ(standard.statusRow, 23);
  EXPECT_EQ(standard.helpRow, -1);

  const sim::PlayLayout tall = sim::LayoutFor(100, 40, display, 2);
  ASSERT_TRUE(tall.fits);
  EXPECT_EQ(tall.displayRows, 25);
  EXPECT_EQ(tall.vesselsLeft, 42);
  EXPECT_EQ(tall.statusRow, 38);
  EXPECT_EQ(tall.helpRow, 39);

  // Narrow but tall: the list goes below, and rows it does not need go to the display.
  const sim::PlayLayout narrow = sim::LayoutFor(60, 40, display, 2);
  ASSERT_TRUE(narrow.fits);
  EXPECT_EQ(narrow.displayRows, 25);
  EXPECT_EQ(narrow.vesselsTop, 26);
  EXPECT_EQ(narrow.vesselsLeft, 0);
  EXPECT_EQ(narrow.vesselsColumns, 60);
  const sim::PlayLayout crowded = sim::LayoutFor(60, 30, display, 100);
  ASSERT_TRUE(crowded.fits);
  EXPECT_EQ(crowded.displayRows, 23);
  EXPECT_EQ(crowded.vesselsRows, 30 - 2 - 24);

  // Button labels beside the display where the vessel list keeps its width, else none.
  sim::DisplayCells labelled = display;
  labelled.labelWidth = 4;
  EXPECT_EQ(sim::LayoutFor(80, 24, labelled, 2).labelWidth, 0);
  EXPECT_EQ(sim::LayoutFor(88, 24, labelled, 2).labelWidth, 0);
  const sim::PlayLayout wide = sim::LayoutFor(89, 24, labelled, 2);
  ASSERT_TRUE(wide.fits);
  EXPECT_EQ(wide.labelWidth, 4);
  EXPECT_EQ(wide.leftLabelsColumn, 0);
  EXPECT_EQ(wide.displayLeft, 5);
  EXPECT_EQ(wide.rightLabelsColumn, 46);
  EXPECT_EQ(wide.vesselsLeft, 52);
  EXPECT_EQ(wide.vesselsColumns, 37);

  // Too small for either layout: the message says how to reach each, the nearer first.
  const sim::PlayLayout tooNarrow = sim::LayoutFor(78, 24, display, 2);
  EXPECT_FALSE(tooNarrow.fits);
  EXPECT_EQ(sim::TooSmallMessage(tooNarrow, 78, 24),
            "Terminal too small (78x24): widen it to 79 columns, or make it 27 rows tall");
  const sim::PlayLayout tooLow = sim::LayoutFor(50, 20, display, 2);
  EXPECT_FALSE(tooLow.fits);
  EXPECT_EQ(sim::TooSmallMessage(tooLow, 50, 20),
            "Terminal too small (50x20): make it 27 rows tall, or enlarge it to 79 columns by 24 rows");
  EXPECT_FALSE(sim::LayoutFor(0, 0, display, 0).fits);
}

TEST(PlayLayoutTest, PanelGivesTheTextItsLinesWhileTheListKeepsTheFocusAndTwoMore) {
  // 80 × 24: two vessels and the thirteen lines of the legend, a blank row between.
  sim::PanelSplit split = sim::SplitPanel(22, 2, 13);
  EXPECT_EQ(split.listRows, 3);
  EXPECT_EQ(split.textTop, 4);
  EXPECT_EQ(split.textRows, 13);
  // Many vessels: the list gets what the text leaves.
  split = sim::SplitPanel(22, 100, 13);
  EXPECT_EQ(split.listRows, 8);
  EXPECT_EQ(split.textTop, 9);
  EXPECT_EQ(split.textRows, 13);
  // A short panel cuts the text, never the list below its header and three vessels.
  split = sim::SplitPanel(10, 100, 13);
  EXPECT_EQ(split.listRows, 4);
  EXPECT_EQ(split.textTop, 5);
  EXPECT_EQ(split.textRows, 5);
  split = sim::SplitPanel(5, 100, 13);
  EXPECT_EQ(split.listRows, 5);
  EXPECT_EQ(split.textRows, 0);
  // No text: the whole list.
  split = sim::SplitPanel(22, 30, 0);
  EXPECT_EQ(split.listRows, 22);
  EXPECT_EQ(split.textRows, 0);
  EXPECT_EQ(sim::SplitPanel(0, 3, 13).listRows, 0);
}

}  // namespace

// Where the parts of `kestrane-sim play`'s screen go in a terminal of a given size.
#pragma once

#include <cstddef>
#include <string>

namespace sim {

// Where each part of the screen goes, in terminal cells. The display sits at the top left, with
// a column of button labels on each side when asked for and the terminal is wide enough; the
// panel of the vessel list and the key legend (or the scenario's description) beside it when the
// terminal is wide enough, else below it; the status line and the key help at the bottom.
struct PlayLayout {
  bool fits = false;
  int needColumns = 0, needRows = 0;  // the smallest terminal that fits, for the message
  int otherColumns = 0, otherRows = 0;  // too small: the smallest for the other arrangement
  int displayTop = 0, displayLeft = 0, displayColumns = 0, displayRows = 0;
  // The button labels' columns, left and right of the display; labelWidth is 0 when none show.
  int labelWidth = 0, leftLabelsColumn = 0, rightLabelsColumn = 0;
  int vesselsTop = 0, vesselsLeft = 0, vesselsColumns = 0, vesselsRows = 0;  // the whole panel
  int statusRow = 0, helpRow = 0;  // helpRow -1: the key help shares the status line
};

// The display's size in character cells: all of its rows when they fit, at least the rows it draws
// and its button menu reaches.
struct DisplayCells {
  int columns = 40;
  int rows = 25;
  int rowsNeeded = 23;
  // Characters of a button label; 0: the display has none to show beside it.
  int labelWidth = 0;
};

PlayLayout LayoutFor(int columns, int rows, const DisplayCells &display, size_t vesselCount);

// How the panel's rows are shared between the vessel list (its header included) and a text below
// it (the legend or the description) after a blank row: the text gets its lines while the list
// keeps its header and up to three vessels; the list gets the rest.
struct PanelSplit {
  int listRows = 0;
  int textTop = 0;  // rows from the panel's top
  int textRows = 0;
};
PanelSplit SplitPanel(int rows, size_t vesselCount, int textLines);

// "Terminal too small (60x24): make it 27 rows tall, or widen it to 79 columns", the change
// that is least first.
std::string TooSmallMessage(const PlayLayout &layout, int columns, int rows);

}  // namespace sim

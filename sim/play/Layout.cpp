#include "sim/play/Layout.h"

#include <algorithm>

#include "sim/play/ScreenText.h"

namespace sim {

namespace {

// Blank columns between the display and the vessel list beside it.
constexpr int panelGap = 2;
// A blank column between the display and a column of its button labels.
constexpr int labelGap = 1;
// Vessels the list keeps in view before the text below it gets rows: the focus and two more.
constexpr int listKept = 3;
// The status line, and the key help on a row of its own where the terminal has one to spare;
// without it the help shares the status line.
constexpr int bottomRows = 2;
constexpr int leastBottomRows = 1;

// The bottom rows of a terminal of `rows` whose upper part needs `upper`: the status row, and the
// help row where there is room; -1 for a help row that shares the status line.
void PlaceBottom(PlayLayout &layout, int rows, int upper) {
  const bool spare = rows - upper >= bottomRows;
  layout.statusRow = rows - (spare ? 2 : 1);
  layout.helpRow = spare ? rows - 1 : -1;
}

}  // namespace

PlayLayout LayoutFor(int columns, int rows, const DisplayCells &display, size_t vesselCount) {
  PlayLayout side;
  side.needColumns = display.columns + panelGap + vesselLineMinWidth;
  side.needRows = display.rowsNeeded + leastBottomRows;
  if (columns >= side.needColumns && rows >= side.needRows) {
    side.fits = true;
    // The labels only where the vessel list keeps its width beside them.
    const int labels = display.labelWidth > 0 ? display.labelWidth + labelGap : 0;
    if (labels > 0 && columns >= side.needColumns + 2 * labels) {
      side.labelWidth = display.labelWidth;
      side.leftLabelsColumn = 0;
      side.displayLeft = labels;
      side.rightLabelsColumn = labels + display.columns + labelGap;
    }
    PlaceBottom(side, rows, display.rowsNeeded);
    side.displayColumns = display.columns;
    side.displayRows = std::min(display.rows, side.statusRow);
    side.vesselsLeft = side.displayLeft + display.columns + (side.labelWidth > 0 ? labels : 0) + panelGap;
    side.vesselsColumns = columns - side.vesselsLeft;
    side.vesselsRows = side.statusRow;
    return side;
  }

  // Below the display: a blank row, the list's header and at least one vessel.
  PlayLayout stacked;
  stacked.needColumns = std::max(display.columns, vesselLineMinWidth);
  stacked.needRows = display.rowsNeeded + 1 + 2 + leastBottomRows;
  if (columns >= stacked.needColumns && rows >= stacked.needRows) {
    stacked.fits = true;
    PlaceBottom(stacked, rows, display.rowsNeeded + 1 + 2);
    // Rows the whole list would not use go to the display's lower rows.
    const int listRows = 1 + static_cast<int>(std::min<size_t>(vesselCount, 1000));
    const int spare = stacked.statusRow - display.rowsNeeded - 1 - listRows;
    stacked.displayColumns = display.columns;
    stacked.displayRows = display.rowsNeeded + std::clamp(spare, 0, display.rows - display.rowsNeeded);
    stacked.vesselsTop = stacked.displayRows + 1;
    stacked.vesselsColumns = columns;
    stacked.vesselsRows = stacked.statusRow - stacked.vesselsTop;
    return stacked;
  }

  // Too small: the size that needs the least growth from here first, the other after it.
  auto missing = [&](const PlayLayout &l) {
    return std::max(0, l.needColumns - columns) + std::max(0, l.needRows - rows);
  };
  const bool stackedFirst = missing(stacked) < missing(side);
  PlayLayout small = stackedFirst ? stacked : side;
  const PlayLayout &other = stackedFirst ? side : stacked;
  small.otherColumns = other.needColumns;
  small.otherRows = other.needRows;
  return small;
}

PanelSplit SplitPanel(int rows, size_t vesselCount, int textLines) {
  PanelSplit split;
  if (rows <= 0) return split;
  const int wanted = 1 + static_cast<int>(std::min<size_t>(vesselCount, static_cast<size_t>(rows)));
  const int kept = std::min(wanted, 1 + listKept);
  if (textLines <= 0) {
    split.listRows = std::min(wanted, rows);
    split.textTop = rows;
    return split;
  }
  // The text gives way to the kept vessels, the rest of the list to the text.
  split.textRows = std::clamp(rows - kept - 1, 0, textLines);
  if (split.textRows == 0) {
    split.listRows = std::min(wanted, rows);
    split.textTop = rows;
    return split;
  }
  split.listRows = std::min(wanted, rows - split.textRows - 1);
  split.textTop = split.listRows + 1;
  return split;
}

namespace {

// What to do to a terminal of `columns` x `rows` to make it at least `needColumns` x `needRows`.
std::string Growth(int needColumns, int needRows, int columns, int rows) {
  const std::string wide = std::to_string(needColumns) + " columns", tall = std::to_string(needRows) + " rows";
  if (needColumns > columns && needRows > rows) return "enlarge it to " + wide + " by " + tall;
  if (needColumns > columns) return "widen it to " + wide;
  return "make it " + tall + " tall";
}

}  // namespace

std::string TooSmallMessage(const PlayLayout &layout, int columns, int rows) {
  return "Terminal too small (" + std::to_string(columns) + "x" + std::to_string(rows) +
         "): " + Growth(layout.needColumns, layout.needRows, columns, rows) + ", or " +
         Growth(layout.otherColumns, layout.otherRows, columns, rows);
}

}  // namespace sim

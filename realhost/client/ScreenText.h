// A display's text as its drawing left it: the runs of text drawn into the display's surface since
// it was last cleared, laid out on character cells as kestrane-sim lays out its screen, so that
// the two hosts' screens compare as text.
//
// A run drawn with its top left at pixel (x, y) in a font of cells cellWidth × cellHeight puts its
// first character in column (x − cellWidth / 2) / cellWidth and row y / cellHeight (truncating
// toward zero), the next characters in the following columns. Only cells whose top left pixel
// lies on the surface show; later runs overwrite earlier cells.
#pragma once

#include <string>
#include <vector>

namespace nullclient {

struct TextRun {
  int x = 0, y = 0;  // pixels, the top left of the first character
  std::string text;
  int cellWidth = 1, cellHeight = 1;  // pixels, of the font the run was drawn in
};

// The rows 0 .. the last non-empty one, blanks between characters, trailing blanks trimmed;
// bytes outside printable ASCII show as '?'. A surface of width × height pixels.
std::vector<std::string> ScreenRows(const std::vector<TextRun> &runs, int width, int height);

}  // namespace nullclient

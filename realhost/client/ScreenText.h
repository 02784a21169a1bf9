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

// A rectangle of pixels: left and top inside it, right and bottom just outside.
struct PixelArea {
  int left = 0, top = 0, right = 0, bottom = 0;
};

// Forgets the runs that start inside the area (drawn over).
void ForgetRuns(std::vector<TextRun> &runs, PixelArea area);
// The runs of `from` that start inside `area`, moved as the area is copied to (x, y), replace the
// runs of `to` that start where the copy lands. `from` may be `to`.
void CopyRuns(const std::vector<TextRun> &from, PixelArea area, int x, int y, std::vector<TextRun> &to);

// The rows 0 .. the last non-empty one, blanks between characters, trailing blanks trimmed;
// bytes outside printable ASCII show as '?'. A surface of width × height pixels.
std::vector<std::string> ScreenRows(const std::vector<TextRun> &runs, int width, int height);

}  // namespace nullclient

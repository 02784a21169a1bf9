// The canvas's drawing state, its record of runs and its text renderings.

#include <algorithm>
#include <cstdio>
#include <limits>

#include "sim/display/Canvas.h"

namespace sim {

namespace {

// Only printable ASCII reaches a rendering: a name with control bytes must not be able to send
// escapes to the terminal.
char Printable(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && byte < 0x7F ? c : '?';
}

// Pixel to cell: (pixel − offset) / size, truncating toward zero as the conversion is defined;
// wide arithmetic so that no pixel position can overflow.
long long CellOf(int pixel, int offset, int size) { return (static_cast<long long>(pixel) - offset) / size; }

// How many cells of `size` start before `extent` pixels: the cells that show on the screen.
long long VisibleCount(int extent, int size) {
  return extent <= 0 ? 0 : (static_cast<long long>(extent) + size - 1) / size;
}

std::string TrimRight(std::string text) {
  const size_t end = text.find_last_not_of(' ');
  text.erase(end == std::string::npos ? 0 : end + 1);
  return text;
}

void AppendColour(std::string &out, int selector, COLORREF colour) {
  char escape[32];
  std::snprintf(escape, sizeof escape, "\x1b[%d;2;%u;%u;%um", selector, static_cast<unsigned>(colour & 0xFF),
                static_cast<unsigned>((colour >> 8) & 0xFF), static_cast<unsigned>((colour >> 16) & 0xFF));
  out += escape;
}

}  // namespace

void Canvas::Clear() {
  runCount = 0;
  state = DcState{};
  ResetSurface();
}

bool Canvas::DrawRun(int x, int y, const char *text, int length) {
  if (length < 0 || (text == nullptr && length > 0)) {
    return false;
  }
  const bool updateCp = (state.textAlign & TA_UPDATECP) != 0;
  if (updateCp) {
    x = state.x;
    y = state.y;
  }
  if (length > 0) {
    if (runCount == runs.size()) runs.emplace_back();
    TextRun &run = runs[runCount++];
    run.x = x;
    run.y = y;
    run.text.assign(text, static_cast<size_t>(length));
    run.textColour = state.textColour;
    run.backColour = state.backColour;
    run.backMode = state.backMode;
  }
  if (updateCp) {
    const long long advanced = static_cast<long long>(state.x) + static_cast<long long>(length) * cellWidth;
    state.x = static_cast<int>(
        std::clamp<long long>(advanced, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
  }
  return true;
}

std::vector<std::vector<Cell>> Canvas::Cells() const {
  const long long columns = VisibleCount(width - cellWidth / 2, cellWidth);
  const long long rows = VisibleCount(height, cellHeight);
  std::vector<std::vector<Cell>> grid;
  for (const TextRun &run : Runs()) {
    const long long row = CellOf(run.y, 0, cellHeight);
    if (row < 0 || row >= rows) {
      continue;
    }
    if (grid.size() <= static_cast<size_t>(row)) {
      grid.resize(static_cast<size_t>(row) + 1);
    }
    std::vector<Cell> &cells = grid[static_cast<size_t>(row)];
    const long long first = CellOf(run.x, cellWidth / 2, cellWidth);
    for (size_t i = 0; i < run.text.size(); ++i) {
      const long long column = first + static_cast<long long>(i);
      if (column < 0) {
        continue;
      }
      if (column >= columns) {
        break;
      }
      if (cells.size() <= static_cast<size_t>(column)) {
        cells.resize(static_cast<size_t>(column) + 1);
      }
      Cell &cell = cells[static_cast<size_t>(column)];
      cell.glyph = Printable(run.text[i]);
      cell.textColour = run.textColour;
      cell.backColour = run.backColour;
      cell.opaque = run.backMode == OPAQUE;
      cell.drawn = true;
    }
  }
  return grid;
}

std::vector<std::string> Canvas::Rows() const {
  std::vector<std::string> rows;
  for (const std::vector<Cell> &cells : Cells()) {
    std::string row;
    for (const Cell &cell : cells) {
      row += cell.glyph;
    }
    rows.push_back(TrimRight(row));
  }
  while (!rows.empty() && rows.back().empty()) {
    rows.pop_back();
  }
  return rows;
}

std::string Canvas::Row(int row) const {
  const std::vector<std::string> rows = Rows();
  return row >= 0 && static_cast<size_t>(row) < rows.size() ? rows[static_cast<size_t>(row)] : std::string();
}

std::string Canvas::Text() const {
  std::string text;
  for (const std::string &row : Rows()) {
    text += row;
    text += '\n';
  }
  return text;
}

std::string Canvas::Ansi() const {
  const std::vector<std::vector<Cell>> grid = Cells();
  const size_t rowCount = Rows().size();
  std::string out;
  for (size_t r = 0; r < rowCount; ++r) {
    const std::vector<Cell> &cells = grid[r];
    size_t end = cells.size();
    // Trailing blanks are trimmed unless they carry a background.
    while (end > 0 && cells[end - 1].glyph == ' ' && !cells[end - 1].opaque) {
      --end;
    }
    bool styled = false;
    bool haveText = false, haveBack = false;
    COLORREF text = 0, back = 0;
    for (size_t c = 0; c < end; ++c) {
      const Cell &cell = cells[c];
      if (cell.drawn && cell.glyph != ' ' && (!haveText || cell.textColour != text)) {
        AppendColour(out, 38, cell.textColour);
        text = cell.textColour;
        haveText = styled = true;
      }
      if (cell.opaque && (!haveBack || cell.backColour != back)) {
        AppendColour(out, 48, cell.backColour);
        back = cell.backColour;
        haveBack = styled = true;
      } else if (!cell.opaque && haveBack) {
        out += "\x1b[49m";
        haveBack = false;
      }
      out += cell.glyph;
    }
    if (styled) {
      out += "\x1b[0m";
    }
    out += '\n';
  }
  return out;
}

bool Canvas::PictureSizeAllowed(int scale, std::string &error) const {
  if (scale < 1 || scale > maxPictureScale) {
    error = "picture scale " + std::to_string(scale) + " is outside 1 .. " + std::to_string(maxPictureScale);
    return false;
  }
  if (static_cast<long long>(width) * height * scale * scale > maxPicturePixels) {
    error = "picture of " + std::to_string(width) + " x " + std::to_string(height) + " pixels at scale " +
            std::to_string(scale) + " is too large";
    return false;
  }
  return true;
}

}  // namespace sim

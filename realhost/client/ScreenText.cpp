#include "ScreenText.h"

#include <algorithm>

namespace nullclient {

namespace {

char Printable(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte >= 0x20 && byte < 0x7F ? c : '?';
}

// Truncating toward zero, in wide arithmetic so that no position can overflow.
long long CellOf(int pixel, int offset, int size) { return (static_cast<long long>(pixel) - offset) / size; }

// How many cells of `size` start before `extent` pixels.
long long VisibleCount(long long extent, int size) { return extent <= 0 ? 0 : (extent + size - 1) / size; }

bool Inside(const PixelArea &area, int x, int y) {
  return x >= area.left && x < area.right && y >= area.top && y < area.bottom;
}

}  // namespace

void ForgetRuns(std::vector<TextRun> &runs, PixelArea area) {
  runs.erase(std::remove_if(runs.begin(), runs.end(), [&](const TextRun &run) { return Inside(area, run.x, run.y); }),
             runs.end());
}

void CopyRuns(const std::vector<TextRun> &from, PixelArea area, int x, int y, std::vector<TextRun> &to) {
  const int w = area.right - area.left, h = area.bottom - area.top;
  if (w <= 0 || h <= 0) return;
  // Gathered first: the source may be the target.
  std::vector<TextRun> moved;
  for (const TextRun &run : from) {
    if (!Inside(area, run.x, run.y)) continue;
    moved.push_back(run);
    moved.back().x += x - area.left;
    moved.back().y += y - area.top;
  }
  ForgetRuns(to, PixelArea{x, y, x + w, y + h});
  to.insert(to.end(), moved.begin(), moved.end());
}

std::vector<std::string> ScreenRows(const std::vector<TextRun> &runs, int width, int height) {
  std::vector<std::string> rows;
  for (const TextRun &run : runs) {
    const int cw = run.cellWidth > 0 ? run.cellWidth : 1;
    const int ch = run.cellHeight > 0 ? run.cellHeight : 1;
    const long long row = CellOf(run.y, 0, ch);
    if (row < 0 || row >= VisibleCount(height, ch)) continue;
    const long long columns = VisibleCount(static_cast<long long>(width) - cw / 2, cw);
    if (rows.size() <= static_cast<size_t>(row)) rows.resize(static_cast<size_t>(row) + 1);
    std::string &cells = rows[static_cast<size_t>(row)];
    const long long first = CellOf(run.x, cw / 2, cw);
    for (size_t i = 0; i < run.text.size(); ++i) {
      const long long column = first + static_cast<long long>(i);
      if (column < 0) continue;
      if (column >= columns) break;
      if (cells.size() <= static_cast<size_t>(column)) cells.resize(static_cast<size_t>(column) + 1, ' ');
      cells[static_cast<size_t>(column)] = Printable(run.text[i]);
    }
  }
  for (std::string &row : rows) row.erase(row.find_last_not_of(' ') + 1);
  while (!rows.empty() && rows.back().empty()) rows.pop_back();
  return rows;
}

}  // namespace nullclient

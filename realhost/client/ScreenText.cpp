#include "ScreenText.h"

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

}  // namespace

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

#include "plugin/display/TextGrid.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>

namespace kestrane {

namespace TextGrid {

int cellWidth = 0;
int cellHeight = 0;

namespace {

// Pixel arithmetic is done in 64 bits so that far-off positions cannot overflow; the results are
// narrowed back to the device context's int coordinates.
int Divide(int64_t numerator, int64_t denominator) {
  if (denominator == 0) return 0;
  return static_cast<int>(numerator / denominator);
}

// Formats into `buffer` (bufferSize bytes); longer text is cut, and a format that fails leaves
// the buffer empty.
void Format(char *buffer, const char *format, va_list args) TEXTGRID_PRINTF(2, 0);
void Format(char *buffer, const char *format, va_list args) {
  if (std::vsnprintf(buffer, bufferSize, format, args) < 0) buffer[0] = '\0';
}

void Draw(HDC hdc, const char *buffer) {
  // With TA_UPDATECP the coordinates are ignored: the text goes at the current position, which
  // then moves past it.
  TextOutA(hdc, 0, 0, buffer, lstrlenA(buffer));
}

}  // namespace

Pixel CellToPixel(Cell cell) {
  const int64_t x = int64_t{cell.column} * cellWidth + cellWidth / 2;
  const int64_t y = int64_t{cell.row} * cellHeight;
  return {static_cast<int>(x), static_cast<int>(y)};
}

Cell PixelToCell(Pixel pixel) {
  return {Divide(int64_t{pixel.x} - cellWidth / 2, cellWidth), Divide(pixel.y, cellHeight)};
}

void Init(HDC hdc, int width, int height) {
  cellWidth = width;
  cellHeight = height;
  SetTextAlign(hdc, TA_UPDATECP);
  MoveToCell(hdc, 0, 0);
}

Pixel GetPixelPos(HDC hdc) {
  // GDI has no plain read of the current position: a move reports where it was, and a second
  // move puts it back.
  POINT previous{0, 0};
  MoveToEx(hdc, 0, 0, &previous);
  MoveToEx(hdc, static_cast<int>(previous.x), static_cast<int>(previous.y), nullptr);
  return {static_cast<int>(previous.x), static_cast<int>(previous.y)};
}

Cell GetCell(HDC hdc) { return PixelToCell(GetPixelPos(hdc)); }

Pixel MoveToPixel(HDC hdc, int x, int y) {
  POINT previous{0, 0};
  MoveToEx(hdc, x, y, &previous);
  return {static_cast<int>(previous.x), static_cast<int>(previous.y)};
}

Cell MoveToCell(HDC hdc, int column, int row) {
  const Pixel before = GetPixelPos(hdc);
  const Pixel target = CellToPixel({column, row});
  const int x = column >= 0 ? target.x : before.x;
  const int y = row >= 0 ? target.y : before.y;
  MoveToEx(hdc, x, y, nullptr);
  return PixelToCell(before);
}

void SetColor(HDC hdc, COLORREF text) {
  SetBkMode(hdc, TRANSPARENT);
  SetTextColor(hdc, text);
}

void SetColors(HDC hdc, COLORREF text, COLORREF background) {
  SetBkMode(hdc, OPAQUE);
  SetBkColor(hdc, background);
  SetTextColor(hdc, text);
}

Cell PrintAt(HDC hdc, int column, int row, const char *format, ...) {
  char buffer[bufferSize];
  va_list args;
  va_start(args, format);
  Format(buffer, format, args);
  va_end(args);
  const Cell before = MoveToCell(hdc, column, row);
  Draw(hdc, buffer);
  return before;
}

Cell PrintAtColor(HDC hdc, int column, int row, COLORREF text, const char *format, ...) {
  char buffer[bufferSize];
  va_list args;
  va_start(args, format);
  Format(buffer, format, args);
  va_end(args);
  const Cell before = MoveToCell(hdc, column, row);
  SetColor(hdc, text);
  Draw(hdc, buffer);
  return before;
}

Cell PrintAtColors(HDC hdc, int column, int row, COLORREF text, COLORREF background, const char *format, ...) {
  char buffer[bufferSize];
  va_list args;
  va_start(args, format);
  Format(buffer, format, args);
  va_end(args);
  const Cell before = MoveToCell(hdc, column, row);
  SetColors(hdc, text, background);
  Draw(hdc, buffer);
  return before;
}

Cell Print(HDC hdc, const char *format, ...) {
  char buffer[bufferSize];
  va_list args;
  va_start(args, format);
  Format(buffer, format, args);
  va_end(args);
  const Cell start = GetCell(hdc);
  Draw(hdc, buffer);
  return start;
}

Cell PrintColor(HDC hdc, COLORREF text, const char *format, ...) {
  char buffer[bufferSize];
  va_list args;
  va_start(args, format);
  Format(buffer, format, args);
  va_end(args);
  const Cell start = GetCell(hdc);
  SetColor(hdc, text);
  Draw(hdc, buffer);
  return start;
}

Cell PrintColors(HDC hdc, COLORREF text, COLORREF background, const char *format, ...) {
  char buffer[bufferSize];
  va_list args;
  va_start(args, format);
  Format(buffer, format, args);
  va_end(args);
  const Cell start = GetCell(hdc);
  SetColors(hdc, text, background);
  Draw(hdc, buffer);
  return start;
}

}  // namespace TextGrid

}  // namespace kestrane

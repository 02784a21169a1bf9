// Text laid out on a grid of character cells, drawn through the device context's own current
// position (TA_UPDATECP): a value printed right after a label follows it on the same row.
#pragma once

#include "Orbitersdk.h"

namespace kestrane {

// printf-style checking of the formats passed to the print operations.
#if defined(__GNUC__)
#define TEXTGRID_PRINTF(formatIndex, firstArg) __attribute__((format(printf, formatIndex, firstArg)))
#else
#define TEXTGRID_PRINTF(formatIndex, firstArg)
#endif

namespace TextGrid {

struct Cell {
  int column;
  int row;
};

struct Pixel {
  int x;
  int y;
};

// Each print formats into a buffer of this size: 251 characters and the terminator.
constexpr int bufferSize = 252;

// The module's shared cell size, pixels; 0 until the first Init.
extern int cellWidth;
extern int cellHeight;

// Column 0 starts half a cell in from the left edge; a row's text hangs from its top.
Pixel CellToPixel(Cell cell);
// Divisions truncate toward zero. An axis whose cell size is 0 converts to 0 rather than dividing
// by zero.
Cell PixelToCell(Pixel pixel);

void Init(HDC hdc, int cellWidth, int cellHeight);
Pixel GetPixelPos(HDC hdc);
Cell GetCell(HDC hdc);
Pixel MoveToPixel(HDC hdc, int x, int y);
// A negative column keeps the current x, a negative row the current y. Returns the cell before.
Cell MoveToCell(HDC hdc, int column, int row);
void SetColor(HDC hdc, COLORREF text);
void SetColors(HDC hdc, COLORREF text, COLORREF background);

// Text formatted past bufferSize - 1 characters is cut there. The PrintAt operations return the
// cell before the move, the others the cell where their text starts.
Cell PrintAt(HDC hdc, int column, int row, const char *format, ...) TEXTGRID_PRINTF(4, 5);
Cell PrintAtColor(HDC hdc, int column, int row, COLORREF text, const char *format, ...) TEXTGRID_PRINTF(5, 6);
Cell PrintAtColors(HDC hdc, int column, int row, COLORREF text, COLORREF background, const char *format, ...)
    TEXTGRID_PRINTF(6, 7);
Cell Print(HDC hdc, const char *format, ...) TEXTGRID_PRINTF(2, 3);
Cell PrintColor(HDC hdc, COLORREF text, const char *format, ...) TEXTGRID_PRINTF(3, 4);
Cell PrintColors(HDC hdc, COLORREF text, COLORREF background, const char *format, ...) TEXTGRID_PRINTF(4, 5);

}  // namespace TextGrid

}  // namespace kestrane

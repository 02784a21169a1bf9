// Text laid out on a grid of character cells, drawn through the device context's own current
// position (TA_UPDATECP): a value printed right after a label follows it on the same row.
#pragma once

#include "../host/OrbiterAPI.h"

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

Pixel CellToPixel(Cell cell);
Cell PixelToCell(Pixel pixel);

void Init(HDC hdc, int cellWidth, int cellHeight);
Pixel GetPixelPos(HDC hdc);
Cell GetCell(HDC hdc);
Pixel MoveToPixel(HDC hdc, int x, int y);
// A negative column keeps the current x, a negative row the current y. Returns the cell before.
Cell MoveToCell(HDC hdc, int column, int row);
void SetColor(HDC hdc, COLORREF text);
void SetColors(HDC hdc, COLORREF text, COLORREF background);

Cell PrintAt(HDC hdc, int column, int row, const char *format, ...);
Cell PrintAtColor(HDC hdc, int column, int row, COLORREF text, const char *format, ...);
Cell PrintAtColors(HDC hdc, int column, int row, COLORREF text, COLORREF background, const char *format, ...);
Cell Print(HDC hdc, const char *format, ...);
Cell PrintColor(HDC hdc, COLORREF text, const char *format, ...);
Cell PrintColors(HDC hdc, COLORREF text, COLORREF background, const char *format, ...);

}  // namespace TextGrid

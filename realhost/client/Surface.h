// A surface of the null graphics client: a 32-bit GDI DIB section in a memory device context, so
// that what the host and its modules draw with GDI (or through the client's sketchpad) lands in a
// real bitmap, and the runs of text drawn into it since the area was last cleared, which give the
// surface's text as kestrane-sim lays out its screen.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ScreenText.h"

namespace nullclient {

class Surface {
public:
  // A black surface of width × height pixels (each at least 1).
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface &) = delete;
  Surface &operator=(const Surface &) = delete;

  // The surface behind a device context, or null for a context that is no surface's.
  static Surface *FromDc(HDC dc);

  int Width() const { return width; }
  int Height() const { return height; }
  // False when the bitmap could not be made; the context then draws nowhere.
  bool HasPixels() const { return pixels != nullptr; }
  // The context, in the state a context starts in (no text alignment, position at 0, 0, the system
  // font, black text on white, opaque), as the host finds a context it asks a client for.
  HDC FreshDc();
  HDC Dc() const { return dc; }

  // Fills the rectangle (clipped to the surface) with a colour 0x00BBGGRR; its text is gone.
  void Fill(RECT area, COLORREF colour);
  // Copies the area `from` of `source` to (x, y), and the runs of text that start in it.
  void CopyFrom(const Surface &source, RECT from, int x, int y);
  // The same, scaled to the area `to`; the text, whose size changes, is not carried.
  void StretchFrom(const Surface &source, RECT from, RECT to);
  // Draws a bitmap scaled to the area `to`.
  void DrawBitmap(HBITMAP bitmap, RECT to);

  // The runs drawn into the surface's context.
  std::vector<TextRun> &Runs() { return runs; }
  const std::vector<TextRun> &Runs() const { return runs; }

  // The picture as a PNG file; false with a one-line reason in `error`.
  bool WritePng(const std::string &path, std::string &error) const;

  // The host's references to the surface: it is released when the last one goes.
  int references = 1;

private:
  int width, height;
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
  uint32_t *pixels = nullptr;  // top-down rows of 0x00RRGGBB
  int savedState = 0;          // SaveDC's number for the fresh state
  std::vector<TextRun> runs;
};

}  // namespace nullclient

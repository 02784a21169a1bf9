// A bare GDI memory device context with a 32-bit DIB section and a font of its own, for looking at
// the pixels that GDI itself drew.
#pragma once

#include <windows.h>

#include <cstdint>

class GdiSurface {
public:
  // Text of `face` with a character cell `height` pixels high, not antialiased, so that every text
  // pixel has exactly the text colour.
  GdiSurface(int w, int h, const char *face, int height) : width(w), surfaceHeight(h) {
    dc = CreateCompatibleDC(nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    pixels = static_cast<uint32_t *>(bits);
    oldBitmap = SelectObject(dc, bitmap);
    font = CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, face);
    oldFont = SelectObject(dc, font);
  }
  ~GdiSurface() {
    SelectObject(dc, oldFont);
    DeleteObject(font);
    SelectObject(dc, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  GdiSurface(const GdiSurface &) = delete;
  GdiSurface &operator=(const GdiSurface &) = delete;

  // The pixel as a colour value (0x00BBGGRR), the form the text calls take.
  COLORREF At(int x, int y) const {
    GdiFlush();
    const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
  }

  // The smallest box around every pixel of `colour`; empty (right <= left) when there is none.
  RECT BoxOf(COLORREF colour) const {
    RECT box{width, surfaceHeight, 0, 0};
    for (int y = 0; y < surfaceHeight; ++y) {
      for (int x = 0; x < width; ++x) {
        if (At(x, y) != colour) continue;
        if (x < box.left) box.left = x;
        if (y < box.top) box.top = y;
        if (x + 1 > box.right) box.right = x + 1;
        if (y + 1 > box.bottom) box.bottom = y + 1;
      }
    }
    return box;
  }

  int width, surfaceHeight;
  HDC dc;

private:
  HBITMAP bitmap;
  HGDIOBJ oldBitmap;
  HFONT font;
  HGDIOBJ oldFont;
  uint32_t *pixels = nullptr;
};

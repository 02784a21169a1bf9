// The null graphics client's drawing tools: fonts, pens and brushes that are GDI objects, and a
// sketchpad that draws with GDI into a surface's device context, so that what the host draws on
// its displays (titles, button menus, the mode selection) lands in the surface's bitmap and its
// text among the surface's runs.
#pragma once

#include <windows.h>

#include "Orbitersdk.h"

namespace nullclient {

class Surface;

class GdiFont : public oapi::Font {
public:
  // `face` "Fixed", "Sans" and "Serif" are the host's generic faces; other names are taken as
  // they stand, a proportional or fixed face in their place where the system has none.
  GdiFont(int height, bool proportional, const char *face, FontStyle style, int orientation);
  ~GdiFont() override;
  HFONT GetGDIFont() const override { return font; }

private:
  HFONT font;
};

class GdiPen : public oapi::Pen {
public:
  // `style` 0 invisible, 1 solid, 2 dashed; `colour` 0x00BBGGRR.
  GdiPen(int style, int width, DWORD colour);
  ~GdiPen() override;
  HPEN Handle() const { return pen; }

private:
  HPEN pen;
};

class GdiBrush : public oapi::Brush {
public:
  explicit GdiBrush(DWORD colour);
  ~GdiBrush() override;
  HBRUSH Handle() const { return brush; }

private:
  HBRUSH brush;
};

class GdiPad : public oapi::Sketchpad {
public:
  // Draws into `surface`, whose context starts in its fresh state; `handle` is what the host knows
  // the surface by.
  GdiPad(SURFHANDLE handle, Surface &surface);
  ~GdiPad() override;

  oapi::Font *SetFont(oapi::Font *font) override;
  oapi::Pen *SetPen(oapi::Pen *pen) override;
  oapi::Brush *SetBrush(oapi::Brush *brush) override;
  void SetTextAlign(TAlign_horizontal horizontal = LEFT, TAlign_vertical vertical = TOP) override;
  DWORD SetTextColor(DWORD colour) override;
  DWORD SetBackgroundColor(DWORD colour) override;
  void SetBackgroundMode(BkgMode mode) override;
  // The height of the current font's characters without the internal leading (low word) and
  // their average width (high word).
  DWORD GetCharSize() override;
  DWORD GetTextWidth(const char *text, int length = 0) override;
  void SetOrigin(int x, int y) override;
  void GetOrigin(int *x, int *y) const override;
  bool Text(int x, int y, const char *text, int length) override;
  void Pixel(int x, int y, DWORD colour) override;
  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Line(int x0, int y0, int x1, int y1) override;
  void Rectangle(int x0, int y0, int x1, int y1) override;
  void Ellipse(int x0, int y0, int x1, int y1) override;
  void Polygon(const oapi::IVECTOR2 *points, int count) override;
  void Polyline(const oapi::IVECTOR2 *points, int count) override;
  HDC GetDC() override { return dc; }
  void GetRenderSurfaceSize(LPSIZE size) override;
  void QuickPen(DWORD colour, float width = 1.0f, DWORD style = 1) override;
  void QuickBrush(DWORD colour) override;

private:
  Surface &surface;
  HDC dc;
  oapi::Font *font = nullptr;
  oapi::Pen *pen = nullptr;
  oapi::Brush *brush = nullptr;
  // The pen and brush of QuickPen and QuickBrush, the pad's own.
  HPEN quickPen = nullptr;
  HBRUSH quickBrush = nullptr;
};

}  // namespace nullclient

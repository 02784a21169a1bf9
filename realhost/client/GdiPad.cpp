#include "GdiPad.h"

#include <cstring>

#include "Surface.h"

namespace nullclient {

namespace {

// The faces the host's generic names stand for: those the system draws its own pictures in.
const char *FaceFor(const char *face, bool proportional) {
  if (face == nullptr || std::strcmp(face, "Fixed") == 0) return proportional ? "DejaVu Sans" : "DejaVu Sans Mono";
  if (std::strcmp(face, "Sans") == 0) return "DejaVu Sans";
  if (std::strcmp(face, "Serif") == 0) return "DejaVu Serif";
  return face;
}

}  // namespace

GdiFont::GdiFont(int height, bool proportional, const char *face, FontStyle style, int orientation)
    : oapi::Font(height, proportional, face, style, orientation) {
  const bool fixedFace = face == nullptr || std::strcmp(face, "Fixed") == 0;
  const DWORD pitch = proportional && !fixedFace ? VARIABLE_PITCH | FF_SWISS : FIXED_PITCH | FF_MODERN;
  const DWORD quality = (style & FONT_CRISP) != 0 ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
  font = CreateFontA(height, 0, orientation, orientation, (style & FONT_BOLD) != 0 ? FW_BOLD : FW_NORMAL,
                     (style & FONT_ITALIC) != 0, (style & FONT_UNDERLINE) != 0, (style & FONT_STRIKEOUT) != 0,
                     ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, pitch,
                     FaceFor(face, proportional && !fixedFace));
}

GdiFont::~GdiFont() {
  if (font != nullptr) DeleteObject(font);
}

GdiPen::GdiPen(int style, int width, DWORD colour) : oapi::Pen(style, width, colour) {
  pen = style == 0 ? nullptr : CreatePen(style == 2 ? PS_DASH : PS_SOLID, width, colour);
}

GdiPen::~GdiPen() {
  if (pen != nullptr) DeleteObject(pen);
}

GdiBrush::GdiBrush(DWORD colour) : oapi::Brush(colour) { brush = CreateSolidBrush(colour); }

GdiBrush::~GdiBrush() {
  if (brush != nullptr) DeleteObject(brush);
}

GdiPad::GdiPad(SURFHANDLE handle, Surface &target) : oapi::Sketchpad(handle), surface(target), dc(target.FreshDc()) {
  // A pad draws text on a transparent background, and shapes without a fill, until told otherwise.
  ::SetBkMode(dc, TRANSPARENT);
  SelectObject(dc, GetStockObject(NULL_BRUSH));
}

GdiPad::~GdiPad() {
  SelectObject(dc, GetStockObject(SYSTEM_FONT));
  SelectObject(dc, GetStockObject(BLACK_PEN));
  SelectObject(dc, GetStockObject(NULL_BRUSH));
  if (quickPen != nullptr) DeleteObject(quickPen);
  if (quickBrush != nullptr) DeleteObject(quickBrush);
  GdiFlush();
}

oapi::Font *GdiPad::SetFont(oapi::Font *next) {
  oapi::Font *previous = font;
  HFONT handle = next != nullptr ? next->GetGDIFont() : nullptr;
  SelectObject(dc, handle != nullptr ? static_cast<HGDIOBJ>(handle) : GetStockObject(SYSTEM_FONT));
  font = next;
  return previous;
}

oapi::Pen *GdiPad::SetPen(oapi::Pen *next) {
  oapi::Pen *previous = pen;
  HPEN handle = next != nullptr ? static_cast<GdiPen *>(next)->Handle() : nullptr;
  SelectObject(dc, handle != nullptr ? static_cast<HGDIOBJ>(handle) : GetStockObject(NULL_PEN));
  pen = next;
  return previous;
}

oapi::Brush *GdiPad::SetBrush(oapi::Brush *next) {
  oapi::Brush *previous = brush;
  HBRUSH handle = next != nullptr ? static_cast<GdiBrush *>(next)->Handle() : nullptr;
  SelectObject(dc, handle != nullptr ? static_cast<HGDIOBJ>(handle) : GetStockObject(NULL_BRUSH));
  brush = next;
  return previous;
}

void GdiPad::SetTextAlign(TAlign_horizontal horizontal, TAlign_vertical vertical) {
  UINT align = horizontal == CENTER ? TA_CENTER : horizontal == RIGHT ? TA_RIGHT : TA_LEFT;
  align |= vertical == BASELINE ? TA_BASELINE : vertical == BOTTOM ? TA_BOTTOM : TA_TOP;
  ::SetTextAlign(dc, align);
}

DWORD GdiPad::SetTextColor(DWORD colour) { return ::SetTextColor(dc, colour); }

DWORD GdiPad::SetBackgroundColor(DWORD colour) { return ::SetBkColor(dc, colour); }

void GdiPad::SetBackgroundMode(BkgMode mode) { ::SetBkMode(dc, mode == BK_OPAQUE ? OPAQUE : TRANSPARENT); }

DWORD GdiPad::GetCharSize() {
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc, &metrics);
  return MAKELONG(metrics.tmHeight - metrics.tmInternalLeading, metrics.tmAveCharWidth);
}

DWORD GdiPad::GetTextWidth(const char *text, int length) {
  if (text == nullptr) return 0;
  SIZE extent{};
  GetTextExtentPoint32A(dc, text, length > 0 ? length : static_cast<int>(std::strlen(text)), &extent);
  return static_cast<DWORD>(extent.cx);
}

void GdiPad::SetOrigin(int x, int y) { SetViewportOrgEx(dc, x, y, nullptr); }

void GdiPad::GetOrigin(int *x, int *y) const {
  POINT origin{};
  GetViewportOrgEx(dc, &origin);
  *x = origin.x;
  *y = origin.y;
}

// Through the routed import, which records the run on the surface.
bool GdiPad::Text(int x, int y, const char *text, int length) {
  if (text == nullptr) return false;
  return TextOutA(dc, x, y, text, length) != FALSE;
}

void GdiPad::Pixel(int x, int y, DWORD colour) { SetPixel(dc, x, y, colour); }

void GdiPad::MoveTo(int x, int y) { MoveToEx(dc, x, y, nullptr); }

void GdiPad::LineTo(int x, int y) { ::LineTo(dc, x, y); }

void GdiPad::Line(int x0, int y0, int x1, int y1) {
  MoveToEx(dc, x0, y0, nullptr);
  ::LineTo(dc, x1, y1);
}

void GdiPad::Rectangle(int x0, int y0, int x1, int y1) { ::Rectangle(dc, x0, y0, x1, y1); }

void GdiPad::Ellipse(int x0, int y0, int x1, int y1) { ::Ellipse(dc, x0, y0, x1, y1); }

// The host's integer vectors are laid out as GDI's points.
static_assert(sizeof(oapi::IVECTOR2) == sizeof(POINT), "IVECTOR2 and POINT differ");

void GdiPad::Polygon(const oapi::IVECTOR2 *points, int count) {
  ::Polygon(dc, reinterpret_cast<const POINT *>(points), count);
}

void GdiPad::Polyline(const oapi::IVECTOR2 *points, int count) {
  ::Polyline(dc, reinterpret_cast<const POINT *>(points), count);
}

void GdiPad::GetRenderSurfaceSize(LPSIZE size) {
  size->cx = surface.Width();
  size->cy = surface.Height();
}

void GdiPad::QuickPen(DWORD colour, float width, DWORD style) {
  HPEN next = style == 0 ? nullptr : CreatePen(style == 2 ? PS_DASH : PS_SOLID, static_cast<int>(width), colour);
  SelectObject(dc, next != nullptr ? static_cast<HGDIOBJ>(next) : GetStockObject(NULL_PEN));
  if (quickPen != nullptr) DeleteObject(quickPen);
  quickPen = next;
  pen = nullptr;
}

void GdiPad::QuickBrush(DWORD colour) {
  HBRUSH next = CreateSolidBrush(colour);
  SelectObject(dc, next);
  if (quickBrush != nullptr) DeleteObject(quickBrush);
  quickBrush = next;
  brush = nullptr;
}

}  // namespace nullclient

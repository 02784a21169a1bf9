// The GDI text calls on platforms without GDI: the device context is the canvas itself. Only
// contexts of live canvases are accepted; any other handle fails as an invalid handle does in GDI.
#ifndef _WIN32

#include <string>
#include <unordered_set>

#include "sim/display/Canvas.h"

namespace sim {

struct Canvas::Native {};

void Canvas::ResetSurface() {}

namespace {

constexpr UINT kGdiError = 0xFFFFFFFF;
constexpr COLORREF kInvalidColour = 0xFFFFFFFF;

std::unordered_set<const Canvas *> &LiveCanvases() {
  static std::unordered_set<const Canvas *> live;
  return live;
}

// The canvas last found live: a display draws with one context call after another, so the set is
// searched once per drawing rather than once per call. Forgotten when that canvas goes.
const Canvas *lastFound = nullptr;

}  // namespace

Canvas::Canvas(int widthPixels, int heightPixels, int cellWidthPixels, int cellHeightPixels)
    : width(widthPixels < 1 ? 1 : widthPixels),
      height(heightPixels < 1 ? 1 : heightPixels),
      cellWidth(cellWidthPixels < 1 ? 1 : cellWidthPixels),
      cellHeight(cellHeightPixels < 1 ? 1 : cellHeightPixels) {
  LiveCanvases().insert(this);
}

Canvas::~Canvas() {
  LiveCanvases().erase(this);
  if (lastFound == this) lastFound = nullptr;
}

HDC Canvas::Dc() { return reinterpret_cast<HDC>(this); }

namespace {

// The search behind FromDc, apart so that the calls below inline only the quick test.
Canvas *SearchLive(Canvas *canvas) {
  if (LiveCanvases().count(canvas) == 0) return nullptr;
  lastFound = canvas;
  return canvas;
}

}  // namespace

Canvas *Canvas::FromDc(HDC dc) {
  auto *canvas = reinterpret_cast<Canvas *>(dc);
  return canvas != nullptr && canvas == lastFound ? canvas : SearchLive(canvas);
}

void Canvas::HostText(int x, int y, const std::string &text, COLORREF textColour, COLORREF backColour, bool opaque) {
  const DcState saved = state;
  state.textAlign = TA_LEFT | TA_TOP | TA_NOUPDATECP;
  state.backMode = opaque ? OPAQUE : TRANSPARENT;
  state.backColour = backColour;
  state.textColour = textColour;
  DrawRun(x, y, text.data(), static_cast<int>(text.size()));
  state = saved;
}

}  // namespace sim

using sim::Canvas;

UINT SetTextAlign(HDC hdc, UINT align) {
  Canvas *canvas = Canvas::FromDc(hdc);
  return canvas != nullptr ? canvas->SetAlign(align) : sim::kGdiError;
}

BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT previous) {
  Canvas *canvas = Canvas::FromDc(hdc);
  if (canvas == nullptr) {
    return FALSE;
  }
  const POINT old = canvas->MovePosition(x, y);
  if (previous != nullptr) {
    *previous = old;
  }
  return TRUE;
}

int SetBkMode(HDC hdc, int mode) {
  Canvas *canvas = Canvas::FromDc(hdc);
  if (canvas == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) {
    return 0;
  }
  return canvas->SetBackgroundMode(mode);
}

COLORREF SetBkColor(HDC hdc, COLORREF colour) {
  Canvas *canvas = Canvas::FromDc(hdc);
  return canvas != nullptr ? canvas->SetBackgroundColour(colour) : sim::kInvalidColour;
}

COLORREF SetTextColor(HDC hdc, COLORREF colour) {
  Canvas *canvas = Canvas::FromDc(hdc);
  return canvas != nullptr ? canvas->SetForegroundColour(colour) : sim::kInvalidColour;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int length) {
  Canvas *canvas = Canvas::FromDc(hdc);
  return canvas != nullptr && canvas->DrawRun(x, y, text, length) ? TRUE : FALSE;
}

int lstrlenA(LPCSTR text) {
  if (text == nullptr) {
    return 0;
  }
  int length = 0;
  while (text[length] != '\0') {
    ++length;
  }
  return length;
}

#endif  // _WIN32

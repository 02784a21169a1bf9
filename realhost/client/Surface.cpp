#include "Surface.h"

#include <algorithm>
#include <unordered_map>

#include "PngFile.h"

namespace nullclient {

namespace {

std::unordered_map<HDC, Surface *> &LiveSurfaces() {
  static std::unordered_map<HDC, Surface *> live;
  return live;
}

PixelArea Pixels(const RECT &area) {
  return PixelArea{static_cast<int>(area.left), static_cast<int>(area.top), static_cast<int>(area.right),
                   static_cast<int>(area.bottom)};
}

}  // namespace

Surface::Surface(int w, int h) : width(std::max(w, 1)), height(std::max(h, 1)) {
  dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void *bits = nullptr;
  bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr) {
    pixels = static_cast<uint32_t *>(bits);
    previousBitmap = SelectObject(dc, bitmap);
    std::fill(pixels, pixels + static_cast<size_t>(width) * static_cast<size_t>(height), 0u);
  }
  // The state every context the host asks for starts in.
  savedState = SaveDC(dc);
  LiveSurfaces()[dc] = this;
}

Surface::~Surface() {
  LiveSurfaces().erase(dc);
  RestoreDC(dc, savedState);
  if (previousBitmap != nullptr) SelectObject(dc, previousBitmap);
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(dc);
}

Surface *Surface::FromDc(HDC dc) {
  const auto found = LiveSurfaces().find(dc);
  return found != LiveSurfaces().end() ? found->second : nullptr;
}

HDC Surface::FreshDc() {
  RestoreDC(dc, savedState);
  savedState = SaveDC(dc);
  return dc;
}

void Surface::Fill(RECT area, COLORREF colour) {
  area.left = std::max<LONG>(area.left, 0);
  area.top = std::max<LONG>(area.top, 0);
  area.right = std::min<LONG>(area.right, width);
  area.bottom = std::min<LONG>(area.bottom, height);
  if (area.left >= area.right || area.top >= area.bottom) return;
  if (pixels != nullptr) {
    GdiFlush();
    const uint32_t pixel = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (LONG y = area.top; y < area.bottom; ++y)
      std::fill(pixels + static_cast<size_t>(y) * width + area.left,
                pixels + static_cast<size_t>(y) * width + area.right, pixel);
  }
  ForgetRuns(runs, Pixels(area));
}

void Surface::CopyFrom(const Surface &source, RECT from, int x, int y) {
  const int w = from.right - from.left, h = from.bottom - from.top;
  if (w <= 0 || h <= 0) return;
  BitBlt(dc, x, y, w, h, source.dc, from.left, from.top, SRCCOPY);
  CopyRuns(source.runs, Pixels(from), x, y, runs);
}

void Surface::StretchFrom(const Surface &source, RECT from, RECT to) {
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source.dc, from.left, from.top,
             from.right - from.left, from.bottom - from.top, SRCCOPY);
  ForgetRuns(runs, Pixels(to));
}

void Surface::DrawBitmap(HBITMAP picture, RECT to) {
  BITMAP info{};
  if (picture == nullptr || GetObject(picture, sizeof info, &info) == 0) return;
  HDC source = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(source, picture);
  SetStretchBltMode(dc, HALFTONE);
  StretchBlt(dc, to.left, to.top, to.right - to.left, to.bottom - to.top, source, 0, 0, info.bmWidth, info.bmHeight,
             SRCCOPY);
  SelectObject(source, previous);
  DeleteDC(source);
  ForgetRuns(runs, Pixels(to));
}

bool Surface::WritePng(const std::string &path, std::string &error) const {
  if (pixels == nullptr) {
    error = "the surface has no bitmap to write to '" + path + "'";
    return false;
  }
  GdiFlush();
  std::vector<unsigned char> rgb(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
  size_t out = 0;
  for (size_t i = 0; i < static_cast<size_t>(width) * static_cast<size_t>(height); ++i) {
    rgb[out++] = static_cast<unsigned char>(pixels[i] >> 16);
    rgb[out++] = static_cast<unsigned char>(pixels[i] >> 8);
    rgb[out++] = static_cast<unsigned char>(pixels[i]);
  }
  return nullclient::WritePng(path, rgb.data(), width, height, error);
}

}  // namespace nullclient

// The display surface on Windows: GDI draws into the canvas's bitmap while the canvas records the
// runs where GDI put them, and the picture it writes is read back by the system's PNG decoder.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <string>
#include <vector>

#include "sim/display/Canvas.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

std::vector<unsigned char> Pixels(const sim::Canvas &canvas, int scale, int &width, int &height) {
  std::vector<unsigned char> rgb;
  std::string error;
  EXPECT_TRUE(canvas.RenderRgb(rgb, width, height, error, sim::PngOptions{scale, {}})) << error;
  return rgb;
}

// True when any pixel in the box (display pixels, right and bottom excluded) is not black.
bool Lit(const std::vector<unsigned char> &rgb, int width, int left, int top, int right, int bottom) {
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
      if (rgb[at] != 0 || rgb[at + 1] != 0 || rgb[at + 2] != 0) return true;
    }
  }
  return false;
}

TEST(CanvasOnGdi, RecordedCellsAreExactlyWhereGdiDrewGlyphs) {
  sim::Canvas canvas(400, 400, 10, 16);
  HDC dc = canvas.Dc();
  SetTextAlign(dc, TA_UPDATECP);
  MoveToEx(dc, 5, 16, nullptr);
  SetTextColor(dc, kYellow);
  TextOutA(dc, 0, 0, "Length", 6);
  TextOutA(dc, 0, 0, " : 1500.0 m", 11);
  SetTextAlign(dc, TA_LEFT | TA_TOP);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kBlue);
  TextOutA(dc, 105, 48, "*0*", 3);

  ASSERT_EQ(canvas.Runs().size(), 3u);
  EXPECT_EQ(canvas.Runs()[1].x, 65) << "the second run starts where GDI's advance left the first";
  EXPECT_EQ(canvas.Runs()[2].backMode, OPAQUE);
  EXPECT_EQ(canvas.Runs()[2].backColour, kBlue);
  EXPECT_EQ(canvas.State().x, 5 + 17 * 10) << "the canvas follows GDI's current position";
  EXPECT_EQ(canvas.Rows(), (std::vector<std::string>{"", "Length : 1500.0 m", "", "          *0*"}));

  int width = 0, height = 0;
  const std::vector<unsigned char> rgb = Pixels(canvas, 1, width, height);
  ASSERT_EQ(width, 400);
  const std::vector<std::vector<sim::Cell>> cells = canvas.Cells();
  for (size_t row = 0; row < 25; ++row) {
    for (int column = 0; column < 39; ++column) {
      const bool glyph = row < cells.size() && static_cast<size_t>(column) < cells[row].size() &&
                         cells[row][column].drawn && (cells[row][column].glyph != ' ' || cells[row][column].opaque);
      const int left = column * 10 + 5, top = static_cast<int>(row) * 16;
      EXPECT_EQ(Lit(rgb, width, left, top, left + 10, top + 16), glyph) << "cell " << column << ", " << row;
    }
  }

  canvas.Clear();
  EXPECT_TRUE(canvas.Runs().empty());
  EXPECT_FALSE(Lit(Pixels(canvas, 1, width, height), width, 0, 0, 400, 400)) << "a new pass starts black";
  EXPECT_EQ(GetTextAlign(dc), static_cast<UINT>(TA_LEFT | TA_TOP));
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
  EXPECT_EQ(GetTextColor(dc), sim::DcState{}.textColour);
}

// The host's own text (a button's label, the button menu) reaches the bitmap through GDI and the
// record alike, whatever the caller's GDI imports, and leaves the context's state as it was.
TEST(CanvasOnGdi, HostTextIsDrawnAndRecordedAndLeavesTheContext) {
  sim::Canvas canvas(400, 400, 10, 16);
  HDC dc = canvas.Dc();
  SetTextColor(dc, kYellow);
  canvas.HostText(5, 32, "CON", kRed, kBlue, true);

  ASSERT_EQ(canvas.Runs().size(), 1u);
  EXPECT_EQ(canvas.Runs()[0].textColour, kRed);
  EXPECT_EQ(canvas.Runs()[0].backColour, kBlue);
  EXPECT_EQ(canvas.Runs()[0].backMode, OPAQUE);
  EXPECT_EQ(canvas.Row(2), "CON");
  EXPECT_EQ(canvas.State().textColour, kYellow);
  EXPECT_EQ(canvas.State().backMode, TRANSPARENT);
  EXPECT_EQ(GetTextColor(dc), kYellow);
  EXPECT_EQ(GetBkMode(dc), TRANSPARENT);

  int width = 0, height = 0;
  const std::vector<unsigned char> rgb = Pixels(canvas, 1, width, height);
  ASSERT_EQ(width, 400);
  // The opaque background fills the label's cells: blue at its bottom left corner.
  const size_t corner = (static_cast<size_t>(47) * 400 + 6) * 3;
  EXPECT_EQ(rgb[corner + 2], 255);
  EXPECT_FALSE(Lit(rgb, width, 0, 0, 400, 32));
}

TEST(CanvasOnGdi, BadTextIsRefusedBeforeItReachesGdi) {
  sim::Canvas canvas(400, 400, 10, 16);
  SetTextAlign(canvas.Dc(), TA_UPDATECP);
  EXPECT_FALSE(TextOutA(canvas.Dc(), 0, 0, nullptr, 3));
  EXPECT_FALSE(TextOutA(canvas.Dc(), 0, 0, "abc", -1));
  EXPECT_TRUE(canvas.Runs().empty());
  POINT p{};
  GetCurrentPositionEx(canvas.Dc(), &p);
  EXPECT_EQ(p.x, 0);
}

// The picture decoded by Windows Imaging Component, as 8-bit RGB rows.
bool DecodePng(const std::string &path, std::vector<unsigned char> &rgb, UINT &width, UINT &height) {
  IWICImagingFactory *factory = nullptr;
  IWICBitmapDecoder *decoder = nullptr;
  IWICBitmapFrameDecode *frame = nullptr;
  IWICFormatConverter *converter = nullptr;
  const std::wstring wide(path.begin(), path.end());
  bool ok = SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))) &&
            SUCCEEDED(factory->CreateDecoderFromFilename(wide.c_str(), nullptr, GENERIC_READ,
                                                         WICDecodeMetadataCacheOnDemand, &decoder)) &&
            SUCCEEDED(decoder->GetFrame(0, &frame)) && SUCCEEDED(frame->GetSize(&width, &height)) &&
            SUCCEEDED(factory->CreateFormatConverter(&converter)) &&
            SUCCEEDED(converter->Initialize(frame, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                            0.0, WICBitmapPaletteTypeCustom));
  if (ok) {
    std::vector<unsigned char> bgra(static_cast<size_t>(width) * height * 4);
    ok = SUCCEEDED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(bgra.size()), bgra.data()));
    rgb.resize(static_cast<size_t>(width) * height * 3);
    for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i) {
      rgb[i * 3] = bgra[i * 4 + 2];
      rgb[i * 3 + 1] = bgra[i * 4 + 1];
      rgb[i * 3 + 2] = bgra[i * 4];
    }
  }
  if (converter != nullptr) converter->Release();
  if (frame != nullptr) frame->Release();
  if (decoder != nullptr) decoder->Release();
  if (factory != nullptr) factory->Release();
  return ok;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(CanvasOnGdi, ThePictureReadsBackAsTheBitmapScaled) {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  sim::Canvas canvas(400, 400, 10, 16);
  HDC dc = canvas.Dc();
  SetTextColor(dc, kRed);
  TextOutA(dc, 5, 0, "Kestrane", 8);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kBlue);
  TextOutA(dc, 105, 384, "Reel", 4);

  const std::string path = "canvas-picture.png";
  std::remove(path.c_str());
  std::string error;
  // Scale 2 makes over a megabyte of scanlines: many stored blocks in the stream.
  ASSERT_TRUE(canvas.WritePng(path, error, sim::PngOptions{2, {}})) << error;
  EXPECT_FALSE(Exists(path + ".part"));

  std::vector<unsigned char> decoded;
  UINT width = 0, height = 0;
  ASSERT_TRUE(DecodePng(path, decoded, width, height));
  EXPECT_EQ(width, 800u);
  EXPECT_EQ(height, 800u);
  int w = 0, h = 0;
  const std::vector<unsigned char> expected = Pixels(canvas, 2, w, h);
  EXPECT_TRUE(decoded == expected) << "the decoded picture differs from the bitmap";
  // Red text at the top left, the blue box at the bottom: the picture is not upside down.
  EXPECT_EQ(decoded[(static_cast<size_t>(799) * 800 + 220) * 3 + 2], 255);
  EXPECT_TRUE(Lit(decoded, 800, 10, 0, 170, 32));
  std::remove(path.c_str());
  CoUninitialize();
}

TEST(CanvasOnGdi, PictureFailuresComeBackAsReasons) {
  sim::Canvas canvas(400, 400, 10, 16);
  std::string error;
  EXPECT_FALSE(canvas.WritePng("no-such-folder/screen.png", error));
  EXPECT_NE(error.find("no-such-folder/screen.png"), std::string::npos) << error;
  EXPECT_FALSE(Exists("no-such-folder/screen.png.part"));

  error.clear();
  EXPECT_FALSE(canvas.WritePng("screen.png", error, sim::PngOptions{9, {}}));
  EXPECT_NE(error.find("scale"), std::string::npos) << error;

  error.clear();
  sim::Canvas huge(65535, 65535, 10, 16);
  EXPECT_FALSE(huge.WritePng("screen.png", error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
  EXPECT_FALSE(Exists("screen.png"));
}

}  // namespace

#include "sim/display/Canvas.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <png.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using sim::Canvas;

constexpr COLORREF kGreen = 0x00FF00;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kBlue = 0xFF0000;

// The size the host gives its displays.
Canvas MakeDisplayCanvas() { return Canvas(400, 400, 10, 16); }

void Draw(HDC dc, int x, int y, const char *text) { TextOutA(dc, x, y, text, lstrlenA(text)); }

TEST(CanvasGdi, MoveToExHandsBackThePreviousPosition) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  POINT previous{-1, -1};
  EXPECT_TRUE(MoveToEx(dc, 25, 48, &previous));
  EXPECT_EQ(previous.x, 0);
  EXPECT_EQ(previous.y, 0);
  EXPECT_TRUE(MoveToEx(dc, 7, 9, nullptr));
  EXPECT_TRUE(MoveToEx(dc, 0, 0, &previous));
  EXPECT_EQ(previous.x, 7);
  EXPECT_EQ(previous.y, 9);
}

TEST(CanvasGdi, UpdateCpDrawsAtTheCurrentPositionAndAdvancesOneCellPerCharacter) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  EXPECT_EQ(SetTextAlign(dc, TA_UPDATECP), static_cast<UINT>(TA_LEFT | TA_TOP));
  MoveToEx(dc, 5, 32, nullptr);
  Draw(dc, 300, 300, "Length");
  Draw(dc, 0, 0, ": 12");

  ASSERT_EQ(canvas.Runs().size(), 2u);
  EXPECT_EQ(canvas.Runs()[0].x, 5);
  EXPECT_EQ(canvas.Runs()[0].y, 32);
  EXPECT_EQ(canvas.Runs()[1].x, 65);
  EXPECT_EQ(canvas.Runs()[1].y, 32);
  POINT position{};
  MoveToEx(dc, 0, 0, &position);
  EXPECT_EQ(position.x, 105);
  EXPECT_EQ(position.y, 32);
}

TEST(CanvasGdi, WithoutUpdateCpDrawsAtTheGivenPointAndLeavesThePosition) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  MoveToEx(dc, 15, 16, nullptr);
  Draw(dc, 45, 64, "abc");
  ASSERT_EQ(canvas.Runs().size(), 1u);
  EXPECT_EQ(canvas.Runs()[0].x, 45);
  EXPECT_EQ(canvas.Runs()[0].y, 64);
  POINT position{};
  MoveToEx(dc, 0, 0, &position);
  EXPECT_EQ(position.x, 15);
  EXPECT_EQ(position.y, 16);
}

TEST(CanvasGdi, EachRunKeepsTheColoursAndBackgroundModeItWasDrawnWith) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  SetTextAlign(dc, TA_UPDATECP);
  EXPECT_EQ(SetBkMode(dc, TRANSPARENT), TRANSPARENT);
  EXPECT_EQ(SetTextColor(dc, kRed), sim::DcState{}.textColour);
  Draw(dc, 0, 0, "one");
  EXPECT_EQ(SetBkMode(dc, OPAQUE), TRANSPARENT);
  EXPECT_EQ(SetBkColor(dc, kBlue), 0u);
  EXPECT_EQ(SetTextColor(dc, kGreen), kRed);
  Draw(dc, 0, 0, "two");
  EXPECT_EQ(SetBkMode(dc, 77), 0) << "an unknown mode is refused";

  ASSERT_EQ(canvas.Runs().size(), 2u);
  const sim::TextRun &one = canvas.Runs()[0];
  const sim::TextRun &two = canvas.Runs()[1];
  EXPECT_EQ(one.text, "one");
  EXPECT_EQ(one.textColour, kRed);
  EXPECT_EQ(one.backMode, TRANSPARENT);
  EXPECT_EQ(two.text, "two");
  EXPECT_EQ(two.textColour, kGreen);
  EXPECT_EQ(two.backColour, kBlue);
  EXPECT_EQ(two.backMode, OPAQUE);
}

TEST(CanvasGdi, BadHandlesAndTextFailWithoutHarm) {
  auto stale = std::make_unique<Canvas>(400, 400, 10, 16);
  HDC staleDc = stale->Dc();
  stale.reset();
  for (HDC dc : {static_cast<HDC>(nullptr), staleDc}) {
    POINT previous{3, 4};
    EXPECT_FALSE(MoveToEx(dc, 1, 1, &previous));
    EXPECT_EQ(previous.x, 3);
    EXPECT_FALSE(TextOutA(dc, 0, 0, "x", 1));
    EXPECT_EQ(SetTextColor(dc, kRed), 0xFFFFFFFFu);
    EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
  }
  EXPECT_EQ(lstrlenA(nullptr), 0);

  Canvas canvas = MakeDisplayCanvas();
  SetTextAlign(canvas.Dc(), TA_UPDATECP);
  EXPECT_FALSE(TextOutA(canvas.Dc(), 0, 0, nullptr, 3));
  EXPECT_FALSE(TextOutA(canvas.Dc(), 0, 0, "abc", -1));
  EXPECT_TRUE(TextOutA(canvas.Dc(), 0, 0, "", 0));
  EXPECT_TRUE(canvas.Runs().empty());
  EXPECT_EQ(canvas.State().x, 0);
}

TEST(CanvasGdi, ClearStartsAFreshPass) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  SetTextAlign(dc, TA_UPDATECP);
  SetBkMode(dc, OPAQUE);
  SetTextColor(dc, kRed);
  MoveToEx(dc, 50, 50, nullptr);
  Draw(dc, 0, 0, "x");
  canvas.Clear();
  EXPECT_TRUE(canvas.Runs().empty());
  EXPECT_TRUE(canvas.Rows().empty());
  const sim::DcState fresh;
  EXPECT_EQ(canvas.State().textAlign, fresh.textAlign);
  EXPECT_EQ(canvas.State().x, 0);
  EXPECT_EQ(canvas.State().backMode, fresh.backMode);
  EXPECT_EQ(canvas.State().textColour, fresh.textColour);
}

TEST(CanvasText, RowsPlaceCharactersByCellFromTheHalfCellOffset) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  Draw(dc, 5, 0, "Title");
  Draw(dc, 35, 32, "abc");   // column 3, row 2
  Draw(dc, 0, 48, "left");   // (0 − 5) / 10 truncates to column 0
  Draw(dc, 44, 63, "q");     // column 3, row 3: a row hangs from its top pixel
  Draw(dc, 5, 64, "wide   ");

  const std::vector<std::string> expected = {"Title", "", "   abc", "lefq", "wide"};
  EXPECT_EQ(canvas.Rows(), expected);
  EXPECT_EQ(canvas.Row(2), "   abc");
  EXPECT_EQ(canvas.Row(9), "");
  EXPECT_EQ(canvas.Row(-1), "");
  EXPECT_EQ(canvas.Text(), "Title\n\n   abc\nlefq\nwide\n");
}

TEST(CanvasText, LaterRunsOverwriteAndBlanksTrailingAreTrimmed) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  Draw(dc, 5, 16, "Connected   ");
  Draw(dc, 5, 16, "Reel");
  Draw(dc, 65, 16, "   ");
  EXPECT_EQ(canvas.Row(1), "Reelec");
  EXPECT_EQ(canvas.Row(0), "");
}

TEST(CanvasText, OnlyCellsOnTheDisplayShowAndControlBytesAreMasked) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  // 40 columns fit: column 39 starts at pixel 395.
  Draw(dc, 5, 0, "0123456789012345678901234567890123456789XYZ");
  Draw(dc, -15, 16, "abcd");       // starts at column −2
  Draw(dc, 5, -20, "above");       // row −1
  Draw(dc, 5, 400, "below");       // row 25, off the 400-pixel display
  Draw(dc, 5, 32, "a\x1b[2Jb\x7f\xe9");
  EXPECT_EQ(canvas.Row(0), "0123456789012345678901234567890123456789");
  EXPECT_EQ(canvas.Row(1), "cd");
  EXPECT_EQ(canvas.Row(2), "a?[2Jb??");
  EXPECT_EQ(canvas.Rows().size(), 3u);
}

TEST(CanvasText, AnsiColoursEachRunAndResetsAtLineEnds) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  SetTextAlign(dc, TA_UPDATECP);
  MoveToEx(dc, 5, 0, nullptr);
  SetTextColor(dc, 0x00C000);
  Draw(dc, 0, 0, "A ");
  SetTextColor(dc, 0xC0C0C0);
  Draw(dc, 0, 0, "B");
  MoveToEx(dc, 25, 32, nullptr);
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, 0x000080);
  SetTextColor(dc, kGreen);
  Draw(dc, 0, 0, "C ");

  EXPECT_EQ(canvas.Ansi(),
            "\x1b[38;2;0;192;0mA \x1b[38;2;192;192;192mB\x1b[0m\n"
            "\n"
            "  \x1b[38;2;0;255;0m\x1b[48;2;128;0;0mC \x1b[0m\n");
}

// The FreeType picture; on Windows the picture is GDI's own bitmap.
#ifndef _WIN32
// libpng's reader, for checking what was written.
bool ReadPng(const std::string &path, std::vector<unsigned char> &rgb, unsigned &width, unsigned &height) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    return false;
  }
  image.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(image));
  width = image.width;
  height = image.height;
  return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

struct Region {
  int left, top, right, bottom;  // picture pixels, right and bottom excluded
};

// The brightest value of each channel inside the region.
std::vector<int> Brightest(const std::vector<unsigned char> &rgb, unsigned width, Region region) {
  std::vector<int> best(3, 0);
  for (int y = region.top; y < region.bottom; ++y) {
    for (int x = region.left; x < region.right; ++x) {
      for (int c = 0; c < 3; ++c) {
        best[c] = std::max<int>(best[c], rgb[(static_cast<size_t>(y) * width + x) * 3 + c]);
      }
    }
  }
  return best;
}

class CanvasPicture : public ::testing::Test {
protected:
  void SetUp() override {
    char pattern[] = "/tmp/canvas-png-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir = pattern;
  }
  void TearDown() override {
    std::remove((dir + "/screen.png").c_str());
    rmdir(dir.c_str());
  }
  std::string dir;
};

TEST_F(CanvasPicture, WritesTheScreenScaledWithTextInItsColourOnBlack) {
  Canvas canvas = MakeDisplayCanvas();
  HDC dc = canvas.Dc();
  SetTextColor(dc, kRed);
  Draw(dc, 5, 0, "MMMM");
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, kBlue);
  SetTextColor(dc, kGreen);
  Draw(dc, 105, 160, "W ");

  const std::string path = dir + "/screen.png";
  std::string error;
  ASSERT_TRUE(canvas.WritePng(path, error, sim::PngOptions{2, {}})) << error;
  EXPECT_NE(access((path + ".part").c_str(), F_OK), 0);
  std::vector<unsigned char> rgb;
  unsigned width = 0, height = 0;
  ASSERT_TRUE(ReadPng(path, rgb, width, height));
  EXPECT_EQ(width, 800u);
  EXPECT_EQ(height, 800u);

  // Red glyphs in the four cells of the title, nothing else there.
  const std::vector<int> title = Brightest(rgb, width, {10, 0, 90, 32});
  EXPECT_GT(title[0], 200);
  EXPECT_EQ(title[1], 0);
  EXPECT_EQ(title[2], 0);
  // The opaque cells are blue behind a green glyph; the blank second cell is blue only.
  const std::vector<int> glyphCell = Brightest(rgb, width, {210, 320, 230, 352});
  EXPECT_GT(glyphCell[1], 200);
  EXPECT_EQ(glyphCell[2], 255);
  EXPECT_EQ(Brightest(rgb, width, {230, 320, 250, 352}), (std::vector<int>{0, 0, 255}));
  // Black where nothing was drawn.
  EXPECT_EQ(Brightest(rgb, width, {0, 400, 800, 800}), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(Brightest(rgb, width, {250, 320, 800, 352}), (std::vector<int>{0, 0, 0}));
}

TEST_F(CanvasPicture, FailuresComeBackAsReasons) {
  Canvas canvas = MakeDisplayCanvas();
  Draw(canvas.Dc(), 5, 0, "x");
  std::string error;

  EXPECT_FALSE(canvas.WritePng(dir + "/missing/screen.png", error));
  EXPECT_NE(error.find(dir + "/missing/screen.png"), std::string::npos) << error;

  error.clear();
  EXPECT_FALSE(canvas.WritePng(dir + "/screen.png", error, sim::PngOptions{2, dir + "/no-such-font.ttf"}));
  EXPECT_NE(error.find("no-such-font.ttf"), std::string::npos) << error;
  EXPECT_NE(access((dir + "/screen.png").c_str(), F_OK), 0) << "nothing is written without a font";

  error.clear();
  EXPECT_FALSE(canvas.WritePng(dir + "/screen.png", error, sim::PngOptions{0, {}}));
  EXPECT_NE(error.find("scale"), std::string::npos) << error;

  error.clear();
  Canvas huge(65535, 65535, 10, 16);
  EXPECT_FALSE(huge.WritePng(dir + "/screen.png", error));
  EXPECT_NE(error.find("too large"), std::string::npos) << error;
}

#endif  // _WIN32

}  // namespace

// The character-grid text module on a real GDI device context, with a proportional font: the
// position after a text comes from GDI's own advance, not from the cell size.
#include <gtest/gtest.h>

#include <windows.h>

#include "GdiSurface.h"
#include "plugin/display/TextGrid.h"

namespace kestrane {

namespace {

constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kYellow = RGB(255, 255, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class TextGridOnGdi : public ::testing::Test {
protected:
  void TearDown() override {
    TextGrid::cellWidth = 0;
    TextGrid::cellHeight = 0;
  }
  // DejaVu Sans (proportional) in 12-pixel rows, on cells of 8 × 12.
  GdiSurface surface{240, 48, "DejaVu Sans", 12};
  HDC dc = surface.dc;
};

SIZE Extent(HDC dc, const char *text) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
  return size;
}

POINT Position(HDC dc) {
  POINT p{};
  GetCurrentPositionEx(dc, &p);
  return p;
}

TEST_F(TextGridOnGdi, AValueFollowsItsLabelByTheLabelsDrawnWidthOnTheSameRow) {
  TextGrid::Init(dc, 8, 12);
  const SIZE label = Extent(dc, "Pull : ");
  const SIZE value = Extent(dc, "135.3 N");
  ASSERT_NE(label.cx, 7 * 8) << "the font must tell GDI's advance from the cell model";

  const TextGrid::Cell before = TextGrid::PrintAtColor(dc, 0, 1, kGreen, "%s", "Pull : ");
  EXPECT_EQ(before.column, 0);
  EXPECT_EQ(before.row, 0);
  EXPECT_EQ(Position(dc).x, 4 + label.cx);
  EXPECT_EQ(Position(dc).y, 12);

  const TextGrid::Cell start = TextGrid::PrintColor(dc, kYellow, "%.1f N", 135.3);
  const TextGrid::Cell expected = TextGrid::PixelToCell({4 + label.cx, 12});
  EXPECT_EQ(start.column, expected.column);
  EXPECT_EQ(start.row, 1);
  EXPECT_EQ(Position(dc).x, 4 + label.cx + value.cx);
  EXPECT_EQ(Position(dc).y, 12);

  // On the bitmap: the label's pixels, then the value's, side by side in row 1's band.
  const RECT green = surface.BoxOf(kGreen);
  const RECT yellow = surface.BoxOf(kYellow);
  ASSERT_GT(green.right, green.left);
  ASSERT_GT(yellow.right, yellow.left);
  EXPECT_GE(green.left, 4);
  EXPECT_LE(green.right, 4 + label.cx);
  EXPECT_GE(yellow.left, 4 + label.cx);
  EXPECT_LE(yellow.right, 4 + label.cx + value.cx);
  for (const RECT &box : {green, yellow}) {
    EXPECT_GE(box.top, 12);
    EXPECT_LE(box.bottom, 24);
  }
}

TEST_F(TextGridOnGdi, APlainPrintKeepsTheOpaqueBackgroundAndColoursLastSet) {
  TextGrid::Init(dc, 8, 12);
  TextGrid::PrintAtColors(dc, 1, 0, kWhite, kBlue, "AB");
  const int x = Position(dc).x;
  const SIZE cd = Extent(dc, "CD");
  TextGrid::Print(dc, "CD");

  // The second text's box is filled: blue behind white glyphs, nothing left black.
  int white = 0;
  for (int y = 0; y < cd.cy; ++y) {
    for (int px = x; px < x + cd.cx; ++px) {
      const COLORREF c = surface.At(px, y);
      ASSERT_TRUE(c == kBlue || c == kWhite) << "pixel " << px << "," << y;
      white += c == kWhite;
    }
  }
  EXPECT_GT(white, 0);
  EXPECT_EQ(surface.At(x + cd.cx + 1, 2), kBlack) << "nothing is drawn past the text";
  EXPECT_EQ(surface.At(1, 2), kBlack) << "nothing is drawn before column 1";
}

}  // namespace

}  // namespace kestrane

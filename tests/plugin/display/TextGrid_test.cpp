#include "plugin/display/TextGrid.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "sim/display/Canvas.h"

// Found by argument-dependent lookup from the assertions.
namespace kestrane::TextGrid {
static bool operator==(Cell a, Cell b) { return a.column == b.column && a.row == b.row; }
static bool operator==(Pixel a, Pixel b) { return a.x == b.x && a.y == b.y; }
static std::ostream &operator<<(std::ostream &os, Cell c) { return os << "cell(" << c.column << ", " << c.row << ")"; }
static std::ostream &operator<<(std::ostream &os, Pixel p) { return os << "pixel(" << p.x << ", " << p.y << ")"; }
}  // namespace kestrane::TextGrid

namespace kestrane {

namespace {

class TextGridTest : public ::testing::Test {
protected:
  void TearDown() override {
    TextGrid::cellWidth = 0;
    TextGrid::cellHeight = 0;
  }

  sim::Canvas canvas{400, 400, 8, 12};
  HDC dc = canvas.Dc();
};

TEST_F(TextGridTest, InitAndMovesUseTheHalfCellOffset) {
  TextGrid::Init(dc, 8, 12);
  EXPECT_EQ(canvas.State().textAlign, UINT{TA_UPDATECP});
  EXPECT_EQ(TextGrid::GetPixelPos(dc), (TextGrid::Pixel{4, 0}));
  EXPECT_EQ(TextGrid::GetPixelPos(dc), (TextGrid::Pixel{4, 0})) << "reading the position must not move it";

  EXPECT_EQ(TextGrid::MoveToCell(dc, 3, 2), (TextGrid::Cell{0, 0}));
  EXPECT_EQ(TextGrid::GetPixelPos(dc), (TextGrid::Pixel{28, 24}));

  // A negative column keeps x, a negative row keeps y.
  EXPECT_EQ(TextGrid::MoveToCell(dc, -1, 5), (TextGrid::Cell{3, 2}));
  EXPECT_EQ(TextGrid::GetPixelPos(dc), (TextGrid::Pixel{28, 60}));
  TextGrid::MoveToCell(dc, 6, -1);
  EXPECT_EQ(TextGrid::GetPixelPos(dc), (TextGrid::Pixel{52, 60}));

  EXPECT_EQ(TextGrid::MoveToPixel(dc, 100, 7), (TextGrid::Pixel{52, 60}));
  EXPECT_EQ(TextGrid::GetCell(dc), (TextGrid::Cell{12, 0}));
}

TEST_F(TextGridTest, ConversionsTruncateTowardZero) {
  TextGrid::Init(dc, 7, 12);
  // The half cell of an odd width is 3.
  EXPECT_EQ(TextGrid::CellToPixel({2, 1}), (TextGrid::Pixel{17, 12}));

  TextGrid::Init(dc, 8, 12);
  EXPECT_EQ(TextGrid::PixelToCell({0, 0}), (TextGrid::Cell{0, 0})) << "(0 - 4) / 8 is 0, not -1";
  EXPECT_EQ(TextGrid::PixelToCell({40, 23}), (TextGrid::Cell{4, 1}));
  EXPECT_EQ(TextGrid::PixelToCell({-5, -13}), (TextGrid::Cell{-1, -1}));
  EXPECT_EQ(TextGrid::PixelToCell({-20, -24}), (TextGrid::Cell{-3, -2}));
}

TEST_F(TextGridTest, ZeroCellSizeNeverDivides) {
  TextGrid::cellWidth = 0;
  TextGrid::cellHeight = 0;
  EXPECT_EQ(TextGrid::PixelToCell({37, 50}), (TextGrid::Cell{0, 0}));
  TextGrid::Init(dc, 0, 0);
  EXPECT_EQ(TextGrid::GetCell(dc), (TextGrid::Cell{0, 0}));
  EXPECT_EQ(TextGrid::Print(dc, "x"), (TextGrid::Cell{0, 0}));
}

TEST_F(TextGridTest, ValueFollowsItsLabelOnTheSameRow) {
  TextGrid::Init(dc, 8, 12);
  EXPECT_EQ(TextGrid::PrintAtColor(dc, 0, 1, 0xC000, "Len: "), (TextGrid::Cell{0, 0}));
  EXPECT_EQ(TextGrid::PrintColor(dc, 0xFF00, "%d m", 12), (TextGrid::Cell{5, 1}));
  EXPECT_EQ(canvas.Row(1), "Len: 12 m");

  const auto &runs = canvas.Runs();
  ASSERT_EQ(runs.size(), 2u);
  EXPECT_EQ(runs[0].textColour, COLORREF{0xC000});
  EXPECT_EQ(runs[1].textColour, COLORREF{0xFF00});
  EXPECT_EQ(runs[1].backMode, TRANSPARENT);
  EXPECT_EQ(runs[1].x, 44);
  EXPECT_EQ(runs[1].y, 12);
}

TEST_F(TextGridTest, PlainPrintKeepsTheColoursLastSet) {
  TextGrid::Init(dc, 8, 12);
  TextGrid::PrintAtColors(dc, 2, 3, 0x0000FF, 0x202020, "A");
  EXPECT_EQ(TextGrid::Print(dc, "B%s", "C"), (TextGrid::Cell{3, 3}));
  TextGrid::PrintAt(dc, 0, 4, "D");

  const auto &runs = canvas.Runs();
  ASSERT_EQ(runs.size(), 3u);
  for (const sim::TextRun &run : runs) {
    EXPECT_EQ(run.backMode, OPAQUE) << run.text;
    EXPECT_EQ(run.backColour, COLORREF{0x202020}) << run.text;
    EXPECT_EQ(run.textColour, COLORREF{0x0000FF}) << run.text;
  }
  EXPECT_EQ(canvas.Row(3), "  ABC");
  EXPECT_EQ(canvas.Row(4), "D");
}

TEST_F(TextGridTest, LongTextIsCutAtTheBuffer) {
  TextGrid::Init(dc, 8, 12);
  const std::string text(400, 'x');
  TextGrid::PrintAt(dc, 0, 0, "%s", text.c_str());
  ASSERT_EQ(canvas.Runs().size(), 1u);
  EXPECT_EQ(canvas.Runs()[0].text, std::string(TextGrid::bufferSize - 1, 'x'));
}

}  // namespace

}  // namespace kestrane

#include "sim/display/DisplayPanel.h"

#include <gtest/gtest.h>

#include <string>

#include "host/MFDAPI.h"

namespace {

using sim::DisplayHost;

// A display with a title, one red word in the middle of the screen, and labels on all but one of
// its twelve buttons, one of them too long for a button.
class Labelled : public MFD {
public:
  Labelled(DWORD w, DWORD h) : MFD(w, h, nullptr) {}
  void Update(HDC hDC) override {
    Title(hDC, "Panel");
    SetTextColor(hDC, 0x0000FF);
    TextOutA(hDC, static_cast<int>(cw / 2 + 2 * cw), static_cast<int>(10 * ch), "middle", 6);
  }
  char *ButtonLabel(int bt) override {
    static const char *const labels[12] = {"L0", "L1", "L2", nullptr, "L4", "LONG", "R0", "R1", "R2", "R3", "R4", "R5"};
    return bt >= 0 && bt < 12 ? const_cast<char *>(labels[bt]) : nullptr;
  }
};

OAPI_MSGTYPE LabelledProc(UINT msg, UINT, WPARAM wparam, LPARAM) {
  if (msg != OAPI_MSG_MFD_OPENED) return 0;
  return reinterpret_cast<OAPI_MSGTYPE>(static_cast<MFD *>(new Labelled(LOWORD(wparam), HIWORD(wparam))));
}

TEST(DisplayPanel, TheLabelsStandBesideTheScreenAtTheirButtonsHeights) {
  DisplayHost host;
  char name[] = "Labelled";
  MFDMODESPEC spec{name, 20, LabelledProc};
  ASSERT_GT(oapiRegisterMFDMode(spec), 0);
  DisplayHost::Display *display = host.Open("Labelled", nullptr);
  ASSERT_NE(display, nullptr);
  host.EndFrame(0);

  const std::unique_ptr<sim::Canvas> panel = sim::DrawPanel(host, *display);
  ASSERT_EQ(panel->Width(), 400 + 2 * 50);
  ASSERT_EQ(panel->Height(), 400);
  // The screen five cells in; the buttons of a 400-pixel screen centred 66, 123, 180, 237, 294 and
  // 351 pixels down, their labels a cell high about that: rows 3, 7, 10, 14, 17 and 21.
  const std::string screenToRight(43, ' ');
  EXPECT_EQ(panel->Row(0), "     Panel");
  EXPECT_EQ(panel->Row(3), " L0" + screenToRight + "R0");
  EXPECT_EQ(panel->Row(7), " L1" + screenToRight + "R1");
  EXPECT_EQ(panel->Row(10), " L2    middle" + std::string(33, ' ') + "R2");
  EXPECT_EQ(panel->Row(14), std::string(46, ' ') + "R3");
  EXPECT_EQ(panel->Row(17), " L4" + screenToRight + "R4");
  EXPECT_EQ(panel->Row(21), " LON" + std::string(42, ' ') + "R5") << "three characters of a label show";

  // The bezel is grey around the labels, the screen's height; the screen keeps its colours and its
  // black.
  const auto cells = panel->Cells();
  ASSERT_EQ(cells.size(), 25u);
  EXPECT_TRUE(cells[24][49].opaque);
  EXPECT_TRUE(cells[14][2].opaque);
  EXPECT_EQ(cells[14][2].backColour, 0x404040u);
  EXPECT_EQ(cells[3][1].backColour, 0x404040u);
  EXPECT_NE(cells[3][1].textColour, cells[3][1].backColour);
  EXPECT_FALSE(cells[10][5].opaque);
  EXPECT_EQ(cells[10][7].textColour, 0x0000FFu);
  EXPECT_EQ(cells[0][5].textColour, 0xFFFFFFu);

  // The display's own text is the screen alone.
  EXPECT_EQ(display->Surface().Row(10), "  middle");
}

}  // namespace

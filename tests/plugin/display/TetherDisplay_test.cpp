#include <memory>
#include <string>
#include <vector>

#include "sim/display/Canvas.h"
#include "sim/scenario/ScenarioStream.h"
#include "tests/plugin/display/DisplayTest.h"

namespace kestrane {

namespace {

static_assert(sizeof(OAPI_MSGTYPE) >= sizeof(void *), "a display's address must fit the message result");

using ModeTest = TugAndProbeTest;

TEST_F(ModeTest, OnlyTheOpenedMessageCreatesADisplay) {
  const WPARAM size = WPARAM{300} | (WPARAM{280} << 16);
  const LPARAM vessel = reinterpret_cast<LPARAM>(tug->Interface());
  for (UINT msg : {0u, 2u, 3u, 4u, 1000u}) EXPECT_EQ(ModeMessageProc(msg, 0, size, vessel), 0) << msg;

  const OAPI_MSGTYPE result = ModeMessageProc(OAPI_MSG_MFD_OPENED, 0, size, vessel);
  ASSERT_NE(result, 0);
  // The address comes back whole: the object is usable and deletes through its base.
  std::unique_ptr<MFD> display(reinterpret_cast<MFD *>(result));
  ASSERT_NE(dynamic_cast<TetherDisplay *>(display.get()), nullptr);
}

TEST_F(ModeTest, TwoDisplaysShowAndEditTheOneRegistry) {
  Display *left = Open();
  Display *right = Open();
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(Rows(*left), Rows(*right));

  // A key on one display shows on the other at its next redraw.
  EXPECT_TRUE(host.PressKey(*left, DIK_RBRACKET));
  host.Redraw(*right);
  EXPECT_EQ(Row(*right, 4), "Length      : 1200.0 m");
  EXPECT_TRUE(host.PressKey(*right, DIK_PERIOD));
  host.RedrawAll();
  EXPECT_EQ(Row(*left, 11), "Tethers >> -0-*1*-2--3--4--5--6--7-");
  EXPECT_EQ(Rows(*left), Rows(*right));

  // Closing every display loses nothing: a new one shows the same state.
  const std::vector<std::string> before = Rows(*left);
  host.CloseAll();
  ASSERT_EQ(host.DisplayCount(), 0u);
  Display *again = Open();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(Rows(*again), before);
}

TEST_F(ModeTest, EveryDisplaySavesAndLoadsTheOneRegistry) {
  Display *left = Open();
  Display *right = Open();
  ASSERT_NE(left, nullptr);
  ASSERT_NE(right, nullptr);
  Data().setupLength = 2500.0;
  Data().currentTether = 3;

  sim::ScenarioStream fromLeft, fromRight;
  host.WriteStatus(*left, fromLeft.Handle());
  host.WriteStatus(*right, fromRight.Handle());
  ASSERT_FALSE(fromLeft.Written().empty());
  EXPECT_EQ(fromLeft.Written(), fromRight.Written());

  // A block read through one display shows on the other.
  Data().setupLength = 1000.0;
  Data().currentTether = 0;
  sim::ScenarioStream block(fromLeft.Written());
  host.ReadStatus(*right, block.Handle());
  host.Redraw(*left);
  EXPECT_EQ(Row(*left, 4), "Length      : 2500.0 m");
  EXPECT_EQ(Row(*left, 11), "Tethers >> -0--1--2-*3*-4--5--6--7-");
}

}  // namespace

}  // namespace kestrane

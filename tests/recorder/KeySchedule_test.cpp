// The recorder's key schedule against kestrane-sim's --keys: the same names for the same keys, the
// same refusals, and the same frames for the same times.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "realhost/recorder/KeySchedule.h"
#include "sim/cli/KeyNames.h"
#include "sim/display/DisplayHost.h"

namespace {

using recorder::KeySchedule;
using recorder::ParseKeySchedule;
using recorder::TimedKey;

TEST(KeyScheduleTest, NamesTheKeysAndButtonsKestraneSimNames) {
  // Every code kestrane-sim has a name for, by that name and in lower case.
  int named = 0;
  for (unsigned code = 0; code <= 0xFF; ++code) {
    const std::string name = sim::KeyName(code);
    if (name.rfind("0x", 0) == 0) continue;
    ++named;
    std::string lower = name;
    for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (const std::string &spelled : {name, lower, " " + name + " "}) {
      ASSERT_TRUE(recorder::KeyCode(spelled).has_value()) << spelled;
      EXPECT_EQ(*recorder::KeyCode(spelled), code) << spelled;
      EXPECT_EQ(*sim::KeyCode(spelled), code) << spelled;
    }
  }
  EXPECT_GE(named, 25 + 2);  // the display's 25 keys, F2 and the grave accent at least
  for (int button = 1; button <= 12; ++button) {
    const std::string name = "BTN" + std::to_string(button);
    ASSERT_EQ(recorder::ButtonNumber(name), button - 1) << name;
    EXPECT_EQ(*sim::KeyCode(name), sim::DisplayHost::ButtonKey(button - 1)) << name;
    EXPECT_FALSE(recorder::KeyCode(name).has_value()) << name;
  }
  for (const char *other : {"0x24", "0x3c", "0XFF"}) EXPECT_EQ(recorder::KeyCode(other), sim::KeyCode(other)) << other;
  for (const char *none : {"BTN0", "BTN13", "F1", "0x100", "0x", "DIK_J", "", "J J"}) {
    EXPECT_FALSE(recorder::KeyCode(none).has_value()) << none;
    EXPECT_FALSE(recorder::ButtonNumber(none).has_value()) << none;
    EXPECT_FALSE(sim::KeyCode(none).has_value()) << none;
  }
}

TEST(KeyScheduleTest, ReadsListsAsKestraneSimReadsThemAndRefusesWhatItRefuses) {
  for (const char *list : {"0:MINUS,0:A,0:J,3:I,437:O", " 1.5 : btn3 , 2:F2,2:grave,", "", "7:0x24"}) {
    std::string error, simError;
    const auto keys = ParseKeySchedule(list, error);
    const auto simKeys = sim::ParseKeyList(list, simError);
    ASSERT_TRUE(keys.has_value()) << list << ": " << error;
    ASSERT_TRUE(simKeys.has_value()) << list;
    ASSERT_EQ(keys->size(), simKeys->size()) << list;
    for (size_t i = 0; i < keys->size(); ++i) {
      EXPECT_EQ((*keys)[i].time, (*simKeys)[i].time) << list;
      const DWORD code = (*keys)[i].button ? sim::DisplayHost::ButtonKey(static_cast<int>((*keys)[i].code))
                                           : static_cast<DWORD>((*keys)[i].code);
      EXPECT_EQ(code, (*simKeys)[i].key) << list << " entry " << i;
    }
  }
  for (const char *bad : {"1:J,,2:K", "J", "x:J", "-1:J", "inf:J", "1:NOPE", "1:BTN13", "1e999:J"}) {
    std::string error, simError;
    EXPECT_FALSE(ParseKeySchedule(bad, error).has_value()) << bad;
    EXPECT_FALSE(sim::ParseKeyList(bad, simError).has_value()) << bad;
    EXPECT_EQ(error, simError) << bad;
  }
}

// The host's clock is a running sum of its steps: a key due at a whole second is pressed at the
// frame whose start the sum brings within rounding of it, and a key waits for those listed before.
TEST(KeyScheduleTest, HandsOutEachKeyOnceAtTheFirstFrameAtOrAfterItsTimeInListOrder) {
  std::string error;
  KeySchedule schedule(*ParseKeySchedule("0:MINUS,0:A,1:J,0.5:I,2.01:O", error));
  double clock = 0;
  std::vector<std::pair<int, unsigned>> pressed;  // frame, code
  for (int frame = 0; frame < 200; ++frame) {
    for (const TimedKey &key : schedule.Due(clock)) pressed.push_back({frame, key.code});
    clock += 0.02;
  }
  ASSERT_NE(clock, 4.0);
  const std::vector<std::pair<int, unsigned>> expected = {{0, 0x0C}, {0, 0x1E}, {50, 0x24}, {50, 0x17}, {101, 0x18}};
  EXPECT_EQ(pressed, expected);
  EXPECT_EQ(schedule.Remaining(), 0u);
  EXPECT_TRUE(schedule.Due(1e9).empty());
}

}  // namespace

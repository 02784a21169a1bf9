// What a key typed in play means: a simulator control or a display key.
#include "sim/play/TypedKeys.h"

#include <gtest/gtest.h>

#include <set>

namespace {

using sim::PlayControl;

TEST(PlayKeysTest, CharactersPressTheirKeysScanCodesInEitherCaseAndTheSimulatorKeepsItsOwn) {
  // Letters follow the keyboard's rows, not the alphabet.
  EXPECT_EQ(sim::ScanCodeForCharacter('a'), DWORD{OAPI_KEY_A});
  EXPECT_EQ(sim::ScanCodeForCharacter('A'), DWORD{OAPI_KEY_A});
  EXPECT_EQ(sim::ScanCodeForCharacter('j'), DWORD{OAPI_KEY_J});
  EXPECT_EQ(sim::ScanCodeForCharacter('J'), DWORD{OAPI_KEY_J});
  EXPECT_EQ(sim::ScanCodeForCharacter('m'), DWORD{OAPI_KEY_M});
  EXPECT_EQ(sim::ScanCodeForCharacter('p'), DWORD{OAPI_KEY_P});
  EXPECT_EQ(sim::ScanCodeForCharacter('z'), DWORD{OAPI_KEY_Z});
  // 0 is the key after 9.
  EXPECT_EQ(sim::ScanCodeForCharacter('1'), DWORD{OAPI_KEY_1});
  EXPECT_EQ(sim::ScanCodeForCharacter('9'), DWORD{OAPI_KEY_9});
  EXPECT_EQ(sim::ScanCodeForCharacter('0'), DWORD{OAPI_KEY_0});
  // Punctuation with and without Shift is the same key.
  EXPECT_EQ(sim::ScanCodeForCharacter('-'), DWORD{OAPI_KEY_MINUS});
  EXPECT_EQ(sim::ScanCodeForCharacter('_'), DWORD{OAPI_KEY_MINUS});
  EXPECT_EQ(sim::ScanCodeForCharacter('+'), DWORD{OAPI_KEY_EQUALS});
  EXPECT_EQ(sim::ScanCodeForCharacter('{'), DWORD{OAPI_KEY_LBRACKET});
  EXPECT_EQ(sim::ScanCodeForCharacter(']'), DWORD{OAPI_KEY_RBRACKET});
  EXPECT_EQ(sim::ScanCodeForCharacter(':'), DWORD{OAPI_KEY_SEMICOLON});
  EXPECT_EQ(sim::ScanCodeForCharacter('\''), DWORD{OAPI_KEY_APOSTROPHE});
  EXPECT_EQ(sim::ScanCodeForCharacter('<'), DWORD{OAPI_KEY_COMMA});
  EXPECT_EQ(sim::ScanCodeForCharacter('.'), DWORD{OAPI_KEY_PERIOD});
  EXPECT_EQ(sim::ScanCodeForCharacter('/'), DWORD{OAPI_KEY_SLASH});

  // The simulator's own keys never reach the display; ? and h are not display keys.
  const std::pair<int, PlayControl> own[] = {
      {'q', PlayControl::Quit},       {'Q', PlayControl::Quit}, {27, PlayControl::Quit},  {' ', PlayControl::Pause},
      {'\t', PlayControl::NextFocus}, {'?', PlayControl::Keys}, {'h', PlayControl::Keys}, {'H', PlayControl::Keys}};
  for (const auto &[ch, control] : own) {
    EXPECT_EQ(sim::ControlForCharacter(ch), control) << ch;
    EXPECT_FALSE(sim::ScanCodeForCharacter(ch)) << ch;
  }
  for (int ch : {int{'\n'}, int{'\r'}, 127, 0, 200, -1}) {
    EXPECT_FALSE(sim::ScanCodeForCharacter(ch)) << ch;
    EXPECT_EQ(sim::ControlForCharacter(ch), PlayControl::None) << ch;
  }

  // Every key of the display's command set can be typed.
  std::set<DWORD> typed;
  for (int ch = 0; ch < 256; ++ch)
    if (auto code = sim::ScanCodeForCharacter(ch)) typed.insert(*code);
  for (DWORD code :
       {OAPI_KEY_1,          OAPI_KEY_2,     OAPI_KEY_3,      OAPI_KEY_4,    OAPI_KEY_5, OAPI_KEY_6, OAPI_KEY_7,
        OAPI_KEY_8,          OAPI_KEY_MINUS, OAPI_KEY_EQUALS, OAPI_KEY_U,    OAPI_KEY_I, OAPI_KEY_O, OAPI_KEY_LBRACKET,
        OAPI_KEY_RBRACKET,   OAPI_KEY_A,     OAPI_KEY_S,      OAPI_KEY_J,    OAPI_KEY_K, OAPI_KEY_L, OAPI_KEY_SEMICOLON,
        OAPI_KEY_APOSTROPHE, OAPI_KEY_COMMA, OAPI_KEY_PERIOD, OAPI_KEY_SLASH})
    EXPECT_EQ(typed.count(code), 1u) << code;
}

TEST(PlayKeysTest, DeletingTheFocusVesselTakesAYAndNothingElse) {
  EXPECT_EQ(sim::DeletionQuestion("Tug"), "delete Tug? y/N");
  EXPECT_TRUE(sim::ConfirmsDeletion('y'));
  EXPECT_TRUE(sim::ConfirmsDeletion('Y'));
  // Enter, the keys that quit and pause, and a second Delete (a byte 127 from some terminals)
  // all keep the vessel.
  for (int ch : {int{'n'}, int{'N'}, int{'\n'}, int{'\r'}, 27, int{'q'}, int{' '}, 127, int{'j'}})
    EXPECT_FALSE(sim::ConfirmsDeletion(ch)) << ch;
}

}  // namespace

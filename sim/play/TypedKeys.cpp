#include "sim/play/TypedKeys.h"

namespace sim {

namespace {

// The unshifted and shifted characters of each key the display's set can be typed with, on a US
// keyboard; letters are handled apart.
struct CharacterKey {
  char plain, shifted;
  DWORD code;
};

const CharacterKey characterKeys[] = {
    {'1', '!', OAPI_KEY_1},           {'2', '@', OAPI_KEY_2},        {'3', '#', OAPI_KEY_3},
    {'4', '$', OAPI_KEY_4},           {'5', '%', OAPI_KEY_5},        {'6', '^', OAPI_KEY_6},
    {'7', '&', OAPI_KEY_7},           {'8', '*', OAPI_KEY_8},        {'9', '(', OAPI_KEY_9},
    {'0', ')', OAPI_KEY_0},           {'-', '_', OAPI_KEY_MINUS},    {'=', '+', OAPI_KEY_EQUALS},
    {'[', '{', OAPI_KEY_LBRACKET},    {']', '}', OAPI_KEY_RBRACKET}, {';', ':', OAPI_KEY_SEMICOLON},
    {'\'', '"', OAPI_KEY_APOSTROPHE}, {'`', '~', OAPI_KEY_GRAVE},    {'\\', '|', OAPI_KEY_BACKSLASH},
    {',', '<', OAPI_KEY_COMMA},       {'.', '>', OAPI_KEY_PERIOD},   {'/', '?', OAPI_KEY_SLASH},
};

// Scan codes of the letters, A to Z: the keyboard's rows, not the alphabet.
const DWORD letterCodes[26] = {OAPI_KEY_A, OAPI_KEY_B, OAPI_KEY_C, OAPI_KEY_D, OAPI_KEY_E, OAPI_KEY_F, OAPI_KEY_G,
                               OAPI_KEY_H, OAPI_KEY_I, OAPI_KEY_J, OAPI_KEY_K, OAPI_KEY_L, OAPI_KEY_M, OAPI_KEY_N,
                               OAPI_KEY_O, OAPI_KEY_P, OAPI_KEY_Q, OAPI_KEY_R, OAPI_KEY_S, OAPI_KEY_T, OAPI_KEY_U,
                               OAPI_KEY_V, OAPI_KEY_W, OAPI_KEY_X, OAPI_KEY_Y, OAPI_KEY_Z};

}  // namespace

PlayControl ControlForCharacter(int ch) {
  switch (ch) {
    case ' ':
      return PlayControl::Pause;
    case '\t':
      return PlayControl::NextFocus;
    case 'q':
    case 'Q':
    case escapeCharacter:
      return PlayControl::Quit;
    case '?':
    case 'h':
    case 'H':
      return PlayControl::Keys;
    default:
      return PlayControl::None;
  }
}

std::optional<DWORD> ScanCodeForCharacter(int ch) {
  if (ControlForCharacter(ch) != PlayControl::None) return std::nullopt;
  if (ch >= 'a' && ch <= 'z') return letterCodes[ch - 'a'];
  if (ch >= 'A' && ch <= 'Z') return letterCodes[ch - 'A'];
  for (const CharacterKey &key : characterKeys)
    if (ch == key.plain || ch == key.shifted) return key.code;
  return std::nullopt;
}

std::string DeletionQuestion(const std::string &vessel) { return "delete " + vessel + "? y/N"; }

bool ConfirmsDeletion(int ch) { return ch == 'y' || ch == 'Y'; }

}  // namespace sim

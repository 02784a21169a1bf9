// What a key typed in `kestrane-sim play` means: one of the simulator's own controls, or a key of
// the display, by the scan code it is typed with.
#pragma once

#include <optional>
#include <string>

#include "host/OrbiterAPI.h"

namespace sim {

// The simulator's own controls. Everything else typed goes to the display.
enum class PlayControl { None, Quit, Pause, NextFocus, PreviousFocus, Slower, Faster, DeleteFocus, Keys };

constexpr int escapeCharacter = 27;

// What a typed character means to the simulator: Space pauses, Tab moves the focus to the next
// vessel, q (either case) and Esc quit, ? and h (either case) show every key. None for every
// other character; the arrow and function keys are the terminal's business and are mapped where
// it is read.
PlayControl ControlForCharacter(int ch);

// The scan code of the key a character is typed with on a US keyboard: digits, letters in either
// case, and the punctuation keys with or without Shift ('-' and '_' both give OAPI_KEY_MINUS).
// Nothing for the simulator's own keys (q, h, ?, Space, Tab, Esc) and for characters no key of the
// display's set produces.
std::optional<DWORD> ScanCodeForCharacter(int ch);

// The question the Delete key asks before the focus vessel goes, and what answers it: y or Y
// deletes, every other key keeps the vessel.
std::string DeletionQuestion(const std::string &vessel);
bool ConfirmsDeletion(int ch);

}  // namespace sim

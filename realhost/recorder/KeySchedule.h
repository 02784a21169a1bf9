// The keys a run presses on the display, in kestrane-sim's --keys syntax "T:KEY,T:KEY,…": KEY a
// scan-code name without "DIK_" ("J", "MINUS", "LBRACKET", "1", …, case-insensitive, or a code
// "0x24"), the host's own "F2" (the next page of buttons) and "GRAVE" (the button menu), or "BTN1"
// to "BTN12", a click on a button of the page shown (the left side top to bottom, then the right).
//
// Each is pressed at the first frame that starts at or after its time T (s), in the order listed:
// a key waits for the keys listed before it, as kestrane-sim presses them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace recorder {

struct TimedKey {
  double time = 0;      // s of simulated time
  unsigned code = 0;    // the scan code of a key; the button's number from 0 for a click
  bool button = false;  // a click on a button rather than a key
};

// The code of a key's name; none for a name that is no key. Buttons are named by ButtonNumber.
std::optional<unsigned> KeyCode(const std::string &name);
// The number (0 .. 11) of a button named "BTN1" .. "BTN12"; none for another name.
std::optional<int> ButtonNumber(const std::string &name);

// The list, or nothing with the reason in `error`.
std::optional<std::vector<TimedKey>> ParseKeySchedule(const std::string &list, std::string &error);

class KeySchedule {
public:
  KeySchedule() = default;
  explicit KeySchedule(std::vector<TimedKey> list) : keys(std::move(list)) {}

  // The keys due at the start of a frame at `time` (s), in order; each is handed out once.
  std::vector<TimedKey> Due(double time);
  bool Empty() const { return keys.empty(); }
  // Keys not yet handed out.
  size_t Remaining() const { return keys.size() - next; }

private:
  std::vector<TimedKey> keys;
  size_t next = 0;
};

}  // namespace recorder

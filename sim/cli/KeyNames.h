// Key names as the command line takes them: the DirectInput scan-code names, without "DIK_".
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "host/OrbiterAPI.h"

namespace sim {

// "J", "MINUS", "LBRACKET", "1", … (case-insensitive), or a code such as "0x24"; also the host's
// own: "F2" (the next page of buttons), "GRAVE" (the button menu) and "BTN1" to "BTN12" (a click
// on a button of the page shown, down the left side, then the right).
std::optional<DWORD> KeyCode(const std::string &name);
// The name of a code, "0x.." when it has none.
std::string KeyName(DWORD code);

struct TimedKey {
  double time;  // s of simulated time
  DWORD key;
};

// "T:KEY,T:KEY,…"; on a bad entry returns nothing and says why in `error`.
std::optional<std::vector<TimedKey>> ParseKeyList(const std::string &list, std::string &error);

}  // namespace sim

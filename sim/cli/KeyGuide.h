// What teaches a user the keys: the display's 25 keys by the name `--keys` takes, the character
// typed in `play` and what each does; the simulator's own keys in `play`; the legend beside the
// display, the page of every key and the key list of `run --help`.
#pragma once

#include <string>
#include <vector>

namespace sim {

struct DisplayKeyHelp {
  const char *name;     // as --keys takes it: "MINUS"
  char typed;           // in play, on a US keyboard: '-'
  const char *command;  // what it does: "next target vessel"
};

// The 25 keys of the display, in the order of its keyboard rows (digits first).
const std::vector<DisplayKeyHelp> &DisplayKeys();

struct PlayKeyHelp {
  const char *keys;  // "Left/Right, F1/F2"
  const char *does;  // "time slower/faster"
};

// The simulator's own keys in play.
const std::vector<PlayKeyHelp> &PlayKeys();

// The widest line of the legend, in characters.
constexpr int legendWidth = 38;

// The legend beside the display: its keys by what they do, those a first tether needs first, so
// that a legend cut short keeps them. Lines of at most `legendWidth` characters.
const std::vector<std::string> &KeyLegend();

// The page of every key (and the scenario's description, when the page has room for it below the
// keys): `rows` lines of `width` characters at most, two columns where the width allows.
std::vector<std::string> KeysPage(int width, int rows, const std::vector<std::string> &description);

// The display's keys as `run --help` lists them: one line each, name, character and command.
std::string KeyListHelp();

}  // namespace sim

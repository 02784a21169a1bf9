#include "sim/cli/KeyGuide.h"

#include <algorithm>
#include <cstdio>

namespace sim {

namespace {

// One column of the keys page, and the blank between two.
constexpr int pageColumn = 39;
constexpr int pageGap = 1;

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text += std::string(width - text.size(), ' ');
  return text;
}

}  // namespace

const std::vector<DisplayKeyHelp> &DisplayKeys() {
  static const std::vector<DisplayKeyHelp> keys = {
      {"1", '1', "own end at the centre (CoG)"},
      {"2", '2', "own end at a docking port"},
      {"3", '3', "own end at attachment (Grap)"},
      {"4", '4', "target end at the centre (CoG)"},
      {"5", '5', "target end at a docking port"},
      {"6", '6', "target end at attachment (Grap)"},
      {"7", '7', "next own docking port"},
      {"8", '8', "next target docking port"},
      {"MINUS", '-', "next target vessel"},
      {"EQUALS", '=', "previous target vessel"},
      {"U", 'u', "disconnect the current tether"},
      {"I", 'i', "reel in (again: faster)"},
      {"O", 'o', "reel out (again: faster)"},
      {"LBRACKET", '[', "setup length a fifth shorter"},
      {"RBRACKET", ']', "setup length a fifth longer"},
      {"A", 'a', "setup length = target distance"},
      {"S", 's', "spool: powered reel / free"},
      {"J", 'j', "connect the current tether"},
      {"K", 'k', "tether force a fifth lower"},
      {"L", 'l', "tether force a fifth higher"},
      {"SEMICOLON", ';', "setup force a fifth lower"},
      {"APOSTROPHE", '\'', "setup force a fifth higher"},
      {"COMMA", ',', "previous tether (7 after 0)"},
      {"PERIOD", '.', "next tether (0 after 7)"},
      {"SLASH", '/', "nothing"},
  };
  return keys;
}

const std::vector<PlayKeyHelp> &PlayKeys() {
  static const std::vector<PlayKeyHelp> keys = {
      {"Space", "pause / go on"},
      {"Tab, Shift-Tab", "next / prev. vessel"},
      {"Left/Right, F1/F2", "time slower/faster"},
      {"Delete", "delete focus vessel"},
      {"? or h", "every key on a page"},
      {"q or Esc", "quit, offer to save"},
  };
  return keys;
}

const std::vector<std::string> &KeyLegend() {
  static const std::vector<std::string> legend = {
      "Display keys        ? or h: every key", "- =   target vessel next / previous",
      "a     length = distance to target",     "j     connect        u  disconnect",
      "i o   reel in / out (again: faster)",   "s     spool: powered reel / free",
      "[ ]   setup length shorter / longer",   "; '   setup force lower / higher",
      "k l   tether force lower / higher",     ", .   tether previous / next",
      "1 2 3 own end at CoG / Dock / Grap",    "4 5 6 target end at CoG / Dock / Grap",
      "7 8   next dock port: own / target",
  };
  return legend;
}

std::vector<std::string> KeysPage(int width, int rows, const std::vector<std::string> &description) {
  std::vector<std::string> entries;
  entries.push_back("Simulator keys");
  for (const PlayKeyHelp &key : PlayKeys()) entries.push_back("  " + Padded(key.keys, 18) + key.does);
  entries.push_back("");
  entries.push_back("Display keys");
  for (const DisplayKeyHelp &key : DisplayKeys())
    entries.push_back(std::string("  ") + key.typed + "   " + key.command);

  std::vector<std::string> page = {"Every key (any key returns)", ""};
  if (width >= 2 * pageColumn + pageGap) {
    // The left column ends with the display's digits, the right one holds the rest.
    const size_t half = (entries.size() + 1) / 2;
    for (size_t i = 0; i < half; ++i) {
      std::string line = Padded(entries[i], pageColumn + pageGap);
      if (half + i < entries.size()) line += entries[half + i];
      page.push_back(line);
    }
  } else {
    page.insert(page.end(), entries.begin(), entries.end());
  }
  // The description only where all of it fits, below the keys.
  const size_t used = page.size();
  if (!description.empty() && used + 1 + description.size() <= static_cast<size_t>(std::max(rows, 0))) {
    page.push_back("");
    page.insert(page.end(), description.begin(), description.end());
  }
  if (page.size() > static_cast<size_t>(std::max(rows, 0))) page.resize(static_cast<size_t>(std::max(rows, 0)));
  for (std::string &line : page)
    if (static_cast<int>(line.size()) > width) line.resize(static_cast<size_t>(std::max(width, 0)));
  return page;
}

std::string KeyListHelp() {
  std::string text = "The display's keys, as --keys names them (in play, type the character):\n";
  for (const DisplayKeyHelp &key : DisplayKeys()) {
    char line[96];
    std::snprintf(line, sizeof line, "  %-11s %c  %s\n", key.name, key.typed, key.command);
    text += line;
  }
  text +=
      "Other keys by their scan-code names: the letters and digits, ESCAPE, TAB, RETURN, BACK, SPACE,\n"
      "GRAVE, BACKSLASH, LCONTROL, LSHIFT, RSHIFT, or a code such as 0x1C.\n";
  return text;
}

}  // namespace sim

#include "sim/cli/KeyNames.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace sim {

namespace {

struct NamedKey {
  const char *name;
  DWORD code;
};

const NamedKey keyNames[] = {
    {"ESCAPE", DIK_ESCAPE},     {"1", DIK_1},
    {"2", DIK_2},               {"3", DIK_3},
    {"4", DIK_4},               {"5", DIK_5},
    {"6", DIK_6},               {"7", DIK_7},
    {"8", DIK_8},               {"9", DIK_9},
    {"0", DIK_0},               {"MINUS", DIK_MINUS},
    {"EQUALS", DIK_EQUALS},     {"BACK", DIK_BACK},
    {"TAB", DIK_TAB},           {"Q", DIK_Q},
    {"W", DIK_W},               {"E", DIK_E},
    {"R", DIK_R},               {"T", DIK_T},
    {"Y", DIK_Y},               {"U", DIK_U},
    {"I", DIK_I},               {"O", DIK_O},
    {"P", DIK_P},               {"LBRACKET", DIK_LBRACKET},
    {"RBRACKET", DIK_RBRACKET}, {"RETURN", DIK_RETURN},
    {"LCONTROL", DIK_LCONTROL}, {"A", DIK_A},
    {"S", DIK_S},               {"D", DIK_D},
    {"F", DIK_F},               {"G", DIK_G},
    {"H", DIK_H},               {"J", DIK_J},
    {"K", DIK_K},               {"L", DIK_L},
    {"SEMICOLON", DIK_SEMICOLON}, {"APOSTROPHE", DIK_APOSTROPHE},
    {"GRAVE", DIK_GRAVE},       {"LSHIFT", DIK_LSHIFT},
    {"BACKSLASH", DIK_BACKSLASH}, {"Z", DIK_Z},
    {"X", DIK_X},               {"C", DIK_C},
    {"V", DIK_V},               {"B", DIK_B},
    {"N", DIK_N},               {"M", DIK_M},
    {"COMMA", DIK_COMMA},       {"PERIOD", DIK_PERIOD},
    {"SLASH", DIK_SLASH},       {"RSHIFT", DIK_RSHIFT},
    {"SPACE", DIK_SPACE},
};

std::string Upper(std::string text) {
  for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string &text) {
  size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

}  // namespace

std::optional<DWORD> KeyCode(const std::string &name) {
  std::string upper = Upper(Trim(name));
  if (upper.rfind("DIK_", 0) == 0) upper = upper.substr(4);
  for (const NamedKey &k : keyNames)
    if (upper == k.name) return k.code;
  if (upper.size() > 2 && upper.rfind("0X", 0) == 0) {
    char *end = nullptr;
    unsigned long code = std::strtoul(upper.c_str() + 2, &end, 16);
    if (*end == '\0' && code <= 0xFF) return static_cast<DWORD>(code);
  }
  return std::nullopt;
}

std::string KeyName(DWORD code) {
  for (const NamedKey &k : keyNames)
    if (k.code == code) return k.name;
  char text[16];
  std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(code));
  return text;
}

std::optional<std::vector<TimedKey>> ParseKeyList(const std::string &list, std::string &error) {
  std::vector<TimedKey> keys;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = Trim(list.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) {
      if (end == list.size()) break;
      error = "empty entry in key list";
      return std::nullopt;
    }
    size_t colon = entry.find(':');
    if (colon == std::string::npos) {
      error = "key entry '" + entry + "' is not TIME:KEY";
      return std::nullopt;
    }
    std::string timeText = Trim(entry.substr(0, colon));
    char *timeEnd = nullptr;
    double time = std::strtod(timeText.c_str(), &timeEnd);
    if (timeText.empty() || *timeEnd != '\0' || !std::isfinite(time) || time < 0) {
      error = "key entry '" + entry + "' has no valid time";
      return std::nullopt;
    }
    std::optional<DWORD> code = KeyCode(entry.substr(colon + 1));
    if (!code) {
      error = "key entry '" + entry + "' names no known key";
      return std::nullopt;
    }
    keys.push_back({time, *code});
  }
  return keys;
}

}  // namespace sim

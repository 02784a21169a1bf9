#include "sim/cli/KeyNames.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

#include "sim/display/DisplayHost.h"

namespace sim {

namespace {

struct NamedKey {
  const char *name;
  DWORD code;
};

// Two entries a line, kept so by hand.
// clang-format off
const NamedKey keyNames[] = {
    {"ESCAPE", OAPI_KEY_ESCAPE},        {"1", OAPI_KEY_1},
    {"2", OAPI_KEY_2},                  {"3", OAPI_KEY_3},
    {"4", OAPI_KEY_4},                  {"5", OAPI_KEY_5},
    {"6", OAPI_KEY_6},                  {"7", OAPI_KEY_7},
    {"8", OAPI_KEY_8},                  {"9", OAPI_KEY_9},
    {"0", OAPI_KEY_0},                  {"MINUS", OAPI_KEY_MINUS},
    {"EQUALS", OAPI_KEY_EQUALS},        {"BACK", OAPI_KEY_BACK},
    {"TAB", OAPI_KEY_TAB},              {"Q", OAPI_KEY_Q},
    {"W", OAPI_KEY_W},                  {"E", OAPI_KEY_E},
    {"R", OAPI_KEY_R},                  {"T", OAPI_KEY_T},
    {"Y", OAPI_KEY_Y},                  {"U", OAPI_KEY_U},
    {"I", OAPI_KEY_I},                  {"O", OAPI_KEY_O},
    {"P", OAPI_KEY_P},                  {"LBRACKET", OAPI_KEY_LBRACKET},
    {"RBRACKET", OAPI_KEY_RBRACKET},    {"RETURN", OAPI_KEY_RETURN},
    {"LCONTROL", OAPI_KEY_LCONTROL},    {"A", OAPI_KEY_A},
    {"S", OAPI_KEY_S},                  {"D", OAPI_KEY_D},
    {"F", OAPI_KEY_F},                  {"G", OAPI_KEY_G},
    {"H", OAPI_KEY_H},                  {"J", OAPI_KEY_J},
    {"K", OAPI_KEY_K},                  {"L", OAPI_KEY_L},
    {"SEMICOLON", OAPI_KEY_SEMICOLON},  {"APOSTROPHE", OAPI_KEY_APOSTROPHE},
    {"GRAVE", OAPI_KEY_GRAVE},          {"LSHIFT", OAPI_KEY_LSHIFT},
    {"BACKSLASH", OAPI_KEY_BACKSLASH},  {"Z", OAPI_KEY_Z},
    {"X", OAPI_KEY_X},                  {"C", OAPI_KEY_C},
    {"V", OAPI_KEY_V},                  {"B", OAPI_KEY_B},
    {"N", OAPI_KEY_N},                  {"M", OAPI_KEY_M},
    {"COMMA", OAPI_KEY_COMMA},          {"PERIOD", OAPI_KEY_PERIOD},
    {"SLASH", OAPI_KEY_SLASH},          {"RSHIFT", OAPI_KEY_RSHIFT},
    {"SPACE", OAPI_KEY_SPACE},          {"F2", OAPI_KEY_F2},
};
// clang-format on

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

// The buttons beside the display take the host's numbering from 1: BTN1 to BTN6 down the left
// side, BTN7 to BTN12 down the right.
constexpr int buttonNames = 12;

std::optional<DWORD> KeyCode(const std::string &name) {
  std::string upper = Upper(Trim(name));
  if (upper.rfind("OAPI_KEY_", 0) == 0) upper = upper.substr(4);
  for (const NamedKey &k : keyNames)
    if (upper == k.name) return k.code;
  for (int button = 1; button <= buttonNames; ++button)
    if (upper == "BTN" + std::to_string(button)) return DisplayHost::ButtonKey(button - 1);
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
  if (code >= DisplayHost::buttonKeyBase && code - DisplayHost::buttonKeyBase < buttonNames)
    return "BTN" + std::to_string(code - DisplayHost::buttonKeyBase + 1);
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

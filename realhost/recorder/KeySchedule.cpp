#include "KeySchedule.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "SampleClock.h"

namespace recorder {

namespace {

struct NamedKey {
  const char *name;
  unsigned code;
};

// The host's keyboard scan codes (its OAPI_KEY_ constants), named as kestrane-sim names them.
// clang-format off
const NamedKey keyNames[] = {
    {"ESCAPE", 0x01},     {"1", 0x02},           {"2", 0x03},         {"3", 0x04},
    {"4", 0x05},          {"5", 0x06},           {"6", 0x07},         {"7", 0x08},
    {"8", 0x09},          {"9", 0x0A},           {"0", 0x0B},         {"MINUS", 0x0C},
    {"EQUALS", 0x0D},     {"BACK", 0x0E},        {"TAB", 0x0F},       {"Q", 0x10},
    {"W", 0x11},          {"E", 0x12},           {"R", 0x13},         {"T", 0x14},
    {"Y", 0x15},          {"U", 0x16},           {"I", 0x17},         {"O", 0x18},
    {"P", 0x19},          {"LBRACKET", 0x1A},    {"RBRACKET", 0x1B},  {"RETURN", 0x1C},
    {"LCONTROL", 0x1D},   {"A", 0x1E},           {"S", 0x1F},         {"D", 0x20},
    {"F", 0x21},          {"G", 0x22},           {"H", 0x23},         {"J", 0x24},
    {"K", 0x25},          {"L", 0x26},           {"SEMICOLON", 0x27}, {"APOSTROPHE", 0x28},
    {"GRAVE", 0x29},      {"LSHIFT", 0x2A},      {"BACKSLASH", 0x2B}, {"Z", 0x2C},
    {"X", 0x2D},          {"C", 0x2E},           {"V", 0x2F},         {"B", 0x30},
    {"N", 0x31},          {"M", 0x32},           {"COMMA", 0x33},     {"PERIOD", 0x34},
    {"SLASH", 0x35},      {"RSHIFT", 0x36},      {"SPACE", 0x39},     {"F2", 0x3C},
};
// clang-format on

constexpr int buttonCount = 12;

std::string Trim(const std::string &text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::string Upper(std::string text) {
  for (char &c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::optional<unsigned> KeyCode(const std::string &name) {
  const std::string upper = Upper(Trim(name));
  for (const NamedKey &key : keyNames)
    if (upper == key.name) return key.code;
  if (upper.size() > 2 && upper.rfind("0X", 0) == 0) {
    char *end = nullptr;
    const unsigned long code = std::strtoul(upper.c_str() + 2, &end, 16);
    if (*end == '\0' && code <= 0xFF) return static_cast<unsigned>(code);
  }
  return std::nullopt;
}

std::optional<int> ButtonNumber(const std::string &name) {
  const std::string upper = Upper(Trim(name));
  for (int button = 1; button <= buttonCount; ++button)
    if (upper == "BTN" + std::to_string(button)) return button - 1;
  return std::nullopt;
}

std::optional<std::vector<TimedKey>> ParseKeySchedule(const std::string &list, std::string &error) {
  std::vector<TimedKey> keys;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(',', start);
    if (end == std::string::npos) end = list.size();
    const std::string entry = Trim(list.substr(start, end - start));
    start = end + 1;
    if (entry.empty()) {
      if (end == list.size()) break;
      error = "empty entry in key list";
      return std::nullopt;
    }
    const size_t colon = entry.find(':');
    if (colon == std::string::npos) {
      error = "key entry '" + entry + "' is not TIME:KEY";
      return std::nullopt;
    }
    const std::string timeText = Trim(entry.substr(0, colon));
    char *timeEnd = nullptr;
    const double time = std::strtod(timeText.c_str(), &timeEnd);
    if (timeText.empty() || *timeEnd != '\0' || !std::isfinite(time) || time < 0) {
      error = "key entry '" + entry + "' has no valid time";
      return std::nullopt;
    }
    const std::string name = entry.substr(colon + 1);
    TimedKey key;
    key.time = time;
    if (const std::optional<int> button = ButtonNumber(name)) {
      key.code = static_cast<unsigned>(*button);
      key.button = true;
    } else if (const std::optional<unsigned> code = KeyCode(name)) {
      key.code = *code;
    } else {
      error = "key entry '" + entry + "' names no known key";
      return std::nullopt;
    }
    keys.push_back(key);
  }
  return keys;
}

std::vector<TimedKey> KeySchedule::Due(double time) {
  std::vector<TimedKey> due;
  while (next < keys.size() && Reached(time, keys[next].time)) due.push_back(keys[next++]);
  return due;
}

}  // namespace recorder

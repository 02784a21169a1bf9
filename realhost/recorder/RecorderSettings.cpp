#include "RecorderSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace recorder {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string RecorderSettings::ReadLine(std::string_view line) {
  line = Trimmed(line.substr(0, line.find(';')));
  if (line.empty()) return {};
  size_t split = 0;
  while (split < line.size() && !IsBlank(line[split])) ++split;
  const std::string_view key = line.substr(0, split);
  const std::string value(Trimmed(line.substr(split)));
  if (value.empty()) return "'" + std::string(key) + "' needs a value";

  if (key == "Vessels") {
    vessels = value;
  } else if (key == "Tethers") {
    tethers = value;
  } else if (key == "Block") {
    if (value.find_first_of(" \t") != std::string::npos) return "Block '" + value + "' is not one word";
    block = value;
  } else if (key == "Keys") {
    std::string error;
    std::optional<std::vector<TimedKey>> list = ParseKeySchedule(value, error);
    if (!list) return "Keys: " + error;
    keys = std::move(*list);
  } else if (key == "Mode") {
    mode = value;
  } else if (key == "Every") {
    errno = 0;
    char *end = nullptr;
    const double seconds = std::strtod(value.c_str(), &end);
    if (end != value.c_str() + value.size() || errno != 0 || !std::isfinite(seconds) || !(seconds > 0))
      return "Every '" + value + "' is not a positive number of seconds";
    every = seconds;
  } else {
    return "unknown line '" + std::string(line) + "'";
  }
  return {};
}

}  // namespace recorder

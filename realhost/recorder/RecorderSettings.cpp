#include "RecorderSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "SettingsLine.h"

namespace recorder {

std::string RecorderSettings::ReadLine(std::string_view line) {
  line = SettingsLine(line);
  if (line.empty()) return {};
  std::string_view rest = line;
  const std::string_view key = NextWord(rest);
  const std::string value(rest);
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
  } else if (key == "Frames") {
    frames = value;
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

#include "RecorderSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "SettingsLine.h"

namespace recorder {

namespace {

// "T:NAME,T:NAME,…": nothing, with the reason in `error`, for a bad entry.
std::optional<std::vector<TimedDeletion>> ParseDeletions(std::string_view list, std::string &error) {
  std::vector<TimedDeletion> deletions;
  while (!list.empty()) {
    const size_t comma = list.find(',');
    const std::string entry(Trimmed(list.substr(0, comma)));
    list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    const size_t colon = entry.find(':');
    const std::string timeText(Trimmed(std::string_view(entry).substr(0, colon)));
    char *end = nullptr;
    TimedDeletion deletion;
    deletion.time = std::strtod(timeText.c_str(), &end);
    if (colon == std::string::npos || timeText.empty() || *end != '\0' || !std::isfinite(deletion.time) ||
        deletion.time < 0) {
      error = "entry '" + entry + "' is not TIME:NAME";
      return std::nullopt;
    }
    deletion.name = Trimmed(std::string_view(entry).substr(colon + 1));
    if (deletion.name.empty()) {
      error = "entry '" + entry + "' names no vessel";
      return std::nullopt;
    }
    deletions.push_back(deletion);
  }
  return deletions;
}

}  // namespace

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
  } else if (key == "Shot") {
    std::string_view words = rest;
    const std::string timeText(NextWord(words));
    errno = 0;
    char *end = nullptr;
    const double time = std::strtod(timeText.c_str(), &end);
    if (end != timeText.c_str() + timeText.size() || errno != 0 || !std::isfinite(time) || time < 0)
      return "Shot '" + timeText + "' is not a time in seconds";
    const std::string path(words);
    if (path.size() <= 4 || path.compare(path.size() - 4, 4, ".png") != 0 ||
        path.find_first_of(" \t") != std::string::npos)
      return "Shot " + timeText + " needs one file name ending in .png";
    shots.push_back({time, path});
  } else if (key == "Frames") {
    frames = value;
  } else if (key == "Delete") {
    std::string error;
    std::optional<std::vector<TimedDeletion>> list = ParseDeletions(value, error);
    if (!list) return "Delete: " + error;
    deletions = std::move(*list);
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

#include "ClientSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "../recorder/SettingsLine.h"

namespace nullclient {

using recorder::NextWord;
using recorder::SettingsLine;

std::string ClientSettings::ReadLine(std::string_view line) {
  line = SettingsLine(line);
  if (line.empty()) return {};
  std::string_view rest = line;
  const std::string key(NextWord(rest));
  if (rest.empty()) return "'" + key + "' needs a value";

  if (key == "Screens") {
    if (rest.find_first_of(" \t") != std::string_view::npos)
      return "Screens '" + std::string(rest) + "' is not one word";
    screens = rest;
  } else if (key == "Picture") {
    const std::string timeText(NextWord(rest));
    errno = 0;
    char *end = nullptr;
    const double time = std::strtod(timeText.c_str(), &end);
    if (end != timeText.c_str() + timeText.size() || errno != 0 || !std::isfinite(time) || time < 0)
      return "Picture '" + timeText + "' is not a time in seconds";
    if (rest.empty() || rest.find_first_of(" \t") != std::string_view::npos)
      return "Picture " + timeText + " needs one file name";
    pictures.push_back({time, std::string(rest)});
  } else {
    return "unknown line '" + std::string(line) + "'";
  }
  return {};
}

}  // namespace nullclient

#include "ClientSettings.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace nullclient {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The first word of `text`, which loses it and the blanks after it.
std::string_view NextWord(std::string_view &text) {
  size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view word = text.substr(0, end);
  text = Trimmed(text.substr(end));
  return word;
}

}  // namespace

std::string ClientSettings::ReadLine(std::string_view line) {
  line = Trimmed(line.substr(0, line.find(';')));
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

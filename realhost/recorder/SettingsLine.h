// A line of a module's block of settings, as the recorder and the null client read theirs: a key
// and a value, split at blanks, a ';' starting a comment, a Windows line end ignored.
#pragma once

#include <string_view>

#include "tetherblock/BlockLine.h"

namespace recorder {

using tetherblock::IsBlank;

// `text` without the blanks around it (and a carriage return at its end).
inline std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && (IsBlank(text.back()) || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

// The first word of `text`, which loses it and the blanks after it.
inline std::string_view NextWord(std::string_view &text) {
  size_t end = 0;
  while (end < text.size() && !IsBlank(text[end])) ++end;
  const std::string_view word = text.substr(0, end);
  text = Trimmed(text.substr(end));
  return word;
}

// A settings line without its comment and the blanks around it: empty when nothing is left.
inline std::string_view SettingsLine(std::string_view line) { return Trimmed(line.substr(0, line.find(';'))); }

}  // namespace recorder

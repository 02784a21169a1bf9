#include "sim/run/PluginContract.h"

namespace sim::plugin {

static_assert(linkCount <= 10, "a plain key's link number is a single digit");

std::string LinkKey(int link, std::string_view field) {
  return std::string(linkWord) + " " + std::to_string(link) + " " + std::string(field);
}

std::optional<int> PlainLinkKey(std::string_view key, std::string_view &field) {
  const size_t digit = linkWord.size() + 1;
  if (key.size() < digit + 3 || key.compare(0, linkWord.size(), linkWord) != 0 || key[linkWord.size()] != ' ')
    return std::nullopt;
  if (key[digit] < '0' || key[digit] >= '0' + linkCount || key[digit + 1] != ' ') return std::nullopt;
  const std::string_view rest = key.substr(digit + 2);
  for (const char c : rest)
    if (c == ' ' || c == '\t') return std::nullopt;
  field = rest;
  return key[digit] - '0';
}

}  // namespace sim::plugin

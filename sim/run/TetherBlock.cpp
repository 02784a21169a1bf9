#include "sim/run/TetherBlock.h"

#include <algorithm>

#include "tetherblock/BlockLine.h"

namespace sim {

static_assert(plugin::linkCount <= 10, "a plain key's link number is a single digit");

std::optional<int> PlainLinkKey(std::string_view key, std::string_view &field) {
  const std::string_view word = plugin::linkWord;
  const size_t digit = word.size() + 1;
  if (key.size() < digit + 3 || key.compare(0, word.size(), word) != 0 || key[word.size()] != ' ') return std::nullopt;
  if (key[digit] < '0' || key[digit] >= '0' + plugin::linkCount || key[digit + 1] != ' ') return std::nullopt;
  const std::string_view rest = key.substr(digit + 2);
  for (const char c : rest)
    if (tetherblock::IsBlank(c)) return std::nullopt;
  field = rest;
  return key[digit] - '0';
}

void TetherBlock::Clear() { tetherblock::Clear(records); }

void TetherBlock::ReadLine(std::string_view line) {
  text.assign(line);
  const tetherblock::Line read = tetherblock::ReadLine(text.c_str(), tetherblock::Precision::Double);
  if (read.kind == tetherblock::Line::Kind::Link) tetherblock::Store(read, records[read.link]);
}

void TetherBlock::ReadEntry(const ScenarioStream::Entry &entry) {
  // Without the text in between where the key is plain and the value is what the field takes: an
  // integer's decimal reads back as itself, a real's or a vector's shortest text as the same
  // doubles (their sign too, for a NaN), and a name is the value's first word. Any other entry is
  // read as its line.
  using Kind = ScenarioStream::Entry::Kind;
  std::string_view field;
  const std::optional<int> plain = PlainLinkKey(entry.item, field);
  if (!plain) {
    // A line whose first word is the item's and not "TetherData" says nothing about the links.
    size_t first = 0;
    while (first < entry.item.size() && tetherblock::IsBlank(entry.item[first])) ++first;
    size_t end = first;
    while (end < entry.item.size() && !tetherblock::IsBlank(entry.item[end])) ++end;
    if (end > first && std::string_view(entry.item).substr(first, end - first) != plugin::linkWord) return;
    ReadLine(ScenarioStream::LineOf(entry));
    return;
  }
  tetherblock::LinkRecord &t = records[*plain];
  if (entry.kind == Kind::Integer && (field == plugin::connectField || field == plugin::spoolModeField)) {
    (field == plugin::connectField ? t.connected : t.spoolMode) = entry.integer;
  } else if (entry.kind == Kind::Text && (field == plugin::ship1Field || field == plugin::ship2Field)) {
    std::string_view value = entry.text;
    while (!value.empty() && tetherblock::IsBlank(value.front())) value.remove_prefix(1);
    size_t end = 0;
    while (end < value.size() && !tetherblock::IsBlank(value[end])) ++end;
    // As the line's reading cuts it.
    (field == plugin::ship1Field ? t.ship1 : t.ship2) = value.substr(0, std::min(end, plugin::longestName));
  } else if (entry.kind == Kind::Real &&
             (field == plugin::lengthField || field == plugin::forceField || field == plugin::reelSpeedField)) {
    (field == plugin::lengthField ? t.length : field == plugin::forceField ? t.force : t.reelSpeed) = entry.real[0];
  } else if (entry.kind == Kind::Vector && (field == plugin::attach1Field || field == plugin::attach2Field)) {
    double(&attach)[3] = field == plugin::attach1Field ? t.attach1 : t.attach2;
    for (int i = 0; i < 3; ++i) attach[i] = entry.real[i];
  } else {
    ReadLine(ScenarioStream::LineOf(entry));
  }
}

}  // namespace sim

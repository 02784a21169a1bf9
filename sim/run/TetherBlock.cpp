#include "sim/run/TetherBlock.h"

#include <charconv>

#include "sim/run/PluginContract.h"

namespace sim {

namespace {

// The words of a line, one at a time; an empty word past the last.
class BlankSeparated {
public:
  explicit BlankSeparated(std::string_view text) : rest(text) {}
  std::string_view Next() {
    size_t start = 0;
    while (start < rest.size() && IsBlank(rest[start])) ++start;
    size_t end = start;
    while (end < rest.size() && !IsBlank(rest[end])) ++end;
    const std::string_view word = rest.substr(start, end - start);
    rest.remove_prefix(end);
    return word;
  }

private:
  static bool IsBlank(char c) { return c == ' ' || c == '\t'; }
  std::string_view rest;
};

// A whole word as a number; `value` is left as it was when the word is not one.
template <class Number>
bool ParseNumber(std::string_view word, Number &value) {
  Number parsed{};
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), parsed);
  if (error != std::errc() || end != word.data() + word.size() || word.empty()) return false;
  value = parsed;
  return true;
}

void ParseVector(BlankSeparated &words, Vec3 &v) {
  Vec3 read;
  if (ParseNumber(words.Next(), read.x) && ParseNumber(words.Next(), read.y) && ParseNumber(words.Next(), read.z))
    v = read;
}

}  // namespace

void TetherBlock::Clear() {
  links.resize(plugin::linkCount);
  for (int i = 0; i < plugin::linkCount; ++i) {
    TetherSample &t = links[static_cast<size_t>(i)];
    t.link = i;
    t.connected = 0;
    t.ship1.clear();
    t.ship2.clear();
    t.length = t.distance = t.stretch = t.pull = t.force = t.reelSpeed = 0;
    t.spoolMode = 0;
    attach1[i] = attach2[i] = {};
  }
}

void TetherBlock::ReadLine(std::string_view line) {
  BlankSeparated words(line);
  int link = -1;
  if (words.Next() != plugin::linkWord || !ParseNumber(words.Next(), link) || link < 0 || link >= plugin::linkCount)
    return;
  TetherSample &t = links[static_cast<size_t>(link)];
  const std::string_view field = words.Next();
  if (field == plugin::connectField)
    ParseNumber(words.Next(), t.connected);
  else if (field == plugin::ship1Field)
    t.ship1 = words.Next();
  else if (field == plugin::ship2Field)
    t.ship2 = words.Next();
  else if (field == plugin::lengthField)
    ParseNumber(words.Next(), t.length);
  else if (field == plugin::forceField)
    ParseNumber(words.Next(), t.force);
  else if (field == plugin::attach1Field)
    ParseVector(words, attach1[link]);
  else if (field == plugin::attach2Field)
    ParseVector(words, attach2[link]);
  else if (field == plugin::spoolModeField)
    ParseNumber(words.Next(), t.spoolMode);
  else if (field == plugin::reelSpeedField)
    ParseNumber(words.Next(), t.reelSpeed);
}

void TetherBlock::ReadEntry(const ScenarioStream::Entry &entry) {
  // Without the text in between where the key is plain and the value is what the field takes: an
  // integer's decimal reads back as itself, a real's or a vector's shortest text as the same
  // doubles (their sign too, for a NaN), and a name is the value's first word. Any other entry is
  // read as its line.
  using Kind = ScenarioStream::Entry::Kind;
  std::string_view field;
  const std::optional<int> plain = plugin::PlainLinkKey(entry.item, field);
  if (!plain) {
    // A line whose first word is the item's and not "TetherData" says nothing about the links.
    BlankSeparated itemWords(entry.item);
    const std::string_view first = itemWords.Next();
    if (!first.empty() && first != plugin::linkWord) return;
    ReadLine(ScenarioStream::LineOf(entry));
    return;
  }
  const int link = *plain;
  TetherSample &t = links[static_cast<size_t>(link)];
  if (entry.kind == Kind::Integer && (field == plugin::connectField || field == plugin::spoolModeField)) {
    (field == plugin::connectField ? t.connected : t.spoolMode) = entry.integer;
  } else if (entry.kind == Kind::Text && (field == plugin::ship1Field || field == plugin::ship2Field)) {
    BlankSeparated value(entry.text);
    (field == plugin::ship1Field ? t.ship1 : t.ship2) = value.Next();
  } else if (entry.kind == Kind::Real &&
             (field == plugin::lengthField || field == plugin::forceField || field == plugin::reelSpeedField)) {
    (field == plugin::lengthField ? t.length : field == plugin::forceField ? t.force : t.reelSpeed) = entry.real[0];
  } else if (entry.kind == Kind::Vector && (field == plugin::attach1Field || field == plugin::attach2Field)) {
    (field == plugin::attach1Field ? attach1 : attach2)[link] = {entry.real[0], entry.real[1], entry.real[2]};
  } else {
    ReadLine(ScenarioStream::LineOf(entry));
  }
}

}  // namespace sim

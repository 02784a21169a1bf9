#include "sim/run/TetherBlock.h"

#include <charconv>

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

// "TetherData N FIELD" as the plug-in writes its keys: one blank between the words, the link a
// single digit 0 to 7, the field a word of its own. What ReadLine reads from such a key is this
// link and this field.
bool PlainLinkKey(std::string_view item, int &link, std::string_view &field) {
  constexpr std::string_view prefix = "TetherData ";
  const size_t digit = prefix.size();
  if (item.size() < digit + 3 || item.compare(0, prefix.size(), prefix) != 0) return false;
  if (item[digit] < '0' || item[digit] > '7' || item[digit + 1] != ' ') return false;
  field = item.substr(digit + 2);
  for (const char c : field)
    if (c == ' ' || c == '\t') return false;
  link = item[digit] - '0';
  return true;
}

}  // namespace

void TetherBlock::Clear() {
  links.resize(8);
  for (int i = 0; i < 8; ++i) {
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
  if (words.Next() != "TetherData" || !ParseNumber(words.Next(), link) || link < 0 || link > 7) return;
  TetherSample &t = links[static_cast<size_t>(link)];
  const std::string_view field = words.Next();
  if (field == "CONNECT")
    ParseNumber(words.Next(), t.connected);
  else if (field == "Ship1")
    t.ship1 = words.Next();
  else if (field == "Ship2")
    t.ship2 = words.Next();
  else if (field == "Length")
    ParseNumber(words.Next(), t.length);
  else if (field == "Force")
    ParseNumber(words.Next(), t.force);
  else if (field == "Attach1")
    ParseVector(words, attach1[link]);
  else if (field == "Attach2")
    ParseVector(words, attach2[link]);
  else if (field == "SpoolMode")
    ParseNumber(words.Next(), t.spoolMode);
  else if (field == "ReelSpeed")
    ParseNumber(words.Next(), t.reelSpeed);
}

void TetherBlock::ReadEntry(const ScenarioStream::Entry &entry) {
  // Without the text in between where the key is plain and the value is what the field takes: an
  // integer's decimal reads back as itself, a real's or a vector's shortest text as the same
  // doubles (their sign too, for a NaN), and a name is the value's first word. Any other entry is
  // read as its line.
  using Kind = ScenarioStream::Entry::Kind;
  int link = 0;
  std::string_view field;
  if (!PlainLinkKey(entry.item, link, field)) {
    // A line whose first word is the item's and not "TetherData" says nothing about the links.
    BlankSeparated itemWords(entry.item);
    const std::string_view first = itemWords.Next();
    if (!first.empty() && first != "TetherData") return;
    ReadLine(ScenarioStream::LineOf(entry));
    return;
  }
  TetherSample &t = links[static_cast<size_t>(link)];
  if (entry.kind == Kind::Integer && (field == "CONNECT" || field == "SpoolMode")) {
    (field == "CONNECT" ? t.connected : t.spoolMode) = entry.integer;
  } else if (entry.kind == Kind::Text && (field == "Ship1" || field == "Ship2")) {
    BlankSeparated value(entry.text);
    (field == "Ship1" ? t.ship1 : t.ship2) = value.Next();
  } else if (entry.kind == Kind::Real && (field == "Length" || field == "Force" || field == "ReelSpeed")) {
    (field == "Length" ? t.length : field == "Force" ? t.force : t.reelSpeed) = entry.real[0];
  } else if (entry.kind == Kind::Vector && (field == "Attach1" || field == "Attach2")) {
    (field == "Attach1" ? attach1 : attach2)[link] = {entry.real[0], entry.real[1], entry.real[2]};
  } else {
    ReadLine(ScenarioStream::LineOf(entry));
  }
}

}  // namespace sim

#include "sim/scenario/ScenarioStream.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioText.h"
#include "tetherblock/BlockLine.h"

namespace sim {

namespace {

// A null item or text is written as an empty one.
const char *Text(const char *text) { return text != nullptr ? text : ""; }

}  // namespace

ScenarioStream::ScenarioStream(std::vector<std::string> linesToRead) : toRead(std::move(linesToRead)) {}

void ScenarioStream::Write(const std::string &item, const std::string &value) {
  written.push_back("  " + item + " " + value);
}

ScenarioStream::Entry &ScenarioStream::NextEntry(Entry::Kind kind, const char *item) {
  if (entryCount == entries.size()) entries.emplace_back();
  Entry &entry = entries[entryCount++];
  entry.kind = kind;
  entry.item.assign(Text(item));
  return entry;
}

void ScenarioStream::WriteText(const char *item, const char *value) {
  if (!keepEntries) return Write(Text(item), Text(value));
  NextEntry(Entry::Kind::Text, item).text.assign(Text(value));
}

void ScenarioStream::WriteInteger(const char *item, int value) {
  if (!keepEntries) return Write(Text(item), std::to_string(value));
  NextEntry(Entry::Kind::Integer, item).integer = value;
}

void ScenarioStream::WriteReal(const char *item, double value) {
  if (!keepEntries) return Write(Text(item), FormatReal(value));
  NextEntry(Entry::Kind::Real, item).real[0] = value;
}

void ScenarioStream::WriteVector(const char *item, const double value[3]) {
  if (!keepEntries)
    return Write(Text(item), FormatReal(value[0]) + " " + FormatReal(value[1]) + " " + FormatReal(value[2]));
  Entry &entry = NextEntry(Entry::Kind::Vector, item);
  for (int i = 0; i < 3; ++i) entry.real[i] = value[i];
}

std::string ScenarioStream::LineOf(const Entry &entry) {
  std::string line = "  " + entry.item + " ";
  switch (entry.kind) {
    case Entry::Kind::Text:
      return line + entry.text;
    case Entry::Kind::Integer:
      return line + std::to_string(entry.integer);
    case Entry::Kind::Real:
      return line + FormatReal(entry.real[0]);
    case Entry::Kind::Vector:
      return line + FormatReal(entry.real[0]) + " " + FormatReal(entry.real[1]) + " " + FormatReal(entry.real[2]);
  }
  return line;
}

namespace {

using tetherblock::IsBlank;

// The line without its ';' comment and without blanks at either end.
std::string Content(const std::string &line) {
  const size_t comment = line.find(';');
  const size_t end = comment == std::string::npos ? line.size() : comment;
  size_t first = 0;
  while (first < end && IsBlank(line[first])) ++first;
  size_t last = end;
  while (last > first && IsBlank(line[last - 1])) --last;
  return line.substr(first, last - first);
}

}  // namespace

bool ScenarioStream::NextLine(char *&line) {
  while (cursor < toRead.size()) {
    std::string content = Content(toRead[cursor++]);
    if (content.empty()) continue;
    // The host ends a block at END without regard to case.
    if (Lower(content) == "end") return false;
    current = std::move(content);
    line = &current[0];
    return true;
  }
  return false;
}

}  // namespace sim

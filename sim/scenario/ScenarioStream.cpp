#include "sim/scenario/ScenarioStream.h"

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace sim {

ScenarioStream::ScenarioStream(std::vector<std::string> linesToRead) : toRead(std::move(linesToRead)) {}

void ScenarioStream::Write(const std::string &item, const std::string &value) {
  written.push_back("  " + item + " " + value);
}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

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
    if (content == "END") return false;
    current = std::move(content);
    line = &current[0];
    return true;
  }
  return false;
}

}  // namespace sim

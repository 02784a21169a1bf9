#include "TetherBlock.h"

#include <string>

#include "tetherblock/BlockLine.h"

namespace recorder {

namespace {

// The first word of a line and whether it is the only one.
std::string_view FirstWord(std::string_view line, bool &alone) {
  size_t start = 0;
  while (start < line.size() && tetherblock::IsBlank(line[start])) ++start;
  size_t end = start;
  while (end < line.size() && !tetherblock::IsBlank(line[end])) ++end;
  size_t rest = end;
  while (rest < line.size() && tetherblock::IsBlank(line[rest])) ++rest;
  alone = rest == line.size();
  return line.substr(start, end - start);
}

}  // namespace

std::optional<std::vector<LinkRecord>> ReadTetherBlock(std::string_view scenario, std::string_view module) {
  const std::string begin = "BEGIN_" + std::string(module);
  std::optional<std::vector<LinkRecord>> links;
  std::string text;
  while (!scenario.empty()) {
    const size_t end = scenario.find('\n');
    std::string_view line = scenario.substr(0, end);
    scenario.remove_prefix(end == std::string_view::npos ? scenario.size() : end + 1);
    // The host writes its files with Windows line ends.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    bool alone = false;
    const std::string_view first = FirstWord(line, alone);
    if (!links) {
      // The whole first word: a module whose name begins with another's has a block of its own.
      if (first == begin && alone) links.emplace(tetherblock::linkCount);
      continue;
    }
    if (first == "END" && alone) break;
    text.assign(line);
    const tetherblock::Line read = tetherblock::ReadLine(text.c_str(), tetherblock::Precision::Double);
    if (read.kind == tetherblock::Line::Kind::Link) tetherblock::Store(read, (*links)[static_cast<size_t>(read.link)]);
  }
  return links;
}

}  // namespace recorder

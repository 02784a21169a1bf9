#include "TetherBlock.h"

#include <cerrno>
#include <cstdlib>

namespace recorder {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

// The words of a line, one at a time; an empty word past the last.
class Words {
public:
  explicit Words(std::string_view text) : rest(text) {}
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
  std::string_view rest;
};

// A whole word as a number; `value` is left as it was when the word is not one.
bool Real(std::string_view word, double &value) {
  const std::string text(word);
  char *end = nullptr;
  errno = 0;
  const double read = std::strtod(text.c_str(), &end);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE) return false;
  value = read;
  return true;
}

bool Integer(std::string_view word, int &value) {
  const std::string text(word);
  char *end = nullptr;
  errno = 0;
  const long read = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE || read < -2147483647L - 1 ||
      read > 2147483647L)
    return false;
  value = static_cast<int>(read);
  return true;
}

void Vector(Words &words, double (&v)[3]) {
  double read[3];
  if (Real(words.Next(), read[0]) && Real(words.Next(), read[1]) && Real(words.Next(), read[2]))
    for (int i = 0; i < 3; ++i) v[i] = read[i];
}

void ReadLine(std::string_view line, std::vector<LinkRecord> &links) {
  Words words(line);
  int link = -1;
  if (words.Next() != "TetherData" || !Integer(words.Next(), link) || link < 0 || link > 7) return;
  LinkRecord &t = links[static_cast<size_t>(link)];
  const std::string_view field = words.Next();
  if (field == "CONNECT")
    Integer(words.Next(), t.connected);
  else if (field == "Ship1")
    t.ship1 = words.Next();
  else if (field == "Ship2")
    t.ship2 = words.Next();
  else if (field == "Length")
    Real(words.Next(), t.length);
  else if (field == "Force")
    Real(words.Next(), t.force);
  else if (field == "Attach1")
    Vector(words, t.attach1);
  else if (field == "Attach2")
    Vector(words, t.attach2);
  else if (field == "SpoolMode")
    Integer(words.Next(), t.spoolMode);
  else if (field == "ReelSpeed")
    Real(words.Next(), t.reelSpeed);
}

}  // namespace

std::optional<std::vector<LinkRecord>> ReadTetherBlock(std::string_view scenario, std::string_view module) {
  const std::string begin = "BEGIN_" + std::string(module);
  std::optional<std::vector<LinkRecord>> links;
  while (!scenario.empty()) {
    const size_t end = scenario.find('\n');
    const std::string_view raw = scenario.substr(0, end);
    scenario.remove_prefix(end == std::string_view::npos ? scenario.size() : end + 1);
    Words words(raw);
    const std::string_view first = words.Next();
    if (!links) {
      // The whole first word: a module whose name begins with another's has a block of its own.
      if (first == begin && words.Next().empty()) links.emplace(8);
      continue;
    }
    if (first == "END" && words.Next().empty()) break;
    ReadLine(raw, *links);
  }
  return links;
}

}  // namespace recorder

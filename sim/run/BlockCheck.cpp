#include "sim/run/BlockCheck.h"

#include <cmath>
#include <cstdlib>
#include <vector>

#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

// How many values after the key each real field of a link has.
size_t LinkValues(const std::string &field) {
  if (field == "Length" || field == "Force" || field == "ReelSpeed") return 1;
  if (field == "Attach1" || field == "Attach2") return 3;
  return 0;
}

// A link number the plug-in stores values for: 0 to 7.
bool IsLink(const std::string &word) { return word.size() == 1 && word[0] >= '0' && word[0] <= '7'; }

class Checker {
public:
  Checker(const Scenario &s, const std::vector<std::string> &blockRaw, size_t blockLine)
      : scenario(s), raw(blockRaw), first(blockLine) {}

  void Line(const std::string &line) {
    const std::vector<std::string> words = Words(LineContent(line));
    if (words.empty()) return;
    size_t keyWords = 1, values = 0;
    if (words[0] == "SetupTetherLength" || words[0] == "SetupTetherForce") {
      values = 1;
    } else if (words[0] == "TetherData" && words.size() >= 3 && IsLink(words[1])) {
      keyWords = 3;
      values = LinkValues(words[2]);
    }
    for (size_t i = keyWords; i < keyWords + values && i < words.size(); ++i) {
      // The plug-in's reading: the longest number at the start of the word; it reads no further
      // once a word does not start with one (the field then keeps its value) or has more after it.
      const char *start = words[i].c_str();
      char *end = nullptr;
      const float value = std::strtof(start, &end);
      if (end == start) break;
      const std::string key = keyWords == 1 ? words[0] : words[0] + " " + words[1] + " " + words[2];
      if (!std::isfinite(value))
        Fail(line, key + ": \"" + words[i] + "\" is not a finite number in single precision, as the plug-in reads it");
      if (keyWords == 3 && words[2] == "Length" && !(value > 0))
        Fail(line, key + " must be above 0, not \"" + words[i] + "\"");
      if (*end != '\0') break;
    }
  }

private:
  // The line of the file the text stands on; a line the file does not have came from --set.
  [[noreturn]] void Fail(const std::string &line, const std::string &problem) {
    for (size_t i = 0; i < raw.size(); ++i)
      if (raw[i] == line && first != 0)
        throw ScenarioError(scenario.source + ":" + std::to_string(first + i) + ": " + problem);
    throw ScenarioError(scenario.source + ": --set: " + problem);
  }

  const Scenario &scenario;
  const std::vector<std::string> &raw;
  size_t first;
};

}  // namespace

void CheckPluginBlocks(const Scenario &scenario, const std::string &name) {
  for (const DisplayBlock &block : scenario.displays) {
    if (block.mode != name) continue;
    Checker checker(scenario, block.raw, block.line);
    for (const std::string &line : block.lines) checker.Line(line);
  }
  if (const ModuleBlock *block = FindModuleBlock(scenario, name)) {
    Checker checker(scenario, block->raw, block->line);
    for (const std::string &line : block->lines) checker.Line(line);
  }
}

}  // namespace sim

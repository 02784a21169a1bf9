#include "sim/run/BlockWarnings.h"

#include <algorithm>
#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <set>
#include <utility>

#include "sim/run/PluginContract.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

using plugin::linkCount;
using plugin::longestName;
// "0-7", as messages name the links.
const std::string linkRange = "0-" + std::to_string(linkCount - 1);

// A whole word as a real number the plug-in can hold: its single precision reads every value it
// takes, and passes over what that cannot hold.
enum class RealCheck { Fine, NotANumber, NotFinite };
RealCheck CheckReal(const std::string &word, double &value) {
  char *end = nullptr;
  errno = 0;
  value = std::strtod(word.c_str(), &end);
  if (word.empty() || *end != '\0') return RealCheck::NotANumber;
  if (!std::isfinite(value) || std::fabs(value) > FLT_MAX) return RealCheck::NotFinite;
  return RealCheck::Fine;
}

// A whole word as an integer the plug-in reads whole.
std::optional<long> WholeNumber(const std::string &word) {
  char *end = nullptr;
  errno = 0;
  const long value = std::strtol(word.c_str(), &end, 10);
  if (word.empty() || *end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX ||
      word.find_first_of(" \t") != std::string::npos)
    return std::nullopt;
  return value;
}

// What the block says of one link, for the checks at its end.
struct LinkSeen {
  long connect = 0;
  size_t connectLine = 0;
  bool tiedSeen = false;
  std::string ships[2];
  size_t shipLines[2] = {0, 0};
  bool shipSeen[2] = {false, false};
};

class Checker {
public:
  Checker(std::vector<BlockWarning> &out, const std::function<bool(const std::string &)> &vessel)
      : warnings(out), isVessel(vessel) {}

  void Line(size_t index, const std::vector<std::string> &words) {
    at = index;
    const std::string &key = words[0];
    if (key == plugin::linkWord) {
      LinkLine(words);
      return;
    }
    for (const std::string_view real : plugin::realSetupKeys)
      if (key == real) {
        double value = 0;
        if (!Real(key, words, 1, value)) return;
        if (key == plugin::setupLength && value <= 0) Warn(key + " " + words[1] + ": a length must be above 0");
        if (key == plugin::setupForce && value < 0) Warn(key + " " + words[1] + " is negative: the plug-in takes 0");
        return;
      }
    for (const std::string_view integer : plugin::setupKeys)
      if (key == integer) {
        long value = 0;
        if (!Integer(key, words, 1, value)) return;
        if (key == plugin::currentTether && (value < 0 || value >= linkCount))
          Warn(key + " " + words[1] + " is not a link " + linkRange + ": the plug-in takes 0");
        else if ((key == plugin::attachTypeV1 || key == plugin::attachTypeV2) && (value < 0 || value > 2))
          Warn(key + " " + words[1] + " is not 0 (centre), 1 (docking port) or 2 (attachment): the plug-in takes 0");
        else if (value < 0)
          Warn(key + " " + words[1] + " is negative: the plug-in takes 0");
        return;
      }
    Warn("'" + key + "' is not a line the plug-in reads");
  }

  // The vessels of every link the block ties, once the whole block has said so. A name that
  // resolves to no vessel leaves the link untied; so does a missing one, which reads "empty".
  void Links() {
    for (int n = 0; n < linkCount; ++n) {
      const LinkSeen &link = links[n];
      if (!link.tiedSeen || link.connect != 1) continue;
      const std::string prefix = plugin::LinkKey(n, "");
      if (!link.shipSeen[0] || !link.shipSeen[1]) {
        at = link.connectLine;
        const std::string missing = !link.shipSeen[0] && !link.shipSeen[1] ? "Ship1 and no Ship2"
                                    : !link.shipSeen[0]                    ? "Ship1"
                                                                           : "Ship2";
        Warn(prefix + std::string(plugin::connectField) + " 1 has no " + missing +
             " line: the plug-in does not tie it");
      }
      for (int end = 0; end < 2; ++end)
        if (link.shipSeen[end] && !isVessel(link.ships[end])) {
          at = link.shipLines[end];
          Warn(prefix + std::string(end == 0 ? plugin::ship1Field : plugin::ship2Field) + " '" + link.ships[end] +
               "' is not a vessel of the scenario: the plug-in does not tie it");
        }
      if (link.shipSeen[0] && link.shipSeen[1] && Lower(link.ships[0]) == Lower(link.ships[1]) &&
          isVessel(link.ships[0])) {
        at = link.connectLine;
        Warn(prefix + "ties '" + link.ships[0] + "' to itself: the plug-in does not tie it");
      }
    }
  }

private:
  void Warn(const std::string &text) { warnings.push_back({at, text}); }

  // Word `i` of a line as a number; false after a warning when it is none the plug-in takes.
  bool Real(const std::string &key, const std::vector<std::string> &words, size_t i, double &value) {
    if (words.size() <= i) {
      Warn(key + " has no value");
      return false;
    }
    switch (CheckReal(words[i], value)) {
      case RealCheck::Fine:
        return true;
      case RealCheck::NotANumber:
        Warn(key + ": '" + words[i] + "' is not a number");
        return false;
      case RealCheck::NotFinite:
        Warn(key + ": " + words[i] + " is not a finite single-precision number: the plug-in passes over the line");
        return false;
    }
    return false;
  }

  bool Integer(const std::string &key, const std::vector<std::string> &words, size_t i, long &value) {
    if (words.size() <= i) {
      Warn(key + " has no value");
      return false;
    }
    const std::optional<long> read = WholeNumber(words[i]);
    if (!read) {
      Warn(key + ": '" + words[i] + "' is not a whole number");
      return false;
    }
    value = *read;
    return true;
  }

  void LinkLine(const std::vector<std::string> &words) {
    if (words.size() < 2) {
      Warn(std::string(plugin::linkWord) + " has no link number");
      return;
    }
    const std::optional<long> number = WholeNumber(words[1]);
    if (!number) {
      Warn(std::string(plugin::linkWord) + ": '" + words[1] + "' is not a link number");
      return;
    }
    if (*number < 0 || *number >= linkCount) {
      Warn(std::string(plugin::linkWord) + " " + words[1] + ": there is no link " + words[1] + " (links are " +
           linkRange + "): the plug-in passes over it");
      return;
    }
    const int n = static_cast<int>(*number);
    LinkSeen &link = links[n];
    if (words.size() < 3) {
      Warn(std::string(plugin::linkWord) + " " + words[1] + " names no field");
      return;
    }
    const std::string &field = words[2];
    const std::string key = std::string(plugin::linkWord) + " " + words[1] + " " + field;
    double real = 0;
    long integer = 0;
    if (field == plugin::connectField) {
      if (!Integer(key, words, 3, integer)) return;
      link.connect = integer;
      link.connectLine = at;
      link.tiedSeen = true;
      if (integer != 0 && integer != 1)
        Warn(key + " " + words[3] + " is neither 0 nor 1: the plug-in leaves it untied");
    } else if (field == plugin::ship1Field || field == plugin::ship2Field) {
      if (words.size() < 4) {
        Warn(key + " has no value");
        return;
      }
      const int end = field == plugin::ship1Field ? 0 : 1;
      link.ships[end] = words[3];
      link.shipLines[end] = at;
      link.shipSeen[end] = true;
      if (words[3].size() > longestName)
        Warn(key + " is longer than the " + std::to_string(longestName) + " characters the plug-in keeps");
    } else if (field == plugin::lengthField) {
      if (Real(key, words, 3, real) && real <= 0) Warn(key + " " + words[3] + ": a length must be above 0");
    } else if (field == plugin::forceField) {
      if (Real(key, words, 3, real) && real < 0) Warn(key + " " + words[3] + " is negative: the plug-in takes 0");
    } else if (field == plugin::reelSpeedField) {
      Real(key, words, 3, real);
    } else if (field == plugin::attach1Field || field == plugin::attach2Field) {
      if (words.size() < 6) {
        Warn(key + " needs three numbers: the plug-in passes over the line");
        return;
      }
      for (size_t i = 3; i < 6; ++i)
        if (!Real(key, words, i, real)) return;
    } else if (field == plugin::spoolModeField) {
      if (Integer(key, words, 3, integer) && integer != 0 && integer != 1)
        Warn(key + " " + words[3] + " is neither 0 nor 1: the plug-in takes 0");
    } else {
      Warn(key + ": '" + field + "' is not a field the plug-in reads");
    }
  }

  std::vector<BlockWarning> &warnings;
  const std::function<bool(const std::string &)> &isVessel;
  LinkSeen links[linkCount];
  size_t at = 0;
};

}  // namespace

std::vector<BlockWarning> CheckTetherBlock(const std::vector<std::string> &lines,
                                           const std::function<bool(const std::string &)> &isVessel) {
  std::vector<BlockWarning> warnings;
  Checker checker(warnings, isVessel);
  for (size_t i = 0; i < lines.size(); ++i) {
    // The words of a line as the host hands it to the plug-in: without its comment.
    const std::vector<std::string> words = Words(LineContent(lines[i]));
    if (words.empty()) continue;
    // The plug-in stops at its display's end, the host at its block's.
    if (words[0] == "END_MFD" || (words[0] == "END" && words.size() == 1)) break;
    checker.Line(i, words);
  }
  checker.Links();
  return warnings;
}

namespace {

std::vector<std::pair<size_t, std::string>> BlockFindings(const Scenario &scenario, const std::string &mode) {
  std::set<std::string> vessels;
  for (const ShipState &ship : scenario.ships) vessels.insert(Lower(ship.name));
  const auto isVessel = [&](const std::string &name) { return vessels.count(Lower(name)) > 0; };
  std::vector<std::pair<size_t, std::string>> found;
  for (const DisplayBlock &block : scenario.displays) {
    if (block.mode != mode) continue;
    for (const BlockWarning &warning : CheckTetherBlock(block.lines, isVessel)) {
      const size_t line = warning.index < block.lineNumbers.size() ? block.lineNumbers[warning.index] : 0;
      if (line != 0) found.push_back({line, warning.text});
    }
  }
  return found;
}

// In the file's order, as a reader goes through it.
std::vector<std::string> InFileOrder(const Scenario &scenario, std::vector<std::pair<size_t, std::string>> found) {
  std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
  std::vector<std::string> lines;
  for (const auto &[line, text] : found) lines.push_back(scenario.source + ":" + std::to_string(line) + ": " + text);
  return lines;
}

}  // namespace

std::vector<std::string> ScenarioBlockWarnings(const Scenario &scenario, const std::string &mode) {
  return InFileOrder(scenario, BlockFindings(scenario, mode));
}

std::vector<std::string> LoadWarnings(const Scenario &scenario, const std::string &mode) {
  std::vector<std::pair<size_t, std::string>> found;
  for (const ScenarioNote &note : scenario.notes) found.push_back({note.line, note.text});
  for (auto &finding : BlockFindings(scenario, mode)) found.push_back(std::move(finding));
  return InFileOrder(scenario, std::move(found));
}

}  // namespace sim

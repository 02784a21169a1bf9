#include "sim/run/BlockSettings.h"

#include <charconv>
#include <cmath>

#include "sim/run/BlockWarnings.h"
#include "sim/run/PluginContract.h"
#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioText.h"

namespace sim {

namespace {

struct LinkField {
  const char *suffix;      // of the setting's name
  std::string_view field;  // the block's word
};
constexpr LinkField linkFields[] = {
    {"_length", plugin::lengthField}, {"_force", plugin::forceField}, {"_reel_speed", plugin::reelSpeedField}};

// The words of a block line before its comment.
std::vector<std::string> LineWords(const std::string &line) { return Words(LineContent(line)); }

// Whether a line's first words are the words of `key`.
bool HasKey(const std::string &line, const std::string &key) {
  const std::vector<std::string> words = LineWords(line), keyWords = LineWords(key);
  if (words.size() < keyWords.size()) return false;
  for (size_t i = 0; i < keyWords.size(); ++i)
    if (words[i] != keyWords[i]) return false;
  return true;
}

}  // namespace

int SettingLink(const std::string &name) {
  if (name.size() < 6 || name.compare(0, 4, "link") != 0 || name[4] < '0' || name[4] >= '0' + plugin::linkCount)
    return -1;
  return name[4] - '0';
}

std::optional<std::string> BlockKey(const std::string &name) {
  if (name == "setup_length") return std::string(plugin::setupLength);
  if (name == "setup_force") return std::string(plugin::setupForce);
  const int link = SettingLink(name);
  if (link < 0) return std::nullopt;
  for (const LinkField &f : linkFields)
    if (name.compare(5, std::string::npos, f.suffix) == 0) return plugin::LinkKey(link, f.field);
  return std::nullopt;
}

std::optional<std::string> SettingValue(const std::string &text) {
  double value = 0;
  const char *end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (text.empty() || error != std::errc() || stop != end || !std::isfinite(value)) return std::nullopt;
  return FormatReal(value);
}

std::optional<BlockSetting> ParseBlockSetting(const std::string &text, std::string &error) {
  const size_t equals = text.find('=');
  const std::string name = text.substr(0, equals);
  if (equals == std::string::npos || !BlockKey(name)) {
    error = "'" + text + "' is not NAME=VALUE with NAME one of setup_length, setup_force, linkN_length, " +
            "linkN_force, linkN_reel_speed (N 0-" + std::to_string(plugin::linkCount - 1) + ")";
    return std::nullopt;
  }
  auto value = SettingValue(text.substr(equals + 1));
  if (!value) {
    error = name + " needs a finite number, not '" + text.substr(equals + 1) + "'";
    return std::nullopt;
  }
  if (const std::optional<std::string> slip = SettingSlip(name, *value)) {
    error = "--set " + text + ": " + *slip;
    return std::nullopt;
  }
  return BlockSetting{name, *value};
}

std::optional<std::string> SettingSlip(const std::string &name, const std::string &value) {
  const std::optional<std::string> key = BlockKey(name);
  if (!key) return std::nullopt;
  const std::vector<BlockWarning> slips =
      CheckTetherBlock({*key + " " + value}, [](const std::string &) { return true; });
  if (slips.empty()) return std::nullopt;
  return slips.front().text;
}

void ApplyBlockSettings(Scenario &scenario, const std::string &mode, const std::vector<BlockSetting> &settings) {
  if (settings.empty()) return;
  DisplayBlock *block = nullptr;
  for (DisplayBlock &b : scenario.displays)
    if (b.mode == mode && block == nullptr) block = &b;
  for (const BlockSetting &setting : settings) {
    const std::optional<std::string> key = BlockKey(setting.name);
    if (!key) throw ScenarioError("no scenario value is called '" + setting.name + "'");
    const int link = SettingLink(setting.name);
    if (link >= 0) {
      const std::string tied = plugin::LinkKey(link, plugin::connectField) + " 1";
      bool found = false;
      if (block != nullptr)
        for (const std::string &line : block->lines) found = found || LineWords(line) == LineWords(tied);
      if (!found)
        throw ScenarioError(setting.name + ": the scenario's " + mode + " block does not tie link " +
                            std::to_string(link) + " (no line '" + tied + "')");
    }
    if (block == nullptr) {
      DisplayBlock added;
      added.mode = mode;
      scenario.displays.push_back(added);
      block = &scenario.displays.back();
    }
    const std::string line = "  " + *key + " " + setting.value;
    // A line set here is not the file's: it has no line number.
    block->lineNumbers.resize(block->lines.size());
    bool replaced = false;
    for (size_t i = 0; i < block->lines.size(); ++i)
      if (HasKey(block->lines[i], *key)) {
        block->lines[i] = line;
        block->lineNumbers[i] = 0;
        replaced = true;
      }
    if (!replaced) {
      block->lines.push_back(line);
      block->lineNumbers.push_back(0);
    }
  }
}

}  // namespace sim

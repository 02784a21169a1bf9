#include "sim/scenario/ScenarioText.h"

#include <charconv>

#include "sim/scenario/NumberFormat.h"
#include "sim/scenario/ScenarioFile.h"
#include "tetherblock/BlockLine.h"

namespace sim {

namespace {

using tetherblock::IsBlank;

// Ports and tanks are numbered from 0; a number this large is a typing error.
constexpr size_t maxIndex = 999;

bool ReadIndex(std::string_view text, size_t &index) {
  if (text.empty() || text.size() > 3) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  std::from_chars(text.data(), text.data() + text.size(), index);
  return index <= maxIndex;
}

}  // namespace

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char &c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

std::string Trim(std::string_view text) {
  size_t first = 0, last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string LineContent(std::string_view line) { return Trim(line.substr(0, line.find(';'))); }

std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    const size_t start = i;
    while (i < text.size() && !IsBlank(text[i])) ++i;
    if (i > start) words.emplace_back(text.substr(start, i - start));
  }
  return words;
}

bool ParseTankLevels(const std::vector<std::string> &words, std::vector<TankLevel> &levels, std::string &problem) {
  std::vector<TankLevel> read;
  problem = "PRPLEVEL needs entries TANK:LEVEL, e.g. PRPLEVEL 0:1.000 1:0.5";
  if (words.size() < 2) return false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string &entry = words[i];
    const size_t colon = entry.find(':');
    TankLevel level;
    if (colon == std::string::npos || !ReadIndex(std::string_view(entry).substr(0, colon), level.tank)) return false;
    const std::string value = entry.substr(colon + 1);
    const std::string bad = ReadReal(value, level.level);
    if (!bad.empty()) {
      problem = "PRPLEVEL: level \"" + value + "\" " + bad;
      return false;
    }
    if (level.level < 0 || level.level > 1) {
      problem = "PRPLEVEL: level " + value + " of tank " + std::to_string(level.tank) + " must lie in 0 .. 1";
      return false;
    }
    for (const TankLevel &other : read)
      if (other.tank == level.tank) {
        problem = "PRPLEVEL gives tank " + std::to_string(level.tank) + " twice";
        return false;
      }
    read.push_back(level);
  }
  levels = std::move(read);
  problem.clear();
  return true;
}

bool ParseDockInfo(const std::vector<std::string> &words, std::vector<DockInfo> &docks, std::string &problem) {
  std::vector<DockInfo> read;
  problem = "DOCKINFO needs entries PORT:PORT,SHIP, e.g. DOCKINFO 0:1,ISS";
  if (words.size() < 2) return false;
  for (size_t i = 1; i < words.size(); ++i) {
    const std::string_view entry = words[i];
    const size_t colon = entry.find(':');
    const size_t comma = entry.find(',');
    DockInfo dock;
    if (colon == std::string::npos || comma == std::string::npos || comma < colon || comma + 1 == entry.size() ||
        !ReadIndex(entry.substr(0, colon), dock.port) ||
        !ReadIndex(entry.substr(colon + 1, comma - colon - 1), dock.otherPort))
      return false;
    dock.other = std::string(entry.substr(comma + 1));
    for (const DockInfo &other : read)
      if (other.port == dock.port) {
        problem = "DOCKINFO gives port " + std::to_string(dock.port) + " twice";
        return false;
      }
    read.push_back(dock);
  }
  docks = std::move(read);
  problem.clear();
  return true;
}

}  // namespace sim

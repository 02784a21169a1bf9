#include "sim/scenario/Scenario.h"

#include <ctime>

#include "sim/scenario/ScenarioText.h"

namespace sim {

double CurrentDate() {
  constexpr double unixEpoch = 40587.0;  // MJD of 1970 January 1, 0:00 UTC
  constexpr double hostOffset = 66.184;  // s
  return unixEpoch + (static_cast<double>(std::time(nullptr)) + hostOffset) / secondsPerDay;
}

double DateAt(const Scenario &scenario, double time) {
  if (!scenario.date) return defaultDate + time / secondsPerDay;
  return *scenario.date + (time - scenario.time.value_or(0)) / secondsPerDay;
}

std::vector<std::string> LinesForReader(const DisplayBlock &block) {
  std::vector<std::string> lines = block.lines;
  lines.push_back("END_MFD");
  return lines;
}

std::vector<std::string> LinesForReader(const ModuleBlock &block) {
  std::vector<std::string> lines = block.lines;
  lines.push_back("END");
  return lines;
}

const ModuleBlock *FindModuleBlock(const Scenario &scenario, const std::string &name) {
  for (const ModuleBlock &block : scenario.modules)
    if (Lower(block.name) == Lower(name)) return &block;
  return nullptr;
}

ModuleBlock *FindModuleBlock(Scenario &scenario, const std::string &name) {
  return const_cast<ModuleBlock *>(FindModuleBlock(static_cast<const Scenario &>(scenario), name));
}

}  // namespace sim

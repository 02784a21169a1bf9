// One line of outcome for a run, about one link: the largest pull of any frame, the length and
// distance at the end, and whether the tether went slack. A sweep's summary is these lines of
// many runs.
#pragma once

#include <string>
#include <vector>

#include "sim/run/BlockSettings.h"

namespace sim {

class Simulation;

class RunSummary {
public:
  explicit RunSummary(int summarised) : link(summarised) {}

  // At the start and after every frame. `changed`: keys were pressed or vessels deleted in that
  // frame, so tethers may have been tied or let go.
  void Observe(Simulation &simulation, bool changed);
  // After the last frame: the final length and distance.
  void Finish(Simulation &simulation);

  // "NAME,…,peak_pull,final_length,final_distance,went_slack", a column for each setting.
  static std::string Header(const std::vector<BlockSetting> &settings);
  // The settings' values, then the outcome, in the order of the header.
  std::string Row(const std::vector<BlockSetting> &settings) const;

  double PeakPull() const { return peakPull; }
  bool WentSlack() const { return wentSlack; }

private:
  // Whether the link is tied between two existing vessels, as the last look found it.
  void Look(Simulation &simulation);

  int link;
  bool isTied = false;
  bool looked = false;
  double peakPull = 0;  // N
  bool wentSlack = false;
  double finalLength = 0, finalDistance = 0;  // m
};

}  // namespace sim

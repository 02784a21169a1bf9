#include "sim/run/Summary.h"

#include <algorithm>

#include "sim/run/Simulation.h"
#include "sim/scenario/NumberFormat.h"

namespace sim {

void RunSummary::Look(Simulation &simulation) {
  isTied = false;
  World &world = simulation.GetWorld();
  for (const TetherSample &t : simulation.SampleTethers()) {
    if (t.connected == 0 || t.link != link) continue;
    const Vessel *v1 = world.FindByName(t.ship1), *v2 = world.FindByName(t.ship2);
    isTied = v1 != nullptr && v2 != nullptr && v1 != v2;
  }
  looked = true;
}

void RunSummary::Observe(Simulation &simulation, bool changed) {
  if (changed || !looked) Look(simulation);
  // The pull of each frame, not only of the samples, as the tethers file has it.
  const double pull = isTied ? simulation.LinkPull(link) : 0;  // N
  peakPull = std::max(peakPull, pull);
  // Slack: tied, pulling nothing, and the attach points closer than the length. Only a frame
  // without pull can be one, so the tethers are measured only then, until the first is found.
  if (isTied && pull == 0 && !wentSlack) {
    const std::vector<TetherSample> &tethers = simulation.SampleTethers();
    wentSlack = static_cast<size_t>(link) < tethers.size() && tethers[static_cast<size_t>(link)].connected != 0 &&
                tethers[static_cast<size_t>(link)].stretch < 100;
  }
}

void RunSummary::Finish(Simulation &simulation) {
  const std::vector<TetherSample> tethers = simulation.Tethers();
  if (tethers.size() <= static_cast<size_t>(link)) return;
  finalLength = tethers[static_cast<size_t>(link)].length;
  finalDistance = tethers[static_cast<size_t>(link)].distance;
}

std::string RunSummary::Header(const std::vector<BlockSetting> &settings) {
  std::string header;
  for (const BlockSetting &s : settings) header += s.name + ",";
  return header + "peak_pull,final_length,final_distance,went_slack";
}

std::string RunSummary::Row(const std::vector<BlockSetting> &settings) const {
  std::string row;
  for (const BlockSetting &s : settings) row += s.value + ",";
  return row + FormatReal(peakPull) + "," + FormatReal(finalLength) + "," + FormatReal(finalDistance) + "," +
         (wentSlack ? "1" : "0");
}

}  // namespace sim

// The plug-in's scenario block read for what the samples of a run report about its links: each
// link's "TetherData N FIELD VALUE" lines (PluginContract.h), with the host's geometry added by the
// caller.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/run/PluginContract.h"
#include "sim/scenario/ScenarioStream.h"
#include "sim/world/Vec3.h"

namespace sim {

// One tether as the plug-in's scenario block and the host's geometry describe it.
struct TetherSample {
  int link = 0;
  int connected = 0;
  std::string ship1, ship2;
  double length = 0;     // m, unstretched
  double distance = 0;   // m, attach point to attach point, now
  double stretch = 0;    // percent: distance / length × 100
  double pull = 0;       // N: twice the force the link applied to vessel 1 in the last frame
  double force = 0;      // N per percent of stretch
  double reelSpeed = 0;  // m/s
  int spoolMode = 0;
};

class TetherBlock {
public:
  // Eight links, numbered, none connected, before a block is read. The names keep their storage,
  // so that reading a block again allocates nothing once warm.
  void Clear();
  // One line of the block, "TetherData N FIELD VALUE…" (other lines are passed over); a value
  // that is not one of the field's kind leaves the field as it was.
  void ReadLine(std::string_view line);
  // One entry as the plug-in wrote it, read as its line is read.
  void ReadEntry(const ScenarioStream::Entry &entry);

  std::vector<TetherSample> links;
  Vec3 attach1[plugin::linkCount], attach2[plugin::linkCount];  // each link's attach points, in its vessels' frames
};

}  // namespace sim

// The plug-in's scenario block read for what the samples of a run report about its links: each
// link's "TetherData N FIELD VALUE" lines, read by the block's own rules (tetherblock/), with the
// host's geometry added by the caller.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sim/run/PluginContract.h"
#include "sim/scenario/ScenarioStream.h"
#include "tetherblock/LinkRecord.h"

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

// The link a plain key names ("TetherData 3 Length": 3, with `field` "Length"): the word, one
// blank, a link number of a single digit below linkCount, one blank and a field word without
// blanks. Nothing for any other key.
std::optional<int> PlainLinkKey(std::string_view key, std::string_view &field);

class TetherBlock {
public:
  // Every link unconnected, before a block is read. The names keep their storage, so that reading
  // a block again allocates nothing once warm.
  void Clear();
  // One line of the block (lines that say nothing of a link are passed over).
  void ReadLine(std::string_view line);
  // One entry as the plug-in wrote it, read as its line is read.
  void ReadEntry(const ScenarioStream::Entry &entry);

  tetherblock::LinkRecord records[plugin::linkCount];

private:
  std::string text;  // a line to read, terminated
};

}  // namespace sim

// What a plug-in block says that the plug-in takes in silence but its writer most likely did not
// mean: a tether to a vessel the scenario lacks, a length of "banana", a negative force, a link
// number outside 0-7, a line the plug-in does not read. The plug-in keeps taking them as it
// always has; the host tells the user, one warning per entry, when it loads the file.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "sim/scenario/ScenarioFile.h"

namespace sim {

struct BlockWarning {
  size_t index = 0;  // of the line in the block
  std::string text;  // "TetherData 0 Length: 'banana' is not a number"
};

// The warnings of one block, given as the lines the plug-in reads (up to "END_MFD", or the host's
// "END"); `isVessel` says whether the scenario has a vessel of that name. In line order; a link's
// vessels are checked at the end, where the block has said whether it ties them.
std::vector<BlockWarning> CheckTetherBlock(const std::vector<std::string> &lines,
                                           const std::function<bool(const std::string &)> &isVessel);

// Every block of display mode `mode` in the scenario, checked against its ships (names matched
// without regard to case, as the host matches them): one line per warning, "tug.scn:14: …". Lines
// that did not come from the file (values a run sets) are not checked.
std::vector<std::string> ScenarioBlockWarnings(const Scenario &scenario, const std::string &mode);

// Everything a user hears of when a file loads, in the file's order: what the scenario's reader
// took in place of what a line leaves out (Scenario::notes), and the warnings of its blocks above.
std::vector<std::string> LoadWarnings(const Scenario &scenario, const std::string &mode);

}  // namespace sim

// Values a run sets in the plug-in's scenario block before the block is handed to the display:
// the setup's length and force, and a tied link's length, force and reel speed. They go in as the
// block's own lines, so the plug-in reads them as it reads any scenario (in single precision).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/scenario/ScenarioFile.h"

namespace sim {

// One value: `name` is "setup_length", "setup_force", or "linkN_length", "linkN_force",
// "linkN_reel_speed" with N from 0 to 7; `value` a finite number in the notation of the CSV files.
struct BlockSetting {
  std::string name;
  std::string value;
};

// The block line a name stands for ("SetupTetherLength", "TetherData 3 ReelSpeed"), or nothing
// for a name that is none of the above.
std::optional<std::string> BlockKey(const std::string &name);
// The link a name is about, or -1 for a setup value.
int SettingLink(const std::string &name);
// A finite number in the shortest notation that reads back to it ("1e3" gives "1000"), or
// nothing when `text` is not one whole number.
std::optional<std::string> SettingValue(const std::string &text);
// What the plug-in would take otherwise than written, as the warning of the same line in a file
// says it ("SetupTetherLength -10: a length must be above 0"); nothing for a value it takes.
// The command line refuses such a value: typed on purpose, it is a slip.
std::optional<std::string> SettingSlip(const std::string &name, const std::string &value);
// "NAME=VALUE" checked; nothing, with a one-line reason in `error`, when either part is bad or
// the value is a slip as above.
std::optional<BlockSetting> ParseBlockSetting(const std::string &text, std::string &error);

// Writes the settings into the block of display mode `mode`: a line with the same key is
// replaced, otherwise the line is added. A scenario without such a block gets one for setup
// values. A link value needs the block to tie that link ("TetherData N CONNECT 1"): the plug-in
// keeps a loose link's values only for a link it ties. Throws ScenarioError naming the setting.
void ApplyBlockSettings(Scenario &scenario, const std::string &mode, const std::vector<BlockSetting> &settings);

}  // namespace sim

// Scenario files in the host's syntax, read into a Scenario (Scenario.h) and written back: what the
// simulated host does not read (other blocks, other displays' blocks, ship lines of the host's own
// vessels) is kept as read and written back in its place, so a file read and written again is the
// same file apart from the values the world changed. Reading is ScenarioParser.cpp's, writing
// ScenarioWriter.cpp's, the files on the disk ScenarioFile.cpp's.
#pragma once

#include <string>

#include "sim/scenario/Scenario.h"

namespace sim {

// The whole text parsed, or ScenarioError naming `sourceName`, the line and the problem. Nothing
// is returned from a text with any fault.
Scenario ParseScenario(const std::string &text, const std::string &sourceName);
// Reads and parses a file; ScenarioError when it cannot be read or is malformed.
Scenario LoadScenarioFile(const std::string &path);

// The scenario as file text. A scenario read from a file keeps its lines; values that changed are
// written in the shortest form that reads back exactly.
std::string FormatScenario(const Scenario &scenario);
// Writes a temporary file beside `path` and renames it over `path` once complete and read back;
// on any failure (ScenarioError) the old file at `path` is untouched. `durable` waits until the
// file and its name are on the disk.
void SaveScenarioFile(const std::string &path, const Scenario &scenario, bool durable = false);

}  // namespace sim

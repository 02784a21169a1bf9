// The command line of kestrane-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/cli/KeyNames.h"
#include "sim/cli/Sweep.h"
#include "sim/run/BlockSettings.h"

namespace sim {

// A vessel the host deletes during a run.
struct TimedDeletion {
  double time;       // s of simulated time
  std::string name;  // as the scenario names it; matched without regard to case
};

// "T:NAME,T:NAME,..."; on a bad entry returns nothing and says why in `error`. Times are not
// sorted and names are not checked against a scenario.
std::optional<std::vector<TimedDeletion>> ParseDeletionList(const std::string &list, std::string &error);

struct RunArguments {
  std::string scenario;
  std::string plugin;                    // empty: the module beside the executable
  double duration = 10.0;                // s of simulated time
  std::optional<double> step;            // s; the scenario's when absent
  std::vector<TimedKey> keys;            // in the order they are pressed
  std::vector<TimedDeletion> deletions;  // in the order they happen
  std::string tethers, vessels;
  double every = 1.0;  // s between CSV samples
  std::string screen, png, save;
  bool quiet = false;
  bool show = false;                   // print the display each time it changes
  double speed = 0;                    // simulated seconds per second of wall time; 0: as fast as it goes
  std::vector<BlockSetting> settings;  // values written into the plug-in's block before it is read
  std::string summary;                 // the run's one-line outcome as CSV; "-": standard output
  int link = 0;                        // the link the outcome is about
};

struct PlayArguments {
  std::string scenario;
  std::string plugin;
  std::optional<double> step;
};

struct Command {
  enum class Kind { Run, Play, Sweep, Help } kind = Kind::Help;
  RunArguments run;
  PlayArguments play;
  SweepArguments sweep;
};

extern const char usageText[];

// Nothing, with `error` holding a one-line reason, for bad arguments.
std::optional<Command> ParseCommandLine(const std::vector<std::string> &args, std::string &error);

// The plug-in module that sits beside the running executable.
std::string DefaultPluginPath();

}  // namespace sim

// The command line of kestrane-sim.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "sim/cli/KeyNames.h"
#include "sim/cli/Sweep.h"
#include "sim/run/BlockSettings.h"
#include "sim/run/ModuleLoader.h"

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
  std::string hostDir;                   // a host installation whose vessel classes ships may use
  double duration = 10.0;                // s of simulated time
  std::optional<double> until;           // s: the simulated time to run to, instead of a duration
  std::optional<double> step;            // s; the scenario's when absent
  std::vector<TimedKey> keys;            // in the order they are pressed
  std::vector<TimedDeletion> deletions;  // in the order they happen
  std::string tethers, vessels;
  double every = 1.0;  // s between CSV samples
  std::string screen, png, save;
  double checkpoint = 0;       // s of simulated time between checkpoints; 0: none
  std::string checkpointFile;  // where they go: the named file, or the one beside `save`
  bool append = false;         // continue the CSV files of the run that the scenario was saved from
  bool quiet = false;
  bool force = false;                         // --save may replace the scenario being run
  bool show = false;                          // print the display each time it changes
  double speed = 0;                           // simulated seconds per second of wall time; 0: as fast as it goes
  std::optional<HostGeneration> host;         // the program's own when absent
  StepCallbacks steps = StepCallbacks::Host;  // the per-frame callbacks the host calls
  std::string replay;                         // the replay page to write; empty: none
  double replayEvery = 0.1;                   // s between the replay's samples
  std::vector<BlockSetting> settings;         // values written into the plug-in's block before it is read
  std::string summary;                        // the run's one-line outcome as CSV; "-": standard output
  int link = 0;                               // the link the outcome is about
};

struct PlayArguments {
  std::string scenario;
  std::string plugin;
  std::optional<double> step;
  std::string hostDir;
};

struct Command {
  // Usage: no command at all, answered with the usage and a failure; Version: --version.
  enum class Kind { Run, Play, Sweep, Help, Usage, Version } kind = Kind::Help;
  // The help asked for: the program's (no command named) or one command's.
  enum class Topic { General, Run, Play, Sweep } topic = Topic::General;
  RunArguments run;
  PlayArguments play;
  SweepArguments sweep;
};

// What --help prints: the usage of every command, or one command's usage, options and keys.
std::string HelpText(Command::Topic topic);

// Nothing, with `error` holding a one-line reason, for bad arguments.
std::optional<Command> ParseCommandLine(const std::vector<std::string> &args, std::string &error);

// Where a user who gave `args` finds what they may give: "kestrane-sim run --help".
std::string HelpHint(const std::vector<std::string> &args);

// Where the checkpoints of a run that saves to `savePath` go: "dir/end.scn" gives
// "dir/end-checkpoint.scn"; a name without ".scn" gets "-checkpoint.scn" appended.
std::string CheckpointPath(const std::string &savePath);

// "--link N": a link number, or nothing with a one-line reason in `error`.
std::optional<int> ParseLink(const std::string &value, std::string &error);

// The plug-in module that sits beside the running executable.
std::string DefaultPluginPath();

}  // namespace sim

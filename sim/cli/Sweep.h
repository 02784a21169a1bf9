// kestrane-sim sweep: one scenario run for every combination of lists of values, each run a
// separate `kestrane-sim run` process (the plug-in keeps module-wide state, so a process is the
// unit that gives every run its own module, world and display), their one-line summaries gathered
// into one CSV file.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/run/BlockSettings.h"

namespace sim {

// The values one setting takes, in the order given.
struct SweepList {
  std::string name;  // as for BlockSetting
  std::vector<std::string> values;
};

struct SweepArguments {
  std::string scenario;
  std::vector<SweepList> lists;
  std::vector<std::string> runOptions;  // given to every run: --plugin, --duration, --dt, --keys, --delete
  int link = 0;                         // the link summarised
  unsigned jobs = 0;                    // runs at once; 0: the number of cores
  size_t shard = 1, shards = 1;         // run part `shard` (from 1) of `shards`
  std::string summary;                  // empty: standard output
  bool quiet = false;
  bool help = false;
};

// The arguments after the word "sweep" (args[0]); nothing, with a one-line reason, when they are
// bad, including run options that `run` would refuse.
std::optional<SweepArguments> ParseSweepArguments(const std::vector<std::string> &args, std::string &error);

// Every combination of the lists' values, the last list varying fastest; one combination of no
// settings for no lists. Nothing when there would be more than `limit`.
std::optional<std::vector<std::vector<BlockSetting>>> Combinations(const std::vector<SweepList> &lists, size_t limit);
// The combinations [first, last) of part `shard` (from 1) of `shards` equal consecutive parts.
std::pair<size_t, size_t> ShardRange(size_t count, size_t shard, size_t shards);

// Runs the sweep; the exit status: 0, 1 when a run failed or the summary cannot be written, 2
// when the scenario cannot be used.
int Sweep(const SweepArguments &args);

}  // namespace sim
